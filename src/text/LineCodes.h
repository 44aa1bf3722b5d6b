#pragma once
// The single-byte codes the screen stores for line drawing: the DEC special
// graphics a host selects and the box characters of a UTF-8 host become
// these, and the canvas, the printer and the replay tests read them back.
#include <cstdint>

// The character a stored line code stands for, or 0 for any other byte.
constexpr char32_t LineCodeChar(std::uint8_t B)
{
    switch (B) {
    case 0x01: return U'┌';
    case 0x02: return U'┐';
    case 0x03: return U'└';
    case 0x04: return U'┘';
    case 0x05: return U'│';
    case 0x06: return U'─';
    case 0x07: return U'·'; // the DEC set's bullet
    case 0x0A: return U'▒';
    case 0x10:
    case 0x11: return U'┼';
    case 0x15: return U'┴';
    case 0x16: return U'┬';
    case 0x17: return U'┤';
    case 0x19: return U'├';
    default: return 0;
    }
}
