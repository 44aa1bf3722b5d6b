#pragma once
// Telnet command and option byte values (RFC 854, 1073, 1091, 779).
#include <cstdint>

namespace TN {
constexpr std::uint8_t IAC = 0xFF, DONT = 0xFE, DO = 0xFD, WONT = 0xFC, WILL = 0xFB, SB = 0xFA,
                       DM = 0xF2, SE = 0xF0, EOR = 0xEF;
constexpr std::uint8_t IS = 0, SEND = 1;
constexpr std::uint8_t OptBinary = 0, OptEcho = 1, OptSuppressGoAhead = 3, OptTimingMark = 6,
                       OptSendLocation = 23, OptTerminalType = 24, OptEndOfRecord = 25,
                       OptWindowSize = 31;
} // namespace TN
