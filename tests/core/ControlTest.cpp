// Control functions: every control sequence final, the single-character
// escapes, modes and renditions, as byte streams.
#include "support/StreamCase.h"

namespace {

constexpr TColor Yellow = 0x0000FFFF;

auto At(int X, int Y)
{
    return [X, Y](TTermRig& R) { R.Term->GotoXY(X, Y); };
}
auto NumberedAt(int X, int Y)
{
    return [X, Y](TTermRig& R) {
        NumberRows(R);
        R.Term->GotoXY(X, Y);
    };
}
auto RegionAt(int Top, int Bottom, int X, int Y)
{
    return [=](TTermRig& R) {
        NumberRows(R);
        R.Scr().Top = Top;
        R.Scr().Bottom = Bottom;
        R.Term->GotoXY(X, Y);
    };
}
// Row 1 holds "ABCDEFGHIJ..." over all 80 columns.
auto AlphabetAt(int X)
{
    return [X](TTermRig& R) {
        std::string Row;
        for (int I = 0; I < 80; ++I) Row += static_cast<char>('A' + I % 26);
        R.Feed(Row);
        R.Term->GotoXY(X, 1);
    };
}
std::string Alphabet(int From, int To) // columns From..To of that row
{
    std::string S;
    for (int I = From - 1; I < To; ++I) S += static_cast<char>('A' + I % 26);
    return S;
}
auto Colours(TColor Fore, TColor Back)
{
    return [=](TTermRig& R) {
        EXPECT_EQ(R.Scr().CurFore, Fore);
        EXPECT_EQ(R.Scr().CurBack, Back);
    };
}
auto SwitchIs(bool TTermSwitches::*Member, bool Value)
{
    return [=](TTermRig&) { EXPECT_EQ(Switches.*Member, Value); };
}
auto RegionIs(int Top, int Bottom)
{
    return [=](TTermRig& R) {
        EXPECT_EQ(R.Scr().Top, Top);
        EXPECT_EQ(R.Scr().Bottom, Bottom);
    };
}
std::string Csi(const std::string& S) { return "\x1b[" + S; }
std::string SetLine(const std::string& Buf)
{
    return "Terminal Mode Set : Buf[" + Buf + "], Cmd[h]";
}
std::string ResetLine(const std::string& Buf)
{
    return "Terminal Mode ReSet : Buf[" + Buf + "], Cmd[l]";
}

const TColor Font = 0x008080, Red = 0x000080; // the default font colour, palette entry 1

const std::vector<TStreamCase>& Cases()
{
    // clang-format off
    static const std::vector<TStreamCase> C = {
        // --- cursor motion
        {"CursorUp", Csi("5A"), At(3, 10), {}, 3, 5, {}},
        {"CursorUpZeroMovesOne", Csi("0A"), At(3, 10), {}, 3, 9, {}},
        {"CursorUpIgnoresRegion", Csi("9A"), RegionAt(5, 10, 3, 7), {}, 3, 1, {}},
        {"CursorDownClamps", Csi("30B"), At(3, 20), {}, 3, 24, {}},
        {"CursorForwardClamps", Csi("100C"), At(3, 2), {}, 80, 2, {}},
        {"CursorBackwardClamps", Csi("100D"), At(30, 2), {}, 1, 2, {}},
        {"CursorBackwardDefault", Csi("D"), At(30, 2), {}, 29, 2, {}},
        {"ColumnClamps", Csi("200G"), At(3, 2), {}, 80, 2, {}},
        {"ColumnZeroIsOne", Csi("0G"), At(3, 2), {}, 1, 2, {}},
        {"HomeWithoutParameters", Csi("H"), At(30, 20), {}, 1, 1, {}},
        {"HomeWithZeros", Csi("0;0H"), At(30, 20), {}, 1, 1, {}},
        {"PositionClamps", Csi("99;200H"), nullptr, {}, 80, 24, {}},
        {"PositionWithF", Csi("5;10f"), nullptr, {}, 10, 5, {}},
        {"PositionWithSpaces", Csi(" 5 ; 7H"), nullptr, {}, 7, 5, {}},
        {"PositionRowOnly", Csi("7H"), At(30, 2), {}, 1, 7, {}},
        {"PositionColumnOnly", Csi(";7H"), At(30, 2), {}, 7, 1, {}},
        {"PositionPastTheFieldsReadAsCollected", Csi("3;7" + Repeat(';', 16) + "H"), nullptr, {}, 7,
         3, {}},
        // --- erasing
        {"EraseDisplayAllHomes", Csi("2J"), NumberedAt(5, 5), {{1, ""}, {24, ""}}, 1, 1, {}},
        {"EraseDisplayStopsAtRegionBottom", Csi("J"),
         [](TTermRig& R) {
             RegionAt(5, 10, 2, 7)(R);
             R.Feed("xyz");
             R.Term->GotoXY(2, 7);
         },
         {{6, "6"}, {7, "7"}, {8, ""}, {10, ""}, {11, "11"}}, 2, 7, {}},
        {"EraseDisplayOneClearsCursorRowAndBelow", Csi("1J"), NumberedAt(2, 7),
         {{6, "6"}, {7, ""}, {24, ""}}, 2, 7, {}},
        {"EraseDisplayOtherIsInvalid", Csi("3J"), NumberedAt(2, 7), {{7, "7"}}, 2, 7,
         {"Invalid Escape Squence : [3J"}},
        {"EraseLine", Csi("K"), AlphabetAt(5), {{1, "ABCD"}}, 5, 1, {}},
        {"EraseLineOneIsTheSame", Csi("1K"), AlphabetAt(5), {{1, "ABCD"}}, 5, 1, {}},
        {"EraseLineTwoIsTheSame", Csi("2K"), AlphabetAt(5), {{1, "ABCD"}}, 5, 1, {}},
        {"ErasedCellsTakeDefaultColours", Csi("31;44m") + Csi("K"), AlphabetAt(5), {}, 5, 1, {},
         0,
         [](TTermRig& R) {
             EXPECT_EQ(R.Cell(5, 1).Fore, Font);
             EXPECT_EQ(R.Cell(5, 1).Back, 0u);
         }},
        // --- lines
        {"InsertLines", Csi("2L"), NumberedAt(7, 5), {{4, "4"}, {5, ""}, {6, ""}, {7, "5"}, {24, "22"}},
         1, 5, {"Insert Line"}},
        {"InsertLinesPastTheMargin", Csi("30L"), NumberedAt(7, 20), {{19, "19"}, {20, ""}, {24, ""}},
         1, 20, {"Insert Line"}},
        {"InsertLinesInRegion", Csi("L"), RegionAt(5, 10, 3, 6), {{6, ""}, {7, "6"}, {10, "9"}, {11, "11"}},
         1, 6, {"Insert Line"}},
        {"DeleteLines", Csi("2M"), NumberedAt(7, 5), {{5, "7"}, {22, "24"}, {23, ""}, {24, ""}}, 1, 5,
         {}},
        {"DeleteLinesPastTheMargin", Csi("99M"), NumberedAt(7, 20), {{19, "19"}, {20, ""}, {24, ""}},
         1, 20, {}},
        {"DeleteLinesInRegion", Csi("M"), RegionAt(5, 10, 3, 6), {{6, "7"}, {9, "10"}, {10, ""}, {11, "11"}},
         1, 6, {}},
        // --- characters
        {"InsertCharacters", Csi("3@"), AlphabetAt(10),
         {{1, Alphabet(1, 9) + "   " + Alphabet(10, 77)}}, 10, 1, {}},
        {"InsertCharactersPastTheMargin", Csi("99@"), AlphabetAt(10), {{1, Alphabet(1, 9)}}, 10, 1,
         {}},
        {"DeleteCharacters", Csi("3P"), AlphabetAt(10), {{1, Alphabet(1, 9) + Alphabet(13, 80)}}, 10,
         1, {}},
        {"DeleteCharactersLimitedToTheRow", Csi("200P"), AlphabetAt(75), {{1, Alphabet(1, 74)}}, 75,
         1, {}},
        {"BlankCellsTakeCurrentColours", Csi("44m") + Csi("2P"), AlphabetAt(10), {}, 10, 1, {}, 0,
         [](TTermRig& R) { EXPECT_EQ(R.Cell(80, 1).Back, 0x800000u); }},
        // --- scrolling
        {"ScrollUpOneLineWhateverTheCount", Csi("3S"), RegionAt(5, 10, 3, 7),
         {{5, "6"}, {9, "10"}, {10, ""}}, 3, 7, {}},
        {"ScrollDownHomesToRegionTop", Csi("T"), RegionAt(5, 10, 3, 7), {{5, ""}, {6, "5"}, {10, "9"}},
         1, 5, {}},
        {"IndexScrollsWhereverTheCursorIs", "\x1b" "D", RegionAt(5, 10, 3, 2), {{5, "6"}, {10, ""}},
         3, 2, {}},
        {"ReverseIndexMovesUp", "\x1bM", RegionAt(5, 10, 3, 7), {{5, "5"}}, 3, 6, {}},
        {"ReverseIndexAtTopScrollsDown", "\x1bM", RegionAt(5, 10, 3, 5), {{5, ""}, {6, "5"}}, 1, 5,
         {}},
        {"RegionSet", Csi("5;10r"), At(3, 7), {}, 3, 7, {}, 0, RegionIs(5, 10)},
        {"RegionToLastRowKeepsCursor", Csi("2;24r"), At(3, 7), {}, 3, 7, {}, 0, RegionIs(2, 24)},
        {"RegionEqualBoundsFallsBack", Csi("5;5r"), RegionAt(3, 9, 1, 1), {}, 1, 1, {}, 0,
         RegionIs(1, 24)},
        {"RegionWithoutBottomFallsBack", Csi("5r"), RegionAt(3, 9, 1, 1), {}, 1, 1, {}, 0,
         RegionIs(1, 24)},
        {"RegionPastTheScreenFallsBack", Csi("2;25r"), RegionAt(3, 9, 1, 1), {}, 1, 1, {}, 0,
         RegionIs(1, 24)},
        {"RegionReset", Csi("r"), RegionAt(3, 9, 1, 1), {}, 1, 1, {}, 0, RegionIs(1, 24)},
        // --- save and restore cursor
        {"RestoreWithoutSaveDoesNothing", "\x1b" "8", At(5, 6), {}, 5, 6, {}},
        {"SaveRestoreOnce", "\x1b" "7" + Csi("20;30H") + "\x1b" "8" + Csi("10;10H") + "\x1b" "8",
         At(5, 6), {}, 10, 10, {}},
        {"SaveRestoreWithCsi", Csi("s") + Csi("H") + Csi("u"), At(5, 6), {}, 5, 6, {}},
        {"SavedColoursComeFromTheCell", Csi("31m") + "x" + Csi("D") + "\x1b" "7" + Csi("0m") +
                                            "\x1b" "8",
         nullptr, {}, 1, 1, {}, 0, Colours(Red, 0)},
        {"SaveAtPendingWrap", Csi("31m") + Repeat('a', 80) + "\x1b" "7" + Csi("H") + Csi("0m") + "\x1b" "8",
         nullptr, {}, 80, 1, {}, 0, Colours(Red, 0)},
        // --- logged only
        {"LoggedSingleEscapes", "\x1b" "E\x1bH\x1b<", nullptr, {}, 1, 1,
         {"Next Line", "Tabulation Set", "Enter ANSI mode"}},
        {"KeypadEscapesAreLogged", "\x1b=\x1b>", nullptr, {}, 1, 1,
         {"Enter Alternate Keypad", "Exit Alternate Keypad"}},
        {"CharsetDesignations", "\x1b(0\x1b)B\x1b*A\x1b+0", nullptr, {}, 1, 1,
         {"Charset G0 : 0", "Charset G1 : B", "Charset G2 : A", "Charset G3 : 0"}},
        {"TabClearAndStatusReport", Csi("g") + Csi("6n"), nullptr, {}, 1, 1,
         {"Clear Tab", "Cursor Position Report"}},
        {"UnlistedFinalIsInvalid", Csi("c") + Csi("5b"), nullptr, {{1, ""}}, 1, 1,
         {"Invalid Escape Squence : [c", "Invalid Escape Squence : [5b"}},
        {"SpaceFirstIsInvalidAndNotPrinted", "\x1b F", nullptr, {{1, ""}}, 1, 1,
         {"Invalid Escape Squence :  F"}},
        {"FullResetIsAnUnknownEscape", "\x1b" "c", nullptr, {{1, "c"}}, 2, 1,
         {"Invalid Escape Squence : c"}},
        // --- modes
        {"CaretMode", Csi("?25l"), nullptr, {}, 1, 1, {ResetLine("[?25")}, 0,
         SwitchIs(&TTermSwitches::CaretDrawEnabled, false)},
        {"OnlyTheFirstPrivateModeCounts", Csi("?1;1000h"), nullptr, {}, 1, 1, {SetLine("[?1;1000")},
         0, SwitchIs(&TTermSwitches::MouseReport, false)},
        {"MouseMode", Csi("?1000h"), nullptr, {}, 1, 1, {SetLine("[?1000")}, 0,
         SwitchIs(&TTermSwitches::MouseReport, true)},
        {"SoftScrollMode", Csi("?4h"), nullptr, {}, 1, 1, {SetLine("[?4")}, 0,
         SwitchIs(&TTermSwitches::SoftScroll, true)},
        {"AutoWrapMode", Csi("?7l") + Repeat('a', 81), nullptr, {{2, ""}}, 81, 1,
         {ResetLine("[?7")}, 0, SwitchIs(&TTermSwitches::AutoWrap, false)},
        {"ScreenModeSetIsUnimplemented", Csi("?5h"), nullptr, {}, 1, 1,
         {SetLine("[?5"), "Unimplemented Escape Squence : [?5h"}},
        {"ScreenModeResetBeeps", Csi("?5l"), nullptr, {}, 1, 1, {ResetLine("[?5")}, 1},
        {"UnknownPrivateMode", Csi("?2004h"), nullptr, {}, 1, 1,
         {SetLine("[?2004"), "Unimplemented Escape Squence : [?2004h"}},
        {"InsertModeLooksAtOneCharacter", Csi("45h"), nullptr, {}, 1, 1, {SetLine("[45")}, 0,
         SwitchIs(&TTermSwitches::InsertMode, true)},
        {"InsertModeWithList", Csi("4;20h"), nullptr, {}, 1, 1, {SetLine("[4;20")}, 0,
         SwitchIs(&TTermSwitches::InsertMode, true)},
        {"InsertModeReset", Csi("4l"), [](TTermRig&) { Switches.InsertMode = true; }, {}, 1, 1,
         {ResetLine("[4")}, 0, SwitchIs(&TTermSwitches::InsertMode, false)},
        {"AnsiModeIsUnimplemented", Csi("20h"), nullptr, {}, 1, 1,
         {SetLine("[20"), "Unimplemented Escape Squence : [20h"}},
        {"AlternateBuffer", "AB" + Csi("?47h") + Csi("2J") + "other" + Csi("?47l"), nullptr,
         {{1, "AB"}}, 3, 1,
         {SetLine("[?47"), "Set Alternate Buffer", ResetLine("[?47"), "Reset Alternate Buffer"}},
        // --- renditions
        {"PaletteForeground", Csi("31m"), nullptr, {}, 1, 1, {}, 0, Colours(Red, 0)},
        {"PaletteBackground", Csi("47m"), nullptr, {}, 1, 1, {}, 0, Colours(Font, 0xC0C0C0)},
        {"Monochrome", Csi("31;42m"), [](TTermRig& R) { R.Term->Monochrome = true; }, {}, 1, 1, {},
         0, Colours(Font, 0)},
        {"BoldBrightens", Csi("1;31m"), nullptr, {}, 1, 1, {}, 0, Colours(Red | 0x707070, 0)},
        {"BoldKeepsBlack", Csi("1;30m"), nullptr, {}, 1, 1, {}, 0, Colours(0, 0)},
        {"UnderlineIsYellow", Csi("4m"), nullptr, {}, 1, 1, {}, 0, Colours(Yellow, 0)},
        {"ReverseInverts", Csi("7m"), nullptr, {}, 1, 1, {}, 0, Colours(Font ^ 0xFFFFFF, 0xFFFFFF)},
        {"ReverseThenBold", Csi("7m") + Csi("1m"),
         [](TTermRig& R) { R.Scr().FontColor = R.Scr().CurFore = 0x00C0C0; }, {}, 1, 1, {}, 0,
         Colours(0x008080, 0)},
        {"ConcealTakesBackground", Csi("44;8m") + "x", nullptr, {}, 2, 1, {}, 0,
         [](TTermRig& R) {
             EXPECT_EQ(R.Scr().CurFore, 0x800000u);
             EXPECT_EQ(R.Cell(1, 1).Fore, 0x800000u ^ 0xFFFFFF) << "stored readable";
         }},
        {"ResetKeepsBoldWith27", Csi("1;7m") + Csi("27m"), nullptr, {}, 1, 1, {}, 0,
         [](TTermRig& R) {
             EXPECT_TRUE(R.Scr().Bold);
             EXPECT_FALSE(R.Scr().Reverse);
             EXPECT_EQ(R.Scr().CurFore, Font | 0x707070);
         }},
        {"MetaBitRenditions", Csi("12m") + "a" + Csi("10m") + "a", nullptr, {{1, "\xE1" "a"}}, 3, 1,
         {}},
        {"BareResetClearsThePart", "\xB0" + Csi("m") + "A", nullptr, {{1, "\xB0" "A", "10"}}, 3, 1,
         {}},
        {"ZeroResetKeepsThePart", "\xB0" + Csi("0m") + "A", nullptr, {{1, "\xB0" "A", "12"}}, 3, 1,
         {}},
        {"BothResetsClearFlags", Csi("1;4;7m") + Csi("0m"), nullptr, {}, 1, 1, {}, 0,
         [](TTermRig& R) {
             EXPECT_FALSE(R.Scr().Bold || R.Scr().Underline || R.Scr().Reverse);
             EXPECT_EQ(R.Scr().CurFore, Font);
         }},
        {"UnknownRenditionIsLoggedAndScanGoesOn", Csi("2;31;38m"), nullptr, {}, 1, 1,
         {"Invalid Escape Squence : [2;31;38m", "Invalid Escape Squence : [2;31;38m"}, 0,
         Colours(Red, 0)},
        {"EmptyFieldsAreNoRendition", Csi("31m") + Csi(";m"), nullptr, {}, 1, 1, {}, 0,
         Colours(Red, 0)},
        {"RenditionsPastTheFieldsReadAsCollected", Csi(Repeat(';', 16) + "31;44m"), nullptr, {}, 1,
         1, {}, 0, Colours(Red, 0x800000)},
        {"QuestionMarkInRenditionDoesNotStall", Csi("?31m") + Csi(">4m"), nullptr, {}, 1, 1, {}, 0,
         Colours(Yellow, 0)},
        // --- huge parameters wrap like 32-bit integers and still clamp
        {"HugeUpWrapsPositive", Csi("99999999999A"), At(3, 10), {}, 3, 1, {}},
        {"HugeDownWrapsToMinusOneMovesOne", Csi("4294967295B"), At(3, 10), {}, 3, 11, {}},
        {"MaxDownClamps", Csi("2147483647B"), At(3, 10), {}, 3, 24, {}},
        {"MaxForwardClamps", Csi("2147483647C"), At(3, 10), {}, 80, 10, {}},
        {"NegativeRowClamps", Csi("2147483648;5H"), At(3, 10), {}, 5, 1, {}},
        {"MaxInsertLines", Csi("2147483647L"), NumberedAt(3, 20), {{19, "19"}, {20, ""}}, 1, 20,
         {"Insert Line"}},
        {"MaxDeleteLines", Csi("2147483647M"), NumberedAt(3, 20), {{19, "19"}, {20, ""}}, 1, 20, {}},
        {"MaxInsertCharacters", Csi("2147483647@"), AlphabetAt(10), {{1, Alphabet(1, 9)}}, 10, 1,
         {}},
        {"MaxDeleteCharacters", Csi("2147483647P"), AlphabetAt(10), {{1, Alphabet(1, 9)}}, 10, 1,
         {}},
        // 70 nines wrap to -1, which counts as 1.
        {"ManyDigits", Csi(Repeat('9', 70) + "C"), At(3, 10), {}, 4, 10, {}},
    };
    // clang-format on
    return C;
}

class ControlCase : public ::testing::TestWithParam<TStreamCase> {};

TEST_P(ControlCase, WholeAndByteByByteGiveTheExpectedScreen) { RunStreamCase(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Controls, ControlCase, ::testing::ValuesIn(Cases()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Controls, AlternateBufferRestoresCellsAndCursorRowIsBlankedFromCursor)
{
    TTermRig R;
    R.Feed("line one\r\nline two");
    R.Term->GotoXY(6, 2);
    R.Feed(Csi("?47h") + Csi("2J") + "full screen app" + Csi("?47l"));
    EXPECT_EQ(R.Text(1), "line one");
    EXPECT_EQ(R.Text(2), "line");
    EXPECT_EQ(R.Scr().CurX, 6);
}

} // namespace
