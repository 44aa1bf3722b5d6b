// The libFuzzer entry of one target; BREVANIX_FUZZ_DRIVER names its driver.
#include "Drivers.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string Fault = BREVANIX_FUZZ_DRIVER(Data, Size);
    if (!Fault.empty()) {
        std::fprintf(stderr, "fuzz check failed: %s\n", Fault.c_str());
        std::abort();
    }
    return 0;
}
