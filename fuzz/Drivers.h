#pragma once
// What each fuzz target does with one input. Every driver returns an empty
// string when all of its checks hold and a description of the first broken
// one otherwise, so the same code serves the fuzzers and the unit tests.
#include <cstddef>
#include <cstdint>
#include <string>

// Input: cols, rows, scroll-back limit, switch bits, four block sizes, the
// blocks before which the user pages into the scroll-back, host bits (1: the
// host writes UTF-8), then the host's bytes, fed through the Telnet engine
// block by block with the screen's invariants checked after every block.
std::string FuzzStream(const std::uint8_t* Data, std::size_t Size);

// Input: two bytes of split point, cols, rows, scroll-back limit, switch
// bits, host bits (as above), then the host's bytes. Fed whole and again in
// two parts, the screen must end the same.
std::string FuzzSplit(const std::uint8_t* Data, std::size_t Size);

// Input: an INI text. Parsing, serialising and rewriting must agree; some
// inputs also go through a file in a private temporary folder.
std::string FuzzIni(const std::uint8_t* Data, std::size_t Size);

// Input: flag bits (1: convert code page 949 to UTF-8, 2: time stamps), two
// bytes of split point, then the host's bytes for the session log's Text.
// The file must hold no escape or control but LF and TAB, be UTF-8 when
// converted, and be the same whether the bytes came whole or in two parts.
std::string FuzzLog(const std::uint8_t* Data, std::size_t Size);
