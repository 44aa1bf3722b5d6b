#pragma once
// Virtual-key codes: the key numbers the terminal control hands to the key
// tables and uses for its own keys. The widget maps toolkit keys onto them,
// so nothing past the widget sees a toolkit's key.
#include <cstdint>

namespace VK {
constexpr std::uint16_t Back = 0x08, Tab = 0x09, Clear = 0x0C, Return = 0x0D, Shift = 0x10,
                        Control = 0x11, Menu = 0x12, Escape = 0x1B, Space = 0x20, Prior = 0x21,
                        Next = 0x22, End = 0x23, Home = 0x24, Left = 0x25, Up = 0x26, Right = 0x27,
                        Down = 0x28, Insert = 0x2D, Delete = 0x2E, F1 = 0x70, F10 = 0x79,
                        F12 = 0x7B;
} // namespace VK
