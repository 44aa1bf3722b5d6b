// Drawing through the canvas, counted on the recording canvas: text runs, the
// caret's states, the bell and batching.
#include "support/TermFixture.h"

#include <gtest/gtest.h>

namespace {

using K = TRecordedCall;

std::vector<std::string> Runs(const TRecordingCanvas& C)
{
    std::vector<std::string> Out;
    for (const auto& Call : C.Of(K::Text)) Out.push_back(Call.Bytes);
    return Out;
}

struct DrawTest : ::testing::Test {
    TTermRig R;
    void SetUp() override
    {
        R.Feed("\xB0\xA1"
               "A"
               "\xB3\xAA"
               "bc"); // 가A나bc
        R.Canvas.Clear();
        R.Log.clear();
    }
};

TEST_F(DrawTest, PaintRowsDrawsOneRunPerColourPair)
{
    R.Term->PaintRows(1, 1);
    ASSERT_EQ(R.Canvas.Count(K::Text), 1);
    const K Run = R.Canvas.Of(K::Text)[0];
    EXPECT_EQ(Run.Bytes.size(), 80u);
    EXPECT_EQ(Run.X, 0);
    EXPECT_EQ(Run.W, 80 * 8);
    EXPECT_EQ(Run.H, 16);
    // A colour change splits the row; colours are set only when they change.
    R.Term->GotoXY(10, 2);
    R.Scr().CurFore = 0x0000FF;
    R.Feed("red");
    R.Canvas.Clear();
    R.Term->PaintRows(1, 3);
    EXPECT_EQ(R.Canvas.Count(K::Text), 1 + 3 + 1);
    EXPECT_EQ(R.Canvas.Count(K::SetFontColor), 3);
    EXPECT_EQ(R.Canvas.Of(K::Text)[2].Bytes, "red");
    EXPECT_EQ(R.Canvas.Of(K::Text)[2].Fore, 0x0000FFu);
    EXPECT_EQ(R.Canvas.Of(K::Text)[2].X, 9 * 8);
    R.Canvas.Clear();
    R.Term->PaintRows(-5, 99); // clamped to the grid
    EXPECT_EQ(R.Canvas.Count(K::Text), 1 + 3 + 22);
}

TEST_F(DrawTest, DrawLineStartsARunAtEveryLeadByte)
{
    R.Term->DrawLine(1, 1, 80);
    EXPECT_EQ(Runs(R.Canvas), (std::vector<std::string>{"\xB0\xA1"
                                                        "A",
                                                        "\xB3\xAA"
                                                        "bc" +
                                                            std::string(73, ' ')}));
    R.Canvas.Clear();
    R.Term->DrawLine(1, 1, 1); // a lead byte takes its trail along
    EXPECT_EQ(Runs(R.Canvas), std::vector<std::string>{"\xB0\xA1"});
    R.Canvas.Clear();
    R.Term->DrawLine(1, 5, 6); // starting on a trail byte starts one cell left
    EXPECT_EQ(Runs(R.Canvas), std::vector<std::string>{"\xB3\xAA"
                                                       "b"});
    EXPECT_EQ(R.Canvas.Of(K::Text)[0].X, 3 * 8);
    R.Canvas.Clear();
    R.Term->DrawLine(1, 3, 4); // a lead byte at the end carries its trail past ToCol
    EXPECT_EQ(Runs(R.Canvas), (std::vector<std::string>{"A", "\xB3\xAA"}));
}

TEST_F(DrawTest, DrawCellsLocksEachRunAndFollowsPairs)
{
    R.Term->GotoXY(1, 1);
    R.Term->DrawCells(2, 2);
    ASSERT_EQ(Runs(R.Canvas), std::vector<std::string>{"\xB0\xA1"});
    EXPECT_EQ(R.Canvas.Calls.front().Kind, K::Lock);
    EXPECT_EQ(R.Canvas.Calls.back().Kind, K::Unlock);
    // A pair printed at once is drawn once. Split across calls, the lone
    // lead is drawn with the cell after it, and the trail paints the pair.
    R.Canvas.Clear();
    R.Term->GotoXY(10, 1);
    R.Feed("\xC7\xD1");
    EXPECT_EQ(Runs(R.Canvas), std::vector<std::string>{"\xC7\xD1"});
    R.Canvas.Clear();
    R.Term->GotoXY(20, 1);
    R.Feed("\xC7\xD1", true);
    EXPECT_EQ(Runs(R.Canvas), (std::vector<std::string>{"\xC7 ", "\xC7\xD1"}));
    EXPECT_EQ(R.Canvas.Of(K::Text)[1].X, 19 * 8);
}

TEST_F(DrawTest, PaintRectCoversTouchedCellsAndBacksOffTrailBytes)
{
    // Rows 1 and 2 both hold a pair in columns 4..5.
    R.Term->GotoXY(1, 2);
    R.Feed("xyz\xB3\xAA");
    R.Canvas.Clear();
    R.Term->PaintRect(TRect{4 * 8 + 3, 2, 6 * 8, 2 * 16 - 1}); // columns 5..6, rows 1..2
    EXPECT_EQ(Runs(R.Canvas), (std::vector<std::string>{"\xB3\xAA"
                                                        "b",
                                                        "\xB3\xAA "}));
    EXPECT_EQ(R.Canvas.Of(K::Text)[1].X, 3 * 8);
    R.Canvas.Clear();
    R.Term->PaintRect(TRect{});
    EXPECT_EQ(R.Canvas.Count(K::Text), 0);
    R.Term->Paint(TRect{0, 0, 8, 16});
    EXPECT_EQ(R.Log.front(), "Paint");
    EXPECT_EQ(Runs(R.Canvas), std::vector<std::string>{"\xB0\xA1"});
    R.Canvas.Clear();
    R.Term->OwnerDraw = true;
    R.Term->Paint(TRect{0, 0, 8, 16});
    EXPECT_TRUE(R.Canvas.Calls.empty());
}

TEST_F(DrawTest, DrawRectOfTheWholeScreenIsAFullRedraw)
{
    R.Term->DrawRect(1, 1, 80, 24);
    EXPECT_EQ(R.Log, std::vector<std::string>{"ReDrawScreen"});
    EXPECT_EQ(R.Canvas.Count(K::Text), 24);
    R.Canvas.Clear();
    R.Log.clear();
    R.Term->DrawRect(2, 3, 5, 3);
    EXPECT_EQ(R.Canvas.Count(K::Text), 2);
    EXPECT_EQ(R.Canvas.Of(K::Text)[0].X, 2 * 8);
    EXPECT_EQ(R.Canvas.Of(K::Text)[0].Bytes.size(), 3u);
}

TEST_F(DrawTest, CaretStatesAndShapes)
{
    TScr& S = R.Scr();
    R.Term->ReDrawScreen();
    EXPECT_EQ(S.CaretX, -1) << "a full redraw wipes the caret";
    R.Canvas.Clear();
    R.Term->HideCaret();
    EXPECT_TRUE(R.Canvas.Calls.empty()) << "nothing to erase after a redraw";

    R.Term->GotoXY(3, 2);
    R.Term->FocusGained();
    // The vertical line leaves out the crossing pixel, which the horizontal
    // line inverts once.
    ASSERT_EQ(R.Canvas.Count(K::PatInvert), 4);
    const auto Inv = R.Canvas.Of(K::PatInvert);
    const auto Box = [](const TRecordedCall& C) { return std::vector<int>{C.X, C.Y, C.W, C.H}; };
    EXPECT_EQ(Box(Inv[0]), (std::vector<int>{0, 2 * 16 - 1, 80 * 8, 1}));
    EXPECT_EQ(Box(Inv[1]), (std::vector<int>{3 * 8 - 1, 0, 1, 2 * 16 - 1}));
    EXPECT_EQ(Box(Inv[2]), (std::vector<int>{3 * 8 - 1, 2 * 16, 1, 22 * 16}));
    EXPECT_EQ(Box(Inv[3]), (std::vector<int>{2 * 8, 16, 7, 15}));
    EXPECT_EQ(Inv[0].Back, 0x0000FFFFu);
    EXPECT_EQ(S.CaretX, 3);
    EXPECT_EQ(R.Log.back(), "Show Caret");

    // Hiding repaints the cell and the two strips from the buffer.
    R.Canvas.Clear();
    R.Term->HideCaret();
    EXPECT_EQ(S.CaretX, 0);
    EXPECT_EQ(R.Canvas.Count(K::PatInvert), 0);
    EXPECT_EQ(R.Canvas.Count(K::Text), 1 + 1 + 24);
    EXPECT_EQ(R.Log.back(), "Hide Caret");

    // Block and Underline invert the whole cell; None draws nothing focused.
    for (TCaret C : {TCaret::Block, TCaret::Underline}) {
        R.Term->SetCaret(C);
        R.Canvas.Clear();
        R.Term->ShowCaret();
        ASSERT_EQ(R.Canvas.Count(K::PatInvert), 1);
        EXPECT_EQ(R.Canvas.Of(K::PatInvert)[0].W, 8);
        EXPECT_EQ(R.Canvas.Of(K::PatInvert)[0].H, 16);
    }
    R.Term->SetCaret(TCaret::None);
    R.Canvas.Clear();
    R.Term->ShowCaret();
    EXPECT_EQ(R.Canvas.Count(K::PatInvert) + R.Canvas.Count(K::Frame), 0);

    // Unfocused: an XOR outline in the caret colour whatever the shape.
    R.Term->FocusLost();
    R.Canvas.Clear();
    R.Term->ShowCaret();
    ASSERT_EQ(R.Canvas.Count(K::Frame), 1);
    EXPECT_EQ(R.Canvas.Of(K::Frame)[0].Fore, 0x0000FFFFu);
    EXPECT_EQ(R.Canvas.Of(K::Frame)[0].W, 8);

    // Hangul mode: brush XORed with the font colour, plus an outline.
    R.Term->SetCaret(TCaret::Cross_Block);
    R.Term->FocusGained();
    R.Term->HangulMode = true;
    R.Canvas.Clear();
    R.Term->ShowCaret();
    EXPECT_EQ(R.Canvas.Of(K::PatInvert)[0].Back, 0x0000FFFFu ^ 0x008080u);
    EXPECT_EQ(R.Canvas.Count(K::Frame), 1);
}

TEST_F(DrawTest, CaretIsNotDrawnWhenGated)
{
    R.Term->FocusGained();
    R.Term->HideCaret();
    auto ShowsNothing = [&] {
        R.Canvas.Clear();
        R.Term->ShowCaret();
        return R.Canvas.Count(K::PatInvert) == 0 && R.Canvas.Count(K::Frame) == 0;
    };
    Switches.CaretDrawEnabled = false;
    EXPECT_TRUE(ShowsNothing());
    Switches.CaretDrawEnabled = true;
    R.Scr().RedrawPending = true;
    EXPECT_TRUE(ShowsNothing());
    R.Scr().RedrawPending = false;
    R.Scr().ScrollBack.Browsing = true;
    EXPECT_TRUE(ShowsNothing());
    R.Scr().ScrollBack.Browsing = false;
    EXPECT_FALSE(ShowsNothing());
}

TEST_F(DrawTest, BellFlashesTheCursorRowAndSounds)
{
    R.Term->GotoXY(1, 5);
    R.Scr().BeepOn = false;
    R.Term->Beep();
    ASSERT_EQ(R.Canvas.Count(K::PatInvert), 1);
    const K Flash = R.Canvas.Of(K::PatInvert)[0];
    EXPECT_EQ((std::vector<int>{Flash.X, Flash.Y, Flash.W, Flash.H}),
              (std::vector<int>{0, 4 * 16, 80 * 8, 16}));
    EXPECT_EQ(Flash.Back, 0x0000FFFFu);
    EXPECT_EQ(R.Canvas.Count(K::Invalidate), 0) << "the flash ends from a timer";
    EXPECT_EQ(R.Host.Flashes, std::vector<int>{TTerm::FlashMs});
    EXPECT_EQ(R.Host.Beeps, 0);
    EXPECT_EQ(R.Canvas.BrushColor(), 0u) << "brush restored";
    EXPECT_TRUE(Switches.CaretDrawEnabled);

    R.Canvas.Clear();
    R.Host.Now += TTerm::BellIntervalMs;
    R.Scr().BeepOn = true;
    R.Scr().VisualBeep = false;
    R.Term->Beep();
    EXPECT_EQ(R.Canvas.Count(K::PatInvert), 0);
    EXPECT_EQ(R.Host.Beeps, 1);

    R.Canvas.FailPatInvert = true;
    R.Term->FillCellBlock(1, 1, 2, 2, 0xFF, TTerm::TRasterOp::PatInvert);
    EXPECT_EQ(R.Log.back(), "PatBLt Error:6");
}

TEST_F(DrawTest, BatchingAndSoftScroll)
{
    // SoftScroll off: scrolling marks a pending redraw and per-cell drawing stops.
    R.Term->ScrollUp(1, 24);
    EXPECT_TRUE(R.Scr().RedrawPending);
    EXPECT_EQ(R.Canvas.Count(K::Text), 0);
    R.Term->DrawLine(1, 1, 80);
    R.Term->DrawCells(1, 80);
    R.Term->HideCaret();
    R.Term->UpdateScreen();
    EXPECT_EQ(R.Canvas.Count(K::Text), 0);
    R.Term->ReDrawScreen();
    EXPECT_FALSE(R.Scr().RedrawPending);
    // SoftScroll on: a region scroll paints its rows at once, the whole screen
    // is a full redraw.
    Switches.SoftScroll = true;
    R.Canvas.Clear();
    R.Log.clear();
    R.Term->ScrollUp(5, 10);
    EXPECT_FALSE(R.Scr().RedrawPending);
    EXPECT_EQ(R.Canvas.Count(K::Text), 6);
    EXPECT_EQ(R.Canvas.Of(K::Text)[0].Y, 4 * 16);
    R.Term->ScrollUp(1, 24);
    EXPECT_NE(std::find(R.Log.begin(), R.Log.end(), "ReDrawScreen"), R.Log.end());
}

// A host's read of BELs rings the bell once, and never holds the window:
// the flash ends from the event loop, with no sleep asked of the host.
TEST_F(DrawTest, AReadOfBellsRingsOnce)
{
    R.Scr().VisualBeep = true;
    R.Scr().BeepOn = true;
    R.Feed(std::string(4096, '\a'));
    EXPECT_EQ(R.Canvas.Count(K::PatInvert), 1);
    EXPECT_EQ(R.Host.Beeps, 1);
    EXPECT_EQ(R.Host.Flashes.size(), 1u);
    R.Host.Now += TTerm::BellIntervalMs - 1;
    R.Feed("\a");
    EXPECT_EQ(R.Host.Beeps, 1);
    R.Host.Now += 1;
    R.Feed("\a");
    EXPECT_EQ(R.Host.Beeps, 2);
    EXPECT_EQ(R.Canvas.Count(K::PatInvert), 2);
}

// Scrolls a host asks for while its block is taken, soft or not, owe one
// full repaint, which the owner paints at the block's end or the next frame.
TEST_F(DrawTest, ScrollsInAReceivedBlockOweOneRepaint)
{
    for (const bool Xterm : {false, true}) {
        SCOPED_TRACE(Xterm ? "xterm" : "classic");
        TTermRig Rig;
        Switches.XtermLevel = Xterm;
        Rig.Term->HoldRedraw = true;
        std::string Block = "\x1b[?4h\x1b[24;1H";
        for (int I = 0; I < 100; ++I) Block += "line\r\n";
        if (Xterm) Block += "\x1b[999S\x1b[5T";
        Rig.Feed(Block);
        EXPECT_TRUE(Switches.SoftScroll);
        EXPECT_TRUE(Rig.Scr().RedrawPending);
        EXPECT_EQ(std::count(Rig.Log.begin(), Rig.Log.end(), "ReDrawScreen"), 0);
        EXPECT_LT(Rig.Canvas.Count(K::Text), 10) << "no more than the cells before the scrolls";
        Rig.Term->HoldRedraw = false;
        Rig.Term->ReDrawScreen();
        EXPECT_EQ(std::count(Rig.Log.begin(), Rig.Log.end(), "ReDrawScreen"), 1);
    }
}

// A character of the screen's table is one canvas call over its cells,
// whichever of its cells a redraw starts at; one that lost a cell is blanks.
TEST_F(DrawTest, TableCharactersAreOneCallOverTheirCells)
{
    TCluster Emoji;
    Emoji.Add(U'😀');
    Emoji.Cells = 2;
    R.Term->GotoXY(3, 2);
    R.Term->PutCluster(R.Term->InternCluster(Emoji));
    R.Canvas.Clear();
    R.Term->DrawLine(2, 4, 4); // from its second cell
    ASSERT_EQ(R.Canvas.Count(K::Cluster), 1);
    const K Call = R.Canvas.Of(K::Cluster)[0];
    EXPECT_EQ((std::vector<int>{Call.X, Call.W}), (std::vector<int>{2 * 8, 2 * 8}));
    EXPECT_EQ(Call.Bytes, "😀");

    R.Term->GotoXY(4, 2);
    R.Term->WriteChar('x'); // over its second cell
    R.Canvas.Clear();
    R.Term->PaintRows(2, 2);
    EXPECT_EQ(R.Canvas.Count(K::Cluster), 0);
    std::string Row;
    for (const K& C : R.Canvas.Of(K::Text)) Row += C.Bytes;
    EXPECT_EQ(Row.substr(0, 5), "   x ");

    // A one-cell character just before a stray tail of another is not that
    // tail's head: the tail is a blank, and the redraw goes on past it.
    TCluster Accented;
    Accented.Add(U'e');
    Accented.Add(U'\u0301');
    Accented.Cells = 1;
    R.Term->GotoXY(9, 2);
    R.Term->PutCluster(R.Term->InternCluster(Accented));
    TLine& Line = *R.Scr().Lines[2];
    Line.Cells[10] = Line.Cells[3];          // the emoji's head ...
    Line.Cells[10].DbcsPart = cpClusterTail; // ... as a tail with nothing before it
    R.Canvas.Clear();
    R.Term->PaintRows(2, 2);
    EXPECT_EQ(R.Canvas.Count(K::Cluster), 1);
}

TEST_F(DrawTest, BackColorChangeKeepsStoredColours)
{
    R.Term->SetBackColor(0x112233);
    EXPECT_EQ(R.Cell(1, 1).Back, 0u);
    EXPECT_EQ(R.Scr().CurBack, 0x112233u);
    R.Term->GotoXY(1, 3);
    R.Feed("n");
    EXPECT_EQ(R.Cell(1, 3).Back, 0x112233u);
    EXPECT_EQ(R.Cell(2, 3).Back, 0u);
}

} // namespace
