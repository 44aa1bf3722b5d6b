// Throughput of our terminal against libvterm on six host streams.
//
//   brevanix_bench [--size MiB]                    the table
//   brevanix_bench --only WORKLOAD --engine NAME [--size MiB]
//       one run, its feed loop wrapped in callgrind's collection toggles;
//       bench/callgrind.sh turns that into instructions per byte.
//   brevanix_bench --dump DIR [--size MiB] [--cols N --rows N]
//       writes each workload shaped for that screen as DIR/NAME.cp949 and
//       DIR/NAME.utf8, for bench/terminals.py.
#include "Engines.h"
#include "Workloads.h"

#include <valgrind/callgrind.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <string_view>

namespace {
std::size_t GNewCalls = 0;
} // namespace

std::size_t NewCalls() { return GNewCalls; }

// Counting replacements: allocations per block are part of the table.
void* operator new(std::size_t Size)
{
    ++GNewCalls;
    if (void* P = std::malloc(Size ? Size : 1)) return P;
    throw std::bad_alloc();
}
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }

namespace {

constexpr int BlockSize = 4096;
constexpr std::size_t WarmUp = 1 << 20; // fills the 1000-line scroll-back

struct TResult {
    double Seconds = 0;
    double AllocsPerBlock = 0;
};

TResult Run(TEngine& E, const std::string& Text)
{
    const auto* P = reinterpret_cast<const std::uint8_t*>(Text.data());
    const std::size_t Size = Text.size();
    std::size_t Off = 0;
    for (; Off < Size && Off < WarmUp; Off += BlockSize)
        E.Feed(P + Off, static_cast<int>(std::min<std::size_t>(BlockSize, Size - Off)));
    const std::size_t Allocs = E.Allocations();
    std::size_t Blocks = 0;
    const auto T0 = std::chrono::steady_clock::now();
    for (; Off < Size; Off += BlockSize, ++Blocks)
        E.Feed(P + Off, static_cast<int>(std::min<std::size_t>(BlockSize, Size - Off)));
    const auto T1 = std::chrono::steady_clock::now();
    TResult R;
    R.Seconds = std::chrono::duration<double>(T1 - T0).count();
    R.AllocsPerBlock =
        Blocks ? static_cast<double>(E.Allocations() - Allocs) / static_cast<double>(Blocks) : 0;
    return R;
}

double MBps(std::size_t Bytes, double Seconds)
{
    const double Timed = static_cast<double>(Bytes > WarmUp ? Bytes - WarmUp : 0);
    return Seconds > 0 ? Timed / Seconds / 1e6 : 0;
}

int Table(std::size_t Size)
{
    std::printf("%-8s %8s %11s %13s %9s %13s %15s\n", "workload", "MiB", "ours MB/s",
                "libvterm MB/s", "speed-up", "ours allocs", "libvterm allocs");
    std::printf("%-8s %8s %11s %13s %9s %13s %15s\n", "", "", "", "", "", "per block", "per block");
    for (const TWorkload& W : MakeWorkloads(Size)) {
        auto Ours = NewOurEngine(W.Utf8Host);
        const TResult A = Run(*Ours, W.Ours);
        auto Peer = NewPeerEngine();
        const TResult B = Run(*Peer, W.Peer);
        // Korean text is longer in UTF-8: compare the time for the same text.
        const double OurTimePerChar = A.Seconds / static_cast<double>(W.Ours.size() - WarmUp);
        const double PeerTimePerChar = B.Seconds / static_cast<double>(W.Peer.size() - WarmUp) *
                                       static_cast<double>(W.Peer.size()) /
                                       static_cast<double>(W.Ours.size());
        std::printf("%-8s %8.1f %11.1f %13.1f %8.1fx %13.2f %15.2f\n", W.Name.c_str(),
                    static_cast<double>(W.Ours.size()) / (1 << 20), MBps(W.Ours.size(), A.Seconds),
                    MBps(W.Peer.size(), B.Seconds), PeerTimePerChar / OurTimePerChar,
                    A.AllocsPerBlock, B.AllocsPerBlock);
    }
    return 0;
}

// One engine over one workload, collected by callgrind from the first byte to
// the last; prints what the script divides by.
int Single(std::string_view Only, std::string_view EngineName, std::size_t Size)
{
    for (const TWorkload& W : MakeWorkloads(Size)) {
        if (W.Name != Only) continue;
        auto E = NewEngine(EngineName, W.Utf8Host);
        if (!E) break;
        const std::string& Text = EngineName == "libvterm" ? W.Peer : W.Ours;
        const auto* P = reinterpret_cast<const std::uint8_t*>(Text.data());
        CALLGRIND_TOGGLE_COLLECT;
        for (std::size_t Off = 0; Off < Text.size(); Off += BlockSize)
            E->Feed(P + Off, static_cast<int>(std::min<std::size_t>(BlockSize, Text.size() - Off)));
        CALLGRIND_TOGGLE_COLLECT;
        std::printf("bytes %zu chars %zu\n", Text.size(), W.Chars);
        return 0;
    }
    std::fprintf(stderr, "unknown workload or engine\n");
    return 2;
}

bool WriteFile(const std::string& Path, const std::string& Bytes)
{
    std::ofstream Out(Path, std::ios::binary);
    Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    return static_cast<bool>(Out);
}

int Dump(const std::string& Dir, std::size_t Size, TGeometry Screen)
{
    for (const TWorkload& W : MakeWorkloads(Size, Screen)) {
        if (!WriteFile(Dir + "/" + W.Name + ".cp949", W.Ours) ||
            !WriteFile(Dir + "/" + W.Name + ".utf8", W.Peer)) {
            std::fprintf(stderr, "cannot write %s/%s.*\n", Dir.c_str(), W.Name.c_str());
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    double MiB = 32;
    std::string_view Only, Engine = "ours";
    std::string DumpDir;
    TGeometry Screen;
    for (int I = 1; I < argc; ++I) {
        const std::string_view A = argv[I];
        const bool HasValue = I + 1 < argc;
        if (A == "--size" && HasValue)
            MiB = std::strtod(argv[++I], nullptr);
        else if (A == "--only" && HasValue)
            Only = argv[++I];
        else if (A == "--engine" && HasValue)
            Engine = argv[++I];
        else if (A == "--dump" && HasValue)
            DumpDir = argv[++I];
        else if (A == "--cols" && HasValue)
            Screen.Cols = std::atoi(argv[++I]);
        else if (A == "--rows" && HasValue)
            Screen.Rows = std::atoi(argv[++I]);
        else {
            std::fprintf(stderr,
                         "usage: %s [--size MiB] [--only WORKLOAD --engine ours|libvterm|floor]\n"
                         "       %s --dump DIR [--size MiB] [--cols N --rows N]\n",
                         argv[0], argv[0]);
            return 2;
        }
    }
    if (!DumpDir.empty()) {
        if (Screen.Cols < 10 || Screen.Rows < 2) return 2;
        return Dump(DumpDir, static_cast<std::size_t>(MiB * (1 << 20)), Screen);
    }
    if (MiB < 2) MiB = 2; // at least the warm-up and one timed MiB
    const auto Size = static_cast<std::size_t>(MiB) << 20;
    return Only.empty() ? Table(Size) : Single(Only, Engine, Size);
}
