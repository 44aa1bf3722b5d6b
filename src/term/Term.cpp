// The cell grid, the line list and scroll-back, sizes and the saved screen.
#include "term/Term.h"

#include "common/LogSink.h"
#include "common/Switches.h"
#include "common/VirtualKeys.h"
#include "text/Cp949.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

namespace {
void WriteLog(std::string_view Text)
{
    if (LogEnabled()) LogToSink(Text);
}
} // namespace

std::array<TColor, 8> DefaultPalette()
{
    auto Rgb = [](unsigned R, unsigned G, unsigned B) -> TColor {
        return R | (G << 8) | (B << 16);
    };
    return {Rgb(0, 0, 0),   Rgb(128, 0, 0),     Rgb(0, 128, 0),   Rgb(255, 255, 0),
            Rgb(0, 0, 128), Rgb(255, 128, 192), Rgb(0, 128, 128), Rgb(192, 192, 192)};
}

TTerm::TTerm(TCanvas& Canvas, TTermHost& Host) : FCanvas(Canvas), FHost(Host)
{
    Palette = DefaultPalette();
    Scr.FontColor = Scr.Font.Color;
    Scr.CurFore = Scr.Font.Color;
    for (int R = 1; R <= Scr.Row; ++R) AppendLine(R);
    for (int R = 1; R <= MaxRows; ++R) BlankLine(AltLines[R]);
    Scr.ScrollBack.ViewPos = Scr.ScrollBack.Count;
    ResetScreen();
}

TTerm::~TTerm()
{
    TLine* L = Scr.ScrollBack.First;
    while (L) {
        TLine* Next = L->Next;
        delete L;
        L = Next;
    }
}

void FillCells(TCell* Dest, int Count, const TCell& Value)
{
    if (Count <= 0) return;
    Dest[0] = Value;
    for (int Done = 1; Done < Count;) {
        const int N = std::min(Done, Count - Done);
        std::memcpy(Dest + Done, Dest, static_cast<std::size_t>(N) * sizeof(TCell));
        Done += N;
    }
}

// Tab stops every eight columns: 9, 17, 25, ...
TXtermState::TXtermState()
{
    for (int C = 9; C <= MaxCols; C += 8) TabStops[static_cast<std::size_t>(C)] = true;
}

int TTerm::RecycleLimit() const { return std::max(Scr.ScrollBack.MaxLines, Scr.Row + 1); }

// ---------------------------------------------------------------- cells

// Host text written over a selection removes its highlight.
void TTerm::DropSelection()
{
    Scr.SelActive = false;
    ReDrawScreen();
}

static_assert(std::endian::native == std::endian::little && offsetof(TCell, DbcsPart) == 9 &&
              offsetof(TCell, Attr) == 10 && offsetof(TCell, Ext) == 11);

int TTerm::PutText(const std::uint8_t* Bytes, int Len)
{
    if (Scr.SelActive) DropSelection();
    if (Scr.CurX <= 0) return 0;
    const int N = std::min(Len, Scr.Col - Scr.CurX + 1);
    if (N <= 0) return 0;
    TCell* Cells = &Scr.Lines[Scr.CurY]->Cells[Scr.CurX];
    const TColor Back = Scr.CurBack;
    const TColor Fore = Scr.CurFore == Back ? Scr.CurFore ^ InvertRgb : Scr.CurFore;
    const std::uint8_t Attr = Scr.CurAttr;
    int Part = Scr.LastPart;
    for (int I = 0; I < N; ++I) {
        const std::uint8_t Ch = Bytes[I];
        Part = Part == 1 ? 2 : (Ch >= 0x81 ? 1 : 0);
        // The byte, its part, the attributes and no table index: one store.
        const std::uint32_t Low = Ch | static_cast<std::uint32_t>(Part) << 8 | Attr << 16;
        Cells[I].Back = Back;
        Cells[I].Fore = Fore;
        std::memcpy(&Cells[I].Ch, &Low, sizeof Low);
    }
    Scr.CurX += N;
    Scr.LastPart = Part;
    return N;
}

// ---------------------------------------------------------------- table characters

int TTerm::InternCluster(const TCluster& Cluster)
{
    return Chars.Intern(Cluster, [this](std::vector<bool>& InUse) {
        const auto MarkLine = [&](const TLine& L) {
            for (int C = 1; C <= MaxCols; ++C)
                if (L.Cells[C].DbcsPart >= cpCluster) InUse[ClusterIndex(L.Cells[C])] = true;
        };
        // Every line the list holds (the scroll-back and the live rows) and
        // the rows kept aside for the other screen.
        for (const TLine* L = Scr.ScrollBack.First; L; L = L->Next) MarkLine(*L);
        for (int R = 1; R <= MaxRows; ++R) MarkLine(AltLines[R]);
    });
}

void TTerm::PutCluster(int Index)
{
    if (Scr.SelActive) DropSelection();
    const int Cells = Chars.At(Index).Cells;
    if (Scr.CurX < 1 || Scr.CurX + Cells - 1 > Scr.Col) return;
    TCell* Cell = &Scr.Lines[Scr.CurY]->Cells[Scr.CurX];
    const TColor Back = Scr.CurBack;
    const TColor Fore = Scr.CurFore == Back ? Scr.CurFore ^ InvertRgb : Scr.CurFore;
    for (int I = 0; I < Cells; ++I)
        Cell[I] = TCell{Back,
                        Fore,
                        static_cast<std::uint8_t>(Index & 0xFF),
                        I == 0 ? cpCluster : cpClusterTail,
                        Scr.CurAttr,
                        static_cast<std::uint8_t>(Index >> 8)};
    Scr.CurX += Cells;
    Scr.LastPart = cpSingle;
}

bool TTerm::WholeCluster(const TLine& L, int Col) const
{
    const TCell& Head = L.Cells[Col];
    if (Head.DbcsPart != cpCluster) return false;
    const int Index = ClusterIndex(Head);
    const int Last = Col + Chars.At(Index).Cells - 1;
    if (Last > Scr.Col) return false;
    for (int C = Col + 1; C <= Last; ++C)
        if (L.Cells[C].DbcsPart != cpClusterTail || ClusterIndex(L.Cells[C]) != Index) return false;
    return true;
}

int TTerm::HeadOf(const TLine& L, int Col) const
{
    const int Index = ClusterIndex(L.Cells[Col]);
    int C = Col;
    while (C > 1 && L.Cells[C].DbcsPart == cpClusterTail && ClusterIndex(L.Cells[C]) == Index) --C;
    // The head must be this character's: another one-cell character before a
    // stray tail would send every painter back to it for ever.
    if (L.Cells[C].DbcsPart != cpCluster || ClusterIndex(L.Cells[C]) != Index) return 0;
    const int Last = C + Chars.At(Index).Cells - 1;
    if (Last < Col || Last > Scr.Col) return 0;
    // The tails up to Col were walked over; the rest must follow whole.
    for (int T = Col + 1; T <= Last; ++T)
        if (L.Cells[T].DbcsPart != cpClusterTail || ClusterIndex(L.Cells[T]) != Index) return 0;
    return C;
}

bool TTerm::CharBeforeCursor(TCluster& Out, int& Head) const
{
    const int Last = std::min(Scr.CurX - 1, Scr.Col);
    if (Last < 1) return false;
    const TLine& L = *Scr.Lines[Scr.CurY];
    const TCell& C = L.Cells[Last];
    Out = {};
    switch (C.DbcsPart) {
    case cpSingle:
        if (C.Ch < 0x20 || C.Ch > 0x7E) return false;
        Head = Last;
        Out.Add(C.Ch);
        return true;
    case cpTrail:
        if (Last < 2 || L.Cells[Last - 1].DbcsPart != cpLead) return false;
        Head = Last - 1;
        Out.Add(Cp949::PairToUnicode(L.Cells[Head].Ch, C.Ch));
        Out.Cells = 2;
        return Out.CodePoints[0] != Cp949::Replacement;
    case cpCluster:
    case cpClusterTail:
        Head = HeadOf(L, Last);
        if (!Head) return false;
        Out = Chars.At(ClusterIndex(L.Cells[Head]));
        return Head + Out.Cells - 1 == Last;
    default: return false;
    }
}

void TTerm::WriteChar(std::uint8_t Ch)
{
    if (PutChar(Ch, Scr.CurFore, Scr.LastPart, Scr.CurBack)) DrawCells(Scr.CurX - 1, Scr.CurX - 1);
}

void TTerm::InsertBlank()
{
    auto& Cells = Scr.Lines[Scr.CurY]->Cells;
    for (int C = Scr.Col - 1; C >= Scr.CurX && C >= 1; --C) Cells[C + 1] = Cells[C];
    PutChar(32, Scr.CurFore, Scr.LastPart, Scr.CurBack);
    --Scr.CurX;
    DrawLine(Scr.CurY, Scr.CurX - 1, Scr.Col);
}

void TTerm::FillRow(int RowIndex, int FromCol, int ToCol, const TCell& Value)
{
    FromCol = std::max(FromCol, 1);
    ToCol = std::min(ToCol, MaxCols);
    // Test before indexing: a range from the pending-wrap column of a full
    // width row starts one past the line record.
    if (FromCol > ToCol) return;
    FillCells(&Scr.Lines[RowIndex]->Cells[FromCol], ToCol - FromCol + 1, Value);
}

void TTerm::EraseCells(int FromCol, int ToCol, int RowIndex)
{
    FillRow(RowIndex, FromCol, ToCol, TCell{Scr.BackColor, Scr.CurFore, 32, 0});
}

// Every line leaving the top is blanked for reuse: copying a ready blank line
// is one block move instead of a loop over cells.
void TTerm::BlankLine(TLine& L)
{
    const TCell Blank{Scr.CurBack, Scr.CurFore, 32, 0};
    const TCell& Was = FBlank.Cells[1];
    if (Was.Back != Blank.Back || Was.Fore != Blank.Fore)
        FillCells(FBlank.Cells.data(), MaxCols + 1, Blank);
    L.Cells = FBlank.Cells;
    L.Wrapped = false;
}

void TTerm::CopyLine(TLine& Dest, const TLine& Src)
{
    Dest.Cells = Src.Cells;
    Dest.Wrapped = Src.Wrapped;
}

void TTerm::ClearAllLines()
{
    for (int R = 1; R <= Scr.Row; ++R) BlankLine(*Scr.Lines[R]);
}

// ---------------------------------------------------------------- scrolling

void TTerm::ScrollUp(int TopRow, int BottomRow, int Count)
{
    if (TopRow == 0) TopRow = Scr.Top;
    if (BottomRow == 0) BottomRow = Scr.Bottom;
    // One shift by Count: a host asking for hundreds of lines costs one move.
    const int N = std::clamp(Count, 1, std::max(1, BottomRow - TopRow + 1));
    if (TopRow == 1 && BottomRow == Scr.Row && !Scr.Xt.AltScreen) {
        // Move references: the lines leaving the top stay as scroll-back.
        for (int R = 1; R <= Scr.Row - N; ++R) Scr.Lines[R] = Scr.Lines[R + N];
        for (int R = Scr.Row - N + 1; R <= Scr.Row; ++R) AppendLine(R);
    } else {
        const TCell Blank{Scr.CurBack, Scr.CurFore, 32, 0};
        for (int R = TopRow; R <= BottomRow - N; ++R) {
            std::copy_n(&Scr.Lines[R + N]->Cells[1], Scr.Col, &Scr.Lines[R]->Cells[1]);
            Scr.Lines[R]->Wrapped = Scr.Lines[R + N]->Wrapped;
        }
        for (int R = BottomRow; R > BottomRow - N; --R) {
            FillRow(R, 1, Scr.Col, Blank);
            Scr.Lines[R]->Wrapped = false;
        }
    }
    if (Switches.SoftScroll && !HoldRedraw)
        DrawRows(TopRow, BottomRow);
    else
        Scr.RedrawPending = true;
}

void TTerm::ScrollDown(int TopRow, int BottomRow, int Count)
{
    if (TopRow == 0) TopRow = Scr.Top;
    if (BottomRow == 0) BottomRow = Scr.Bottom;
    const int N = std::clamp(Count, 1, std::max(1, BottomRow - TopRow + 1));
    for (int R = BottomRow; R >= TopRow + N; --R) {
        std::copy_n(&Scr.Lines[R - N]->Cells[1], Scr.Col, &Scr.Lines[R]->Cells[1]);
        Scr.Lines[R]->Wrapped = Scr.Lines[R - N]->Wrapped;
    }
    const TCell Blank{Scr.CurBack, Scr.CurFore, 32, 0};
    for (int R = TopRow; R < TopRow + N; ++R) {
        FillRow(R, 1, Scr.Col, Blank);
        Scr.Lines[R]->Wrapped = false;
    }
    Scr.CurX = 1;
    Scr.CurY = TopRow;
    if (Switches.SoftScroll && !HoldRedraw)
        DrawRows(TopRow, BottomRow);
    else
        Scr.RedrawPending = true;
}

void TTerm::ResetScrollRegion()
{
    Scr.Top = 1;
    Scr.Bottom = Scr.Row;
}

// ---------------------------------------------------------------- line list

void TTerm::AppendLine(int RowIndex)
{
    TScrollBack& SB = Scr.ScrollBack;
    TLine* L;
    if (SB.Count >= RecycleLimit() && SB.First && SB.First->Next) {
        L = SB.First;
        SB.First = L->Next;
        SB.First->Prev = nullptr;
        --SB.Count;
        ++SB.Dropped;
    } else {
        L = new TLine;
    }
    L->Prev = nullptr;
    L->Next = nullptr;
    BlankLine(*L);
    if (SB.First && !SB.Last) {
        WriteLog("Error : Scr.ScrollBack.Last = nil");
        RelinkLast();
    }
    if (SB.Last) {
        SB.Last->Next = L;
        L->Prev = SB.Last;
    } else {
        SB.First = L;
    }
    SB.Last = L;
    ++SB.Count;
    if (!SB.Browsing) SB.ViewPos = SB.Count;
    if (ScrollBar && ScrollBar->Visible()) {
        ScrollBar->SetMax(SB.Count);
        ScrollBar->SetPosition(SB.Count);
    }
    Scr.Lines[RowIndex] = L;
}

// The list lost its end: find it again from the oldest line, so appending keeps
// one list instead of orphaning everything before the new line.
void TTerm::RelinkLast()
{
    TLine* L = Scr.ScrollBack.First;
    int N = 1;
    while (L->Next) {
        L = L->Next;
        ++N;
    }
    Scr.ScrollBack.Last = L;
    Scr.ScrollBack.Count = N;
}

void TTerm::RemoveLine(int RowIndex)
{
    TLine* L = Scr.Lines[RowIndex];
    if (!L) return;
    if (L->Prev) L->Prev->Next = L->Next;
    if (L->Next) L->Next->Prev = L->Prev;
    if (Scr.ScrollBack.First == L) Scr.ScrollBack.First = L->Next;
    delete L;
    Scr.Lines[RowIndex] = nullptr;
    --Scr.ScrollBack.Count;
    if (!Scr.ScrollBack.Browsing) Scr.ScrollBack.ViewPos = Scr.ScrollBack.Count;
}

// ---------------------------------------------------------------- sizes

void TTerm::ShrinkRows(int N)
{
    for (int R = Scr.Row; R >= N + 1; --R) RemoveLine(R);
    if (Scr.CurY > N) Scr.CurY = N;
    Scr.ScrollBack.Last = Scr.Lines[N];
}

void TTerm::GrowRows(int N)
{
    // The limit must count the new rows already: with the old row count it
    // lets a short scroll-back recycle lines still on screen.
    const int From = Scr.Row + 1;
    Scr.Row = N;
    for (int R = From; R <= N; ++R) AppendLine(R);
}

void TTerm::SetRow(int N)
{
    if (N < 1 || N == Scr.Row || N > MaxRows) return;
    LeaveScrollBack(); // rows are rebuilt from the live lines only
    if (N < Scr.Row)
        ShrinkRows(N);
    else
        GrowRows(N);
    Scr.Row = N;
    FireChangeSize();
    ApplyFont(Scr.Font);
    ResetScrollRegion();
}

void TTerm::SetCol(int N)
{
    if (N < 1 || N == Scr.Col || N > MaxCols) return;
    Scr.Col = N;
    FireChangeSize();
    ApplyFont(Scr.Font);
}

void TTerm::SetSize(int Cols, int Rows)
{
    Rows = std::min(Rows, MaxRows);
    Cols = std::min(Cols, MaxCols);
    if (Cols >= 1 && Rows >= 1) {
        if (Cols == Scr.Col && Rows == Scr.Row) return;
        LeaveScrollBack();
        if (Rows < Scr.Row)
            ShrinkRows(Rows);
        else if (Rows > Scr.Row)
            GrowRows(Rows);
        Scr.Row = Rows;
        Scr.Col = Cols;
        if (Scr.Bottom > Rows) Scr.Bottom = Rows;
    }
    ApplyFont(Scr.Font);
    ResetScrollRegion();
}

void TTerm::ApplyFont(const TFont& F)
{
    Scr.Font = F;
    FCanvas.SetFont(F);
    const TFontMetrics M = FCanvas.MeasureFont();
    Scr.CharWidth = M.AveCharWidth;
    Scr.CharHeight = M.Height;
    Scr.FontColor = F.Color;
    Scr.CurFore = F.Color;
    FHost.ResizeControl(Scr.Col * Scr.CharWidth, Scr.Row * Scr.CharHeight);
    FireChangeSize();
    FCanvas.Invalidate();
}

void TTerm::FireChangeSize()
{
    if (OnChangeSize) OnChangeSize();
}

void TTerm::ResetScreen()
{
    Scr.CurBack = Scr.BackColor;
    Scr.CurFore = Scr.FontColor;
    Scr.LastPart = 0;
    Scr.CurX = 1;
    Scr.CurY = 1;
    Scr.CaretX = Scr.CaretY = -1;
    Scr.SavedX = Scr.SavedY = -1;
    Scr.CurAttr = 0;
    Scr.Xt = TXtermState{};
    ResetScrollRegion();
    ClearAllLines();
    FCanvas.Invalidate();
    ApplyFont(Scr.Font);
}

void TTerm::ScrollScreenAway()
{
    if (Scr.Xt.AltScreen) LeaveAltScreen();
    ScrollUp(1, Scr.Row, Scr.CurY);
    Scr.CurX = Scr.CurY = 1;
}

// ---------------------------------------------------------------- local text

void TTerm::WriteText(std::string_view S)
{
    LeaveScrollBack(); // text lands on the live screen, never in older lines
    HideCaret();
    for (const char B : S) {
        if (Scr.CurX > Scr.Col) {
            Scr.CurX = 1;
            ++Scr.CurY;
        }
        if (Scr.CurY > Scr.Row) {
            ScrollUp(1, Scr.Row);
            Scr.CurY = Scr.Row;
        }
        WriteChar(static_cast<std::uint8_t>(B));
    }
    ShowCaret();
}

void TTerm::WriteLine(std::string_view S)
{
    LeaveScrollBack();
    const TCaret SavedCaret = FCaret;
    const bool SavedDraw = Switches.CaretDrawEnabled;
    HideCaret();
    Switches.CaretDrawEnabled = false;
    FCaret = TCaret::None;
    ++Scr.CurY;
    Scr.CurX = 1;
    if (Scr.CurY > Scr.Row) {
        ScrollUp(1, Scr.Row);
        Scr.CurY = Scr.Row;
    }
    WriteText(S);
    Switches.CaretDrawEnabled = SavedDraw;
    ShowCaret();
    FCaret = SavedCaret;
}

// ---------------------------------------------------------------- saved screen

void TTerm::SaveScreen()
{
    for (int R = 1; R <= MaxRows; ++R) BlankLine(AltLines[R]);
    SavedScr = Scr;
    for (int R = 0; R <= MaxRows; ++R) SavedScr.Lines[R] = R == 0 ? nullptr : &AltLines[R];
    for (int R = 1; R <= Scr.Row; ++R) CopyLine(AltLines[R], *Scr.Lines[R]);
}

void TTerm::RestoreScreen()
{
    Scr.CurX = SavedScr.CurX;
    Scr.CurY = SavedScr.CurY;
    Scr.CaretX = SavedScr.CaretX;
    Scr.CaretY = SavedScr.CaretY;
    Scr.SavedX = SavedScr.SavedX;
    Scr.SavedY = SavedScr.SavedY;
    Scr.SavedFore = SavedScr.SavedFore;
    Scr.SavedBack = SavedScr.SavedBack;
    Scr.CurBack = SavedScr.CurBack;
    Scr.CurFore = SavedScr.CurFore;
    Scr.LastPart = SavedScr.LastPart;
    if (Scr.CurY > Scr.Row) Scr.CurY = Scr.Row;
    for (int R = 1; R <= Scr.Row; ++R) CopyLine(*Scr.Lines[R], AltLines[R]);
    EraseCells(Scr.CurX, MaxCols, Scr.CurY);
    ReDrawScreen();
}

void TTerm::EnterAltScreen()
{
    if (Scr.Xt.AltScreen) return;
    for (int R = 1; R <= MaxRows; ++R) {
        if (R <= Scr.Row)
            CopyLine(AltLines[R], *Scr.Lines[R]);
        else
            BlankLine(AltLines[R]); // rows a resize may add meanwhile come back blank
    }
    Scr.Xt.AltScreen = true;
}

void TTerm::LeaveAltScreen()
{
    if (!Scr.Xt.AltScreen) return;
    for (int R = 1; R <= Scr.Row; ++R) CopyLine(*Scr.Lines[R], AltLines[R]);
    Scr.Xt.AltScreen = false;
    ReDrawScreen();
}

// ---------------------------------------------------------------- browsing

void TTerm::EnterScrollBack()
{
    TScrollBack& SB = Scr.ScrollBack;
    SB.Browsing = true;
    SB.LiveTop = Scr.Lines[1];
    SB.LiveX = Scr.CurX;
    SB.LiveY = Scr.CurY;
    if (ScrollBar) ScrollBar->SetPosition(SB.Count - Scr.Row);
    SB.ViewPos = SB.Count - Scr.Row;
    GotoXY(1, 1);
}

void TTerm::LeaveScrollBack()
{
    TScrollBack& SB = Scr.ScrollBack;
    if (!SB.Browsing) return;
    SB.Browsing = false;
    SB.ViewPos = SB.Count;
    if (ScrollBar) ScrollBar->SetPosition(SB.Count);
    Scr.Lines[1] = SB.LiveTop;
    for (int R = 2; R <= Scr.Row; ++R) Scr.Lines[R] = Scr.Lines[R - 1]->Next;
    Scr.CurX = SB.LiveX;
    Scr.CurY = SB.LiveY;
    SB.LiveTop = nullptr;
    FHost.SetFocus();
    ReDrawScreen();
}

bool TTerm::ScrollBackUp(bool Redraw)
{
    if (!Scr.Lines[1]->Prev) return false;
    for (int R = Scr.Row; R >= 2; --R) Scr.Lines[R] = Scr.Lines[R - 1];
    Scr.Lines[1] = Scr.Lines[1]->Prev;
    --Scr.ScrollBack.ViewPos;
    if (Redraw)
        ReDrawScreen();
    else
        Scr.RedrawPending = true;
    return true;
}

bool TTerm::ScrollBackDown(bool Redraw)
{
    TLine* Newer = Scr.Lines[Scr.Row]->Next;
    if (!Newer) return false;
    for (int R = 2; R <= Scr.Row; ++R) Scr.Lines[R - 1] = Scr.Lines[R];
    Scr.Lines[Scr.Row] = Newer;
    ++Scr.ScrollBack.ViewPos;
    if (Redraw)
        ReDrawScreen();
    else
        Scr.RedrawPending = true;
    return true;
}

int TTerm::ScrollBackTo(int P)
{
    TScrollBack& SB = Scr.ScrollBack;
    if (P >= SB.Count - Scr.Row) {
        LeaveScrollBack();
        return P;
    }
    if (P == SB.ViewPos) return P;
    if (!SB.Browsing) {
        EnterScrollBack();
        ScrollBackUp(true);
        return SB.ViewPos;
    }
    if (P > SB.ViewPos) {
        for (int N = P - SB.ViewPos; N > 0; --N) ScrollBackDown(false);
    } else {
        for (int N = SB.ViewPos - P; N > 0; --N) ScrollBackUp(false);
    }
    if (P >= SB.Count - Scr.Row) {
        LeaveScrollBack();
        P = SB.Count;
    }
    if (Scr.RedrawPending) ReDrawScreen();
    return P;
}

bool TTerm::ScrollBackKeySwallowed(int Key) const
{
    return !Scr.ScrollBack.Browsing && (Key == VK::Next || Key == VK::Down);
}

bool TTerm::ScrollBackKey(int& Key)
{
    TScrollBack& SB = Scr.ScrollBack;
    if (ScrollBackKeySwallowed(Key)) {
        Key = 0;
        return true;
    }
    switch (Key) {
    case VK::Prior:
        if (!SB.Browsing) EnterScrollBack();
        for (int N = Scr.Row / 2; N > 0 && ScrollBackUp(false); --N) {
        }
        break;
    case VK::Next:
        for (int N = Scr.Row / 2; N > 0 && ScrollBackDown(false); --N) {
        }
        break;
    case VK::Up:
        if (!SB.Browsing) EnterScrollBack();
        ScrollBackUp(true);
        break;
    case VK::Down:
        if (!ScrollBackDown(true)) LeaveScrollBack();
        break;
    default: return false;
    }
    if (SB.Browsing && SB.Count - Scr.Row == SB.ViewPos) LeaveScrollBack();
    if (ScrollBar && ScrollBar->Visible()) ScrollBar->SetPosition(SB.ViewPos);
    Key = 0;
    if (Scr.RedrawPending) ReDrawScreen();
    return true;
}
