// The xterm level of the interpreter as byte streams: collection, character
// sets, cursor motion with regions and origin mode, erasing with the
// background, editing, tab stops, renditions and colours, the alternate
// screen and the saved cursor. The classic tables stay as they are.
#include "support/StreamCase.h"

namespace {

std::string Csi(const std::string& S) { return "\x1b[" + S; }

// The xterm level on, then what the case needs.
std::function<void(TTermRig&)> Xt(std::function<void(TTermRig&)> Then = {})
{
    return [Then](TTermRig& R) {
        Switches.XtermLevel = true;
        R.Term->SetBackColor(0);
        if (Then) Then(R);
    };
}
auto At(int X, int Y)
{
    return Xt([X, Y](TTermRig& R) { R.Term->GotoXY(X, Y); });
}
auto Numbered(int X, int Y, int Top = 1, int Bottom = 24)
{
    return Xt([=](TTermRig& R) {
        NumberRows(R);
        R.Scr().Top = Top;
        R.Scr().Bottom = Bottom;
        R.Term->GotoXY(X, Y);
    });
}
auto Codes(int Row, std::string Bytes)
{
    return [=](TTermRig& R) { EXPECT_EQ(R.RowText(Row).substr(0, Bytes.size()), Bytes); };
}
// The row as a person reads it (UTF-8), signs of the character sets included.
auto Shows(int Row, std::string Utf8)
{
    return [=](TTermRig& R) { EXPECT_EQ(R.Shown(Row), Utf8); };
}
auto Cell(int X, int Y, TColor Fore, TColor Back, std::uint8_t Attr)
{
    return [=](TTermRig& R) {
        EXPECT_EQ(R.Cell(X, Y).Fore, Fore) << X << "," << Y;
        EXPECT_EQ(R.Cell(X, Y).Back, Back) << X << "," << Y;
        EXPECT_EQ(R.Cell(X, Y).Attr, Attr) << X << "," << Y;
    };
}
auto Both(std::function<void(TTermRig&)> A, std::function<void(TTermRig&)> B)
{
    return [=](TTermRig& R) {
        A(R);
        B(R);
    };
}

constexpr TColor Font = 0x008080, Red = 0x000080, BrightRed = 0x0000FF, Blue = 0x800000;
constexpr std::uint8_t Bold = caBold, Under = caUnderline, Rev = caReverse;

const std::vector<TStreamCase>& Cases()
{
    // clang-format off
    static const std::vector<TStreamCase> C = {
        // --- collection and controls
        {"ControlInsideSequenceActs", "abc" + Csi("1\bD"), Xt(), {{1, "abc"}}, 2, 1, {}},
        {"CancelEndsSequence", Csi("3\x18") + "X", Xt(), {{1, "X"}}, 2, 1, {}},
        {"OtherControlsAreIgnored", "a\x01\x1c" "b", Xt(), {{1, "ab"}}, 3, 1, {}},
        {"VerticalTabAndFormFeedAreLineFeeds", "a\x0b" "b\x0c" "c", Xt(),
         {{1, "a"}, {2, " b"}, {3, "  c"}}, 4, 3, {}},
        {"EscapeRestartsSequence", Csi("31\x1b[32mx"), Xt(), {{1, "x"}}, 2, 1, {},
         0, Cell(1, 1, 0x008000, 0, 0)},
        {"OverlongSequenceIsConsumedWhole", Csi(Repeat('1', 120) + "m") + "x", Xt(),
         {{1, "x"}}, 2, 1, {}},
        {"StringsAreConsumed", "\x1bP+q544e\x1b\\a\x1b_x\x07" "b\x1b]2;t\x1b\\c", Xt(),
         {{1, "abc"}}, 4, 1,
         {"OS Command Discarded : +q544e", "OS Command Discarded : x",
          "OS Command Discarded : 2;t"}},
        {"DeleteIsIgnored", "a\x7f" "b" + Csi("2\x7f" "C") + "c", Xt(), {{1, "ab  c"}}, 6, 1, {}},
        {"UnknownEscapeIsNotPrinted", "\x1b" "9x", Xt(), {{1, "x"}}, 2, 1,
         {"Invalid Escape Squence : 9"}},
        // --- character sets
        {"LineDrawingDesignated", "\x1b(0lqkxmjtuvwn~\x1b(Bq", Xt(), {}, 14, 1,
         {"Charset G0 : 0", "Charset G0 : B"}, 0,
         Codes(1, "\x01\x06\x02\x05\x03\x04\x19\x17\x15\x16\x10\x07q")},
        {"ShiftOutSelectsG1", "\x1b)0q\x0eq\x0fq", Xt(), {}, 4, 1, {"Charset G1 : 0"}, 0,
         Codes(1, "q\x06q")},
        // The signs no line code stores show as themselves, one cell each.
        {"SetsShowTheirSigns", "\x1b(Aq#\x1b(0`fgyz{|}\x1b(B#", Xt(), {}, 12, 1,
         {"Charset G0 : A", "Charset G0 : 0", "Charset G0 : B"}, 0, Shows(1, "q£◆°±≤≥π≠£#")},
        // --- cursor
        {"RowAbsolute", Csi("5d"), At(7, 2), {}, 7, 5, {}},
        {"ColumnAbsoluteBothForms", Csi("9G") + Csi("3`"), At(7, 2), {}, 3, 2, {}},
        {"NextAndPrecedingLine", Csi("3E") + "x" + Csi("2F"), At(7, 2), {{5, "x"}}, 1, 3, {}},
        {"UpStopsAtRegionTop", Csi("20A"), Numbered(3, 8, 5, 10), {}, 3, 5, {}},
        {"DownStopsAtRegionBottom", Csi("20B"), Numbered(3, 8, 5, 10), {}, 3, 10, {}},
        {"OriginModeCountsFromRegion", Csi("5;10r") + Csi("?6h") + Csi("2;3H"), Xt(), {}, 3, 6,
         {"Terminal Mode Set : Buf[[?6], Cmd[h]"}},
        {"OriginModeClampsToRegion", Csi("5;10r") + Csi("?6h") + Csi("30;1H"), Xt(), {}, 1, 10,
         {"Terminal Mode Set : Buf[[?6], Cmd[h]"}},
        {"RegionHomesCursor", Csi("5;10r"), At(7, 20), {}, 1, 1, {}, 0,
         [](TTermRig& R) { EXPECT_EQ(R.Scr().Bottom, 10); }},
        {"BackspaceStopsAtColumnOne", "\b\b", At(1, 5), {}, 1, 5, {}},
        {"BackspaceFromPendingWrap", Repeat('a', 80) + "\bX", Xt(), {{1, Repeat('a', 78) + "Xa"}},
         80, 1, {}},
        {"WrapScrollsRegionAtItsBottom", Repeat('a', 81), Numbered(1, 10, 5, 10),
         {{4, "4"}, {5, "6"}, {9, Repeat('a', 80)}, {10, "a"}, {11, "11"}}, 2, 10, {}},
        {"LineFeedBelowRegionAtLastRowStays", "\n", Numbered(1, 24, 5, 10),
         {{5, "5"}, {24, "24"}}, 1, 24, {}},
        {"ReverseIndexAtTopScrollsRegionDown", "\x1bM", Numbered(4, 5, 5, 10),
         {{5, ""}, {6, "5"}, {10, "9"}, {11, "11"}}, 4, 5, {}},
        {"NextLine", "\x1b" "E", At(4, 5), {}, 1, 6, {}},
        // --- tab stops
        {"TabStopsSetAndCleared", "\x1bH" + Csi("g") + "\t" + Csi("3g") + "\t", At(9, 1), {},
         80, 1, {}},
        // At the last column a tab has nowhere to go: the wrap stays pending.
        {"TabAtPendingWrapStillWraps", Repeat('a', 80) + "\tb" + Repeat('c', 79) + Csi("I") + "d",
         Xt(), {{1, Repeat('a', 80)}, {2, "b" + Repeat('c', 79)}, {3, "d"}}, 2, 3, {}},
        {"TabSetAndForwardBackward", "\x1bH\r" + Csi("2I") + Csi("Z"), At(5, 1), {}, 5, 1, {}},
        // --- erase and edit
        {"EraseDisplayToCursor", Csi("1J"), Numbered(2, 7), {{6, ""}, {7, ""}, {8, "8"}}, 2, 7, {}},
        {"EraseDisplayWholeKeepsCursor", Csi("2J"), Numbered(2, 7), {{1, ""}, {24, ""}}, 2, 7, {}},
        {"EraseLineToCursor", "abcdef" + Csi("3G") + Csi("1K"), Xt(), {{1, "   def"}}, 3, 1, {}},
        {"EraseUsesBackground", "ab" + Csi("44m") + Csi("1G") + Csi("K"), Xt(), {}, 1, 1, {}, 0,
         Both(Cell(1, 1, Font, Blue, 0), Cell(80, 1, Font, Blue, 0))},
        {"EraseCharacters", "abcdef" + Csi("2G") + Csi("3X"), Xt(), {{1, "a   ef"}}, 2, 1, {}},
        {"EraseAtPendingWrapTakesLastColumn", Repeat('a', 80) + Csi("K"), Xt(),
         {{1, Repeat('a', 79)}}, 81, 1, {}},
        {"InsertAndDeleteCharacters", "abcdef" + Csi("2G") + Csi("2@") + Csi("4G") + Csi("P"),
         Xt(), {{1, "a  cdef"}}, 4, 1, {}},
        {"InsertLinesOutsideRegionDoNothing", Csi("2L"), Numbered(3, 12, 5, 10),
         {{12, "12"}, {13, "13"}}, 3, 12, {}},
        {"DeleteLinesInsideRegion", Csi("2M"), Numbered(3, 6, 5, 10),
         {{6, "8"}, {8, "10"}, {9, ""}, {11, "11"}}, 1, 6, {}},
        {"ScrollUpAndDownKeepCursor", Csi("2S") + Csi("T"), Numbered(3, 7, 5, 10),
         {{5, ""}, {6, "7"}, {9, "10"}, {10, ""}, {11, "11"}}, 3, 7, {}},
        {"RepeatPrecedingCharacter", "ab" + Csi("3b"), Xt(), {{1, "abbbb"}}, 6, 1, {}},
        {"RepeatWrapsAndKeepsPairs", Repeat('a', 76) + "\xc7\xd1" + Csi("2b"), Xt(),
         {{1, Repeat('a', 76) + "\xc7\xd1\xc7\xd1"}, {2, "\xc7\xd1", "12"}}, 3, 2, {}},
        {"RepeatIsBounded", "a" + Csi("65535b"), Xt(), {{23, Repeat('a', 80)}, {24, "a"}}, 2, 24,
         {}},
        // --- renditions and colours
        {"RenditionsAreAttributes", Csi("1;4;7;31m") + "a" + Csi("22;24;27m") + "b", Xt(), {},
         3, 1, {}, 0, Both(Cell(1, 1, BrightRed, 0, Bold | Under | Rev), Cell(2, 1, Red, 0, 0))},
        {"DefaultColoursAndBright", Csi("31;44m") + Csi("39m") + "a" + Csi("49;91m") + "b", Xt(),
         {}, 3, 1, {}, 0, Both(Cell(1, 1, Font, Blue, 0), Cell(2, 1, BrightRed, 0, 0))},
        {"IndexedAndDirectColours", Csi("38;5;196;48;2;1;2;3m") + "a" + Csi("38:2::4:5:6m") + "b",
         Xt(), {}, 3, 1, {}, 0,
         Both(Cell(1, 1, 0x0000FF, 0x030201, 0), Cell(2, 1, 0x060504, 0x030201, 0))},
        {"GreyRamp", Csi("38;5;232m") + "a", Xt(), {}, 2, 1, {}, 0, Cell(1, 1, 0x080808, 0, 0)},
        {"UnderlineOffSubParameter", Csi("4:0m") + "a", Xt(), {}, 2, 1, {}, 0,
         Cell(1, 1, Font, 0, 0)},
        // --- modes, screens, saved cursor
        {"PrivateModeListTakesEvery", Csi("?1006;1002;2004;1h"), Xt(), {}, 1, 1,
         {"Terminal Mode Set : Buf[[?1006;1002;2004;1], Cmd[h]"}, 0,
         [](TTermRig&) {
             EXPECT_TRUE(Switches.MouseSgr && Switches.MouseReport && Switches.BracketedPaste &&
                         Switches.CursorKeysApp);
             EXPECT_EQ(Switches.MouseTracking, 1002);
         }},
        {"HiddenCaretIsRemembered", Csi("?25l"), Xt(), {}, 1, 1,
         {"Terminal Mode ReSet : Buf[[?25], Cmd[l]"}, 0,
         [](TTermRig&) { EXPECT_TRUE(Switches.CaretHidden && !Switches.CaretDrawEnabled); }},
        {"AlternateScreenSavesClearsAndRestores",
         "main" + Csi("?1049h") + "alt\r\n\n" + Csi("?1049l"), Xt(), {{1, "main"}, {2, ""}},
         5, 1, {"Terminal Mode Set : Buf[[?1049], Cmd[h]", "Set Alternate Buffer",
                "Terminal Mode ReSet : Buf[[?1049], Cmd[l]", "Reset Alternate Buffer"}},
        {"AlternateScreenLinesStayOutOfScrollBack",
         Csi("?1047h") + Repeat('\n', 30) + Csi("?1047l"), Xt(), {}, 1, 24,
         {"Terminal Mode Set : Buf[[?1047], Cmd[h]", "Set Alternate Buffer",
          "Terminal Mode ReSet : Buf[[?1047], Cmd[l]", "Reset Alternate Buffer"}, 0,
         [](TTermRig& R) { EXPECT_EQ(R.Scr().ScrollBack.Count, 24); }},
        {"SavedCursorKeepsPenAndCharset",
         Csi("5;5H") + Csi("31m") + "\x1b(0\x1b" "7" + Csi("m") + "\x1b(B" + Csi("H") +
             "\x1b" "8q\x1b" "8",
         Xt(), {}, 5, 5, {"Charset G0 : 0", "Charset G0 : B"}, 0,
         Both(Codes(5, "    \x06"), Cell(5, 5, Red, 0, 0))},
        {"RestoreWithoutSaveHomes", Csi("31m") + Csi("5;5H") + "\x1b" "8a", Xt(), {}, 2, 1, {},
         0, Cell(1, 1, Font, 0, 0)},
        {"SoftResetKeepsScreen", "ab" + Csi("4h") + Csi("!p") + "\rx", Xt(), {{1, "xb"}}, 2, 1,
         {"Terminal Mode Set : Buf[[4], Cmd[h]"}},
        {"HardReset", "ab" + Csi("?1000h") + "\x1b" "c", Xt(), {{1, ""}}, 1, 1,
         {"Terminal Mode Set : Buf[[?1000], Cmd[h]"}, 0,
         [](TTermRig&) { EXPECT_FALSE(Switches.MouseReport); }},
    };
    // clang-format on
    return C;
}

class XtermCase : public ::testing::TestWithParam<TStreamCase> {};

TEST_P(XtermCase, WholeAndByteByByteGiveTheExpectedScreen) { RunStreamCase(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Xterm, XtermCase, ::testing::ValuesIn(Cases()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// Every line of the list, oldest first, each cell with its colours.
std::vector<std::string> Lines(const TTermRig& R)
{
    std::vector<std::string> Out;
    for (const TLine* L = R.Term->Scr.ScrollBack.First; L; L = L->Next) {
        std::string Row;
        for (int C = 1; C <= R.Term->Scr.Col; ++C) {
            const TCell& Cell = L->Cells[static_cast<std::size_t>(C)];
            Row += std::to_string(Cell.Ch) + "/" + std::to_string(Cell.Fore) + "/" +
                   std::to_string(Cell.Back) + " ";
        }
        Out.push_back(Row);
    }
    return Out;
}

int CellsPainted(const TTermRig& R)
{
    int N = 0;
    for (const TRecordedCall& C : R.Canvas.Of(TRecordedCall::Text))
        N += static_cast<int>(C.Bytes.size());
    return N;
}

// CSI n S and T shift the region by n lines at once: the screen, the
// scroll-back and the cursor of n single scrolls (n at most the region's
// height), for the drawing of one.
TEST(Xterm, ScrollingByManyLinesIsOneShift)
{
    struct TCase {
        const char* Name;
        std::string Setup;
        char Final;
        int N;
    };
    const std::string Region = Csi("5;10r"), Alternate = Csi("?1049h");
    const TCase Cases[] = {
        {"ScreenUp", "", 'S', 3},         {"ScreenUpWhole", "", 'S', 24},
        {"ScreenUpBeyond", "", 'S', 999}, {"ScreenDownBeyond", "", 'T', 999},
        {"RegionUp", Region, 'S', 2},     {"RegionUpBeyond", Region, 'S', 999},
        {"RegionDown", Region, 'T', 4},   {"AlternateUp", Alternate, 'S', 999},
    };
    for (const TCase& T : Cases) {
        SCOPED_TRACE(T.Name);
        TTermRig Many, Single;
        Switches.XtermLevel = true;
        Switches.SoftScroll = true; // every scroll draws: the work shows on the canvas
        for (TTermRig* R : {&Many, &Single}) {
            R->Feed(Csi("31;44m") + "old\r\n" + T.Setup + Csi("7;3H"));
            NumberRows(*R);
            R->Term->GotoXY(3, 7);
            R->Canvas.Clear();
        }
        Many.Feed(Csi(std::to_string(T.N)) + T.Final);
        Single.Feed(Csi("1") + T.Final);
        EXPECT_EQ(CellsPainted(Many), CellsPainted(Single));
        const int Height = T.Setup == Region ? 6 : 24;
        for (int I = 1; I < std::min(T.N, Height); ++I) Single.Feed(Csi("1") + T.Final);
        EXPECT_EQ(Lines(Many), Lines(Single)); // the rows on screen are the newest
        EXPECT_EQ(Many.Scr().CurX, Single.Scr().CurX);
        EXPECT_EQ(Many.Scr().CurY, Single.Scr().CurY);
    }
}

TEST(Xterm, WindowTitleFromOsc)
{
    for (const char* Input : {"\x1b]0;first\x07", "\x1b]2;first\x1b\\"}) {
        TTermRig R;
        Switches.XtermLevel = true;
        std::vector<std::string> Titles;
        R.Vt.OnTitle = [&](std::string_view T) { Titles.emplace_back(T); };
        R.Feed(Input, true);
        R.Feed("\x1b]1;icon\x07\x1b]2;\xc7\xd1" + Repeat('x', 61) + "\x07");
        // The icon name is not a title; a Korean pair cut by the kept length is dropped whole.
        EXPECT_EQ(Titles, (std::vector<std::string>{"first", "\xc7\xd1" + Repeat('x', 60)}));
    }
}

TEST(Xterm, ReverseAndUnderlineReachTheCanvas)
{
    TTermRig R;
    Switches.XtermLevel = true;
    R.Feed(Csi("4;7;31m") + "ab" + Csi("m") + "c");
    R.Canvas.Clear();
    R.Term->DrawLine(1, 1, 2);
    EXPECT_EQ(R.Canvas.FontStyle() & fsUnderline, fsUnderline);
    R.Term->DrawLine(1, 1, 3);
    const auto Runs = R.Canvas.Of(TRecordedCall::Text);
    ASSERT_EQ(Runs.size(), 3u);
    EXPECT_EQ(Runs[1].Bytes, "ab");
    EXPECT_EQ(Runs[1].Fore, R.Scr().BackColor); // swapped, not inverted
    EXPECT_EQ(Runs[1].Back, Red);
    EXPECT_EQ(Runs[2].Bytes, "c");
    EXPECT_EQ(R.Canvas.FontStyle(), 0);
}

} // namespace
