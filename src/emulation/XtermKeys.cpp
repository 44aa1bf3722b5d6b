// The encoder at the xterm level: keys as xterm sends them (the sequences of
// the xterm terminfo entry, with modifiers as CSI 1 ; m x and CSI n ; m ~),
// and mouse reports in X10 or SGR encoding for modes 9, 1000, 1002 and 1003.
#include "common/Switches.h"
#include "emulation/Input_VT100.h"

#include <algorithm>
#include <cstdio>

namespace {

// A key xterm names: a final letter (cursor keys, Home, End, the keypad
// centre, F1-F4) or a number before '~'.
struct TXtermKey {
    std::uint16_t Key;
    char Final;
    int Number;
};

constexpr TXtermKey XtermKeys[] = {
    {VK::Up, 'A', 0},     {VK::Down, 'B', 0},  {VK::Right, 'C', 0}, {VK::Left, 'D', 0},
    {VK::Clear, 'E', 0},  {VK::End, 'F', 0},   {VK::Home, 'H', 0},  {VK::F1, 'P', 0},
    {VK::F2, 'Q', 0},     {VK::F3, 'R', 0},    {VK::F4, 'S', 0},    {VK::Insert, '~', 2},
    {VK::Delete, '~', 3}, {VK::Prior, '~', 5}, {VK::Next, '~', 6},  {VK::F5, '~', 15},
    {VK::F6, '~', 17},    {VK::F7, '~', 18},   {VK::F8, '~', 19},   {VK::F9, '~', 20},
    {VK::F10, '~', 21},   {VK::F11, '~', 23},  {VK::F12, '~', 24},
};

// 1 + Shift 1 + Alt 2 + Ctrl 4; 1 means no modifier.
int ModifierParam(TShiftState Shift)
{
    return 1 + (Shift & ssShift ? 1 : 0) + (Shift & ssAlt ? 2 : 0) + (Shift & ssCtrl ? 4 : 0);
}

// Beyond this a cell number would not fit the byte of an X10 report.
constexpr int MaxX10Cell = 223;

} // namespace

const std::string& TI_VT100::XtermEntry(std::uint16_t Key, TShiftState Shift)
{
    const int M = ModifierParam(Shift);
    char Buf[16];
    if (Key == VK::Tab && M == 2) { // Shift+Tab: back tab
        FXterm = "\x1b[Z";
        return FXterm;
    }
    const auto* K = std::find_if(std::begin(XtermKeys), std::end(XtermKeys),
                                 [Key](const TXtermKey& E) { return E.Key == Key; });
    if (K == std::end(XtermKeys)) return Entry(Key, SlotOf(Shift));
    const bool Function = K->Final >= 'P' && K->Final <= 'S';
    if (K->Final == '~' && M == 1)
        std::snprintf(Buf, sizeof Buf, "\x1b[%d~", K->Number);
    else if (K->Final == '~')
        std::snprintf(Buf, sizeof Buf, "\x1b[%d;%d~", K->Number, M);
    else if (M > 1)
        std::snprintf(Buf, sizeof Buf, "\x1b[1;%d%c", M, K->Final);
    else if (Function || Switches.CursorKeysApp)
        std::snprintf(Buf, sizeof Buf, "\x1bO%c", K->Final);
    else
        std::snprintf(Buf, sizeof Buf, "\x1b[%c", K->Final);
    FXterm = Buf;
    return FXterm;
}

void TI_VT100::MouseMove(TTerm& Term, TShiftState Shift, int X, int Y)
{
    if (Switches.XtermLevel) XtermMouse(Term, TMouse::Motion, Shift, X, Y);
}

// Only the left button reaches the host: the others paste and open the menu.
void TI_VT100::XtermMouse(TTerm& Term, TMouse Kind, TShiftState Shift, int X, int Y)
{
    const TScr& S = Term.Scr;
    const int Mode = Switches.MouseTracking;
    if (!Switches.MouseReport || (Shift & ssShift) || S.CharWidth <= 0 || S.CharHeight <= 0) return;
    const int Col = std::clamp(X / S.CharWidth, 0, S.Col - 1) + 1;
    const int Row = std::clamp(Y / S.CharHeight, 0, S.Row - 1) + 1;
    if (Kind == TMouse::Release && !FButtonHeld) return; // its press was not reported
    if (Kind == TMouse::Release) FButtonHeld = false;
    if (Kind == TMouse::Press) FButtonHeld = true;
    if (Kind == TMouse::Motion) {
        const bool Wanted = Mode == 1003 || (Mode == 1002 && FButtonHeld);
        if (!Wanted || (Col == FLastCol && Row == FLastRow)) return;
    }
    if (Mode == 9 && Kind != TMouse::Press) return; // X10 reports presses alone
    FLastCol = Col;
    FLastRow = Row;
    int Code = Kind == TMouse::Release && !Switches.MouseSgr ? 3 : 0;
    if (Kind == TMouse::Motion) Code = (FButtonHeld ? 0 : 3) + 32;
    if (Mode != 9) Code += (Shift & ssAlt ? 8 : 0) + (Shift & ssCtrl ? 16 : 0);
    char Buf[32];
    int Len;
    if (Switches.MouseSgr) {
        Len = std::snprintf(Buf, sizeof Buf, "\x1b[<%d;%d;%d%c", Code, Col, Row,
                            Kind == TMouse::Release ? 'm' : 'M');
    } else {
        Len = std::snprintf(Buf, sizeof Buf, "\x1b[M%c%c%c", static_cast<char>(32 + Code),
                            static_cast<char>(32 + std::min(Col, MaxX10Cell)),
                            static_cast<char>(32 + std::min(Row, MaxX10Cell)));
    }
    SendReport(reinterpret_cast<const std::uint8_t*>(Buf), Len);
}
