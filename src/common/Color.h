#pragma once
// The colour value shared by the cells, the terminal's properties and the
// profile file.
#include <cstdint>

// 0x00BBGGRR: red in the low byte. A value whose top byte is 0x80 names a
// desktop system colour by its index in the low byte.
using TColor = std::uint32_t;

inline constexpr TColor SystemColorFlag = 0x80000000u;

inline constexpr TColor ColorYellow = 0x0000FFFF;
inline constexpr TColor ColorSilver = 0x00C0C0C0;
inline constexpr TColor ColorAqua = 0x00FFFF00;
// XOR mask that inverts red, green and blue and leaves the flag byte.
inline constexpr TColor InvertRgb = 0x00FFFFFF;
