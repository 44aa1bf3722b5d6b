// Byte streams in; cells, cursor, log lines and beeps out. Every case runs
// twice, whole and one byte per call, and must give the same screen.
#include "support/StreamCase.h"

namespace {

void Region(TTermRig& R, int Top, int Bottom, int X, int Y)
{
    R.Scr().Top = Top;
    R.Scr().Bottom = Bottom;
    R.Term->GotoXY(X, Y);
}

const std::vector<TStreamCase>& Cases()
{
    // clang-format off
    static const std::vector<TStreamCase> C = {
        {"PlainText", "ABC", nullptr, {{1, "ABC", "000"}}, 4, 1, {}},
        {"KoreanPairAdvancesTwoCells", "\xB0\xA1", nullptr, {{1, "\xB0\xA1", "12"}}, 3, 1, {}},
        {"Byte80IsSingle", "\x80" "A", nullptr, {{1, "\x80" "A", "00"}}, 3, 1, {}},
        {"TrailFollowsLeadAcrossCursorMove", "\xB0\r" "A", nullptr, {{1, "A", "2"}}, 2, 1, {}},
        {"LeadInLastColumnWrapsTrail", Repeat('a', 79) + "\xB0\xA1", nullptr,
         {{1, Repeat('a', 79) + "\xB0", Repeat('0', 79) + "1"}, {2, "\xA1", "2"}}, 2, 2, {}},
        {"AutoWrapOffOverwritesLastColumn", Repeat('a', 80) + "Z",
         [](TTermRig&) { Switches.AutoWrap = false; },
         {{1, Repeat('a', 79) + "Z"}, {2, ""}}, 81, 1, {}},
        {"WrapAtBottomScrollsRegion", "xy",
         [](TTermRig& R) { R.Term->GotoXY(80, 24); R.Feed("Q"); R.Log.clear(); },
         {{23, Repeat(' ', 79) + "Q"}, {24, "xy"}}, 3, 24, {}},
        {"BackspaceAtHomeGoesToLastColumn", "\b", nullptr, {}, 80, 1, {}},
        {"BackspaceAtColumnOneGoesUp", "\r\n\b", nullptr, {}, 80, 1, {}},
        {"BackspaceFromPendingWrap", Repeat('a', 80) + "\b", nullptr, {}, 80, 1, {}},
        {"TabStopsEveryEight", "\tA\tB", nullptr, {{1, Repeat(' ', 8) + "A" + Repeat(' ', 7) + "B"}},
         18, 1, {}},
        {"TabAtLastColumnStays", "\t", [](TTermRig& R) { R.Term->GotoXY(80, 1); }, {}, 80, 1, {}},
        {"TabStopsAtLastColumn", "\t", [](TTermRig& R) { R.Term->GotoXY(75, 1); }, {}, 80, 1, {}},
        {"LineFeedOnBottomScrollsRegionOnly", "\n",
         [](TTermRig& R) { NumberRows(R); Region(R, 5, 10, 1, 10); },
         {{4, "4"}, {5, "6"}, {9, "10"}, {10, ""}, {11, "11"}}, 1, 10, {}},
        {"LineFeedBelowRegionScrollsRegion", "\n",
         [](TTermRig& R) { NumberRows(R); Region(R, 5, 10, 3, 15); },
         {{5, "6"}, {10, ""}, {15, "15"}}, 3, 15, {}},
        {"FormFeedScrollsEverythingOff", "\f",
         [](TTermRig& R) { NumberRows(R); R.Term->GotoXY(5, 24); },
         {{1, ""}, {24, ""}}, 1, 1, {}},
        {"AutoCRAfterLineFeed", "ab\n", [](TTermRig&) { Switches.AutoCR = true; }, {}, 1, 2, {}},
        {"AutoLFAfterCarriageReturn", "ab\r", [](TTermRig&) { Switches.AutoLF = true; }, {}, 1, 2,
         {}},
        {"NulIsLoggedOnly", std::string("A\0B", 3), nullptr, {{1, "AB"}}, 3, 1, {"Null"}},
        {"BellBeeps", "\a", nullptr, {}, 1, 1, {}, 1},
        {"ShiftOutMapsLineDrawing", "\x0elqkx#amjtu\x0fq", nullptr,
         {{1, "\x01\x06\x02\x05\x11\x0A\x03\x04\x19\x17q"}}, 12, 1, {}},
        {"MetaBitBeforeLineDrawing", "\x0eq",
         [](TTermRig&) { Switches.MetaBit = true; }, {{1, "\xF1", "1"}}, 2, 1, {}},
        {"DeleteIsPrinted", "a\x7f" "b", nullptr, {{1, "a\x7f" "b", "000"}}, 4, 1, {}},
        {"OtherControlsArePrinted", "\x01\x0b\x18\x1a\x1c\x1f", nullptr,
         {{1, "\x01\x0b\x18\x1a\x1c\x1f"}}, 7, 1, {}},
        {"ControlByteEndsSequenceAndIsConsumed", "AB\x1b[1\rC", nullptr, {{1, "ABC"}}, 4, 1,
         {"Invalid Escape Squence : [1\r"}},
        {"EscInsideSequenceEndsIt", "\x1b[1\x1b" "A", nullptr, {{1, "A"}}, 2, 1,
         {"Invalid Escape Squence : [1\x1b"}},
        {"UnknownSingleEscapePrintsFinal", "\x1b" "c", nullptr, {{1, "c"}}, 2, 1,
         {"Invalid Escape Squence : c"}},
        {"CharsetDesignationTakesAnyFinal", "\x1b(\x1b" "A", nullptr, {{1, "A"}}, 2, 1,
         {"Charset G0 : \x1b"}},
        // Window titles: consumed whole, never printed, never ringing.
        {"PromptTitleIsConsumed", "\x1b]0;user@host: ~\auser@host:~$ ", nullptr,
         {{1, "user@host:~$"}}, 14, 1, {"OS Command Discarded : 0;user@host: ~"}},
        {"TitleEndsWithStringTerminator", "\x1b]2;title\x1b\\ok", nullptr, {{1, "ok"}}, 3, 1,
         {"OS Command Discarded : 2;title"}},
        {"CancelAbortsTitle", "\x1b]0;abc\x18xyz\x1a", nullptr, {{1, "xyz\x1a"}}, 5, 1,
         {"OS Command Discarded : 0;abc"}},
        {"OtherEscapeEndsTitleAndRuns", "\x1b]0;t\x1b[3;5Hz", nullptr, {{3, "    z"}}, 6, 3,
         {"OS Command Discarded : 0;t"}},
        {"LongTitleIsCutInTheLog", "\x1b]" + Repeat('t', 500) + "\a!", nullptr, {{1, "!"}}, 2, 1,
         {"OS Command Discarded : " + Repeat('t', TO_VT100::MaxOsStringKept)}},
        // An ESC that ends a pending sequence starts nothing: ']' is data.
        {"BracketAfterEndingEscIsData", "\x1b[" "1\x1b]", nullptr, {{1, "]"}}, 2, 1,
         {"Invalid Escape Squence : [1\x1b"}},
        {"SequenceOf79CharactersCompletes", "\x1b[" + Repeat('1', 78) + "mX", nullptr, {{1, "X"}},
         2, 1, {"Invalid Escape Squence : [" + Repeat('1', 78) + "m"}},
        {"SequenceReaching80IsDroppedWithOneBeep", "\x1b[" + Repeat('1', 79) + "mX", nullptr,
         {{1, "mX"}}, 3, 1, {}, 1},
        {"InsertModeShiftsRow", "AB\rx", [](TTermRig&) { Switches.InsertMode = true; },
         {{1, "xAB"}}, 2, 1, {}},
        {"InsertModeBlankPairsWithLead", "\xB0\xA1",
         // The inserted blank takes the trail part and is then overwritten, so
         // the real trail byte is judged by its own value.
         [](TTermRig&) { Switches.InsertMode = true; }, {{1, "\xB0\xA1", "110"}}, 3, 1, {}},
    };
    // clang-format on
    return C;
}

class StreamCase : public ::testing::TestWithParam<TStreamCase> {};

TEST_P(StreamCase, WholeAndByteByByteGiveTheExpectedScreen) { RunStreamCase(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Interpreter, StreamCase, ::testing::ValuesIn(Cases()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Interpreter, SequenceSplitAcrossRunsCompletesOnce)
{
    TTermRig R;
    R.Feed("\x1b[10");
    EXPECT_TRUE(R.Scr().InEscape);
    EXPECT_EQ(R.Scr().EscBuf.View(), "[10");
    R.Feed(";5HZ");
    EXPECT_FALSE(R.Scr().InEscape);
    EXPECT_EQ(R.Text(10), "    Z");
    EXPECT_TRUE(InterpreterLines(R.Log).empty());
}

TEST(Interpreter, ColoursFollowTheCursorColours)
{
    TTermRig R;
    R.Scr().CurFore = 0x0000FF;
    R.Scr().CurBack = 0x0000FF; // equal: the stored foreground is inverted
    R.Feed("a");
    EXPECT_EQ(R.Cell(1, 1).Fore, 0xFFFF00u);
    EXPECT_EQ(R.Cell(1, 1).Back, 0x0000FFu);
    EXPECT_EQ(R.Scr().CurFore, 0x0000FFu);
}

TEST(Interpreter, GetParamReadsDigitsAndWrapsLikeInt32)
{
    TTermRig R;
    auto Read = [&](const std::string& Buf, int Pos) {
        R.Scr().EscBuf.Clear();
        for (char C : Buf) R.Scr().EscBuf.Append(C);
        int V = -7;
        const int Next = TO_VT100::GetParam(*R.Term, Pos, V);
        return std::pair<int, int>{V, Next};
    };
    EXPECT_EQ(Read("[12;5", 2), (std::pair<int, int>{12, 4}));
    EXPECT_EQ(Read("[  7H", 2), (std::pair<int, int>{7, 5}));
    EXPECT_EQ(Read("[;", 2), (std::pair<int, int>{0, 2}));
    EXPECT_EQ(Read("[", 2), (std::pair<int, int>{0, 2}));
    EXPECT_EQ(Read("[2147483648", 2).first, -2147483647 - 1);
    EXPECT_EQ(Read("[4294967297", 2).first, 1);
    EXPECT_EQ(Read("[" + Repeat('9', 70), 2).second, 72);
}

// With SoftScroll off, a block that scrolls draws nothing after its first
// scroll; the engine then paints it once.
TEST(Interpreter, ScrollingBlockIsPaintedOnceAtTheEnd)
{
    for (const bool OneByOne : {false, true}) {
        TTermRig R;
        R.Term->GotoXY(1, 24);
        R.Canvas.Clear();
        R.Log.clear();
        std::string Block;
        for (int I = 0; I < 100; ++I) Block += "line " + std::to_string(I) + "\r\n";
        const auto* P = reinterpret_cast<const std::uint8_t*>(Block.data());
        const int N = OneByOne ? 1 : static_cast<int>(Block.size());
        for (std::size_t I = 0; I < Block.size(); I += static_cast<std::size_t>(N))
            R.Vt.Process(*R.Term, P + I, N);
        // Only "line 0" is drawn, before the first scroll: as one run, or a
        // cell per call when the bytes come one at a time.
        EXPECT_EQ(R.Canvas.Count(TRecordedCall::Text), OneByOne ? 6 : 1);
        EXPECT_EQ(R.Canvas.Of(TRecordedCall::Text).back().X, OneByOne ? 5 * 8 : 0);
        EXPECT_TRUE(R.Scr().RedrawPending);
        R.Term->ReDrawScreen();
        EXPECT_EQ(std::count(R.Log.begin(), R.Log.end(), "ReDrawScreen"), 1);
        EXPECT_EQ(R.Text(23), "line 99");
        EXPECT_FALSE(R.Scr().RedrawPending);
    }
}

TEST(Interpreter, UnterminatedTitleStaysBoundedUntilItsTerminator)
{
    TTermRig R;
    R.Feed("\x1b]0;");
    const std::string Chunk(4096, 'x');
    for (int I = 0; I < 10 * 256; ++I) R.Feed(Chunk); // 10 MB
    EXPECT_TRUE(R.Scr().InOsString);
    EXPECT_LE(R.Scr().OsString.Length(), TO_VT100::MaxOsStringKept);
    EXPECT_EQ(R.Text(1), "");
    EXPECT_EQ(R.Host.Beeps, 0);
    R.Feed("\x1b");
    R.Feed("\\prompt$ ");
    EXPECT_FALSE(R.Scr().InOsString);
    EXPECT_EQ(R.Text(1), "prompt$");
    EXPECT_EQ(InterpreterLines(R.Log).size(), 1u);
}

} // namespace
