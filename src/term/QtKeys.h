#pragma once
// Qt key events in the terminal control's terms: a Windows virtual-key code,
// the set {Shift, Alt, Ctrl}, and the characters the key types as code page
// 949 bytes, the way a Windows keyboard with the US (Korean) layout types
// them. Control bytes come from the key and its modifiers, never from the
// event's text.
#include "term/TermCommon.h"

#include <QString>
#include <Qt>

#include <cstdint>
#include <string>

struct TQtKey {
    std::uint16_t Key = 0; // virtual-key code; 0 when the key has none
    TShiftState Shift = 0; // ssShift, ssAlt, ssCtrl
    std::string Chars;     // code page 949 bytes the key types
};

TQtKey MapQtKey(int QtKey, Qt::KeyboardModifiers Modifiers, const QString& Text);

// Text from the platform (an input method's preedit or commit) as code page
// 949 bytes, without its control characters: those come from keys only.
std::string PrintableCp949(const QString& Text);

// The log line of a key-down message: "Term : WM Key Down : $43 -  Ctrl".
std::string WmKeyDownLine(std::uint16_t Key, TShiftState Shift);
