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

} // namespace Cp949
