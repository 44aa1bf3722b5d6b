// The xterm level of the interpreter: how sequences are collected, the C0
// controls, the escapes and the control sequences of cursor motion, erasing,
// editing, scrolling and tab stops, with the semantics of xterm (ctlseqs).
#include "common/LogSink.h"
#include "common/Switches.h"
#include "emulation/Input_VT100.h"
#include "emulation/Output_VT100.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {
void WriteLog(std::string_view Text)
{
    if (LogEnabled()) LogToSink(Text);
}

void LogInvalid(const TScr& S, std::uint8_t Final)
{
    if (!LogEnabled()) return;
    std::string Line = "Invalid Escape Squence : ";
    Line += S.EscBuf.View();
    Line += static_cast<char>(Final);
    WriteLog(Line);
}

// A parameter larger than any grid or colour number; capping it keeps every
// sum below overflow.
constexpr int MaxParamValue = 65535;

// The column the cursor stands on: at the pending-wrap position xterm's
// cursor is on the last column (with its wrap flag set).
int Column(const TScr& S) { return std::min(S.CurX, S.Col); }

// Erasing takes the current background (xterm's bce), never a rendition.
TCell Blank(const TScr& S) { return TCell{S.CurBack, S.CurFore, 32, 0, 0}; }

bool Between(std::uint8_t B, std::uint8_t Lo, std::uint8_t Hi) { return B >= Lo && B <= Hi; }
} // namespace

// ---------------------------------------------------------------- collection

void TO_VT100::ControlXterm(TTerm& Term, std::uint8_t B)
{
    TScr& S = Term.Scr;
    if (S.InEscape && (B == 0x18 || B == 0x1A)) { // CAN, SUB: the sequence is cancelled
        S.InEscape = false;
        S.EscBuf.Clear();
        return;
    }
    // clang-format off
    switch (B) {
    case 0x07: Term.Beep(); break;                                    // BEL
    case 0x08: S.CurX = std::max(1, Column(S) - 1); break;            // BS: no reverse wrap
    case 0x09: TabXterm(Term, 1); break;                              // HT
    case 0x0A:                                                        // LF
    case 0x0B:                                                        // VT
    case 0x0C:                                                        // FF: all three are LF
        IndexXterm(Term);
        if (Switches.AutoCR) S.CurX = 1;
        break;
    case 0x0D:                                                        // CR
        S.CurX = 1;
        if (Switches.AutoLF) IndexXterm(Term);
        break;
    case 0x0E: ShiftTo(Term, 1); break;                               // SO: G1
    case 0x0F: ShiftTo(Term, 0); break;                               // SI: G0
    case 0x1B:                                                        // ESC, also inside one
        S.EscBuf.Clear();
        S.Xt.EscOverflow = false;
        S.InEscape = true;
        break;
    default: break;                                                   // the rest do nothing
    }
    // clang-format on
}

// Sequences as ECMA-48 shapes them: ESC, intermediates (space to '/') and a
// final; or CSI, parameter bytes ('0' to '?'), intermediates and a final
// ('@' to '~'). ESC ] and the other string introducers start a string.
void TO_VT100::CollectXterm(TTerm& Term, std::uint8_t B)
{
    TScr& S = Term.Scr;
    if (B == 0x7F) return; // DEL is ignored inside a sequence
    if (B >= 0x80) {       // text cannot be part of a sequence: the sequence is broken
        S.InEscape = false;
        S.EscBuf.Clear();
        PrintChar(Term, B);
        return;
    }
    const int L = S.EscBuf.Length();
    bool Complete;
    if (L == 0 && (B == ']' || B == 'P' || B == '_' || B == '^' || B == 'X')) {
        S.InEscape = false; // OSC, DCS, APC, PM, SOS: consumed up to ST or BEL
        S.InOsString = true;
        S.StringEsc = false;
        S.OsString.Clear();
        S.Xt.StringKind = static_cast<char>(B);
        return;
    }
    if (L == 0)
        Complete = !(B == '[' || Between(B, 0x20, 0x2F));
    else if (S.EscBuf.At(1) == '[')
        Complete = Between(B, 0x40, 0x7E);
    else
        Complete = Between(B, 0x30, 0x7E);
    if (Complete) {
        if (!S.Xt.EscOverflow) ExecXterm(Term, B);
        S.EscBuf.Clear();
        S.InEscape = false;
        S.Xt.EscOverflow = false;
        return;
    }
    // A sequence longer than the buffer is read to its end and dropped:
    // none that we act on is that long.
    if (S.EscBuf.Length() < TEscBuf::Capacity)
        S.EscBuf.Append(static_cast<char>(B));
    else
        S.Xt.EscOverflow = true;
}

TO_VT100::TCsi TO_VT100::ParseCsi(const TTerm& Term)
{
    const TEscBuf& E = Term.Scr.EscBuf;
    TCsi P;
    int Pos = 2;
    if (const char C = E.At(Pos); C == '<' || C == '=' || C == '>' || C == '?') {
        P.Prefix = C;
        ++Pos;
    }
    bool Started = false;
    for (; Pos <= E.Length(); ++Pos) {
        const char C = E.At(Pos);
        if (C >= '0' && C <= '9') {
            if (!Started) {
                if (P.Count == TCsi::MaxParams) continue;
                ++P.Count;
                Started = true;
            }
            int& V = P.Value[P.Count - 1];
            V = std::min(MaxParamValue, V * 10 + (C - '0'));
        } else if (C == ';' || C == ':') {
            if (!Started && P.Count < TCsi::MaxParams) ++P.Count; // an empty parameter
            Started = false;
            if (C == ':' && P.Count < TCsi::MaxParams) P.Sub[P.Count] = true;
        } else if (C >= 0x20 && C <= 0x2F) {
            P.Inter = C;
        }
    }
    return P;
}

// ---------------------------------------------------------------- dispatch

void TO_VT100::ExecXterm(TTerm& Term, std::uint8_t Final)
{
    const TEscBuf& E = Term.Scr.EscBuf;
    const char First = E.At(1);
    if (E.Empty())
        EscapeXterm(Term, Final);
    else if (First == '[')
        CsiXterm(Term, ParseCsi(Term), Final);
    else if (E.Length() == 1 && First >= '(' && First <= '+') // G0..G3, 94 characters
        Designate(Term, First - '(', static_cast<char>(Final));
    else if (E.Length() == 1 && First >= '-' && First <= '/') // G1..G3, 96 characters
        Designate(Term, First - ',', static_cast<char>(Final));
    else if (First == '#' && Final == '8') { // DECALN: the screen full of E
        for (int R = 1; R <= Term.Scr.Row; ++R)
            Term.FillRow(R, 1, Term.Scr.Col, TCell{Term.Scr.BackColor, Term.Scr.FontColor, 'E'});
        GotoXterm(Term, 1, 1);
        Term.UpdateScreen();
    } else
        LogInvalid(Term.Scr, Final);
}

void TO_VT100::EscapeXterm(TTerm& Term, std::uint8_t Final)
{
    TScr& S = Term.Scr;
    // clang-format off
    switch (Final) {
    case '7': SaveCursorXterm(Term); break;                          // DECSC
    case '8': RestoreCursorXterm(Term); break;                       // DECRC
    case 'D': IndexXterm(Term); break;                               // IND
    case 'E':                                                        // NEL
        S.CurX = 1;
        IndexXterm(Term);
        break;
    case 'H': S.Xt.TabStops[static_cast<std::size_t>(Column(S))] = true; break; // HTS
    case 'M': ReverseIndexXterm(Term); break;                        // RI
    case 'Z': Answer(Term, "\x1b[?1;2c"); break;                     // DECID, as DA
    case 'c': ResetXterm(Term, true); break;                         // RIS
    case '=': KeypadMode(true); break;                               // DECKPAM
    case '>': KeypadMode(false); break;                              // DECKPNM
    case '\\': break;                                                // ST alone
    default: LogInvalid(S, Final); break;                            // nothing is printed
    }
    // clang-format on
}

void TO_VT100::CsiXterm(TTerm& Term, const TCsi& P, std::uint8_t Final)
{
    TScr& S = Term.Scr;
    if (P.Prefix) {
        PrivateCsiXterm(Term, P, Final);
        return;
    }
    if (P.Inter) {
        if (P.Inter == '!' && Final == 'p') // DECSTR
            ResetXterm(Term, false);
        else if (!(P.Inter == ' ' && Final == 'q')) // DECSCUSR: the caret is the profile's
            LogInvalid(S, Final);
        return;
    }
    const int N = P.AtLeastOne(0);
    const int X = Column(S), Y = S.CurY;
    // Vertical moves stop at the region's edge when they start inside it.
    const int Up = Y >= S.Top ? S.Top : 1, Down = Y <= S.Bottom ? S.Bottom : S.Row;
    // clang-format off
    switch (Final) {
    case '@': EditCharsXterm(Term, N, 0); break;                             // ICH
    case 'A': S.CurY = std::max(Up, Y - N); S.CurX = X; break;               // CUU
    case 'B':                                                                // CUD
    case 'e': S.CurY = std::min(Down, Y + N); S.CurX = X; break;             // VPR
    case 'C':                                                                // CUF
    case 'a': S.CurX = std::min(S.Col, X + N); break;                        // HPR
    case 'D': S.CurX = std::max(1, X - N); break;                            // CUB
    case 'E': S.CurY = std::min(Down, Y + N); S.CurX = 1; break;             // CNL
    case 'F': S.CurY = std::max(Up, Y - N); S.CurX = 1; break;               // CPL
    case 'G':                                                                // CHA
    case '`': S.CurX = std::min(S.Col, N); break;                            // HPA
    case 'H':                                                                // CUP
    case 'f': GotoXterm(Term, P.AtLeastOne(1), N); break;                    // HVP
    case 'I': TabXterm(Term, N); break;                                      // CHT
    case 'J': EraseXterm(Term, P.Raw(0), true); break;                       // ED
    case 'K': EraseXterm(Term, P.Raw(0), false); break;                      // EL
    case 'L': EditLinesXterm(Term, N, true); break;                          // IL
    case 'M': EditLinesXterm(Term, N, false); break;                         // DL
    case 'P': EditCharsXterm(Term, N, 1); break;                             // DCH
    case 'S': ScrollXterm(Term, N, true); break;                             // SU
    case 'T': if (P.Count <= 1) ScrollXterm(Term, N, false); break;          // SD, not mouse hilite
    case 'X': EditCharsXterm(Term, N, 2); break;                             // ECH
    case 'Z': TabXterm(Term, -N); break;                                     // CBT
    case 'b': Repeat(Term, N); break;                                        // REP
    case 'c': if (P.Raw(0) == 0) Answer(Term, "\x1b[?1;2c"); break;          // DA: VT100 with AVO
    case 'd': GotoXterm(Term, X, N); break;                                  // VPA
    case 'g':                                                                // TBC
        if (P.Raw(0) == 0) S.Xt.TabStops[static_cast<std::size_t>(X)] = false;
        if (P.Raw(0) == 3) S.Xt.TabStops.fill(false);
        break;
    case 'h': ModesXterm(Term, P, true); break;                              // SM
    case 'l': ModesXterm(Term, P, false); break;                             // RM
    case 'm': RenditionXterm(Term, P); break;                                // SGR
    case 'n': Report(Term, P, Final); break;                                 // DSR
    case 'r': RegionXterm(Term, P); break;                                   // DECSTBM
    case 's': SaveCursorXterm(Term); break;                                  // SCOSC
    case 'u': RestoreCursorXterm(Term); break;                               // SCORC
    case 't': break;                                                         // window: ours
    default: LogInvalid(S, Final); break;
    }
    // clang-format on
}

void TO_VT100::PrivateCsiXterm(TTerm& Term, const TCsi& P, std::uint8_t Final)
{
    TScr& S = Term.Scr;
    if (P.Prefix == '?' && !P.Inter && (Final == 'h' || Final == 'l')) {
        ModesXterm(Term, P, Final == 'h');
    } else if (P.Prefix == '?' && !P.Inter && (Final == 'J' || Final == 'K')) {
        EraseXterm(Term, P.Raw(0), Final == 'J'); // DECSED, DECSEL: nothing is protected
    } else if (P.Prefix == '?' && Final == 'n') {
        Report(Term, P, Final);
    } else if (P.Prefix == '>' && Final == 'c' && P.Raw(0) == 0) {
        Answer(Term, "\x1b[>0;10;1c"); // DA2: a VT100, firmware 10
    } else if ((P.Prefix == '?' && (Final == 's' || Final == 'r')) || P.Prefix == '>' ||
               P.Prefix == '=') {
        // saved private modes, key modifiers, versions: accepted, nothing to do
    } else {
        LogInvalid(S, Final);
    }
}

// ---------------------------------------------------------------- cursor

void TO_VT100::GotoXterm(TTerm& Term, int X, int Y)
{
    TScr& S = Term.Scr;
    if (S.Xt.OriginMode)
        Y = std::clamp(S.Top + Y - 1, S.Top, S.Bottom);
    else
        Y = std::clamp(Y, 1, S.Row);
    S.CurX = std::clamp(X, 1, S.Col);
    S.CurY = Y;
}

void TO_VT100::IndexXterm(TTerm& Term)
{
    TScr& S = Term.Scr;
    if (S.CurY == S.Bottom)
        Term.ScrollUp(S.Top, S.Bottom);
    else if (S.CurY < S.Row)
        ++S.CurY;
}

void TO_VT100::ReverseIndexXterm(TTerm& Term)
{
    TScr& S = Term.Scr;
    if (S.CurY == S.Top) {
        const int X = S.CurX;
        Term.ScrollDown(S.Top, S.Bottom); // which puts the cursor at column 1
        S.CurX = X;
    } else if (S.CurY > 1) {
        --S.CurY;
    }
}

// N stops forward, or -N back. A tab that cannot move leaves a pending wrap
// pending, as xterm does: the next character still goes to the next line.
void TO_VT100::TabXterm(TTerm& Term, int N)
{
    TScr& S = Term.Scr;
    const int From = Column(S);
    int X = From;
    const auto Stop = [&](int C) { return S.Xt.TabStops[static_cast<std::size_t>(C)]; };
    while (N > 0 && X < S.Col)
        if (Stop(++X)) --N;
    while (N < 0 && X > 1)
        if (Stop(--X)) ++N;
    if (X != From) S.CurX = X;
}

// ---------------------------------------------------------------- erase, edit, scroll

void TO_VT100::EraseXterm(TTerm& Term, int Mode, bool WholeScreen)
{
    TScr& S = Term.Scr;
    const int X = Column(S);
    const TCell Cell = Blank(S);
    int From = 1, To = S.Col; // of the cursor row
    if (Mode == 0)
        From = X;
    else if (Mode == 1)
        To = X;
    else if (Mode != 2)
        return; // ED 3 (the saved lines) keeps the scroll-back
    Term.FillRow(S.CurY, From, To, Cell);
    if (!WholeScreen) {
        Term.DrawLine(S.CurY, From, To);
        return;
    }
    const int Top = Mode == 0 ? S.CurY + 1 : 1, Bottom = Mode == 1 ? S.CurY - 1 : S.Row;
    for (int R = Top; R <= Bottom; ++R) Term.FillRow(R, 1, MaxCols, Cell);
    Term.DrawRect(std::min(Top, S.CurY), 1, S.Col, std::max(Bottom, S.CurY));
}

// Lines inserted or deleted at the cursor row inside the region; outside it
// nothing happens.
void TO_VT100::EditLinesXterm(TTerm& Term, int N, bool Insert)
{
    TScr& S = Term.Scr;
    if (S.CurY < S.Top || S.CurY > S.Bottom) return;
    S.CurX = 1;
    N = std::min(N, S.Bottom - S.CurY + 1);
    if (Insert) {
        for (int R = S.Bottom; R >= S.CurY + N; --R) TTerm::CopyLine(*S.Lines[R], *S.Lines[R - N]);
        for (int R = S.CurY; R < S.CurY + N; ++R) Term.FillRow(R, 1, MaxCols, Blank(S));
    } else {
        for (int R = S.CurY; R <= S.Bottom - N; ++R) TTerm::CopyLine(*S.Lines[R], *S.Lines[R + N]);
        for (int R = S.Bottom - N + 1; R <= S.Bottom; ++R) Term.FillRow(R, 1, MaxCols, Blank(S));
    }
    Term.UpdateScreen();
}

// Kind 0 inserts N blanks at the cursor, 1 deletes N cells, 2 erases N cells.
void TO_VT100::EditCharsXterm(TTerm& Term, int N, int Kind)
{
    TScr& S = Term.Scr;
    const int X = Column(S);
    if (Kind != 2) S.CurX = X;
    N = std::min(N, S.Col - X + 1);
    TCell* Cells = S.Lines[S.CurY]->Cells.data();
    const auto Count = static_cast<std::size_t>(S.Col - X + 1 - N);
    if (Kind == 0) {
        std::copy_backward(Cells + X, Cells + X + Count, Cells + S.Col + 1);
        Term.FillRow(S.CurY, X, X + N - 1, Blank(S));
    } else if (Kind == 1) {
        std::copy(Cells + X + N, Cells + S.Col + 1, Cells + X);
        Term.FillRow(S.CurY, S.Col - N + 1, S.Col, Blank(S));
    } else {
        Term.FillRow(S.CurY, X, X + N - 1, Blank(S));
    }
    Term.DrawLine(S.CurY, X, S.Col);
}

// The region scrolls by N lines; the cursor stays.
void TO_VT100::ScrollXterm(TTerm& Term, int N, bool Up)
{
    TScr& S = Term.Scr;
    const int X = S.CurX, Y = S.CurY;
    if (Up)
        Term.ScrollUp(S.Top, S.Bottom, N);
    else
        Term.ScrollDown(S.Top, S.Bottom, N);
    S.CurX = X;
    S.CurY = Y;
}

void TO_VT100::RegionXterm(TTerm& Term, const TCsi& P)
{
    TScr& S = Term.Scr;
    const int TopRow = P.AtLeastOne(0);
    const int BottomRow = std::min(P.Raw(1) > 0 ? P.Raw(1) : S.Row, S.Row);
    if (TopRow >= BottomRow) return; // xterm ignores a region of one line or less
    S.Top = TopRow;
    S.Bottom = BottomRow;
    GotoXterm(Term, 1, 1);
}

// The character left of the cursor, N times more; a Korean character is
// repeated whole. Bounded by one screenful.
void TO_VT100::Repeat(TTerm& Term, int N)
{
    TScr& S = Term.Scr;
    const int X = std::min(S.CurX, S.Col + 1) - 1;
    if (X < 1) return;
    const TCell* Cells = S.Lines[S.CurY]->Cells.data();
    const bool Pair = Cells[X].DbcsPart == 2 && X > 1 && Cells[X - 1].DbcsPart == 1;
    const std::uint8_t Lead = Cells[X - 1].Ch, Ch = Cells[X].Ch;
    for (N = std::min(N, S.Row * S.Col); N > 0; --N) {
        for (int I = Pair ? 0 : 1; I < 2; ++I) {
            if (S.CurX > S.Col) Wrap(Term);
            Store(Term, I == 0 ? Lead : Ch);
        }
    }
}
