#include "term/Hanja.h"

#include "text/Cp949.h"

#include <hangul.h>

#include <memory>

namespace {

// Read once, on the first conversion: some 6 MB of text that most sessions
// never need. Kept until the program ends, whatever the number of look-ups.
const HanjaTable* Table()
{
    static const std::unique_ptr<HanjaTable, void (*)(HanjaTable*)> Loaded(
        hanja_table_load(nullptr), hanja_table_delete);
    return Loaded.get();
}

bool IsSyllable(char32_t U) { return U >= 0xAC00 && U <= 0xD7A3; }

// A syllable in UTF-8, the table's key: three bytes.
std::string Utf8Key(char32_t U)
{
    return {static_cast<char>(0xE0 | U >> 12), static_cast<char>(0x80 | (U >> 6 & 0x3F)),
            static_cast<char>(0x80 | (U & 0x3F))};
}

// The one character of a UTF-8 text, or 0 when it holds more or less.
char32_t OnlyChar(const char* Utf8)
{
    const auto* P = reinterpret_cast<const unsigned char*>(Utf8);
    if (!P || !*P) return 0;
    int More = 0;
    char32_t U = *P;
    if (U >= 0xF0) {
        U &= 0x07;
        More = 3;
    } else if (U >= 0xE0) {
        U &= 0x0F;
        More = 2;
    } else if (U >= 0xC0) {
        U &= 0x1F;
        More = 1;
    }
    for (++P; More > 0; --More, ++P) {
        if ((*P & 0xC0) != 0x80) return 0;
        U = U << 6 | (*P & 0x3F);
    }
    return *P ? 0 : U;
}

} // namespace

std::vector<THanja> HanjaCandidates(char32_t Syllable, bool Cp949Only)
{
    std::vector<THanja> Out;
    const HanjaTable* T = IsSyllable(Syllable) ? Table() : nullptr;
    if (!T) return Out;
    HanjaList* List = hanja_table_match_exact(T, Utf8Key(Syllable).c_str());
    if (!List) return Out;
    const int N = hanja_list_get_size(List);
    for (int I = 0; I < N; ++I) {
        const auto Nth = static_cast<unsigned>(I);
        const char32_t U = OnlyChar(hanja_list_get_nth_value(List, Nth));
        if (!U || (Cp949Only && !Cp949::PairOf(U))) continue;
        const char* Comment = hanja_list_get_nth_comment(List, Nth);
        Out.push_back({U, Comment ? Comment : ""});
    }
    hanja_list_delete(List);
    return Out;
}

char32_t SyllableOf(std::string_view Cp949Bytes)
{
    if (Cp949Bytes.size() != 2) return 0;
    const char32_t U = Cp949::PairToUnicode(static_cast<std::uint8_t>(Cp949Bytes[0]),
                                            static_cast<std::uint8_t>(Cp949Bytes[1]));
    return IsSyllable(U) ? U : 0;
}
