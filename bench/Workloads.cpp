#include "Workloads.h"

#include "text/Cp949.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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

// Lines of three quarters to all of the columns in words, each ending in
// CR LF. Decorate runs between words and may add escape sequences that take
// no column.
template <typename TDecorate>
std::string Lines(TRandom& R, std::size_t Bytes, int Cols, TDecorate Decorate)
{
    std::string Out;
    while (Out.size() < Bytes) {
        const int Width = R.Between(Cols * 3 / 4, Cols);
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

TWorkload Plain(std::size_t Bytes, TGeometry G)
{
    TRandom R(Seed);
    TWorkload W{"ascii", Lines(R, Bytes, G.Cols, [](std::string&) {}), {}, 0};
    W.Peer = W.Ours;
    W.Chars = W.Ours.size();
    return W;
}

TWorkload Coloured(std::size_t Bytes, TGeometry G)
{
    TRandom R(Seed);
    int Countdown = 3;
    TWorkload W{"sgr",
                Lines(R, Bytes, G.Cols,
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

// Korean text in lines like Lines(); ColourEvery > 0 puts a colour change
// before every ColourEvery-th token or so (a token: one to four syllables).
TWorkload Korean(std::size_t Bytes, TGeometry G, const char* Name = "korean", int ColourEvery = 0)
{
    TRandom R(Seed);
    TWorkload W{Name, {}, {}, 0};
    int Countdown = ColourEvery;
    while (W.Ours.size() < Bytes) {
        const int Width = R.Between(G.Cols * 3 / 4, G.Cols);
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
            if (ColourEvery > 0 && --Countdown <= 0) {
                Countdown = R.Between(1, ColourEvery);
                W.Ours += "\x1b[3" + std::to_string(R.Below(8)) + "m";
            }
            W.Ours += Token;
            Col += Need;
        }
        W.Ours += "\r\n";
    }
    W.Peer = Cp949::ToUtf8(W.Ours);
    W.Chars = TextChars(W.Ours);
    return W;
}

// The Korean text from a host that writes UTF-8, which ours converts.
TWorkload KoreanUtf8(std::size_t Bytes, TGeometry G)
{
    TWorkload W = Korean(Bytes, G);
    W.Name = "utf8";
    W.Ours = W.Peer;
    W.Utf8Host = true;
    return W;
}

// Characters a UTF-8 host writes that code page 949 lacks (emoji, simplified
// Chinese, kana past its syllabary) or holds two cells wide where the host
// counts one (the punctuation), a sixth each. The pools are small, as in real
// text: a table of such characters sees the same few again and again.
char32_t Outsider(TRandom& R)
{
    static const std::u32string Hanzi = [] {
        std::u32string Kept;
        for (const char32_t U : std::u32string_view(
                 U"个们这说时对会过还发来为国么没样经见现关头开问动两间学进种话体实长将门从"))
            if (!Cp949::PairOf(U)) Kept += U;
        return Kept;
    }();
    static constexpr std::u32string_view Kana = U"\u30A0\u30F7\u30F8\u30F9\u30FA\u31F0\u31F1\u31F2"
                                                U"\u31F3\u31F4\u31F5\u31F6\u31F7\u31F8\u31F9\u31FA";
    const auto Pick = [&R](std::u32string_view Pool) {
        return Pool[static_cast<std::size_t>(R.Below(static_cast<int>(Pool.size())))];
    };
    switch (R.Below(6)) {
    case 0: return static_cast<char32_t>(0x1F600 + R.Below(0x50));
    case 1: return Pick(Hanzi);
    case 2: return Pick(Kana);
    case 3: return 0x00B7;
    case 4: return 0x2026;
    default: return 0x2192;
    }
}

void AppendUtf8(std::string& Out, char32_t U)
{
    if (U < 0x80) {
        Out += static_cast<char>(U);
        return;
    }
    const int Tail = U < 0x800 ? 1 : U < 0x10000 ? 2 : 3;
    static constexpr std::array<std::uint8_t, 4> Leads = {0, 0xC0, 0xE0, 0xF0};
    Out += static_cast<char>(Leads[static_cast<std::size_t>(Tail)] | U >> (6 * Tail));
    for (int Shift = 6 * (Tail - 1); Shift >= 0; Shift -= 6)
        Out += static_cast<char>(0x80 | (U >> Shift & 0x3F));
}

// The utf8 workload with every twentieth character replaced by an outsider
// (a space or line end due is skipped for the next character): the same
// lines and the same number of characters, some a column wider or narrower.
TWorkload MixedUtf8(std::size_t Bytes, TGeometry G)
{
    const TWorkload K = Korean(Bytes, G);
    TRandom R(Seed);
    TWorkload W{"utf8mix", {}, {}, K.Chars, true};
    W.Ours.reserve(K.Peer.size() + K.Peer.size() / 16);
    int Since = 0;
    for (std::size_t I = 0; I < K.Ours.size(); ++I) {
        const auto B = static_cast<std::uint8_t>(K.Ours[I]);
        char32_t U = B;
        if (Cp949::IsLead(B) && I + 1 < K.Ours.size())
            U = Cp949::PairToUnicode(B, static_cast<std::uint8_t>(K.Ours[++I]));
        if (++Since >= 20 && U > ' ') {
            U = Outsider(R);
            Since = 0;
        }
        AppendUtf8(W.Ours, U);
    }
    W.Peer = W.Ours;
    return W;
}

// Whole screens drawn by position: every row addressed, written and erased to
// its end, then an erase below or of the whole screen. No wrapping.
TWorkload Redraw(std::size_t Bytes, TGeometry G)
{
    TRandom R(Seed);
    TWorkload W{"redraw", "\x1b[?7l", {}, 0};
    const std::size_t Width = static_cast<std::size_t>(G.Cols * 3 / 4);
    while (W.Ours.size() < Bytes) {
        for (int Row = 1; Row <= G.Rows; ++Row) {
            W.Ours += "\x1b[" + std::to_string(Row) + ";" + std::to_string(R.Between(1, 10)) + "H";
            std::string Line;
            while (Line.size() < Width) Line += Word(R) + " ";
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
TWorkload Region(std::size_t Bytes, TGeometry G)
{
    TRandom R(Seed);
    TWorkload W{"region", "\x1b[5;20r\x1b[20;1H", {}, 0};
    W.Ours += Lines(R, Bytes, G.Cols, [](std::string&) {});
    W.Peer = W.Ours;
    W.Chars = W.Ours.size();
    return W;
}

std::string Sgr(int Fore, int Back)
{
    return "\x1b[3" + std::to_string(Fore) + ";4" + std::to_string(Back) + "m";
}

// A full-colour screen painted over and over: every cell with a rendition
// of its own, row after row.
TWorkload CellColours(std::size_t Bytes, TGeometry G)
{
    TRandom R(Seed);
    TWorkload W{"sgrcell", {}, {}, 0};
    while (W.Ours.size() < Bytes) {
        W.Ours += "\x1b[H";
        for (int Row = 1; Row <= G.Rows; ++Row) {
            for (int Col = 1; Col <= G.Cols; ++Col) {
                const int Fore = R.Below(8);
                W.Ours += Sgr(Fore, (Fore + 1 + R.Below(7)) % 8);
                W.Ours += static_cast<char>('!' + R.Below(94));
            }
            if (Row < G.Rows) W.Ours += "\r\n";
        }
    }
    W.Ours += "\x1b[0m";
    W.Peer = W.Ours;
    W.Chars = W.Ours.size();
    return W;
}

// Single characters at addressed cells, as a full-screen program updates
// the fields of its screen.
TWorkload CursorCells(std::size_t Bytes, TGeometry G)
{
    TRandom R(Seed);
    TWorkload W{"cursor", {}, {}, 0};
    while (W.Ours.size() < Bytes) {
        W.Ours += "\x1b[" + std::to_string(R.Between(1, G.Rows)) + ";" +
                  std::to_string(R.Between(1, G.Cols)) + "H";
        W.Ours += static_cast<char>('!' + R.Below(94));
    }
    W.Peer = W.Ours;
    W.Chars = W.Ours.size();
    return W;
}

} // namespace

// Characters of code page 949 text outside escape sequences: a pair is one.
std::size_t TextChars(std::string_view Cp949)
{
    std::size_t N = 0;
    for (std::size_t I = 0; I < Cp949.size(); ++I) {
        const auto B = static_cast<std::uint8_t>(Cp949[I]);
        if (B == 0x1B) { // ESC [ parameters final
            for (++I; I < Cp949.size() && !(Cp949[I] >= '@' && Cp949[I] <= '~' && Cp949[I] != '[');)
                ++I;
            continue;
        }
        if (B >= 0x81) ++I;
        ++N;
    }
    return N;
}

std::vector<TWorkload> MakeWorkloads(std::size_t Bytes, TGeometry G)
{
    return {Plain(Bytes, G),       Coloured(Bytes, G),
            Korean(Bytes, G),      KoreanUtf8(Bytes, G),
            MixedUtf8(Bytes, G),   Redraw(Bytes, G),
            Region(Bytes, G),      CellColours(Bytes, G),
            CursorCells(Bytes, G), Korean(Bytes, G, "korsgr", 2)};
}
