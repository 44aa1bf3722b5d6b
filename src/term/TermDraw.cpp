// Drawing the cell buffer through the canvas: runs, the caret and the bell.
#include "term/Term.h"

#include "common/LogSink.h"
#include "common/SessionSocket.h"
#include "common/Switches.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>

namespace {
void WriteLog(std::string_view Text)
{
    if (LogEnabled()) LogToSink(Text);
}
} // namespace

// ---------------------------------------------------------------- runs

// The canvas's colours and style for the cell's look, changed only where
// they differ: most runs share them.
[[gnu::always_inline]] inline void TTerm::UsePenOf(const TCell& Look)
{
    const bool Swap = Look.Attr & caReverse;
    const TColor Fore = Swap ? Look.Back : Look.Fore, Back = Swap ? Look.Fore : Look.Back;
    const int Style = Scr.Font.Style | (Look.Attr & caBold ? fsBold : 0) |
                      (Look.Attr & caUnderline ? fsUnderline : 0);
    if (FCanvas.FontColor() != Fore) FCanvas.SetFontColor(Fore);
    if (FCanvas.FontStyle() != Style) FCanvas.SetFontStyle(Style);
    if (FCanvas.BrushColor() != Back) FCanvas.SetBrushColor(Back);
}

// Inline: a full-screen program's lone cells come here one by one.
[[gnu::always_inline]] inline void TTerm::DrawRun(int RowIndex, int FromCol,
                                                  const std::uint8_t* Bytes,
                                                  const std::uint8_t* Parts, int Len,
                                                  const TCell& Look, bool Lock)
{
    if (Lock) FCanvas.Lock();
    UsePenOf(Look);
    const int X = (FromCol - 1) * Scr.CharWidth;
    const int Y = (RowIndex - 1) * Scr.CharHeight;
    FCanvas.TextRun(X, Y, TRect{X, Y, X + Len * Scr.CharWidth, Y + Scr.CharHeight}, Bytes, Parts,
                    Len);
    if (Lock) FCanvas.Unlock();
}

// Runs of equal colours and renditions over FromCol..ToCol. With LeadStartsRun every lead
// byte opens a run. In both kinds a lead takes its trail cell along, even past
// ToCol or across a change of colour, so a pair is never split between runs
// and every painter hands the canvas the same pairs.
void TTerm::DrawRuns(int RowIndex, int FromCol, int ToCol, bool LeadStartsRun, bool LockEachRun)
{
    if (LeadStartsRun)
        DrawRunsOf<true>(RowIndex, FromCol, ToCol, LockEachRun);
    else
        DrawRunsOf<false>(RowIndex, FromCol, ToCol, LockEachRun);
}

namespace {
// Back and Fore side by side: both colours compared at once.
static_assert(offsetof(TCell, Back) == 0 && offsetof(TCell, Fore) == 4);
std::uint64_t Colours(const TCell& C)
{
    std::uint64_t V;
    std::memcpy(&V, &C, sizeof V);
    return V;
}
} // namespace

// Every row painted goes through here: one pass per run, with no flag tests
// in the loop.
template <bool LeadStartsRun>
void TTerm::DrawRunsOf(int RowIndex, int FromCol, int ToCol, bool LockEachRun)
{
    const TLine* L = Scr.Lines[RowIndex];
    if (!L) return;
    const TCell* Cells = L->Cells.data();
    const int Col = Scr.Col;
    ToCol = std::min(ToCol, Col);
    std::uint8_t Bytes[MaxCols + 1], Parts[MaxCols + 1];
    int C = FromCol;
    while (C <= ToCol) {
        if (Cells[C].DbcsPart >= cpCluster) { // a character of the table: its own call
            C = DrawCluster(RowIndex, C, LockEachRun);
            continue;
        }
        const int Start = C;
        const std::uint64_t Run = Colours(Cells[C]);
        const std::uint8_t RunAttr = Cells[C].Attr; // a local: the byte stores below may alias
        int N = 0;
        for (;; ++C) {
            Bytes[N] = Cells[C].Ch;
            Parts[N++] = Cells[C].DbcsPart;
            // The trail of a lead rides along whatever its colours.
            if (Cells[C].DbcsPart == 1 && C < Col && Cells[C + 1].DbcsPart == 2) {
                ++C;
                Bytes[N] = Cells[C].Ch;
                Parts[N++] = 2;
            }
            if (C + 1 > ToCol) break;
            const TCell& Next = Cells[C + 1];
            if (Colours(Next) != Run || Next.Attr != RunAttr || Next.DbcsPart >= cpCluster ||
                (LeadStartsRun && Next.DbcsPart == 1))
                break;
        }
        ++C;
        DrawRun(RowIndex, Start, Bytes, Parts, N, Cells[Start], LockEachRun);
    }
}

// The table's character whose cell is at Col, first or later, drawn whole
// over its cells; a cell of one no longer whole is a blank. Returns the
// column after what was drawn.
int TTerm::DrawCluster(int RowIndex, int Col, bool Lock)
{
    const TLine& L = *Scr.Lines[RowIndex];
    const int Head = HeadOf(L, Col);
    if (Head == 0) {
        static constexpr std::uint8_t Blank = ' ', Single = cpSingle;
        DrawRun(RowIndex, Col, &Blank, &Single, 1, L.Cells[Col], Lock);
        return Col + 1;
    }
    const TCell& Look = L.Cells[Head];
    const int Span = Chars.At(ClusterIndex(L.Cells[Head])).Cells;
    if (Lock) FCanvas.Lock();
    UsePenOf(Look);
    const TCluster& C = Chars.At(ClusterIndex(Look));
    const int X = (Head - 1) * Scr.CharWidth, Y = (RowIndex - 1) * Scr.CharHeight;
    FCanvas.TextCluster(X, Y, TRect{X, Y, X + Span * Scr.CharWidth, Y + Scr.CharHeight},
                        C.CodePoints.data(), C.Count);
    if (Lock) FCanvas.Unlock();
    return Head + Span;
}

void TTerm::PaintRows(int FirstRow, int LastRow)
{
    if (Scr.CharWidth == 0) return;
    FirstRow = std::max(FirstRow, 1);
    LastRow = std::min(LastRow, Scr.Row);
    for (int R = FirstRow; R <= LastRow; ++R) DrawRuns(R, 1, Scr.Col, false, false);
}

bool TTerm::RepaintOwed() const
{
    return Scr.RedrawPending && (HoldRedraw || !Switches.SoftScroll);
}

void TTerm::DrawLine(int RowIndex, int FromCol, int ToCol)
{
    if (RepaintOwed()) return;
    if (Scr.CharWidth == 0 || RowIndex < 1 || RowIndex > Scr.Row) return;
    FromCol = std::max(FromCol, 1);
    if (FromCol > MaxCols) return;
    const int Part = Scr.Lines[RowIndex]->Cells[FromCol].DbcsPart;
    if (Part == 1 && ToCol == FromCol)
        ToCol = FromCol + 1;
    else if (Part == 2 && FromCol > 1)
        --FromCol;
    DrawRuns(RowIndex, FromCol, ToCol, true, false);
}

void TTerm::DrawCells(int FromCol, int ToCol)
{
    if (RepaintOwed()) return;
    if (Scr.CharWidth == 0) return;
    FromCol = std::max(FromCol, 1);
    if (FromCol > MaxCols) return;
    const TCell& Cell = Scr.Lines[Scr.CurY]->Cells[FromCol];
    const int Part = Cell.DbcsPart;
    if (Part == 0 && ToCol == FromCol && FromCol <= Scr.Col) {
        // A lone single-byte cell, as a full-screen program writes them: the
        // one run it makes, without building it.
        static constexpr std::uint8_t Single = 0;
        DrawRun(Scr.CurY, FromCol, &Cell.Ch, &Single, 1, Cell, true);
        return;
    }
    if (Part == 1 && ToCol == FromCol)
        ToCol = FromCol + 1;
    else if (Part == 2 && FromCol > 1)
        --FromCol;
    DrawRuns(Scr.CurY, FromCol, ToCol, true, true);
}

void TTerm::PaintRect(const TRect& R)
{
    if (Scr.CharWidth == 0 || Scr.CharHeight == 0 || R.Empty()) return;
    int C0 = std::max(0, R.Left / Scr.CharWidth);
    const int C1 = std::min(Scr.Col, (R.Right + Scr.CharWidth - 1) / Scr.CharWidth);
    const int R0 = std::max(0, R.Top / Scr.CharHeight);
    const int R1 = std::min(Scr.Row, (R.Bottom + Scr.CharHeight - 1) / Scr.CharHeight);
    for (int Ri = R0; Ri < R1; ++Ri) {
        if (C0 > 0 && C0 < MaxCols && Scr.Lines[Ri + 1]->Cells[C0 + 1].DbcsPart == 2) --C0;
        DrawRuns(Ri + 1, C0 + 1, C1, true, false);
    }
}

void TTerm::DrawRect(int TopRow, int LeftCol, int RightCol, int BottomRow)
{
    if (Scr.RedrawPending ||
        (TopRow == 1 && LeftCol == 1 && BottomRow == Scr.Row && RightCol == Scr.Col)) {
        ReDrawScreen();
        return;
    }
    PaintRect(TRect{(LeftCol - 1) * Scr.CharWidth, (TopRow - 1) * Scr.CharHeight,
                    RightCol * Scr.CharWidth, BottomRow * Scr.CharHeight});
    Scr.RedrawPending = false;
    ShowCaret();
}

void TTerm::DrawRows(int TopRow, int BottomRow)
{
    if (Scr.RedrawPending || (TopRow == 1 && BottomRow == Scr.Row)) {
        ReDrawScreen();
        return;
    }
    PaintRows(TopRow, BottomRow);
    Scr.RedrawPending = false;
    ShowCaret();
}

void TTerm::ReDrawScreen()
{
    if (HoldRedraw) {
        Scr.RedrawPending = true;
        return;
    }
    PaintRows(1, Scr.Row);
    WriteLog("ReDrawScreen");
    Scr.RedrawPending = false;
    Scr.CaretX = Scr.CaretY = -1;
}

void TTerm::UpdateScreen()
{
    if (Switches.SoftScroll && !HoldRedraw)
        ReDrawScreen();
    else
        Scr.RedrawPending = true;
}

void TTerm::Paint(const TRect& Clip)
{
    if (OwnerDraw) return;
    WriteLog("Paint");
    PaintRect(Clip);
    ShowCaret();
}

// ---------------------------------------------------------------- caret

void TTerm::ShowCaret()
{
    if (!Switches.CaretDrawEnabled || Scr.ScrollBack.Browsing || Scr.RedrawPending) return;
    const int W = Scr.CharWidth, H = Scr.CharHeight;
    const int X = (Scr.CurX - 1) * W, Y = (Scr.CurY - 1) * H;
    if (!Focused) {
        // Erase the outline of the last position first: XOR outlines drawn
        // without it stay behind at every cell the cursor passed.
        HideCaret();
        FCanvas.FrameXor(TRect{X, Y, Scr.CurX * W, Scr.CurY * H}, FCaretColor);
        Scr.CaretX = Scr.CurX;
        Scr.CaretY = Scr.CurY;
        return;
    }
    if (FCaret == TCaret::None) return;
    HideCaret();
    FCanvas.Lock();
    const TColor Saved = FCanvas.BrushColor();
    FCanvas.SetBrushColor(HangulMode ? FCaretColor ^ Scr.Font.Color : FCaretColor);
    bool Ok = true;
    if (FCaret == TCaret::Cross_Block || FCaret == TCaret::Cross_Underline) {
        // The vertical line skips the pixel where it crosses the horizontal
        // one: inverted twice, the crossing would fall back to the cell's colour.
        const int LineY = Scr.CurY * H - 1, LineX = Scr.CurX * W - 1;
        Ok &= FCanvas.PatInvert(0, LineY, Scr.Col * W, 1);
        Ok &= FCanvas.PatInvert(LineX, 0, 1, LineY);
        if (Scr.Row * H > LineY + 1)
            Ok &= FCanvas.PatInvert(LineX, LineY + 1, 1, Scr.Row * H - LineY - 1);
        Ok &= FCanvas.PatInvert(X, Y, W - 1, H - 1);
    } else {
        Ok &= FCanvas.PatInvert(X, Y, W, H);
    }
    if (!Ok) WriteLog("PatBLt Error:" + std::to_string(FCanvas.LastError()));
    FCanvas.SetBrushColor(Saved);
    if (HangulMode) FCanvas.FrameXor(TRect{X, Y, Scr.CurX * W, Scr.CurY * H}, Scr.Font.Color);
    Scr.CaretX = Scr.CurX;
    Scr.CaretY = Scr.CurY;
    FCanvas.Unlock();
    DrawCompStr();
    WriteLog("Show Caret");
}

void TTerm::HideCaret()
{
    if (RepaintOwed()) return;
    if (Scr.CaretX <= 0 || Scr.CaretY <= 0 || Scr.ScrollBack.Browsing) return;
    const int W = Scr.CharWidth, H = Scr.CharHeight;
    FCanvas.Lock();
    PaintRect(TRect{(Scr.CaretX - 1) * W, (Scr.CaretY - 1) * H, Scr.CaretX * W, Scr.CaretY * H});
    if (FCaret == TCaret::Cross_Block || FCaret == TCaret::Cross_Underline) {
        // Each line's cells are repainted within the line alone.
        const TRect Row{0, Scr.CaretY * H - 1, Scr.Col * W, Scr.CaretY * H};
        const TRect Column{Scr.CaretX * W - 1, 0, Scr.CaretX * W, Scr.Row * H};
        FCanvas.ClipText(&Row);
        PaintRect(Row);
        FCanvas.ClipText(&Column);
        PaintRect(Column);
        FCanvas.ClipText(nullptr);
    }
    Scr.CaretX = Scr.CaretY = 0;
    DrawCompStr();
    FCanvas.Unlock();
    WriteLog("Hide Caret");
}

void TTerm::DrawCompStr()
{
    if (Scr.CompStr.empty() || !SessionSocket || !SessionSocket->Connected()) return;
    const int X = (Scr.CurX - 1) * Scr.CharWidth, Y = (Scr.CurY - 1) * Scr.CharHeight;
    // A composition is a syllable or a few; more than a row would be clipped.
    const int Len = std::min(static_cast<int>(Scr.CompStr.size()), MaxCols);
    const auto* Bytes = reinterpret_cast<const std::uint8_t*>(Scr.CompStr.data());
    std::uint8_t Parts[MaxCols];
    for (int I = 0, Part = 0; I < Len; ++I)
        Parts[I] = static_cast<std::uint8_t>(Part = Part == 1 ? 2 : (Bytes[I] >= 0x81 ? 1 : 0));
    if (FCanvas.BrushColor() != Scr.CurBack) FCanvas.SetBrushColor(Scr.CurBack);
    if (FCanvas.FontColor() != FCaretColor) FCanvas.SetFontColor(FCaretColor);
    FCanvas.TextRun(X, Y, TRect{X, Y, X + Len * Scr.CharWidth, Y + Scr.CharHeight}, Bytes, Parts,
                    Len);
}

void TTerm::FocusGained()
{
    Focused = true;
    ShowCaret();
}

void TTerm::FocusLost()
{
    CommitComposition(); // the syllable goes where it was typed
    Focused = false;
    if (Scr.SelActive) {
        Scr.SelActive = false;
        ReDrawScreen();
    } else {
        HideCaret();
    }
}

// ---------------------------------------------------------------- bell

void TTerm::FillCellBlock(int Col1, int Row1, int Cols, int Rows, TColor Colour, TRasterOp)
{
    FCanvas.Lock();
    const TColor Saved = FCanvas.BrushColor();
    FCanvas.SetBrushColor(Colour);
    if (!FCanvas.PatInvert((Col1 - 1) * Scr.CharWidth, (Row1 - 1) * Scr.CharHeight,
                           Cols * Scr.CharWidth, Rows * Scr.CharHeight))
        WriteLog("PatBLt Error:" + std::to_string(FCanvas.LastError()));
    FCanvas.SetBrushColor(Saved);
    FCanvas.Unlock();
}

std::int64_t TTermHost::SteadyMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TTerm::Beep()
{
    // A host can send thousands of BELs in one read: the bell rings once
    // for all that come within its interval.
    const std::int64_t Now = FHost.SteadyMs();
    if (FRang && Now - FLastRing < BellIntervalMs) return;
    FRang = true;
    FLastRing = Now;
    if (Scr.VisualBeep) {
        const bool Saved = Switches.CaretDrawEnabled;
        Switches.CaretDrawEnabled = false;
        FillCellBlock(1, Scr.CurY, Scr.Col, 1, FCaretColor, TRasterOp::PatInvert);
        FHost.EndFlashAfter(FlashMs);
        Switches.CaretDrawEnabled = Saved;
    }
    if (Scr.BeepOn) FHost.SystemBeep();
}

// ---------------------------------------------------------------- setters

void TTerm::SetCaret(TCaret C)
{
    FCaret = C;
    ReDrawScreen();
    ShowCaret();
}

void TTerm::SetCaretColor(TColor C)
{
    FCaretColor = C;
    HideCaret();
    ShowCaret();
}

void TTerm::SetBackColor(TColor C)
{
    FCanvas.SetBrushColor(C);
    Scr.BackColor = C;
    Scr.CurBack = C;
    ReDrawScreen();
}

void TTerm::SetFont(const TFont& F)
{
    ApplyFont(F);
    Scr.FontColor = F.Color;
}
