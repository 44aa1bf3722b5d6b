// The fuzz targets' seeds and every input they ever failed on, through the
// same drivers and checks, so the ordinary test run keeps them fixed.
#include "Drivers.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using TDriver = std::string (*)(const std::uint8_t*, std::size_t);

// Runs every file of fuzz/corpus/<Target> and fuzz/regressions/<Target>.
void RunInputs(const char* Target, TDriver Driver)
{
    int Inputs = 0;
    for (const char* Kind : {"corpus", "regressions"}) {
        const std::filesystem::path Dir = std::filesystem::path(BREVANIX_FUZZ_DIR) / Kind / Target;
        if (!std::filesystem::is_directory(Dir)) continue;
        for (const auto& E : std::filesystem::directory_iterator(Dir)) {
            const std::string Bytes = ReadBytes(E.path().string());
            EXPECT_EQ(Driver(reinterpret_cast<const std::uint8_t*>(Bytes.data()), Bytes.size()), "")
                << E.path();
            ++Inputs;
        }
    }
    EXPECT_GT(Inputs, 0) << "no inputs for " << Target;
}

TEST(FuzzInputs, Stream) { RunInputs("stream", FuzzStream); }
TEST(FuzzInputs, Split) { RunInputs("split", FuzzSplit); }
TEST(FuzzInputs, Ini) { RunInputs("ini", FuzzIni); }
TEST(FuzzInputs, Log) { RunInputs("log", FuzzLog); }

} // namespace
