#include "text/Cp949.h"

#include <iconv.h>

#include <array>
#include <memory>

namespace Cp949 {
namespace {

constexpr int LeadCount = 0xFF - 0x81 + 1;
constexpr int TrailCount = 256;

// Every pair decoded once through iconv: drawing a screen then costs a lookup
// per glyph instead of a conversion call.
struct TPairTable {
    std::array<char16_t, LeadCount * TrailCount> Map{};

    TPairTable()
    {
        iconv_t Cd = iconv_open("UTF-32LE", "CP949");
        for (int L = 0x81; L <= 0xFF; ++L) {
            for (int T = 0; T < TrailCount; ++T) {
                char16_t& Slot = Map[static_cast<std::size_t>((L - 0x81) * TrailCount + T)];
                Slot = static_cast<char16_t>(Replacement);
                if (Cd == reinterpret_cast<iconv_t>(-1)) continue;
                char In[2] = {static_cast<char>(L), static_cast<char>(T)};
                unsigned char Out[8] = {};
                char* InP = In;
                char* OutP = reinterpret_cast<char*>(Out);
                std::size_t InLeft = 2, OutLeft = sizeof Out;
                iconv(Cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(Cd, &InP, &InLeft, &OutP, &OutLeft) == static_cast<std::size_t>(-1) ||
                    InLeft != 0 || OutLeft != sizeof Out - 4)
                    continue;
                const char32_t U =
                    Out[0] | (Out[1] << 8) | (Out[2] << 16) | (static_cast<char32_t>(Out[3]) << 24);
                if (U < 0x10000) Slot = static_cast<char16_t>(U);
            }
        }
        if (Cd != reinterpret_cast<iconv_t>(-1)) iconv_close(Cd);
    }
};

const TPairTable& Table()
{
    static const auto T = std::make_unique<TPairTable>();
    return *T;
}

// The pair table turned round. Every character the code page holds has
// exactly one pair, so this agrees with iconv's own encoder.
struct TUnicodeTable {
    std::array<std::uint16_t, 0x10000> Pair{};

    TUnicodeTable()
    {
        const TPairTable& T = Table();
        for (std::size_t I = 0; I < T.Map.size(); ++I) {
            const char16_t U = T.Map[I];
            if (U != Replacement && Pair[U] == 0)
                Pair[U] = static_cast<std::uint16_t>((0x81 + I / TrailCount) << 8 | I % TrailCount);
        }
    }
};

void AppendUtf8(std::string& Out, char32_t U)
{
    if (U < 0x80) {
        Out += static_cast<char>(U);
    } else if (U < 0x800) {
        Out += static_cast<char>(0xC0 | (U >> 6));
        Out += static_cast<char>(0x80 | (U & 0x3F));
    } else if (U < 0x10000) {
        Out += static_cast<char>(0xE0 | (U >> 12));
        Out += static_cast<char>(0x80 | ((U >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (U & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (U >> 18));
        Out += static_cast<char>(0x80 | ((U >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((U >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (U & 0x3F));
    }
}

// Next code point of a UTF-8 text; malformed input yields Replacement and
// advances one byte.
char32_t NextUtf8(std::string_view S, std::size_t& I)
{
    const auto B = static_cast<unsigned char>(S[I]);
    int Len = B < 0x80 ? 1 : (B >> 5) == 6 ? 2 : (B >> 4) == 14 ? 3 : (B >> 3) == 30 ? 4 : 0;
    if (Len == 0 || I + static_cast<std::size_t>(Len) > S.size()) {
        ++I;
        return Replacement;
    }
    char32_t U = Len == 1 ? B : B & (0x7F >> Len);
    for (int K = 1; K < Len; ++K) {
        const auto C = static_cast<unsigned char>(S[I + static_cast<std::size_t>(K)]);
        if ((C & 0xC0) != 0x80) {
            ++I;
            return Replacement;
        }
        U = (U << 6) | (C & 0x3F);
    }
    I += static_cast<std::size_t>(Len);
    return U;
}

} // namespace

char32_t PairToUnicode(std::uint8_t Lead, std::uint8_t Trail)
{
    if (!IsLead(Lead)) return Replacement;
    return Table().Map[static_cast<std::size_t>((Lead - 0x81) * TrailCount + Trail)];
}

const char16_t* PairTable() { return Table().Map.data(); }

const std::uint16_t* PairsOfBmp()
{
    static const auto T = std::make_unique<TUnicodeTable>();
    return T->Pair.data();
}

std::uint16_t PairOf(char32_t U) { return U < 0x10000 ? PairsOfBmp()[U] : 0; }

std::string ToUtf8(std::string_view S)
{
    std::string Out;
    Out.reserve(S.size() * 3 / 2);
    for (std::size_t I = 0; I < S.size(); ++I) {
        const auto B = static_cast<std::uint8_t>(S[I]);
        if (!IsLead(B)) {
            AppendUtf8(Out, B < 0x80 ? B : Replacement);
        } else if (I + 1 < S.size()) {
            AppendUtf8(Out, PairToUnicode(B, static_cast<std::uint8_t>(S[I + 1])));
            ++I;
        } else {
            AppendUtf8(Out, Replacement);
        }
    }
    return Out;
}

std::string FromUtf8(std::string_view S)
{
    std::string Out;
    Out.reserve(S.size());
    for (std::size_t I = 0; I < S.size();) {
        const char32_t U = NextUtf8(S, I);
        if (U < 0x80) {
            Out += static_cast<char>(U);
            continue;
        }
        const std::uint16_t Pair = PairOf(U);
        if (Pair == 0) {
            Out += '?';
        } else {
            Out += static_cast<char>(Pair >> 8);
            Out += static_cast<char>(Pair & 0xFF);
        }
    }
    return Out;
}

std::string ToUtf8Rich(std::string_view S)
{
    std::string Out;
    ForEachRichPart(S, [&](std::string_view Part, bool Rich) {
        Out += Rich ? std::string(Part) : ToUtf8(Part);
    });
    return Out;
}

std::string FromUtf8Rich(std::string_view S)
{
    const std::uint16_t* Pairs = PairsOfBmp();
    std::string Out;
    Out.reserve(S.size());
    bool InRich = false;
    for (std::size_t I = 0; I < S.size();) {
        const std::size_t At = I;
        const char32_t U = NextUtf8(S, I);
        if (U == 0) continue; // it would read as a mark
        const std::uint16_t Pair = U < 0x10000 ? Pairs[U] : 0;
        const bool Plain = U < 0x80 || Pair;
        if (Plain == InRich) { // a run of the other kind starts
            Out += RichMark;
            InRich = !InRich;
        }
        if (InRich) {
            Out.append(S.substr(At, I - At));
        } else if (U < 0x80) {
            Out += static_cast<char>(U);
        } else {
            Out += static_cast<char>(Pair >> 8);
            Out += static_cast<char>(Pair & 0xFF);
        }
    }
    if (InRich) Out += RichMark;
    return Out;
}

std::string FromUnicode(std::u32string_view Text)
{
    std::string Utf8;
    for (const char32_t U : Text) AppendUtf8(Utf8, U);
    return FromUtf8(Utf8);
}

} // namespace Cp949
