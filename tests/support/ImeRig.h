#pragma once
// The terminal wired as the main window wires it, with the built-in composer
// the widget gives it: keys in as virtual-key codes, bytes out at a
// recording socket through the encoder.
#include "common/VirtualKeys.h"
#include "emulation/Input_VT100.h"
#include "support/RecordingSocket.h"
#include "support/TermFixture.h"
#include "term/HangulComposer.h"

#include <cstring>
#include <memory>
#include <vector>

struct TImeRig : TTermRig {
    TRecordingSocket Socket;
    TI_VT100 Input;
    std::unique_ptr<THangulComposer> Composer = THangulComposer::Create();
    std::vector<std::uint16_t> Downs; // what OnKeyDown saw
    std::vector<bool> Changes;        // OnImeChange

    TImeRig()
    {
        Term->InputContext = Composer.get();
        Term->OnKeyDown = [this](std::uint16_t& Key, TShiftState Shift) {
            Downs.push_back(Key);
            Input.KeyDown(*Term, Key, Shift);
        };
        Term->OnKeyPress = [this](std::uint8_t& Ch) {
            if (Ch != 0 && Ch != 3) Input.SendChar(*Term, Ch);
        };
        Term->OnMouseDown = [this](TMouseButton B, TShiftState S, int X, int Y) {
            Input.MousePress(*Term, B, S, X, Y);
        };
        Term->OnImeChange = [this](bool Status) { Changes.push_back(Status); };
    }
    // A key as the widget hands it on: the key down, then its characters.
    void Key(std::uint16_t Vk, TShiftState Shift = 0, const std::string& Chars = {})
    {
        Term->KeyDown(Vk, Shift);
        Term->CommitText(Chars);
        Term->SkipKeyPress = false;
    }
    // Printable ASCII as typed on a US keyboard: the key that carries each
    // character, with Shift where it needs it.
    void Type(std::string_view Text)
    {
        static const char Plain[] = "0123456789;=,-./`[\\]'";
        static const char Shifted[] = ")!@#$%^&*(:+<_>?~{|}\"";
        static const std::uint16_t Keys[] = {
            '0',           '1',      '2',      '3',      '4',         '5',          '6',
            '7',           '8',      '9',      VK::Oem1, VK::OemPlus, VK::OemComma, VK::OemMinus,
            VK::OemPeriod, VK::Oem2, VK::Oem3, VK::Oem4, VK::Oem5,    VK::Oem6,     VK::Oem7};
        for (const char C : Text) {
            const std::string Chars(1, C);
            if (C >= 'a' && C <= 'z') {
                Key(static_cast<std::uint16_t>(C - 'a' + 'A'), 0, Chars);
            } else if (C >= 'A' && C <= 'Z') {
                Key(static_cast<std::uint16_t>(C), ssShift, Chars);
            } else if (const char* P = std::strchr(Plain, C); P && C) {
                Key(Keys[P - Plain], 0, Chars);
            } else if (const char* S = std::strchr(Shifted, C); S && C) {
                Key(Keys[S - Shifted], ssShift, Chars);
            }
        }
    }
};
