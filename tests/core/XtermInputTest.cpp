// The encoder and the answers at the xterm level: xterm's keys with and
// without modifiers and DECCKM, mouse reports in both encodings, bracketed
// paste, and the reports the host asks for.
#include "emulation/Input_VT100.h"
#include "support/RecordingSocket.h"
#include "support/TermFixture.h"

#include <gtest/gtest.h>

namespace {

const std::string E = "\x1b";

struct TXtermKeyRow {
    std::uint16_t Key;
    TShiftState Shift;
    bool CursorKeysApp;
    std::string Sent;
};

const std::vector<TXtermKeyRow>& KeyRows()
{
    // clang-format off
    static const std::vector<TXtermKeyRow> Rows = {
        {VK::Up, 0, false, E + "[A"},             {VK::Up, 0, true, E + "OA"},
        {VK::Left, ssCtrl, true, E + "[1;5D"},    {VK::Home, 0, false, E + "[H"},
        {VK::End, 0, true, E + "OF"},             {VK::Home, ssShift, false, E + "[1;2H"},
        {VK::Insert, 0, false, E + "[2~"},        {VK::Delete, 0, false, E + "[3~"},
        {VK::Prior, 0, false, E + "[5~"},         {VK::Next, ssCtrl, false, E + "[6;5~"},
        {VK::F1, 0, false, E + "OP"},             {VK::F4, ssAlt, false, E + "[1;3S"},
        {VK::F5, 0, false, E + "[15~"},           {VK::F6, 0, false, E + "[17~"},
        {VK::F10, 0, false, E + "[21~"},          {VK::F12, ssShift | ssCtrl, false, E + "[24;6~"},
        {VK::Tab, ssShift, false, E + "[Z"},      {'C', ssCtrl, false, "\x03"},
        {VK::Tab, 0, false, ""},                  {'A', 0, false, ""},
    };
    // clang-format on
    return Rows;
}

struct XtermEncoder : ::testing::Test {
    TTermRig R;
    TRecordingSocket Socket;
    TI_VT100 Input;
    XtermEncoder()
    {
        R.Vt.Input = &Input;
        Switches.XtermLevel = true;
    }
    void Mouse(int Kind, TShiftState Shift, int Col, int Row)
    {
        const int X = (Col - 1) * 8, Y = (Row - 1) * 16;
        if (Kind == 0) Input.MousePress(*R.Term, TMouseButton::Left, Shift, X, Y);
        if (Kind == 1) Input.MouseRelease(*R.Term, TMouseButton::Left, Shift, X, Y);
        if (Kind == 2) Input.MouseMove(*R.Term, Shift | ssLeft, X, Y);
    }
};

TEST_F(XtermEncoder, KeysAsXtermSendsThem)
{
    for (const TXtermKeyRow& Row : KeyRows()) {
        SCOPED_TRACE(::testing::Message() << "key 0x" << std::hex << Row.Key << " shift "
                                          << Row.Shift << " app " << Row.CursorKeysApp);
        Switches.CursorKeysApp = Row.CursorKeysApp;
        std::uint16_t K = Row.Key;
        EXPECT_EQ(Input.KeyDown(*R.Term, K, Row.Shift), Row.Sent.empty() ? Row.Key : 0);
        EXPECT_EQ(Socket.Take(), Row.Sent);
    }
}

TEST_F(XtermEncoder, CursorKeyModeFollowsTheHost)
{
    std::uint16_t K = VK::Down;
    R.Feed("\x1b[?1h");
    Input.KeyDown(*R.Term, K = VK::Down, 0);
    R.Feed("\x1b[?1l");
    Input.KeyDown(*R.Term, K = VK::Down, 0);
    EXPECT_EQ(Socket.Take(), E + "OB" + E + "[B");
}

struct TMouseRow {
    const char* Name;
    std::string Modes;
    std::vector<std::array<int, 4>> Events; // kind (press, release, move), shift, col, row
    std::string Sent;
};

TEST_F(XtermEncoder, MouseReports)
{
    // clang-format off
    const std::vector<TMouseRow> Rows = {
        {"X10 presses only", "?9h", {{0, 0, 1, 1}, {1, 0, 1, 1}}, E + "[M !!"},
        {"normal press and release", "?1000h", {{0, 0, 2, 3}, {1, 0, 2, 3}},
         E + "[M \"#" + E + "[M#\"#"},
        {"SGR with Ctrl", "?1000;1006h", {{0, ssCtrl, 100, 30}, {1, 0, 5, 6}},
         E + "[<16;80;24M" + E + "[<0;5;6m"},
        {"drags once per cell", "?1002;1006h",
         {{2, 0, 4, 4}, {0, 0, 1, 1}, {2, 0, 1, 1}, {2, 0, 2, 1}, {2, 0, 2, 1}, {1, 0, 2, 1}},
         E + "[<0;1;1M" + E + "[<32;2;1M" + E + "[<0;2;1m"},
        {"any motion", "?1003;1006h", {{2, 0, 7, 8}}, E + "[<35;7;8M"},
        {"Shift selects locally", "?1000h", {{0, ssShift, 1, 1}, {1, ssShift, 1, 1}}, ""},
        {"release without press", "?1000h", {{1, 0, 1, 1}}, ""},
        {"off again", "?1000h\x1b[?1000l", {{0, 0, 1, 1}}, ""},
    };
    // clang-format on
    for (const TMouseRow& Row : Rows) {
        SCOPED_TRACE(Row.Name);
        R.Feed("\x1b[" + Row.Modes);
        for (const auto& [Kind, Shift, Col, Row2] : Row.Events)
            Mouse(Kind, static_cast<TShiftState>(Shift), Col, Row2);
        EXPECT_EQ(Socket.Take(), Row.Sent);
        R.Feed("\x1b[?1000;1006l");
    }
}

TEST_F(XtermEncoder, BracketedPasteCannotBeClosedByTheText)
{
    Input.Paste(*R.Term, "ls\r");
    R.Feed("\x1b[?2004h");
    Input.Paste(*R.Term, "a\x1b[201~rm\r");
    EXPECT_EQ(Socket.Take(), "ls\r" + E + "[200~a[201~rm\r" + E + "[201~");
}

TEST_F(XtermEncoder, AnswersToQueries)
{
    R.Feed("\x1b[c\x1b[>c\x1b[5n\x1b[3;7H\x1b[6n\x1b[2;20r\x1b[?6h\x1b[2;1H\x1b[6n");
    EXPECT_EQ(Socket.Take(),
              E + "[?1;2c" + E + "[>0;10;1c" + E + "[0n" + E + "[3;7R" + E + "[2;1R");
}

TEST_F(XtermEncoder, ClassicLevelAnswersNothingAndSendsItsTables)
{
    Switches.XtermLevel = false;
    R.Feed("\x1b[c\x1b[6n");
    std::uint16_t K = VK::F5;
    Input.KeyDown(*R.Term, K, 0);
    Input.KeyDown(*R.Term, K = VK::Up, ssCtrl);
    EXPECT_EQ(Socket.Take(), "\xA6\xA8");
}

} // namespace
