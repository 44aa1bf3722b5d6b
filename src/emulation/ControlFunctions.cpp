// What a completed escape sequence does: cursor motion, erasing, inserting and
// deleting, the scrolling region, modes and renditions.
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

void LogWithBuf(const char* Prefix, const TScr& S, std::uint8_t Final)
{
    if (!LogEnabled()) return;
    std::string Line = Prefix;
    Line += S.EscBuf.View();
    Line += static_cast<char>(Final);
    WriteLog(Line);
}

// Renditions are colours, not font styles: underlined text is shown in
// yellow, bold sets the upper bits of each channel (black stays black), and
// reverse inverts both colours.
constexpr TColor UnderlineColour = ColorYellow;
constexpr TColor BoldBrighten = 0x00707070;

// Counts below 1 mean 1.
int AtLeastOne(int N) { return N <= 0 ? 1 : N; }

// An erased cell takes the default colours; a blank one the current colours.
TCell Erased(const TScr& S) { return TCell{S.BackColor, S.FontColor, 32, 0}; }
TCell Blank(const TScr& S) { return TCell{S.CurBack, S.CurFore, 32, 0}; }

void EraseCols(TTerm& Term, int RowIndex, int From, int To)
{
    Term.FillRow(RowIndex, From, To, Erased(Term.Scr));
}

void EraseRows(TTerm& Term, int From, int To)
{
    for (int R = std::max(From, 1); R <= std::min(To, Term.Scr.Row); ++R)
        EraseCols(Term, R, 1, MaxCols);
}

// Inserting or deleting N lines that reach past the region's bottom just
// clears the cursor row and everything below it in the region.
bool ClearsToRegionBottom(TTerm& Term, int N)
{
    TScr& S = Term.Scr;
    if (static_cast<long long>(S.CurY) + N <= S.Bottom) return false;
    EraseRows(Term, S.CurY, S.Bottom);
    Term.DrawRect(S.CurY, 1, S.Col, S.Bottom);
    return true;
}
} // namespace

void TO_VT100::ExecSequence(TTerm& Term, std::uint8_t Final)
{
    const TEscBuf& E = Term.Scr.EscBuf;
    if (E.Empty()) {
        SingleEscape(Term, Final);
    } else if (const char First = E.At(1);
               First == '(' || First == ')' || First == '*' || First == '+') {
        if (LogEnabled()) {
            const int G = First == '(' ? 0 : First == ')' ? 1 : First == '*' ? 2 : 3;
            WriteLog("Charset G" + std::to_string(G) + " : " + static_cast<char>(Final));
        }
    } else if (First == '[') {
        ControlSequence(Term, Final);
    } else {
        Invalid(Term, Final);
    }
}

void TO_VT100::Invalid(TTerm& Term, std::uint8_t Final)
{
    LogWithBuf("Invalid Escape Squence : ", Term.Scr, Final);
    if (Term.Scr.EscBuf.Empty()) PrintChar(Term, Final);
}

void TO_VT100::SingleEscape(TTerm& Term, std::uint8_t Final)
{
    TScr& S = Term.Scr;
    // clang-format off
    switch (Final) {
    case '7': SaveCursor(Term); break;                    // DECSC
    case '8': RestoreCursor(Term); break;                 // DECRC
    case 'D': Term.ScrollUp(S.Top, S.Bottom); break;      // IND
    case 'M':                                             // RI
        if (--S.CurY < S.Top) {
            S.CurY = S.Top;
            Term.ScrollDown(S.Top, S.Bottom);
        }
        break;
    case 'E': WriteLog("Next Line"); break;               // NEL: log only
    case 'H': WriteLog("Tabulation Set"); break;          // HTS: log only
    case '<': WriteLog("Enter ANSI mode"); break;
    case '=': KeypadMode(true); break;                    // DECKPAM
    case '>': KeypadMode(false); break;                   // DECKPNM
    default: Invalid(Term, Final); break;
    }
    // clang-format on
}

void TO_VT100::KeypadMode(bool Alternate)
{
    WriteLog(Alternate ? "Enter Alternate Keypad" : "Exit Alternate Keypad");
    if (Input) Input->SetKeyMap(Alternate ? "vt52" : "vt100");
}

int TO_VT100::FirstParam(const TTerm& Term, int& After)
{
    const TEscBuf& E = Term.Scr.EscBuf;
    if (E.PlainParams()) return E.Field(0);
    int N = 0;
    After = GetParam(Term, 2, N);
    return N;
}

void TO_VT100::CursorPosition(TTerm& Term)
{
    int After = 0;
    const int Row = FirstParam(Term, After);
    Term.GotoXY(std::max(1, SecondParam(Term, After, 1)), std::clamp(Row, 1, Term.Scr.Row));
}

int TO_VT100::SecondParam(const TTerm& Term, int Pos, int Default)
{
    const TEscBuf& E = Term.Scr.EscBuf;
    if (E.PlainParams()) return E.FieldCount() > 1 ? E.Field(1) : Default;
    return SecondParamOfText(Term, Pos, Default);
}

int TO_VT100::SecondParamOfText(const TTerm& Term, int Pos, int Default)
{
    const TEscBuf& E = Term.Scr.EscBuf;
    while (Pos <= E.Length() && E.At(Pos) == ' ') ++Pos;
    if (E.At(Pos) != ';') return Default;
    int V = 0;
    GetParam(Term, Pos + 1, V);
    return V;
}

void TO_VT100::ControlSequence(TTerm& Term, std::uint8_t Final)
{
    TScr& S = Term.Scr;
    int After = 0;
    const int N = FirstParam(Term, After);
    // 64-bit sums: a huge count must clamp, not overflow.
    const long long Y = S.CurY, X = S.CurX;
    // clang-format off
    switch (Final) {
    case '@': InsertChars(Term, N); break;                                        // ICH
    case 'A': S.CurY = static_cast<int>(std::max(1LL, Y - AtLeastOne(N))); break; // CUU
    case 'B': S.CurY = static_cast<int>(std::min<long long>(S.Row, Y + AtLeastOne(N))); break; // CUD
    case 'C': S.CurX = static_cast<int>(std::min<long long>(S.Col, X + AtLeastOne(N))); break; // CUF
    case 'D': S.CurX = static_cast<int>(std::max(1LL, X - AtLeastOne(N))); break; // CUB
    case 'G': Term.GotoXY(std::clamp(N, 1, S.Col), S.CurY); break;                // CHA
    case 'H':                                                                     // CUP
    case 'f': CursorPosition(Term); break;                                        // HVP
    case 'J':                                                                     // ED
        if (N >= 0 && N <= 2)
            EraseInDisplay(Term, N);
        else
            Invalid(Term, Final);
        break;
    case 'K':                                                                     // EL: always to the end
        EraseCols(Term, S.CurY, S.CurX, S.Col);
        Term.DrawLine(S.CurY, S.CurX, S.Col);
        break;
    case 'L': InsertLines(Term, N); break;                                        // IL
    case 'M': DeleteLines(Term, N); break;                                        // DL
    case 'P': DeleteChars(Term, N); break;                                        // DCH
    case 'S': Term.ScrollUp(S.Top, S.Bottom); break;                              // SU: one line
    case 'T': Term.ScrollDown(S.Top, S.Bottom); break;                            // SD: one line
    case 'g': WriteLog("Clear Tab"); break;                                       // TBC: log only
    case 'h':                                                                     // SM
    case 'l': SetMode(Term, Final); break;                                        // RM
    case 'm': SelectRendition(Term); break;                                       // SGR
    case 'n': WriteLog("Cursor Position Report"); break;                          // DSR: never answered
    case 'r': SetRegion(Term, N, After); break;                                   // DECSTBM
    case 's': SaveCursor(Term); break;
    case 'u': RestoreCursor(Term); break;
    default: Invalid(Term, Final); break;
    }
    // clang-format on
}

// ---------------------------------------------------------------- cursor

void TO_VT100::SaveCursor(TTerm& Term)
{
    TScr& S = Term.Scr;
    S.SavedX = std::max(S.CurX, 1);
    S.SavedY = S.CurY;
    // At the pending-wrap position there is no cell under the cursor: take the
    // colours of the last column.
    const TCell& C = S.Lines[S.CurY]->Cells[std::min(S.SavedX, S.Col)];
    S.SavedFore = C.Fore;
    S.SavedBack = C.Back;
}

void TO_VT100::RestoreCursor(TTerm& Term)
{
    TScr& S = Term.Scr;
    if (S.SavedX == -1 && S.SavedY == -1) return;
    S.CurFore = S.SavedFore;
    S.CurBack = S.SavedBack;
    Term.GotoXY(std::clamp(S.SavedX, 1, S.Col), std::clamp(S.SavedY, 1, S.Row));
    S.SavedX = S.SavedY = -1;
}

// ---------------------------------------------------------------- erase, insert, delete

void TO_VT100::EraseInDisplay(TTerm& Term, int N)
{
    TScr& S = Term.Scr;
    switch (N) {
    case 0: // cursor to the end of the region
        EraseCols(Term, S.CurY, S.CurX, S.Col);
        EraseRows(Term, S.CurY + 1, S.Bottom);
        Term.DrawRect(S.CurY, 1, S.Col, S.Bottom);
        break;
    case 1: // the cursor's row and every row below it, whole
        EraseRows(Term, S.CurY, S.Row);
        Term.DrawRect(S.CurY, 1, S.Col, S.Row);
        break;
    case 2:
        EraseRows(Term, 1, S.Row);
        Term.GotoXY(1, 1);
        Term.ReDrawScreen();
        break;
    default: break;
    }
}

void TO_VT100::InsertLines(TTerm& Term, int N)
{
    TScr& S = Term.Scr;
    WriteLog("Insert Line");
    S.CurX = 1;
    N = AtLeastOne(N);
    if (ClearsToRegionBottom(Term, N)) return;
    for (int R = S.Bottom; R >= S.CurY + N; --R) TTerm::CopyLine(*S.Lines[R], *S.Lines[R - N]);
    EraseRows(Term, S.CurY, S.CurY + N - 1);
    Term.UpdateScreen();
}

void TO_VT100::DeleteLines(TTerm& Term, int N)
{
    TScr& S = Term.Scr;
    S.CurX = 1;
    N = AtLeastOne(N);
    if (ClearsToRegionBottom(Term, N)) return;
    for (int R = S.CurY; R <= S.Bottom - N; ++R) TTerm::CopyLine(*S.Lines[R], *S.Lines[R + N]);
    EraseRows(Term, S.Bottom - N + 1, S.Bottom);
    Term.UpdateScreen();
}

void TO_VT100::InsertChars(TTerm& Term, int N)
{
    TScr& S = Term.Scr;
    auto& Cells = S.Lines[S.CurY]->Cells;
    N = AtLeastOne(N);
    if (static_cast<long long>(S.CurX) + N > S.Col) {
        EraseCols(Term, S.CurY, S.CurX, S.Col);
    } else {
        for (int C = S.Col; C >= S.CurX + N; --C) Cells[C] = Cells[C - N];
        Term.FillRow(S.CurY, S.CurX, S.CurX + N - 1, Blank(S));
    }
    Term.DrawLine(S.CurY, S.CurX, S.Col);
}

void TO_VT100::DeleteChars(TTerm& Term, int N)
{
    TScr& S = Term.Scr;
    auto& Cells = S.Lines[S.CurY]->Cells;
    N = std::min(AtLeastOne(N), S.Col - S.CurX + 1);
    if (N > 0) {
        for (int C = S.CurX; C <= S.Col - N; ++C) Cells[C] = Cells[C + N];
        Term.FillRow(S.CurY, S.Col - N + 1, S.Col, Blank(S));
    }
    Term.DrawLine(S.CurY, S.CurX, S.Col);
}

void TO_VT100::SetRegion(TTerm& Term, int TopRow, int Pos)
{
    TScr& S = Term.Scr;
    if (TopRow == 0) {
        Term.ResetScrollRegion();
        return;
    }
    const int BottomRow = SecondParam(Term, Pos, 1);
    if (1 <= TopRow && TopRow < BottomRow && BottomRow <= S.Row) {
        S.Top = TopRow;
        S.Bottom = BottomRow;
    } else {
        Term.ResetScrollRegion();
    }
}

// ---------------------------------------------------------------- modes

void TO_VT100::SetMode(TTerm& Term, std::uint8_t Final)
{
    TScr& S = Term.Scr;
    const bool On = Final == 'h';
    if (LogEnabled()) {
        std::string Line = On ? "Terminal Mode Set : Buf[" : "Terminal Mode ReSet : Buf[";
        Line += S.EscBuf.View();
        Line += On ? "], Cmd[h]" : "], Cmd[l]";
        WriteLog(Line);
    }
    bool Handled = true;
    if (S.EscBuf.At(2) == '?') {
        int Mode = 0;
        GetParam(Term, 3, Mode); // only the first mode of a list counts
        // clang-format off
        switch (Mode) {
        case 1: break;                                  // DECCKM: accepted, no effect
        case 4: Switches.SoftScroll = On; break;        // DECSCLM
        case 5:                                         // DECSCNM
            if (On)
                Handled = false;
            else
                Term.Beep();
            break;
        case 7: Switches.AutoWrap = On; break;          // DECAWM
        case 25: Switches.CaretDrawEnabled = On; break; // DECTCEM
        case 47:                                        // alternate buffer
            if (On) {
                Term.SaveScreen();
                WriteLog("Set Alternate Buffer");
            } else {
                Term.RestoreScreen();
                WriteLog("Reset Alternate Buffer");
            }
            break;
        case 1000: Switches.MouseReport = On; break;    // X10 mouse reports
        default: Handled = false; break;
        }
        // clang-format on
    } else if (S.EscBuf.At(2) == '4') {
        Switches.InsertMode = On; // IRM; only this one character is looked at
    } else {
        Handled = false;
    }
    if (!Handled) LogWithBuf("Unimplemented Escape Squence : ", S, Final);
}

void TO_VT100::SelectRendition(TTerm& Term)
{
    TScr& S = Term.Scr;
    const TEscBuf& E = S.EscBuf;
    if (E.Length() == 1) { // CSI m: everything back, the double-byte part too
        S.CurFore = S.FontColor;
        S.CurBack = S.BackColor;
        S.Reverse = S.Underline = S.Bold = false;
        S.LastPart = 0;
        return;
    }
    // Each run of digits is one rendition, whatever separates the runs.
    if (E.PlainParams()) {
        for (int I = 0; I < E.FieldCount(); ++I)
            if (E.HasDigits(I)) Rendition(Term, E.Field(I));
    } else {
        int Pos = 2;
        while (Pos <= E.Length()) {
            const char C = E.At(Pos);
            if (C == ' ' || C == ';' || C == '[' || C == '?' || C == '>') {
                ++Pos; // '?' and '>' mean nothing here; passing over them keeps the scan moving
                continue;
            }
            int P = 0;
            Pos = GetParam(Term, Pos, P);
            Rendition(Term, P);
        }
    }
    // Underline shows as yellow, bold as brightened, reverse as inverted colours.
    if (S.Underline) S.CurFore = UnderlineColour;
    if (S.Bold && S.CurFore != 0) S.CurFore |= BoldBrighten;
    if (S.Reverse) {
        S.CurFore ^= InvertRgb;
        S.CurBack ^= InvertRgb;
    }
}

void TO_VT100::Rendition(TTerm& Term, int P)
{
    TScr& S = Term.Scr;
    switch (P) {
    case 0:
        S.CurFore = S.FontColor;
        S.CurBack = S.BackColor;
        S.Reverse = S.Underline = S.Bold = false;
        break;
    case 1:
    case 5: S.Bold = true; break; // blink shows as bold
    case 4: S.Underline = true; break;
    case 7: S.Reverse = true; break;
    case 8: S.CurFore = S.CurBack; break;
    case 10: Switches.MetaBit = false; break;
    case 12: Switches.MetaBit = true; break;
    case 22: S.Bold = false; break;
    case 27:
        S.CurFore = S.FontColor;
        S.CurBack = S.BackColor;
        S.Reverse = S.Underline = false;
        break;
    default:
        if (P >= 30 && P <= 37)
            S.CurFore =
                Term.Monochrome ? S.FontColor : Term.Palette[static_cast<std::size_t>(P - 30)];
        else if (P >= 40 && P <= 47)
            S.CurBack =
                Term.Monochrome ? S.BackColor : Term.Palette[static_cast<std::size_t>(P - 40)];
        else
            LogWithBuf("Invalid Escape Squence : ", S, 'm');
        break;
    }
}
