#include "emulation/Input_VT100.h"

#include "common/LogSink.h"
#include "common/SessionSocket.h"
#include "common/Switches.h"
#include "text/Cp949.h"

#include <algorithm>
#include <cstdio>

namespace {
void WriteLog(std::string_view Text)
{
    if (LogEnabled()) LogToSink(Text);
}

const std::string Esc = "\x1b";
} // namespace

TI_VT100::TI_VT100()
{
    auto Set = [this](std::uint16_t Key, const std::string& Plain, const std::string& Ctrl) {
        NormalTable[Key].Slots[0] = Plain;
        NormalTable[Key].Slots[4] = Ctrl;
    };
    // Ctrl gives the code page 949 box characters in the numeric keypad's layout.
    Set(VK::Left, Esc + "[D", "\xA6\xA7");   // ├
    Set(VK::Up, Esc + "[A", "\xA6\xA8");     // ┬
    Set(VK::Right, Esc + "[C", "\xA6\xA9");  // ┤
    Set(VK::Down, Esc + "[B", "\xA6\xAA");   // ┴
    Set(VK::Prior, Esc + "[5~", "\xA6\xA4"); // ┐
    Set(VK::Next, Esc + "[6~", "\xA6\xA5");  // ┘
    Set(VK::Home, Esc + "[H", "\xA6\xA3");   // ┌
    Set(VK::End, Esc + "[F", "\xA6\xA6");    // └
    Set(VK::Delete, "\x7f", "\xA6\xA2");     // │
    Set(VK::Insert, "", "\xA6\xA1");         // ─
    Set(VK::Clear, "", "\xA6\xAB");          // ┼
    Set('C', "", "\x03");

    AppTable = NormalTable;
    AppTable[VK::Left].Slots[0] = Esc + "OD";
    AppTable[VK::Up].Slots[0] = Esc + "OA";
    AppTable[VK::Right].Slots[0] = Esc + "OC";
    AppTable[VK::Down].Slots[0] = Esc + "OB";
    AppTable[VK::Insert].Slots[0] = Esc + "[2~";
    static const char* const Function[10] = {"11", "12", "13", "14", "15",
                                             "17", "18", "19", "20", "21"};
    for (int I = 0; I < 10; ++I)
        AppTable[static_cast<std::size_t>(VK::F1 + I)].Slots[0] = Esc + "[" + Function[I] + "~";

    SetKeyMap("Vt100");
}

void TI_VT100::SetKeyMap(std::string_view Name)
{
    Current = Name == "vt52" ? &AppTable : &NormalTable;
}

int TI_VT100::SlotOf(TShiftState Shift)
{
    const bool S = Shift & ssShift, A = Shift & ssAlt, C = Shift & ssCtrl;
    if (S) return C ? 7 : A ? 6 : 2;
    if (A) return C ? 5 : 3;
    return C ? 4 : 0;
}

const std::string& TI_VT100::Entry(std::uint16_t Key, int Slot) const
{
    static const std::string None;
    if (Key > 255 || Slot < 0 || Slot > 7) return None;
    return (*Current)[Key].Slots[static_cast<std::size_t>(Slot)];
}

std::uint16_t TI_VT100::KeyDown(TTerm& Term, std::uint16_t& Key, TShiftState Shift)
{
    if (LogEnabled()) {
        char Line[32];
        std::snprintf(Line, sizeof Line, "VT100 : KeyDown : $%02X", static_cast<unsigned>(Key));
        WriteLog(Line);
    }
    const std::string& Bytes =
        Switches.XtermLevel ? XtermEntry(Key, Shift) : Entry(Key, SlotOf(Shift));
    if (!Bytes.empty()) {
        SendText(Term, reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                 static_cast<int>(Bytes.size()));
        Key = 0;
    }
    return Key;
}

void TI_VT100::SendChar(TTerm& Term, std::uint8_t B) { SendText(Term, &B, 1); }

void TI_VT100::Paste(TTerm& Term, std::string_view Text)
{
    const bool Bracketed = Switches.BracketedPaste;
    // Without its escapes the text cannot end the bracket early and have the
    // rest taken as typed commands.
    std::string Bytes = Bracketed ? Esc + "[200~" : std::string();
    const auto Plain = [&](std::string_view Part) {
        for (const char B : Part) {
            if (!Bracketed)
                SendChar(Term, static_cast<std::uint8_t>(B));
            else if (B != 0x1B)
                Bytes += B;
        }
    };
    const auto Flush = [&] {
        SendText(Term, reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                 static_cast<int>(Bytes.size()));
        Bytes.clear();
    };
    Cp949::ForEachRichPart(Text, [&](std::string_view Part, bool Rich) {
        if (!Rich) return Plain(Part);
        if (Switches.HostEncoding != THostEncoding::Utf8) return Plain(Cp949::FromUtf8(Part));
        // A UTF-8 host takes the character itself, past the code page.
        if (Bracketed) Flush();
        HostText.EndText(SessionSocket);
        if (SessionSocket)
            SessionSocket->Write(reinterpret_cast<const unsigned char*>(Part.data()), Part.size());
    });
    if (!Bracketed) return;
    Bytes += Esc + "[201~";
    Flush();
}

void TI_VT100::SendText(TTerm&, const std::uint8_t* Bytes, int Len)
{
    if (SessionSocket && Len > 0) HostText.Write(*SessionSocket, Bytes, Len);
}

void TI_VT100::SendUnicode(TTerm&, char32_t U)
{
    if (SessionSocket) HostText.WriteChar(*SessionSocket, U);
}

void TI_VT100::MousePress(TTerm& Term, TMouseButton, TShiftState Shift, int X, int Y)
{
    MouseReport(Term, 0x20, Shift, X, Y);
}

void TI_VT100::MouseRelease(TTerm& Term, TMouseButton, TShiftState Shift, int X, int Y)
{
    MouseReport(Term, 0x23, Shift, X, Y);
}

void TI_VT100::MouseReport(TTerm& Term, std::uint8_t ButtonByte, TShiftState Shift, int X, int Y)
{
    const TScr& S = Term.Scr;
    if (Switches.XtermLevel) {
        XtermMouse(Term, ButtonByte == 0x23 ? TMouse::Release : TMouse::Press, Shift, X, Y);
        return;
    }
    if (!Switches.MouseReport || (Shift & ssShift)) return;
    if (S.CharWidth <= 0 || S.CharHeight <= 0) return; // font not measured yet
    // A pointer dragged outside the grid reports the nearest cell: the byte
    // must stay a valid 1-based position.
    const int Col = std::clamp(X / S.CharWidth, 0, S.Col - 1);
    const int Row = std::clamp(Y / S.CharHeight, 0, S.Row - 1);
    const auto Pos = [](int N) { return static_cast<std::uint8_t>(33 + N); }; // 1-based, + 32
    const std::uint8_t Report[6] = {0x1B, '[', 'M', ButtonByte, Pos(Col), Pos(Row)};
    SendReport(Report, sizeof Report);
}

void TI_VT100::SendReport(const std::uint8_t* Bytes, int Len)
{
    if (SessionSocket && Len > 0) SessionSocket->Write(Bytes, static_cast<std::size_t>(Len));
}
