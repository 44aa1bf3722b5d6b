#include "term/QtKeys.h"

#include "common/VirtualKeys.h"
#include "text/Cp949.h"

#include <cstdio>
#include <optional>

namespace {

struct TKeyPair {
    int QtKey;
    std::uint16_t Vk;
};

// Keys that no range covers. Qt names a shifted symbol by the symbol (Shift+1
// is Key_Exclam) where Windows names the key, so each symbol goes back to the
// key that carries it on a US keyboard, which Korean keyboards share.
// clang-format off
constexpr TKeyPair Named[] = {
    {Qt::Key_Backspace, VK::Back}, {Qt::Key_Tab, VK::Tab}, {Qt::Key_Backtab, VK::Tab},
    {Qt::Key_Clear, VK::Clear}, {Qt::Key_Return, VK::Return}, {Qt::Key_Enter, VK::Return},
    {Qt::Key_Shift, VK::Shift}, {Qt::Key_Control, VK::Control}, {Qt::Key_Alt, VK::Menu},
    {Qt::Key_AltGr, VK::Menu}, {Qt::Key_Pause, VK::Pause}, {Qt::Key_CapsLock, VK::Capital},
    {Qt::Key_Hangul, VK::Hangul}, {Qt::Key_Hangul_Hanja, VK::Hanja}, {Qt::Key_Escape, VK::Escape},
    {Qt::Key_Space, VK::Space}, {Qt::Key_PageUp, VK::Prior}, {Qt::Key_PageDown, VK::Next},
    {Qt::Key_End, VK::End}, {Qt::Key_Home, VK::Home}, {Qt::Key_Left, VK::Left},
    {Qt::Key_Up, VK::Up}, {Qt::Key_Right, VK::Right}, {Qt::Key_Down, VK::Down},
    {Qt::Key_Print, VK::Snapshot}, {Qt::Key_Insert, VK::Insert}, {Qt::Key_Delete, VK::Delete},
    {Qt::Key_Help, VK::Help}, {Qt::Key_Meta, VK::LWin}, {Qt::Key_Super_L, VK::LWin},
    {Qt::Key_Super_R, VK::RWin}, {Qt::Key_Menu, VK::Apps}, {Qt::Key_NumLock, VK::NumLock},
    {Qt::Key_ScrollLock, VK::Scroll}, {Qt::Key_Semicolon, VK::Oem1}, {Qt::Key_Colon, VK::Oem1},
    {Qt::Key_Equal, VK::OemPlus}, {Qt::Key_Plus, VK::OemPlus}, {Qt::Key_Comma, VK::OemComma},
    {Qt::Key_Less, VK::OemComma}, {Qt::Key_Minus, VK::OemMinus}, {Qt::Key_Underscore, VK::OemMinus},
    {Qt::Key_Period, VK::OemPeriod}, {Qt::Key_Greater, VK::OemPeriod}, {Qt::Key_Slash, VK::Oem2},
    {Qt::Key_Question, VK::Oem2}, {Qt::Key_QuoteLeft, VK::Oem3}, {Qt::Key_AsciiTilde, VK::Oem3},
    {Qt::Key_BracketLeft, VK::Oem4}, {Qt::Key_BraceLeft, VK::Oem4}, {Qt::Key_Backslash, VK::Oem5},
    {Qt::Key_Bar, VK::Oem5}, {Qt::Key_BracketRight, VK::Oem6}, {Qt::Key_BraceRight, VK::Oem6},
    {Qt::Key_Apostrophe, VK::Oem7}, {Qt::Key_QuoteDbl, VK::Oem7}, {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'}, {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'}, {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'}};
// clang-format on

// The keypad's typing keys with Num Lock on. Without Num Lock Qt reports the
// navigation keys (Key_Home..., Key_Clear for the 5), as Windows does.
constexpr TKeyPair Keypad[] = {{Qt::Key_Asterisk, VK::Multiply}, {Qt::Key_Plus, VK::Add},
                               {Qt::Key_Minus, VK::Subtract},    {Qt::Key_Period, VK::Decimal},
                               {Qt::Key_Comma, VK::Decimal},     {Qt::Key_Slash, VK::Divide}};

template <std::size_t N> std::uint16_t Find(const TKeyPair (&Table)[N], int QtKey)
{
    for (const TKeyPair& P : Table)
        if (P.QtKey == QtKey) return P.Vk;
    return 0;
}

std::uint16_t VirtualKey(int QtKey, bool OnKeypad)
{
    // Qt's letters and digits have their ASCII codes, as virtual keys do.
    if (QtKey >= Qt::Key_A && QtKey <= Qt::Key_Z) return static_cast<std::uint16_t>(QtKey);
    if (QtKey >= Qt::Key_0 && QtKey <= Qt::Key_9)
        return static_cast<std::uint16_t>(OnKeypad ? VK::Numpad0 + (QtKey - Qt::Key_0) : QtKey);
    if (QtKey >= Qt::Key_F1 && QtKey <= Qt::Key_F24)
        return static_cast<std::uint16_t>(VK::F1 + (QtKey - Qt::Key_F1));
    if (OnKeypad)
        if (const std::uint16_t Vk = Find(Keypad, QtKey)) return Vk;
    return Find(Named, QtKey);
}

// What Ctrl types on the Windows US layout: a letter its C0 code with or
// without Shift, a few keys the remaining C0 codes, every other key nothing.
std::optional<std::uint8_t> ControlChar(std::uint16_t Vk, bool Shift)
{
    if (Vk >= 'A' && Vk <= 'Z') return static_cast<std::uint8_t>(Vk - 'A' + 1);
    if (Shift) {
        switch (Vk) {
        case '2': return 0x00; // Ctrl+@
        case '6': return 0x1E; // Ctrl+^
        case VK::OemMinus: return 0x1F;
        default: return std::nullopt;
        }
    }
    switch (Vk) {
    case VK::Oem4: return 0x1B;
    case VK::Oem5: return 0x1C;
    case VK::Oem6: return 0x1D;
    case VK::Back: return 0x7F;
    case VK::Escape: return 0x1B;
    case VK::Return: return 0x0A;
    case VK::Space: return 0x20;
    default: return std::nullopt;
    }
}

// Keys that type Qt's text. The other named keys type nothing whatever the
// text says (Qt gives Delete the text "\x7f"). A key without a code is text
// an input method delivered in a key event.
bool TypesText(std::uint16_t Vk)
{
    return Vk == 0 || Vk == VK::Space || (Vk >= '0' && Vk <= '9') || (Vk >= 'A' && Vk <= 'Z') ||
           (Vk >= VK::Numpad0 && Vk <= VK::Divide) || (Vk >= VK::Oem1 && Vk <= VK::Oem3) ||
           (Vk >= VK::Oem4 && Vk <= VK::Oem7);
}

std::string Characters(std::uint16_t Vk, TShiftState Shift, const QString& Text)
{
    // Alt+key is a system character on Windows, which the terminal never
    // receives; Ctrl+Alt is AltGr there and types nothing on this layout.
    if (Shift & ssAlt) return {};
    if (Shift & ssCtrl) {
        const std::optional<std::uint8_t> C = ControlChar(Vk, Shift & ssShift);
        return C ? std::string(1, static_cast<char>(*C)) : std::string();
    }
    switch (Vk) {
    case VK::Back: return "\x08";
    case VK::Tab: return "\t";
    case VK::Return: return "\r";
    case VK::Escape: return "\x1b";
    default: return TypesText(Vk) ? PrintableCp949(Text) : std::string();
    }
}

} // namespace

// Control characters come from the key, never from the text.
std::string PrintableCp949(const QString& Text)
{
    QString Kept;
    for (const QChar C : Text)
        if (C.category() != QChar::Other_Control) Kept += C;
    return Cp949::FromUtf8(Kept.toStdString());
}

TQtKey MapQtKey(int QtKey, Qt::KeyboardModifiers Modifiers, const QString& Text)
{
    TQtKey K;
    K.Key = VirtualKey(QtKey, Modifiers.testFlag(Qt::KeypadModifier));
    // Qt::ControlModifier is the Ctrl key on Linux; Meta (the logo key) is
    // none of the three.
    if (Modifiers & Qt::ShiftModifier) K.Shift |= ssShift;
    if (Modifiers & Qt::AltModifier) K.Shift |= ssAlt;
    if (Modifiers & Qt::ControlModifier) K.Shift |= ssCtrl;
    K.Chars = Characters(K.Key, K.Shift, Text);
    return K;
}

std::string WmKeyDownLine(std::uint16_t Key, TShiftState Shift)
{
    char Line[40];
    std::snprintf(Line, sizeof Line, "Term : WM Key Down : $%02X - ", static_cast<unsigned>(Key));
    std::string Text = Line;
    if (Shift & ssShift) Text += " Shift";
    if (Shift & ssAlt) Text += " Alt";
    if (Shift & ssCtrl) Text += " Ctrl";
    return Text;
}
