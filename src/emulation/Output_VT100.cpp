// The main loop, the collection step and the printable-byte path.
#include "emulation/Output_VT100.h"

#include "common/LogSink.h"
#include "common/Switches.h"
#include "text/Utf8Host.h"

#include <algorithm>
#include <string>

namespace {
void WriteLog(std::string_view Text)
{
    if (LogEnabled()) LogToSink(Text);
}

// DEC special graphics to the single-byte codes the screen draws as lines.
constexpr std::uint8_t LineDrawingMap(std::uint8_t B)
{
    switch (B) {
    case 0x23: return 0x11; // #
    case 0x61: return 0x0A; // a checkerboard
    case 0x6A: return 0x04; // j lower-right corner
    case 0x6B: return 0x02; // k upper-right corner
    case 0x6C: return 0x01; // l upper-left corner
    case 0x6D: return 0x03; // m lower-left corner
    case 0x71: return 0x06; // q horizontal line
    case 0x74: return 0x19; // t left tee
    case 0x75: return 0x17; // u right tee
    case 0x78: return 0x05; // x vertical line
    default: return B;
    }
}

// The xterm level's DEC special graphics: the whole set of corners, tees and
// lines, and the bullet; '#' is no graphic there. Signs without a stored
// glyph (diamond, degree, scan lines, comparison signs) stay their letters.
constexpr std::uint8_t XtermGraphicsMap(std::uint8_t B)
{
    switch (B) {
    case 0x23: return B;    // #
    case 0x6E: return 0x10; // n crossing
    case 0x76: return 0x15; // v bottom tee
    case 0x77: return 0x16; // w top tee
    case 0x7E: return 0x07; // ~ bullet
    default: return LineDrawingMap(B);
    }
}

// Bytes the main loop handles itself (NUL BEL BS HT LF FF CR SO SI ESC);
// every other byte is printed.
constexpr std::uint32_t ControlBytes = 1u << 0x00 | 1u << 0x07 | 1u << 0x08 | 1u << 0x09 |
                                       1u << 0x0A | 1u << 0x0C | 1u << 0x0D | 1u << 0x0E |
                                       1u << 0x0F | 1u << 0x1B;
// At the xterm level every C0 byte is a control: those without a function
// are ignored, never printed.
constexpr std::uint32_t XtermControlBytes = 0xFFFFFFFFu;
constexpr bool IsControl(std::uint8_t B, std::uint32_t Controls)
{
    return B < 32 && (Controls >> B & 1u);
}
constexpr std::uint8_t Del = 0x7F;
// The xterm level's controls. From a UTF-8 host the box characters arrive as
// line codes (Utf8Host.h): those print, or its frames would vanish.
std::uint32_t XtermControls()
{
    return Switches.HostEncoding == THostEncoding::Utf8 ? XtermControlBytes & ~BoxLineCodes
                                                        : XtermControlBytes;
}
// Whether host bytes go to the cells unchanged, as PutText stores them.
bool StoredAsTheyCome()
{
    return !Switches.MetaBit && !Switches.LineDrawing && !Switches.InsertMode && !Switches.UkPound;
}

// The finals of the two-byte sequences (ESC 7, ESC D, ...): they complete
// at once, even where they could also start a parameter.
constexpr bool IsSingleEscape(std::uint8_t B)
{
    switch (B) {
    case '7':
    case '8':
    case '<':
    case '=':
    case '>':
    case 'D':
    case 'E':
    case 'H':
    case 'M': return true;
    default: return false;
    }
}
} // namespace

// One byte between two sequences, as full-screen programs write a cell:
// stored and drawn without setting up a run. False when it is not that.
inline bool TO_VT100::PrintLone(TTerm& Term, const std::uint8_t* Buf, int I)
{
    TScr& S = Term.Scr;
    if (S.CurX > S.Col || !StoredAsTheyCome()) return false;
    const int X = S.CurX;
    if (!Term.PutChar(Buf[I], S.CurFore, S.LastPart, S.CurBack)) return false;
    if (!S.RedrawPending) Term.DrawCells(X, X);
    return true;
}

void TO_VT100::Process(TTerm& Term, const std::uint8_t* Buf, int Len)
{
    TScr& S = Term.Scr;
    // Host text always lands on the live screen. Written while the rows show
    // older lines, it would scroll and recycle the lines browsing returns to.
    if (Len > 0 && S.ScrollBack.Browsing) Term.LeaveScrollBack();
    for (int I = 0; I < Len; ++I) {
        const std::uint8_t B = Buf[I];
        if (S.InOsString) {
            OsStringByte(Term, B);
            continue;
        }
        if (Switches.XtermLevel) { // controls act even inside a sequence
            if (IsControl(B, XtermControls()))
                ControlXterm(Term, B);
            else if (B == Del) // xterm ignores it, in text and in sequences
                continue;
            else if (S.InEscape)
                CollectXterm(Term, B);
            else
                I = PrintRun(Term, Buf, I, Len);
            continue;
        }
        if (S.InEscape) {
            I = CollectRun(Term, Buf, I, Len);
            continue;
        }
        // clang-format off
        switch (B) {
        case 0x00: WriteLog("Null"); break;                 // NUL
        case 0x07: Term.Beep(); break;                      // BEL
        case 0x08: Backspace(Term); break;                  // BS
        case 0x09: Tab(Term); break;                        // HT
        case 0x0A:                                          // LF
            LineFeed(Term);
            if (Switches.AutoCR) S.CurX = 1;
            break;
        case 0x0C:                                          // FF
            for (int N = S.Row; N > 0; --N) LineFeed(Term);
            Term.GotoXY(1, 1);
            break;
        case 0x0D:                                          // CR
            S.CurX = 1;
            if (Switches.AutoLF) LineFeed(Term);
            break;
        case 0x0E: Switches.LineDrawing = true; break;      // SO
        case 0x0F: Switches.LineDrawing = false; break;     // SI
        case 0x1B:                                          // ESC
            S.EscBuf.Clear();
            S.InEscape = true;
            I = CollectRun(Term, Buf, I + 1, Len);
            break;
        default:
            if (I + 1 < Len && !IsControl(Buf[I + 1], ControlBytes))
                I = PrintRun(Term, Buf, I, Len); // a run of text
            else if (!PrintLone(Term, Buf, I))
                I = PrintRun(Term, Buf, I, Len);
            break;
        }
        // clang-format on
    }
}

void TO_VT100::ClearEscape(TTerm& Term)
{
    TScr& S = Term.Scr;
    S.InEscape = false;
    S.EscBuf.Clear();
    S.InOsString = false;
    S.StringEsc = false;
    S.OsString.Clear();
}

void TO_VT100::Collect(TTerm& Term, std::uint8_t B)
{
    TScr& S = Term.Scr;
    const int L = S.EscBuf.Length();
    const char First = S.EscBuf.At(1);
    if (L == 0 && B == ']') {
        // ESC ]: a string for the window system, consumed up to BEL or ESC \.
        S.InEscape = false;
        S.InOsString = true;
        S.StringEsc = false;
        S.OsString.Clear();
        return;
    }
    bool Complete;
    if (L == 0 && IsSingleEscape(B))
        Complete = true;
    else if (L == 1 && (First == '(' || First == ')' || First == '*' || First == '+'))
        Complete = true; // character-set designation takes any final
    else if (B == ' ' || (B >= '0' && B <= '9') || B == ';' || B == '>' || B == '?')
        Complete = false;
    else if (L > 0)
        Complete = true;
    else
        Complete = !(B == '(' || B == ')' || B == '*' || B == '+' || B == '[');

    if (Complete) {
        ExecSequence(Term, B);
        S.EscBuf.Clear();
        S.InEscape = false;
        return;
    }
    S.EscBuf.Append(static_cast<char>(B));
    if (S.EscBuf.Length() >= TEscBuf::Capacity) {
        // Too long to be a sequence we know: drop it and treat what follows as data.
        Term.Beep();
        S.EscBuf.Clear();
        S.InEscape = false;
    }
}

int TO_VT100::CollectRun(TTerm& Term, const std::uint8_t* Buf, int I, int Len)
{
    TScr& S = Term.Scr;
    TEscBuf& E = S.EscBuf;
    for (; I < Len; ++I) {
        if (E.At(1) == '[') {
            I += E.TakeParams(Buf + I, Len - I);
            if (I == Len) break;
            if (Buf[I] >= '@' && Buf[I] <= '~') { // the final: nothing to decide but what it does
                // What full-screen programs send for nearly every cell goes
                // straight to its function.
                if (Buf[I] == 'm')
                    SelectRendition(Term);
                else if (Buf[I] == 'H')
                    CursorPosition(Term);
                else
                    ControlSequence(Term, Buf[I]);
                E.Clear();
                S.InEscape = false;
                return I;
            }
        } else if (E.Empty() && Buf[I] == '[') {
            E.Append('[');
            continue;
        }
        Collect(Term, Buf[I]);
        if (!S.InEscape) return I;
    }
    return Len - 1;
}

void TO_VT100::OsStringByte(TTerm& Term, std::uint8_t B)
{
    TScr& S = Term.Scr;
    if (S.StringEsc) {
        EndOsString(Term);
        if (B != '\\') { // any other escape ends the string and starts anew
            S.EscBuf.Clear();
            S.InEscape = true;
            if (!Switches.XtermLevel)
                Collect(Term, B);
            else if (B < 0x20)
                ControlXterm(Term, B);
            else
                CollectXterm(Term, B);
        }
        return;
    }
    switch (B) {
    case 0x07: EndOsString(Term); break; // BEL ends it without a bell
    case 0x18:                           // CAN
    case 0x1A: EndOsString(Term); break; // SUB
    case 0x1B: S.StringEsc = true; break;
    default:
        if (S.OsString.Length() < MaxOsStringKept) S.OsString.Append(static_cast<char>(B));
        break;
    }
}

void TO_VT100::EndOsString(TTerm& Term)
{
    TScr& S = Term.Scr;
    if (Switches.XtermLevel) EndStringXterm(Term);
    if (LogEnabled()) {
        std::string Line = "OS Command Discarded : ";
        Line += S.OsString.View();
        WriteLog(Line);
    }
    S.InOsString = false;
    S.StringEsc = false;
    S.OsString.Clear();
}

int TO_VT100::GetParam(const TTerm& Term, int Pos, int& Value)
{
    const TEscBuf& E = Term.Scr.EscBuf;
    while (Pos <= E.Length() && E.At(Pos) == ' ') ++Pos;
    std::uint32_t V = 0; // unsigned: overflow wraps without undefined behaviour
    while (Pos <= E.Length() && E.At(Pos) >= '0' && E.At(Pos) <= '9') {
        V = V * 10u + static_cast<std::uint32_t>(E.At(Pos) - '0');
        ++Pos;
    }
    Value = static_cast<std::int32_t>(V);
    return Pos;
}

// What a host byte stores under the 8-bit and line-drawing switches.
std::uint8_t TO_VT100::Translate(std::uint8_t B)
{
    if (Switches.MetaBit) B |= 0x80;
    if (Switches.LineDrawing) B = Switches.XtermLevel ? XtermGraphicsMap(B) : LineDrawingMap(B);
    return B;
}

void TO_VT100::PrintChar(TTerm& Term, std::uint8_t B)
{
    TScr& S = Term.Scr;
    if (const char32_t Shown = Sign(B)) return PrintSign(Term, Shown);
    if (S.CurX > S.Col) Wrap(Term);
    B = Translate(B);
    if (B != 0) Store(Term, B);
}

void TO_VT100::Store(TTerm& Term, std::uint8_t B)
{
    TScr& S = Term.Scr;
    if (Switches.InsertMode) Term.InsertBlank();
    const bool Stored = Term.PutChar(B, S.CurFore, S.LastPart, S.CurBack);
    if (!S.RedrawPending && Stored) Term.DrawCells(S.CurX - 1, S.CurX - 1);
}

int TO_VT100::PrintRun(TTerm& Term, const std::uint8_t* Buf, int I, int Len)
{
    TScr& S = Term.Scr;
    // New cells on the cursor's row not yet drawn; drawn before the cursor
    // leaves the row and when the run ends.
    int DirtyFrom = 0, DirtyTo = 0;
    const auto Draw = [&] {
        if (DirtyFrom && !S.RedrawPending) Term.DrawCells(DirtyFrom, DirtyTo);
        DirtyFrom = 0;
    };
    const auto Dirty = [&](int From, int To) {
        if (S.RedrawPending) return;
        if (!DirtyFrom) DirtyFrom = From;
        DirtyTo = To;
    };
    const std::uint32_t Controls = Switches.XtermLevel ? XtermControls() : ControlBytes;
    // The classic level prints DEL; the xterm level drops it, so it ends a run.
    const std::uint8_t Stop = Switches.XtermLevel ? Del : 0;
    const auto Ends = [&](std::uint8_t B) { return IsControl(B, Controls) || B == Stop; };
    const bool AsTheyCome = StoredAsTheyCome();
    while (I < Len && !Ends(Buf[I])) {
        if (S.CurX > S.Col) {
            Draw();
            Wrap(Term);
        }
        // Bytes stored as they come go to the row in one step.
        if (AsTheyCome) {
            const int Room = std::min(Len - I, S.Col - S.CurX + 1);
            int N = 0;
            while (N < Room && !Ends(Buf[I + N])) ++N;
            const int From = S.CurX;
            if (const int Stored = Term.PutText(Buf + I, N); Stored > 0) {
                Dirty(From, From + Stored - 1);
                I += Stored;
                continue;
            }
        }
        if (const char32_t Shown = Sign(Buf[I])) {
            Draw();
            ++I;
            PrintSign(Term, Shown);
            continue;
        }
        const std::uint8_t B = Translate(Buf[I++]);
        if (B == 0) continue;
        if (Switches.InsertMode) {
            Draw(); // the insertion redraws the row's tail itself
            Term.InsertBlank();
        }
        if (Term.PutChar(B, S.CurFore, S.LastPart, S.CurBack)) Dirty(S.CurX - 1, S.CurX - 1);
    }
    Draw();
    return I - 1;
}

void TO_VT100::Wrap(TTerm& Term)
{
    TScr& S = Term.Scr;
    if (Switches.AutoWrap) S.Lines[S.CurY]->Wrapped = true;
    if (Switches.AutoWrap && Switches.XtermLevel) { // the region scrolls, as a line feed does
        S.CurX = 1;
        IndexXterm(Term);
    } else if (Switches.AutoWrap) {
        S.CurX = 1;
        if (S.CurY + 1 > S.Row)
            Term.ScrollUp(S.Top, S.Bottom);
        else
            ++S.CurY;
        S.CurY = std::min(S.CurY, S.Row);
    } else {
        S.CurX = S.Col;
    }
}

void TO_VT100::LineFeed(TTerm& Term)
{
    TScr& S = Term.Scr;
    if (S.CurY + 1 > S.Bottom)
        Term.ScrollUp(S.Top, S.Bottom);
    else
        ++S.CurY;
}

void TO_VT100::Backspace(TTerm& Term)
{
    TScr& S = Term.Scr;
    S.CurX = std::min(S.CurX - 1, S.Col);
    if (S.CurX == 0) {
        S.CurX = S.Col;
        if (--S.CurY == 0) S.CurY = 1;
    }
}

void TO_VT100::Tab(TTerm& Term)
{
    TScr& S = Term.Scr;
    if (S.CurX >= S.Col) return;
    do {
        ++S.CurX;
    } while (S.CurX < S.Col && (S.CurX - 1) % 8 != 0);
}
