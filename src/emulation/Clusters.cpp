// Characters the screen keeps in its table (CharTable.h): a UTF-8 host's
// characters beyond code page 949 or in a width it cannot give them, and the
// DEC sets' signs at the xterm level. Printed where they stand among the
// host's bytes, in the cells the host counts.
#include "common/Switches.h"
#include "emulation/Output_VT100.h"
#include "text/Utf8Host.h"

#include <algorithm>

namespace {
// The special graphics set's signs that have no line code (the lines and
// corners have; the checkerboard and the bullet are drawn from theirs).
char32_t GraphicsSign(std::uint8_t B)
{
    switch (B) {
    case 0x60: return 0x25C6; // ` diamond
    case 0x62: return 0x2409; // b HT
    case 0x63: return 0x240C; // c FF
    case 0x64: return 0x240D; // d CR
    case 0x65: return 0x240A; // e LF
    case 0x66: return 0x00B0; // f degree
    case 0x67: return 0x00B1; // g plus or minus
    case 0x68: return 0x2424; // h NL
    case 0x69: return 0x240B; // i VT
    case 0x6F: return 0x23BA; // o scan line 1
    case 0x70: return 0x23BB; // p scan line 3
    case 0x72: return 0x23BC; // r scan line 7
    case 0x73: return 0x23BD; // s scan line 9
    case 0x79: return 0x2264; // y less or equal
    case 0x7A: return 0x2265; // z greater or equal
    case 0x7B: return 0x03C0; // { pi
    case 0x7C: return 0x2260; // | not equal
    case 0x7D: return 0x00A3; // } pound
    default: return 0;
    }
}
} // namespace

char32_t TO_VT100::Sign(std::uint8_t B)
{
    if (!Switches.XtermLevel) return 0;
    if (Switches.LineDrawing) return GraphicsSign(B);
    return Switches.UkPound && B == '#' ? 0x00A3 : 0;
}

void TO_VT100::PrintSign(TTerm& Term, char32_t U)
{
    TCluster C;
    C.Add(U);
    PrintCluster(Term, C);
}

void TO_VT100::PrintCluster(TTerm& Term, const TCluster& C)
{
    TScr& S = Term.Scr;
    // Inside a sequence or a string it is the replacement it always was.
    const int Index = S.InEscape || S.InOsString ? -1 : Term.InternCluster(C);
    if (Index < 0 || C.Cells > S.Col || C.Cells < 1) {
        const std::uint8_t Wide[2] = {WideReplacement >> 8, WideReplacement & 0xFF};
        if (C.Cells == 2) return Process(Term, Wide, 2);
        for (int I = std::max<int>(C.Cells, 1); I > 0; --I) Process(Term, &NarrowReplacement, 1);
        return;
    }
    if (S.ScrollBack.Browsing) Term.LeaveScrollBack();
    if (S.CurX > S.Col) Wrap(Term);
    if (S.CurX + C.Cells - 1 > S.Col) { // too wide for the rest of the row
        if (Switches.AutoWrap)
            Wrap(Term);
        else
            S.CurX = S.Col - C.Cells + 1;
    }
    for (int I = Switches.InsertMode ? C.Cells : 0; I > 0; --I) Term.InsertBlank();
    const int From = S.CurX;
    Term.PutCluster(Index);
    if (!S.RedrawPending) Term.DrawCells(From, S.CurX - 1);
}

void TO_VT100::JoinCluster(TTerm& Term, const TCluster& Part)
{
    TScr& S = Term.Scr;
    TCluster Joined;
    int Head = 0;
    const bool Fits = !S.InEscape && !S.InOsString && Term.CharBeforeCursor(Joined, Head) &&
                      Joined.Append(Part) && Head + Joined.Cells - 1 <= S.Col;
    const int Index = Fits ? Term.InternCluster(Joined) : -1;
    if (Index < 0) {
        if (Part.Cells > 0) PrintCluster(Term, Part);
        return;
    }
    if (S.ScrollBack.Browsing) Term.LeaveScrollBack();
    S.CurX = Head;
    Term.PutCluster(Index);
    if (!S.RedrawPending) Term.DrawCells(Head, S.CurX - 1);
}
