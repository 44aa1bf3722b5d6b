#pragma once
// Virtual-key codes: the key numbers the terminal control hands to the key
// tables and uses for its own keys. The widget maps toolkit keys onto them,
// so nothing past the widget sees a toolkit's key. Letters and digits are
// their upper-case ASCII codes ('A' = 0x41, '0' = 0x30) and have no names.
#include <cstdint>

namespace VK {
constexpr std::uint16_t Back = 0x08, Tab = 0x09, Clear = 0x0C, Return = 0x0D, Shift = 0x10,
                        Control = 0x11, Menu = 0x12, Pause = 0x13, Capital = 0x14, Hangul = 0x15,
                        Hanja = 0x19, Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22,
                        End = 0x23, Home = 0x24, Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28,
                        Snapshot = 0x2C, Insert = 0x2D, Delete = 0x2E, Help = 0x2F, LWin = 0x5B,
                        RWin = 0x5C, Apps = 0x5D;
// The numeric keypad with Num Lock on; without it the keypad gives the
// navigation keys above, and its 5 gives Clear.
constexpr std::uint16_t Numpad0 = 0x60, Numpad9 = 0x69, Multiply = 0x6A, Add = 0x6B,
                        Separator = 0x6C, Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F;
constexpr std::uint16_t F1 = 0x70, F2 = 0x71, F3 = 0x72, F4 = 0x73, F5 = 0x74, F6 = 0x75, F7 = 0x76,
                        F8 = 0x77, F9 = 0x78, F10 = 0x79, F11 = 0x7A, F12 = 0x7B, F24 = 0x87;
constexpr std::uint16_t NumLock = 0x90, Scroll = 0x91;
// Punctuation keys, named by their place on a US (and Korean) keyboard.
constexpr std::uint16_t Oem1 = 0xBA, // ; :
    OemPlus = 0xBB,                  // = +
    OemComma = 0xBC,                 // , <
    OemMinus = 0xBD,                 // - _
    OemPeriod = 0xBE,                // . >
    Oem2 = 0xBF,                     // / ?
    Oem3 = 0xC0,                     // ` ~
    Oem4 = 0xDB,                     // [ {
    Oem5 = 0xDC,                     // \ |
    Oem6 = 0xDD,                     // ] }
    Oem7 = 0xDE;                     // ' "
// A modifier or lock key on its own is part of the next key (Shift makes ㄲ
// of ㄱ), not a key of its own.
constexpr bool IsModifier(std::uint16_t Key)
{
    return Key == Shift || Key == Control || Key == Menu || Key == Capital || Key == NumLock ||
           Key == Scroll || Key == LWin || Key == RWin;
}
} // namespace VK
