// Mouse selection: every range is checked twice, as the cells left inverted on
// the recording canvas and as the bytes CopySelection hands to the clipboard.
#include "support/TermFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using K = TRecordedCall;

struct SelectionTest : ::testing::Test {
    TTermRig R;

    void SetUp() override { R.Term->FocusGained(); }

    void Put(int Col, int Row, const std::string& Text)
    {
        R.Term->GotoXY(Col, Row);
        R.Feed(Text);
        R.Canvas.Clear();
    }
    static int X(int Col) { return (Col - 1) * 8 + 3; }
    static int Y(int Row) { return (Row - 1) * 16 + 7; }
    void Press(int Col, int Row, TShiftState Extra = 0)
    {
        R.Term->MouseDown(TMouseButton::Left, ssLeft | Extra, X(Col), Y(Row));
    }
    void DoubleClick(int Col, int Row)
    {
        Press(Col, Row);
        Release(Col, Row);
        Press(Col, Row, ssDouble);
        Release(Col, Row);
    }
    void Drag(int Col, int Row) { R.Term->MouseMove(ssLeft, X(Col), Y(Row)); }
    void Release(int Col, int Row) { R.Term->MouseUp(TMouseButton::Left, 0, X(Col), Y(Row)); }

    // The copied bytes; "<none>" when nothing reached the clipboard.
    std::string Copy()
    {
        const std::size_t Before = R.Host.Clipboard.size();
        R.Term->CopySelection();
        return R.Host.Clipboard.size() == Before ? "<none>" : R.Host.Clipboard.back();
    }

    // The cells of the grid left inverted by the selection colour, replayed
    // from the canvas calls since the last Clear: a text run repaints its
    // cells, an inversion toggles them. Runs as "row:from-to", reading order.
    std::string Lit() const
    {
        const int Cols = R.Term->Scr.Col, Rows = R.Term->Scr.Row;
        std::vector<std::vector<bool>> On(Rows + 1, std::vector<bool>(Cols + 1));
        const auto Each = [&](int Px, int Py, int W, int H, auto Fn) {
            if (W < 0) Px += W, W = -W;
            for (int Row = Py / 16 + 1; Row <= (Py + H - 1) / 16 + 1 && Row <= Rows; ++Row)
                for (int Col = Px / 8 + 1; Col <= (Px + W - 1) / 8 + 1 && Col <= Cols; ++Col)
                    Fn(On[Row][Col]);
        };
        for (const K& C : R.Canvas.Calls) {
            if (C.Kind == K::Text) Each(C.X, C.Y, C.W, C.H, [](auto&& B) { B = false; });
            if (C.Kind == K::PatInvert && C.Back == 0xFFFFFF)
                Each(C.X, C.Y, C.W, C.H, [](auto&& B) { B = !B; });
        }
        std::string Out;
        for (int Row = 1; Row <= Rows; ++Row)
            for (int Col = 1; Col <= Cols; ++Col) {
                if (!On[Row][Col] || (Col > 1 && On[Row][Col - 1])) continue;
                int End = Col;
                while (End < Cols && On[Row][End + 1]) ++End;
                Out += (Out.empty() ? "" : " ") + std::to_string(Row) + ":" + std::to_string(Col) +
                       "-" + std::to_string(End);
            }
        return Out;
    }
};

TEST_F(SelectionTest, ClickWithoutDragSelectsTheCellUnderThePointer)
{
    Put(1, 5, "hello world");
    Press(3, 5);
    Release(3, 5);
    EXPECT_EQ(Lit(), "5:3-3");
    EXPECT_EQ(Copy(), "l");
    EXPECT_EQ(R.Log.back(), "Mouse UP - Clip Rect : Start[3,5]  End[3,5]");
}

TEST_F(SelectionTest, DragOnOneRowForwardBackAndLeftOfTheAnchor)
{
    Put(1, 5, "abcdefghijklmnopqrstuvwxyz");
    Press(10, 5);
    Drag(20, 5);
    EXPECT_EQ(Lit(), "5:10-20");
    EXPECT_EQ(R.Log.back(), "1: Row[5] Start[11] End[20]");
    Drag(15, 5);
    EXPECT_EQ(Lit(), "5:10-15");
    EXPECT_EQ(Copy(), "jklmno");
    // Left of the anchor the anchor itself drops out.
    Drag(3, 5);
    EXPECT_EQ(Lit(), "5:4-9");
    EXPECT_EQ(Copy(), "defghi");
    Drag(12, 5);
    EXPECT_EQ(Lit(), "5:10-12");
    EXPECT_EQ(Copy(), "jkl");
}

TEST_F(SelectionTest, DragUpAcrossRowsKeepsTheEndOneColumnRight)
{
    for (int Row = 1; Row <= 6; ++Row)
        Put(1, Row, std::string(12, static_cast<char>('a' + Row - 1)));
    Press(10, 5);
    Drag(3, 2);
    EXPECT_EQ(R.Scr().SelEnd, (TPoint{4, 2}));
    EXPECT_EQ(Lit(), "2:5-80 3:1-80 4:1-80 5:1-9");
    EXPECT_EQ(Copy(), "bbbbbbbb\rcccccccccccc\rdddddddddddd\reeeeeeeee");
    // Back down below the anchor: the rows passed over are restored.
    Drag(4, 6);
    EXPECT_EQ(Lit(), "5:10-80 6:1-4");
    EXPECT_EQ(Copy(), "eee\rffff");
    // Up again but still below the anchor: the end is stored one right.
    Press(2, 2);
    Drag(5, 4);
    Drag(7, 3);
    EXPECT_EQ(Lit(), "2:2-80 3:1-8");
    EXPECT_EQ(Copy(), "bbbbbbbbbbb\rcccccccc");
}

TEST_F(SelectionTest, DragUpToTheLastColumnCopiesWhatIsHighlighted)
{
    for (int Row = 1; Row <= 5; ++Row)
        Put(1, Row, std::string(80, static_cast<char>('a' + Row - 1)));
    Press(10, 5);
    Drag(80, 3);
    EXPECT_EQ(R.Scr().SelEnd, (TPoint{81, 3}));
    EXPECT_EQ(Lit(), "4:1-80 5:1-9");
    EXPECT_EQ(Copy(), std::string(80, 'd') + "\r" + std::string(9, 'e'));
}

TEST_F(SelectionTest, BlankRowsInsideTheRangeVanish)
{
    Put(1, 1, "first line");
    Put(1, 3, "third");
    Press(1, 1);
    Drag(5, 3);
    EXPECT_EQ(Lit(), "1:1-80 2:1-80 3:1-5");
    EXPECT_EQ(Copy(), "first line\rthird");
}

TEST_F(SelectionTest, DoubleClickSelectsAWordAndSwallowsTheNextPress)
{
    Put(1, 1, "see abc/def.txt now");
    DoubleClick(6, 1); // the b
    EXPECT_EQ(Lit(), "1:5-11");
    EXPECT_EQ(Copy(), "abc/def");
    EXPECT_NE(std::find(R.Log.begin(), R.Log.end(), "Mouse Down - Double Click"), R.Log.end());

    R.Canvas.Clear();
    Press(1, 1);
    EXPECT_EQ(R.Canvas.Calls.size(), 0u);
    EXPECT_TRUE(R.Scr().SelActive);
    EXPECT_EQ(R.Scr().SelFlags, 0);
    Press(1, 1);
    EXPECT_EQ(Copy(), "s");
}

TEST_F(SelectionTest, DoubleClickOnADelimiterSelectsThatCellAnywhereOnTheRow)
{
    Put(1, 1, "=see abc/def.txt now");
    Put(80, 1, "|");
    for (const int Col : {13, 1, 80}) {
        DoubleClick(Col, 1);
        EXPECT_EQ(Lit(), "1:" + std::to_string(Col) + "-" + std::to_string(Col));
        EXPECT_EQ(Copy(), std::string(1, R.RowText(1)[static_cast<std::size_t>(Col - 1)]));
        Press(1, 1); // swallowed
        R.Canvas.Clear();
    }
}

TEST_F(SelectionTest, AKoreanCharacterIsTakenWhole)
{
    Put(1, 1, "\xB0\xA1\xB3\xAA\xB4\xD9 end"); // 가나다
    Press(1, 1);
    Drag(4, 1); // right half of the second: the end stays
    EXPECT_EQ(R.Scr().SelEnd, (TPoint{1, 1}));
    Drag(5, 1); // left half of the third: the end moves to its right half
    EXPECT_EQ(R.Scr().SelEnd, (TPoint{6, 1}));
    EXPECT_EQ(Lit(), "1:1-6");
    EXPECT_EQ(Copy(), "\xB0\xA1\xB3\xAA\xB4\xD9");
    DoubleClick(3, 1);
    EXPECT_EQ(Copy(), "\xB0\xA1\xB3\xAA\xB4\xD9");
}

TEST_F(SelectionTest, PointerOutsideTheGridIsIgnored)
{
    Put(1, 2, "abcdef");
    Press(3, 2);
    R.Term->MouseMove(ssLeft, -1, Y(2));
    R.Term->MouseMove(ssLeft, X(4), 24 * 16 + 1);
    R.Term->MouseMove(ssLeft, 80 * 8, Y(2));
    EXPECT_EQ(R.Scr().SelEnd, (TPoint{3, 2}));
    R.Term->MouseMove(0, X(5), Y(2)); // no button held
    Release(5, 2);
    Drag(5, 2); // released
    EXPECT_EQ(Copy(), "c");
}

TEST_F(SelectionTest, HostOutputFocusLossAndClearSelectionEndIt)
{
    Put(1, 1, "abc");
    Press(1, 1);
    Drag(3, 1);
    ASSERT_TRUE(R.Scr().SelActive);
    ASSERT_EQ(Lit(), "1:1-3");
    R.Feed("x");
    EXPECT_FALSE(R.Scr().SelActive);
    EXPECT_EQ(Lit(), "");

    Press(1, 1);
    ASSERT_TRUE(R.Scr().SelActive);
    R.Term->FocusLost();
    EXPECT_FALSE(R.Scr().SelActive);
    EXPECT_EQ(Lit(), "");

    DoubleClick(1, 1);
    ASSERT_NE(R.Scr().SelFlags, 0);
    R.Canvas.Clear();
    R.Term->ClearSelection();
    EXPECT_EQ(R.Canvas.Count(K::Invalidate), 1);
    EXPECT_EQ(R.Scr().SelFlags, 0);
    EXPECT_EQ(R.Scr().SelEnd, TPoint{});
    R.Term->ClearSelection();
    EXPECT_EQ(R.Canvas.Count(K::Invalidate), 1);
}

TEST_F(SelectionTest, MouseReportsLeaveSelectionToShiftClicks)
{
    Put(1, 1, "abc");
    std::vector<int> Seen;
    R.Term->OnMouseDown = [&](TMouseButton, TShiftState, int X, int) { Seen.push_back(X); };
    Switches.MouseReport = true;
    Press(2, 1);
    EXPECT_FALSE(R.Scr().SelActive);
    Press(2, 1, ssShift);
    EXPECT_TRUE(R.Scr().SelActive);
    EXPECT_EQ(Seen.size(), 2u); // the window sees every press

    Switches.MouseReport = false;
    R.Term->ClearSelection();
    R.Term->MouseDown(TMouseButton::Left, ssLeft | ssRight, X(2), Y(1));
    R.Term->MouseDown(TMouseButton::Right, ssRight, X(2), Y(1));
    EXPECT_FALSE(R.Scr().SelActive);
}

TEST_F(SelectionTest, GetScreenTextGivesWholeRowsAndClampsItsBounds)
{
    R.Term->SetSize(4, 3);
    Put(1, 1, "ab");
    Put(1, 3, "\xC7\xD1z");
    EXPECT_EQ(R.Term->GetScreenText(1, 2), "ab  \r    ");
    EXPECT_EQ(R.Term->GetScreenText(0, 0), "ab  \r    \r\xC7\xD1z ");
    EXPECT_EQ(R.Term->GetScreenText(9, 99), "ab  \r    \r\xC7\xD1z ");
    EXPECT_EQ(R.Term->GetScreenText(3, 3), "\xC7\xD1z ");
}

} // namespace
