#pragma once
// The one place that converts between code page 949 bytes and Unicode.
#include <cstdint>
#include <string>
#include <string_view>

namespace Cp949 {

constexpr char32_t Replacement = 0xFFFD;

// True for a byte that opens a double-byte pair when it does not follow a lead.
constexpr bool IsLead(std::uint8_t B) { return B >= 0x81; }

// The character of a lead/trail pair, or Replacement when the pair is not
// code page 949.
char32_t PairToUnicode(std::uint8_t Lead, std::uint8_t Trail);

// The same for every pair at once: entry (Lead - 0x81) * 256 + Trail, for
// loops that look up one per pair.
const char16_t* PairTable();

// The pair that holds a character, lead byte high, or 0 when code page 949
// has no such character (it has none outside the basic multilingual plane).
std::uint16_t PairOf(char32_t U);
// The same for every character of the basic multilingual plane: 65536
// entries, for loops that look up one per character.
const std::uint16_t* PairsOfBmp();

// Whole texts. Undecodable bytes become U+FFFD; characters code page 949
// cannot hold become '?'. Nothing is dropped silently.
std::string ToUtf8(std::string_view Cp949Bytes);
std::string FromUtf8(std::string_view Utf8);
std::string FromUnicode(std::u32string_view Text);

// Text beyond the code page inside a code page 949 string: a copied
// selection holding a UTF-8 host's emoji, a foreign program's clipboard for
// such a host. Such a character stands as its UTF-8 between two RichMark
// bytes (NUL: no cell holds it, and these strings are never typed keys).
constexpr char RichMark = '\0';
// The rich string as UTF-8: code page 949 converted, marked runs as they are.
std::string ToUtf8Rich(std::string_view Cp949Rich);
// UTF-8 as a rich string: what code page 949 holds as its bytes, the rest in
// marked runs.
std::string FromUtf8Rich(std::string_view Utf8);
// Calls Part(Text, Rich) for each plain code page 949 run and each marked
// run (its UTF-8, marks removed) in turn.
template <class TPart> void ForEachRichPart(std::string_view S, TPart&& Part)
{
    while (!S.empty()) {
        const std::size_t Mark = S.find(RichMark);
        if (Mark != 0) {
            Part(S.substr(0, Mark), false);
            if (Mark == std::string_view::npos) return;
            S.remove_prefix(Mark);
        }
        const std::size_t End = S.find(RichMark, 1);
        Part(S.substr(1, End == std::string_view::npos ? End : End - 1), true);
        if (End == std::string_view::npos) return;
        S.remove_prefix(End + 1);
    }
}

} // namespace Cp949
