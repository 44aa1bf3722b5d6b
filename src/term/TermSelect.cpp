// Mouse selection: the highlight drawn by inverting cells, the word rule and
// the text a selection or a run of rows yields.
#include "term/Term.h"

#include "text/Cp949.h"

#include "common/LogSink.h"
#include "common/Switches.h"

#include <algorithm>

namespace {
void WriteLog(std::string_view Text)
{
    if (LogEnabled()) LogToSink(Text);
}

constexpr TColor SelectionColour = InvertRgb;
constexpr std::uint8_t WordSelected = 0x40; // SelFlags: the last press was a double-click

// Space through the full stop, '=', '@', '^' and '|' end a word; every other
// byte, the whole upper half included, belongs to one.
constexpr bool IsDelimiter(std::uint8_t B)
{
    return (B >= 32 && B <= 46) || B == 61 || B == 64 || B == 94 || B == 124;
}

// Pixel to 1-based cell; floors, so a pointer dragged left of the control
// lands on column 0 and not column 1.
int CellIndex(int Pixel, int Size)
{
    const int Q = Pixel / Size;
    return (Pixel % Size != 0 && Pixel < 0 ? Q - 1 : Q) + 1;
}

void TrimTrailingBlanks(std::string& S)
{
    while (!S.empty() && static_cast<std::uint8_t>(S.back()) <= 32) S.pop_back();
}

std::string Position(TPoint P) { return std::to_string(P.X) + "," + std::to_string(P.Y); }
} // namespace

TPoint TTerm::CellAt(int X, int Y) const
{
    if (Scr.CharWidth <= 0 || Scr.CharHeight <= 0) return {0, 0};
    return {CellIndex(X, Scr.CharWidth), CellIndex(Y, Scr.CharHeight)};
}

void TTerm::InvertCells(TColor Colour, int RowIndex, int FromCol, int ToCol, TRasterOp Rop)
{
    // ToCol < FromCol gives a negative width: cells ToCol + 1 .. FromCol - 1.
    FillCellBlock(FromCol, RowIndex, ToCol - FromCol + 1, 1, Colour, Rop);
}

// ---------------------------------------------------------------- mouse

void TTerm::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // Before a mouse report or a selection: the syllable was typed first.
    CommitComposition();
    if (OnMouseDown) OnMouseDown(Button, Shift, X, Y);
    if (!Focused) FHost.SetFocus();
    if (Button != TMouseButton::Left || (Shift & ssRight)) return;
    // A plain click belongs to the host while it asks for mouse reports.
    if (Switches.MouseReport && !(Shift & ssShift)) return;
    if (Scr.SelFlags & WordSelected) {
        Scr.SelFlags &= static_cast<std::uint8_t>(~WordSelected);
        return;
    }
    const TPoint P = CellAt(X, Y);
    if (P.X == 0 && P.Y == 0) return; // the font has not been measured yet
    ButtonDown = true;
    if (Scr.SelActive) {
        Scr.SelActive = false;
        ReDrawScreen();
        ShowCaret();
    }
    // A press in the margin beyond the grid takes the nearest cell.
    const TPoint Cell{std::clamp(P.X, 1, Scr.Col), std::clamp(P.Y, 1, Scr.Row)};
    Scr.SelActive = true;
    Scr.SelStart = Scr.SelEnd = Cell;
    const bool Double = Shift & ssDouble;
    if (Double) {
        const TLine& L = *Scr.Lines[Cell.Y];
        int Left = Cell.X, Right = Cell.X;
        while (Left >= 1 && !IsDelimiter(L.Cells[Left].Ch)) --Left;
        while (Right <= Scr.Col && !IsDelimiter(L.Cells[Right].Ch)) ++Right;
        // On a delimiter the two ends cross and the highlight is that cell.
        Scr.SelStart.X = Left + 1;
        Scr.SelEnd.X = Right - 1;
        Scr.SelFlags |= WordSelected;
    }
    InvertCells(SelectionColour, Scr.SelStart.Y, Scr.SelStart.X, Scr.SelEnd.X,
                TRasterOp::PatInvert);
    if (Double) WriteLog("Mouse Down - Double Click");
    WriteLog("Mouse Down - Clip On : ");
}

void TTerm::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove) OnMouseMove(Shift, X, Y);
    if (Scr.SelActive && ButtonDown && (Shift & ssLeft)) ExtendSelection(X, Y);
}

void TTerm::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp) OnMouseUp(Button, Shift, X, Y);
    ButtonDown = false;
    if (Scr.SelActive)
        WriteLog("Mouse UP - Clip Rect : Start[" + Position(Scr.SelStart) + "]  End[" +
                 Position(Scr.SelEnd) + "]");
}

// Moves the end to the pointer, inverting only the cells whose state changes.
// An end above the old one is stored one column right of the pointer; the
// copy reads it that way.
void TTerm::ExtendSelection(int X, int Y)
{
    TPoint P = CellAt(X, Y);
    if (P.X < 1 || P.X > Scr.Col || P.Y < 1 || P.Y > Scr.Row) return;
    const std::uint8_t Part = Scr.Lines[P.Y]->Cells[P.X].DbcsPart;
    if (Part == 2) return;
    if (Part == 1 && P.X < Scr.Col) ++P.X; // the pair ends on its trail cell
    const TPoint Old = Scr.SelEnd;
    if (P == Old) return;
    const auto Invert = [this](int R, int From, int To) {
        InvertCells(SelectionColour, R, From, To, TRasterOp::PatInvert);
    };
    std::string Case;
    if (P.Y == Old.Y) {
        Invert(P.Y, Old.X + 1, P.X);
        Scr.SelEnd = P;
        Case = "1";
    } else if (P.Y > Old.Y) {
        Invert(Old.Y, Old.X + 1, Scr.Col);
        for (int R = Old.Y + 1; R < P.Y; ++R) Invert(R, 1, Scr.Col);
        Invert(P.Y, 1, P.X);
        Scr.SelEnd = P;
        Case = "2";
    } else {
        Invert(Old.Y, 1, Old.X);
        for (int R = Old.Y - 1; R > P.Y; --R) Invert(R, 1, Scr.Col);
        Invert(P.Y, P.X + 2, Scr.Col);
        Scr.SelEnd = {P.X + 1, P.Y};
        Case = "3";
    }
    WriteLog(Case + ": Row[" + std::to_string(P.Y) + "] Start[" + std::to_string(Old.X + 1) +
             "] End[" + std::to_string(P.X) + "]");
}

void TTerm::ClearSelection()
{
    if (!Scr.SelActive) return;
    Scr.SelActive = false;
    Scr.SelFlags = 0;
    Scr.SelStart = Scr.SelEnd = TPoint{};
    FCanvas.Invalidate();
}

// ---------------------------------------------------------------- text

void TTerm::CopySelection()
{
    const TPoint S = Scr.SelStart, E = Scr.SelEnd;
    // Ends one column past either side of the grid are real selections: a
    // double-click on a delimiter in the first or last column, or a drag up
    // to the last column. They copy what they highlight.
    const auto ColOk = [this](int C) { return C >= 0 && C <= Scr.Col + 1; };
    const auto RowOk = [this](int R) { return R >= 1 && R <= Scr.Row; };
    if (!ColOk(S.X) || !ColOk(E.X) || !RowOk(S.Y) || !RowOk(E.Y)) return;
    const bool Backward = E.Y < S.Y || (E.Y == S.Y && E.X < S.X);
    TPoint First = Backward ? TPoint{E.X + 1, E.Y} : S;
    TPoint Last = Backward ? TPoint{S.X - 1, S.Y} : E;
    if (First.X > Scr.Col && First.Y < Last.Y) First = {1, First.Y + 1};
    First.X = std::max(First.X, 1);
    Last.X = std::min(Last.X, Scr.Col);

    // Rows joined by a carriage return, each without its trailing blanks, so
    // a blank row inside the range vanishes.
    std::string Text;
    for (int R = First.Y; R <= Last.Y; ++R) {
        if (R > First.Y) {
            TrimTrailingBlanks(Text);
            Text += '\r';
        }
        AppendCells(Text, *Scr.Lines[R], R == First.Y ? First.X : 1,
                    R == Last.Y ? Last.X : Scr.Col);
    }
    TrimTrailingBlanks(Text);
    FHost.SetClipboardText(Text);
}

// The cells' bytes; a character of the table (its first cell in the range)
// in Cp949's rich form, its later cells adding nothing; a cell of one no
// longer whole is a blank.
void TTerm::AppendCells(std::string& Out, const TLine& L, int From, int To) const
{
    for (int C = From; C <= To; ++C) {
        const TCell& Cell = L.Cells[C];
        if (Cell.DbcsPart < cpCluster) {
            Out += static_cast<char>(Cell.Ch);
        } else if (HeadOf(L, C) == 0) {
            Out += ' ';
        } else if (Cell.DbcsPart == cpCluster) {
            Out += Cp949::RichMark;
            Out += Chars.At(ClusterIndex(Cell)).Utf8();
            Out += Cp949::RichMark;
        }
    }
}

std::string TTerm::GetScreenText(int FromRow, int ToRow) const
{
    if (FromRow < 1 || FromRow > Scr.Row) FromRow = 1;
    if (ToRow <= 0 || ToRow > Scr.Row) ToRow = Scr.Row;
    std::string S;
    for (int R = FromRow; R <= ToRow; ++R) {
        AppendCells(S, *Scr.Lines[R], 1, Scr.Col);
        if (R != ToRow) S += '\r';
    }
    return S;
}
