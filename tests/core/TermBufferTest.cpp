// The cell grid, the line list, sizes, the saved screen and browsing.
#include "common/VirtualKeys.h"
#include "support/TermFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// The list walks from First to Last in Count steps, and the screen rows are
// its newest lines in order.
void ExpectListWhole(const TTerm& T)
{
    const TScr& S = T.Scr;
    int N = 0;
    const TLine* Prev = nullptr;
    for (const TLine* L = S.ScrollBack.First; L; L = L->Next) {
        ASSERT_EQ(L->Prev, Prev);
        Prev = L;
        ASSERT_LE(++N, S.ScrollBack.Count + 1);
    }
    EXPECT_EQ(N, S.ScrollBack.Count);
    EXPECT_EQ(Prev, S.ScrollBack.Last);
    if (!S.ScrollBack.Browsing) {
        EXPECT_EQ(S.Lines[S.Row], S.ScrollBack.Last);
        for (int R = 1; R < S.Row; ++R) EXPECT_EQ(S.Lines[R], S.Lines[R + 1]->Prev) << R;
    }
}

// Writes "L<n>" on the last row and scrolls, Count times.
void ScrollLines(TTermRig& R, int From, int Count)
{
    for (int I = From; I < From + Count; ++I) R.Feed("\r\nL" + std::to_string(I));
}

struct TRecordingScrollBar : TScrollBarLink {
    bool Shown = true;
    int Max = -1, Position = -1;
    bool Visible() const override { return Shown; }
    void SetMax(int M) override { Max = M; }
    void SetPosition(int P) override { Position = P; }
};

TEST(ScreenBuffer, PutCharStoresPartsColoursAndRefusals)
{
    TTermRig R;
    TTerm& T = *R.Term;
    EXPECT_TRUE(T.PutChar(0xB0, 1, 0, 2));
    EXPECT_TRUE(T.PutChar(0xA1, 1, R.Scr().LastPart, 2));
    EXPECT_EQ(R.Parts(1).substr(0, 2), "12");
    EXPECT_EQ(R.Scr().CurX, 3);
    EXPECT_TRUE(T.PutChar(0x80, 1, R.Scr().LastPart, 2));
    EXPECT_EQ(R.Cell(3, 1).DbcsPart, 0);
    EXPECT_FALSE(T.PutChar(0, 1, 0, 2));
    // Equal colours: the cell is readable, CurFore keeps the request.
    EXPECT_TRUE(T.PutChar('x', 0x123456, 0, 0x123456));
    EXPECT_EQ(R.Cell(4, 1).Fore, 0x123456u ^ 0xFFFFFFu);
    EXPECT_EQ(R.Scr().CurFore, 0x123456u);
    // Past the right margin nothing is stored and the cursor stays.
    T.GotoXY(80, 1);
    ASSERT_TRUE(T.PutChar('a', 1, 0, 2));
    EXPECT_EQ(R.Scr().CurX, 81);
    const TCell Before = R.Cell(80, 1);
    EXPECT_FALSE(T.PutChar('b', 1, 0, 2));
    EXPECT_EQ(R.Scr().CurX, 81);
    EXPECT_EQ(R.Cell(80, 1).Ch, Before.Ch);
}

TEST(ScreenBuffer, FullListRecyclesItsOldestLineWithoutAllocating)
{
    TTermRig R;
    TRecordingScrollBar Bar;
    R.Term->ScrollBar = &Bar;
    R.Term->SetScrollBack(30);
    R.Term->GotoXY(1, 24);
    ScrollLines(R, 0, 6);
    ASSERT_EQ(R.Scr().ScrollBack.Count, 30);
    std::set<const TLine*> Records;
    for (const TLine* L = R.Scr().ScrollBack.First; L; L = L->Next) Records.insert(L);
    const TLine* Oldest = R.Scr().ScrollBack.First;
    ScrollLines(R, 6, 1);
    EXPECT_EQ(R.Scr().ScrollBack.Last, Oldest) << "the oldest record is reused as the newest";
    ScrollLines(R, 7, 200);
    EXPECT_EQ(R.Scr().ScrollBack.Count, 30);
    EXPECT_EQ(Bar.Max, 30);
    EXPECT_EQ(Bar.Position, 30);
    for (const TLine* L = R.Scr().ScrollBack.First; L; L = L->Next) EXPECT_TRUE(Records.count(L));
    ExpectListWhole(*R.Term);
    EXPECT_EQ(R.Text(24), "L206");
    EXPECT_EQ(R.Text(1), "L183");
}

TEST(ScreenBuffer, LoweringTheLimitKeepsStoredLines)
{
    TTermRig R;
    R.Term->GotoXY(1, 24);
    ScrollLines(R, 0, 476);
    ASSERT_EQ(R.Scr().ScrollBack.Count, 500);
    R.Term->SetScrollBack(100);
    ScrollLines(R, 476, 50);
    EXPECT_EQ(R.Scr().ScrollBack.Count, 500);
    ExpectListWhole(*R.Term);
}

// A limit not above Row would recycle a line still on screen: the list keeps
// at least Row + 1 lines instead.
TEST(ScreenBuffer, TinyScrollBackNeverRecyclesAScreenLine)
{
    for (const int Limit : {1, 10, 24, 25}) {
        TTermRig R;
        R.Term->SetScrollBack(Limit);
        R.Term->GotoXY(1, 24);
        ScrollLines(R, 0, 100);
        EXPECT_EQ(R.Scr().ScrollBack.Count, 25) << Limit;
        ExpectListWhole(*R.Term);
        for (int Row = 1; Row <= 24; ++Row) EXPECT_EQ(R.Text(Row), "L" + std::to_string(75 + Row));
        R.Term->SetRow(40); // growing past the limit is safe too
        ScrollLines(R, 100, 100);
        EXPECT_EQ(R.Scr().ScrollBack.Count, 41);
        ExpectListWhole(*R.Term);
        int Key = VK::Prior;
        R.Term->ScrollBackKey(Key);
        EXPECT_TRUE(R.Scr().ScrollBack.Browsing);
        EXPECT_EQ(R.Scr().ScrollBack.ViewPos, 0);
        R.Term->LeaveScrollBack();
        EXPECT_FALSE(R.Scr().ScrollBack.Browsing);
        EXPECT_EQ(R.Text(40), "L199");
        ExpectListWhole(*R.Term);
    }
}

// Text written while the rows show older lines lands on the live screen and
// ends browsing, also when the scroll-back is so short that the text recycles
// the line browsing would return to.
TEST(ScreenBuffer, WritingWhileBrowsingLandsOnTheLiveScreen)
{
    TTermRig R;
    R.Term->SetScrollBack(30);
    R.Term->GotoXY(1, 24);
    ScrollLines(R, 0, 10);
    const auto Browse = [&] {
        int Key = VK::Prior;
        R.Term->ScrollBackKey(Key);
        ASSERT_TRUE(R.Scr().ScrollBack.Browsing);
    };
    Browse();
    ScrollLines(R, 10, 40); // from the host
    EXPECT_FALSE(R.Scr().ScrollBack.Browsing);
    ExpectListWhole(*R.Term);
    EXPECT_EQ(R.Text(24), "L49");
    Browse();
    R.Term->WriteLine(":local"); // a message of our own
    EXPECT_FALSE(R.Scr().ScrollBack.Browsing);
    ExpectListWhole(*R.Term);
    EXPECT_EQ(R.Text(24), ":local");
    EXPECT_EQ(R.Text(23), "L49");
}

TEST(ScreenBuffer, RegionScrollsMoveCellsAndKeepTheList)
{
    TTermRig R;
    for (int Row = 1; Row <= 24; ++Row) {
        R.Term->GotoXY(1, Row);
        R.Feed(std::to_string(Row));
    }
    const int Count = R.Scr().ScrollBack.Count;
    R.Term->GotoXY(7, 7);
    R.Term->ScrollUp(5, 10);
    EXPECT_EQ(R.Scr().ScrollBack.Count, Count);
    EXPECT_EQ(R.Text(5), "6");
    EXPECT_EQ(R.Text(10), "");
    EXPECT_EQ(R.Text(11), "11");
    EXPECT_EQ(R.Scr().CurX, 7);
    R.Term->ScrollDown(5, 10);
    EXPECT_EQ(R.Text(5), "");
    EXPECT_EQ(R.Text(6), "6");
    EXPECT_EQ(R.Text(10), "10");
    EXPECT_EQ(R.Scr().CurX, 1);
    EXPECT_EQ(R.Scr().CurY, 5);
    R.Term->ScrollUp(1, 24); // whole screen: row 1 goes to the scroll-back
    EXPECT_EQ(R.Scr().ScrollBack.Count, Count + 1);
    EXPECT_EQ(R.Text(1), "2");
    ExpectListWhole(*R.Term);
}

TEST(ScreenBuffer, ResizingMovesRowsAndCursor)
{
    TTermRig R;
    int Changes = 0;
    R.Term->OnChangeSize = [&] { ++Changes; };
    R.Term->SetRow(30);
    EXPECT_EQ(R.Scr().Row, 30);
    EXPECT_EQ(R.Scr().Bottom, 30);
    EXPECT_EQ(R.Text(30), "");
    EXPECT_EQ(R.Scr().ScrollBack.Count, 30);
    EXPECT_EQ(R.Host.Height, 30 * 16);
    EXPECT_GE(Changes, 2);
    ExpectListWhole(*R.Term);
    R.Term->GotoXY(3, 28);
    R.Term->SetRow(24);
    EXPECT_EQ(R.Scr().CurY, 24);
    EXPECT_EQ(R.Scr().ScrollBack.Count, 24);
    ExpectListWhole(*R.Term);
    // Ignored values.
    for (int N : {0, -3, 131}) R.Term->SetRow(N);
    for (int N : {0, 153}) R.Term->SetCol(N);
    EXPECT_EQ(R.Scr().Row, 24);
    EXPECT_EQ(R.Scr().Col, 80);
    R.Term->SetSize(200, 200);
    EXPECT_EQ(R.Scr().Col, 152);
    EXPECT_EQ(R.Scr().Row, 130);
    EXPECT_EQ(R.Host.Width, 152 * 8);
    ExpectListWhole(*R.Term);
    R.Scr().Top = 3;
    R.Term->SetSize(0, 10); // ignored, but the region is reset
    EXPECT_EQ(R.Scr().Row, 130);
    EXPECT_EQ(R.Scr().Top, 1);
    // A cursor beyond a narrowed grid is left to the wrap rule.
    R.Term->GotoXY(100, 1);
    R.Term->SetCol(80);
    EXPECT_EQ(R.Scr().CurX, 100);
    R.Feed("z");
    EXPECT_EQ(R.Text(2), "z");
}

TEST(ScreenBuffer, WriteLineOnTheLastRowScrolls)
{
    TTermRig R;
    R.Term->GotoXY(5, 24);
    R.Feed("tail");
    R.Term->WriteLine(":msg");
    EXPECT_EQ(R.Text(23), "    tail");
    EXPECT_EQ(R.Text(24), ":msg");
    EXPECT_EQ(R.Scr().CurY, 24);
    EXPECT_EQ(R.Term->Caret(), TCaret::Cross_Block);
    EXPECT_TRUE(Switches.CaretDrawEnabled);
    R.Term->WriteText(std::string(80, 'w')); // wraps onto a new line at the margin
    EXPECT_EQ(R.Text(23), ":msg" + std::string(76, 'w'));
    EXPECT_EQ(R.Text(24), "wwww");
}

TEST(ScreenBuffer, SaveAndRestoreScreen)
{
    TTermRig R;
    R.Feed("first line\r\nsecond line");
    R.Term->GotoXY(3, 2);
    R.Scr().CurFore = 0x0000AA;
    R.Term->SaveScreen();
    R.Feed("\r\nOTHER");
    R.Term->ClearAllLines();
    R.Term->GotoXY(9, 20);
    R.Scr().CurFore = 0x00BB00;
    R.Term->RestoreScreen();
    EXPECT_EQ(R.Scr().CurX, 3);
    EXPECT_EQ(R.Scr().CurY, 2);
    EXPECT_EQ(R.Scr().CurFore, 0x0000AAu);
    EXPECT_EQ(R.Text(1), "first line");
    EXPECT_EQ(R.Text(2), "se") << "the cursor row is blank from the cursor on";
    // A saved cursor below a shrunken grid comes back on the last row.
    R.Term->GotoXY(1, 20);
    R.Term->SaveScreen();
    R.Term->SetRow(10);
    R.Term->RestoreScreen();
    EXPECT_EQ(R.Scr().CurY, 10);
}

// The widest row written to its end leaves the cursor waiting to wrap, one
// past the line record; restoring the saved screen erases from there.
TEST(ScreenBuffer, RestoreAtThePendingWrapOfTheWidestRow)
{
    TTermRig R;
    R.Term->SetSize(MaxCols, 24);
    R.Feed(std::string(MaxCols, 'x') + "\x1B[?47h\x1B[2Jab\x1B[?47l");
    EXPECT_EQ(R.Scr().CurX, MaxCols + 1);
    EXPECT_EQ(R.Text(1), std::string(MaxCols, 'x'));
    EXPECT_EQ(R.Text(2), "");
}

TEST(ScreenBuffer, BrowsingAndScrollBackTo)
{
    TTermRig R;
    TRecordingScrollBar Bar;
    R.Term->ScrollBar = &Bar;
    R.Term->GotoXY(1, 24);
    ScrollLines(R, 0, 100); // Count 124, live rows show L76..L99
    TScrollBack& SB = R.Scr().ScrollBack;
    ASSERT_EQ(SB.Count, 124);
    R.Term->GotoXY(4, 24);
    // From live, any position moves exactly one line up.
    EXPECT_EQ(R.Term->ScrollBackTo(10), 99);
    EXPECT_TRUE(SB.Browsing);
    EXPECT_EQ(R.Text(1), "L75");
    EXPECT_EQ(R.Scr().CurX, 1);
    EXPECT_EQ(R.Term->ScrollBackTo(10), 10);
    EXPECT_EQ(SB.ViewPos, 10);
    EXPECT_EQ(R.Text(14), ""); // the 24 blank lines the screen started with
    EXPECT_EQ(R.Text(15), "L0");
    EXPECT_EQ(R.Text(24), "L9");
    EXPECT_EQ(R.Term->ScrollBackTo(0), 0);
    EXPECT_EQ(R.Scr().Lines[1], SB.First);
    EXPECT_EQ(R.Term->ScrollBackTo(60), 60);
    EXPECT_EQ(R.Text(1), "L36");
    EXPECT_EQ(R.Term->ScrollBackTo(100), 100) << "the live end leaves browsing";
    EXPECT_FALSE(SB.Browsing);
    EXPECT_EQ(R.Scr().CurX, 4);
    EXPECT_EQ(R.Scr().CurY, 24);
    EXPECT_EQ(Bar.Position, 124);
    EXPECT_EQ(R.Text(1), "L76");
    ExpectListWhole(*R.Term);
}

TEST(ScreenBuffer, BrowsingKeys)
{
    {
        TTermRig R; // nothing older: enters, moves nothing, leaves
        int Key = VK::Prior;
        EXPECT_TRUE(R.Term->ScrollBackKey(Key));
        EXPECT_EQ(Key, 0);
        EXPECT_FALSE(R.Scr().ScrollBack.Browsing);
    }
    TTermRig R;
    R.Term->GotoXY(1, 24);
    ScrollLines(R, 0, 30); // rows show L6..L29
    int Key = VK::Down;
    EXPECT_TRUE(R.Term->ScrollBackKey(Key)) << "swallowed while live";
    EXPECT_FALSE(R.Scr().ScrollBack.Browsing);
    Key = VK::Prior;
    R.Term->ScrollBackKey(Key);
    EXPECT_EQ(R.Text(6), "");
    EXPECT_EQ(R.Text(7), "L0");
    EXPECT_EQ(R.Scr().ScrollBack.ViewPos, 30 - 12);
    Key = VK::Up;
    R.Term->ScrollBackKey(Key);
    EXPECT_EQ(R.Scr().ScrollBack.ViewPos, 17);
    Key = VK::Next;
    R.Term->ScrollBackKey(Key);
    EXPECT_EQ(R.Scr().ScrollBack.ViewPos, 29);
    Key = VK::Down;
    R.Term->ScrollBackKey(Key);
    EXPECT_FALSE(R.Scr().ScrollBack.Browsing) << "the newest line ends browsing";
    EXPECT_EQ(R.Text(24), "L29");
    Key = 'A';
    EXPECT_FALSE(R.Term->ScrollBackKey(Key));
    EXPECT_EQ(Key, 'A');
    ExpectListWhole(*R.Term);
}

} // namespace
