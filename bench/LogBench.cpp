// Throughput of the session log on the benchmark's host streams, fed in the
// receive pump's 4096-byte blocks and written to a file in a private folder:
// Text as the host wrote it, Text converted to UTF-8, and Raw.
//
//   brevanix_logbench [--size MiB]
#include "Workloads.h"
#include "aux/SessionLog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int BlockSize = 4096;

enum class TWay { Text, TextUtf8, Raw };

double MBps(const std::string& Path, const std::string& Stream, TWay Way)
{
    TSessionLog Log;
    Log.Timestamps = Way != TWay::Raw;
    Log.Cp949ToUtf8 = Way == TWay::TextUtf8;
    std::string Error;
    if (!Log.Open(Path, false, Error)) {
        std::fprintf(stderr, "%s: %s\n", Path.c_str(), Error.c_str());
        std::exit(1);
    }
    const auto* P = reinterpret_cast<const std::uint8_t*>(Stream.data());
    const auto T0 = std::chrono::steady_clock::now();
    for (std::size_t Off = 0; Off < Stream.size(); Off += BlockSize) {
        const int N = static_cast<int>(std::min<std::size_t>(BlockSize, Stream.size() - Off));
        if (Way == TWay::Raw)
            Log.Raw(P + Off, N);
        else
            Log.Text(P + Off, N);
    }
    const bool Written = Log.Close(Error);
    const double Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
    std::filesystem::remove(Log.FileName());
    if (!Written) std::fprintf(stderr, "%s: %s\n", Path.c_str(), Error.c_str());
    return Seconds > 0 ? static_cast<double>(Stream.size()) / Seconds / 1e6 : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    std::size_t MiB = 64;
    if (argc == 3 && std::string(argv[1]) == "--size") MiB = std::strtoul(argv[2], nullptr, 10);
    std::string Dir =
        (std::filesystem::temp_directory_path() / "brevanix-logbench-XXXXXX").string();
    if (!::mkdtemp(Dir.data())) return 1;
    const std::string Path = Dir + "/bench.log";
    std::printf("%-8s %8s %11s %16s %10s\n", "workload", "MiB", "Text MB/s", "Text UTF-8 MB/s",
                "Raw MB/s");
    for (const TWorkload& W : MakeWorkloads(MiB << 20)) {
        std::printf("%-8s %8.1f %11.1f %16.1f %10.1f\n", W.Name.c_str(),
                    static_cast<double>(W.Ours.size()) / (1 << 20), MBps(Path, W.Ours, TWay::Text),
                    MBps(Path, W.Ours, W.Utf8Host ? TWay::Text : TWay::TextUtf8),
                    MBps(Path, W.Ours, TWay::Raw));
    }
    std::filesystem::remove_all(Dir);
    return 0;
}
