#include "Workloads.h"

#include "text/Cp949.h"

#include <array>
#include <cstdint>

namespace {

// splitmix64: small, fast and the same on every machine.
class TRandom {
public:
    explicit TRandom(std::uint64_t Seed) : State(Seed) {}
    std::uint64_t Next()
    {
        std::uint64_t Z = (State += 0x9E3779B97F4A7C15ull);
        Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
        Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
        return Z ^ (Z >> 31);
    }
    int Below(int N) { return static_cast<int>(Next() % static_cast<std::uint64_t>(N)); }
    int Between(int Lo, int Hi) { return Lo + Below(Hi - Lo + 1); }

private:
    std::uint64_t State;
};

constexpr std::uint64_t Seed = 20261208;

std::string Word(TRandom& R)
{
    static constexpr std::array<const char*, 24> Words = {
        "the",    "quick", "brown",   "fox",   "jumps", "over",   "lazy",       "dog",
        "telnet", "host",  "session", "login", "shell", "prompt", "screen",     "cursor",
        "usr",    "bin",   "etc",     "var",   "log",   "2026",   "-rw-r--r--", "total"};
    return Words[static_cast<std::size_t>(R.Below(static_cast<int>(Words.size())))];
}

// A Hangul syllable in code page 949: mostly from the KS X 1001 block
// (B0..C8 / A1..FE), about one in a hundred from the extended block.
std::string Syllable(TRandom& R)
{
    if (R.Below(100) == 0) {
        static constexpr std::array<std::uint8_t, 3> Bases = {0x41, 0x61, 0x81};
        static constexpr std::array<int, 3> Spans = {26, 26, 126};
        const int Band = R.Below(3);
        return {static_cast<char>(R.Between(0x81, 0xA0)),
                static_cast<char>(Bases[static_cast<std::size_t>(Band)] +
                                  R.Below(Spans[static_cast<std::size_t>(Band)]))};
    }
    return {static_cast<char>(R.Between(0xB0, 0xC8)), static_cast<char>(R.Between(0xA1, 0xFE))};
}

// Lines of 60 to 80 columns of words, each ending in CR LF. Decorate runs
// between words and may add escape sequences that take no column.
template <typename TDecorate> std::string Lines(TRandom& R, std::size_t Bytes, TDecorate Decorate)
{
    std::string Out;
    while (Out.size() < Bytes) {
        const int Width = R.Between(60, 80);
        int Col = 0;
        while (true) {
            const std::string W = Word(R);
            const int Need = static_cast<int>(W.size()) + (Col ? 1 : 0);
            if (Col + Need > Width) break;
            if (Col) Out += ' ';
            Decorate(Out);
            Out += W;
            Col += Need;
        }
        Out += "\r\n";
    }
    return Out;
}

TWorkload Plain(std::size_t Bytes)
{
    TRandom R(Seed);
    TWorkload W{"ascii", Lines(R, Bytes, [](std::string&) {}), {}, 0};
    W.Peer = W.Ours;
    W.Chars = W.Ours.size();
    return W;
}

TWorkload Coloured(std::size_t Bytes)
{
    TRandom R(Seed);
    int Countdown = 3;
    TWorkload W{"sgr",
                Lines(R, Bytes,
                      [&](std::string& Out) {
                          if (--Countdown > 0) return;
                          Countdown = R.Between(2, 5);
                          const int K = R.Below(10);
                          if (K < 8)
                              Out += "\x1b[3" + std::to_string(K) + "m";
                          else
                              Out += K == 8 ? "\x1b[1m" : "\x1b[0m";
                      }),
                {},
                0};
    W.Peer = W.Ours;
    W.Chars = W.Ours.size();
    return W;
}

TWorkload Korean(std::size_t Bytes)
{
    TRandom R(Seed);
    TWorkload W{"korean", {}, {}, 0};
    while (W.Ours.size() < Bytes) {
        const int Width = R.Between(60, 80);
        int Col = 0;
        while (true) {
            std::string Token;
            if (R.Below(8) == 0) {
                Token = Word(R);
            } else {
                for (int N = R.Between(1, 4); N > 0; --N) Token += Syllable(R);
            }
            const int Need = static_cast<int>(Token.size()) + (Col ? 1 : 0);
            if (Col + Need > Width) break;
            if (Col) Token.insert(Token.begin(), ' ');
            W.Ours += Token;
            Col += Need;
        }
        W.Ours += "\r\n";
    }
    W.Peer = Cp949::ToUtf8(W.Ours);
    for (std::size_t I = 0; I < W.Ours.size(); ++I) {
        if (static_cast<std::uint8_t>(W.Ours[I]) >= 0x81) ++I;
        ++W.Chars;
    }
    return W;
}

// The Korean text from a host that writes UTF-8, which ours converts.
TWorkload KoreanUtf8(std::size_t Bytes)
{
    TWorkload W = Korean(Bytes);
    W.Name = "utf8";
    W.Ours = W.Peer;
    W.Utf8Host = true;
    return W;
}

// Whole screens drawn by position: every row addressed, written and erased to
// its end, then an erase below or of the whole screen. No wrapping.
TWorkload Redraw(std::size_t Bytes)
{
    TRandom R(Seed);
    TWorkload W{"redraw", "\x1b[?7l", {}, 0};
    while (W.Ours.size() < Bytes) {
        for (int Row = 1; Row <= 24; ++Row) {
            W.Ours += "\x1b[" + std::to_string(Row) + ";" + std::to_string(R.Between(1, 10)) + "H";
            std::string Line;
            while (Line.size() < 60) Line += Word(R) + " ";
            W.Ours += Line;
            W.Ours += "\x1b[K";
        }
        W.Ours += R.Below(2) ? "\x1b[J" : "\x1b[2J";
    }
    W.Peer = W.Ours;
    W.Chars = W.Ours.size();
    return W;
}

// Lines added at the bottom of a region of rows 5..20, which scrolls alone.
TWorkload Region(std::size_t Bytes)
{
    TRandom R(Seed);
    TWorkload W{"region", "\x1b[5;20r\x1b[20;1H", {}, 0};
    W.Ours += Lines(R, Bytes, [](std::string&) {});
    W.Peer = W.Ours;
    W.Chars = W.Ours.size();
    return W;
}

} // namespace

std::vector<TWorkload> MakeWorkloads(std::size_t Bytes)
{
    return {Plain(Bytes),      Coloured(Bytes), Korean(Bytes),
            KoreanUtf8(Bytes), Redraw(Bytes),   Region(Bytes)};
}
