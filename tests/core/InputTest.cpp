// The encoder against a recording socket: key tables, slots, typed bytes and
// mouse reports.
#include "emulation/Input_VT100.h"
#include "support/RecordingSocket.h"
#include "support/TermFixture.h"

#include <gtest/gtest.h>

namespace {

struct TKeyRow {
    std::uint16_t Key;
    int Slot;
    std::string Normal, Application;
};

const std::string E = "\x1b";

// Every non-empty entry of both tables.
const std::vector<TKeyRow>& KeyRows()
{
    // clang-format off
    static const std::vector<TKeyRow> Rows = {
        {VK::Left, 0, E + "[D", E + "OD"},        {VK::Up, 0, E + "[A", E + "OA"},
        {VK::Right, 0, E + "[C", E + "OC"},       {VK::Down, 0, E + "[B", E + "OB"},
        {VK::Prior, 0, E + "[5~", E + "[5~"},     {VK::Next, 0, E + "[6~", E + "[6~"},
        {VK::Home, 0, E + "[H", E + "[H"},        {VK::End, 0, E + "[F", E + "[F"},
        {VK::Delete, 0, "\x7f", "\x7f"},          {VK::Insert, 0, "", E + "[2~"},
        {VK::Left, 4, "\xA6\xA7", "\xA6\xA7"},    {VK::Up, 4, "\xA6\xA8", "\xA6\xA8"},
        {VK::Right, 4, "\xA6\xA9", "\xA6\xA9"},   {VK::Down, 4, "\xA6\xAA", "\xA6\xAA"},
        {VK::Prior, 4, "\xA6\xA4", "\xA6\xA4"},   {VK::Next, 4, "\xA6\xA5", "\xA6\xA5"},
        {VK::Home, 4, "\xA6\xA3", "\xA6\xA3"},    {VK::End, 4, "\xA6\xA6", "\xA6\xA6"},
        {VK::Delete, 4, "\xA6\xA2", "\xA6\xA2"},  {VK::Insert, 4, "\xA6\xA1", "\xA6\xA1"},
        {VK::Clear, 4, "\xA6\xAB", "\xA6\xAB"},   {'C', 4, "\x03", "\x03"},
        {0x70, 0, "", E + "[11~"},                {0x71, 0, "", E + "[12~"},
        {0x72, 0, "", E + "[13~"},                {0x73, 0, "", E + "[14~"},
        {0x74, 0, "", E + "[15~"},                {0x75, 0, "", E + "[17~"},
        {0x76, 0, "", E + "[18~"},                {0x77, 0, "", E + "[19~"},
        {0x78, 0, "", E + "[20~"},                {0x79, 0, "", E + "[21~"},
    };
    // clang-format on
    return Rows;
}

TShiftState ModifiersOf(int Slot)
{
    switch (Slot) {
    case 2: return ssShift;
    case 3: return ssAlt;
    case 4: return ssCtrl;
    case 5: return ssCtrl | ssAlt;
    case 6: return ssShift | ssAlt;
    case 7: return ssShift | ssCtrl;
    default: return 0;
    }
}

struct Encoder : ::testing::Test {
    TTermRig R;
    TRecordingSocket Socket;
    TI_VT100 Input;
    Encoder() { R.Vt.Input = &Input; }
    std::string Press(std::uint16_t Key, TShiftState Shift = 0)
    {
        std::uint16_t K = Key;
        const std::uint16_t Back = Input.KeyDown(*R.Term, K, Shift);
        const std::string Sent = Socket.Take();
        EXPECT_EQ(Back, Sent.empty() ? Key : 0) << "a key that sends is consumed";
        return Sent;
    }
};

TEST_F(Encoder, EveryTableEntryInItsSlotAndNowhereElse)
{
    for (const bool App : {false, true}) {
        Input.SetKeyMap(App ? "vt52" : "vt100");
        for (const TKeyRow& Row : KeyRows()) {
            const std::string& Want = App ? Row.Application : Row.Normal;
            SCOPED_TRACE(::testing::Message() << (App ? "application " : "normal ") << "key 0x"
                                              << std::hex << Row.Key << " slot " << Row.Slot);
            std::uint16_t K = Row.Key;
            EXPECT_EQ(Input.KeyDown(*R.Term, K, ModifiersOf(Row.Slot)), Want.empty() ? Row.Key : 0);
            EXPECT_EQ(Socket.Take(), Want);
            EXPECT_EQ(Input.Entry(Row.Key, Row.Slot), Want);
        }
    }
    // The tables hold nothing else.
    int NonEmpty = 0;
    for (const bool App : {false, true}) {
        Input.SetKeyMap(App ? "vt52" : "vt100");
        for (int Key = 0; Key < 256; ++Key)
            for (int Slot = 0; Slot < 8; ++Slot)
                NonEmpty += !Input.Entry(static_cast<std::uint16_t>(Key), Slot).empty();
    }
    EXPECT_EQ(NonEmpty, 21 + 32);
}

TEST_F(Encoder, SlotChoice)
{
    EXPECT_EQ(TI_VT100::SlotOf(0), 0);
    EXPECT_EQ(TI_VT100::SlotOf(ssShift), 2);
    EXPECT_EQ(TI_VT100::SlotOf(ssAlt), 3);
    EXPECT_EQ(TI_VT100::SlotOf(ssCtrl), 4);
    EXPECT_EQ(TI_VT100::SlotOf(ssCtrl | ssAlt), 5);
    EXPECT_EQ(TI_VT100::SlotOf(ssShift | ssAlt), 6);
    EXPECT_EQ(TI_VT100::SlotOf(ssShift | ssCtrl), 7);
    EXPECT_EQ(TI_VT100::SlotOf(ssShift | ssCtrl | ssAlt), 7);
    EXPECT_EQ(Press(VK::Home, ssCtrl | ssShift), "") << "slot 7 is empty";
    EXPECT_EQ(Press(VK::Up, ssShift), "");
    EXPECT_EQ(Press(VK::Up, ssAlt), "");
}

TEST_F(Encoder, HostSwitchesTheKeypadWithEscEqualsAndGreater)
{
    EXPECT_EQ(Press(VK::Up), E + "[A");
    EXPECT_EQ(Press(0x74), "") << "F5 sends nothing before the application keypad";
    R.Feed("\x1b=");
    EXPECT_TRUE(Input.ApplicationKeys());
    EXPECT_EQ(Press(VK::Up), E + "OA");
    EXPECT_EQ(Press(0x74), E + "[15~");
    EXPECT_EQ(Press(0x75), E + "[17~");
    R.Feed("\x1b>");
    EXPECT_EQ(Press(VK::Up), E + "[A");
    Input.SetKeyMap("VT52");
    EXPECT_FALSE(Input.ApplicationKeys()) << "the name is case-sensitive";
}

TEST_F(Encoder, TypedBytesAndControlC)
{
    EXPECT_EQ(Press('C', ssCtrl), "\x03");
    EXPECT_EQ(Socket.Writes, 0);
    std::uint16_t K = 'C';
    Input.KeyDown(*R.Term, K, ssCtrl);
    EXPECT_EQ(Socket.Writes, 1);
    EXPECT_EQ(Socket.Take(), "\x03") << "exactly one byte";
    for (int B : {0x08, 0x0D, 0xFF, 0xB0}) Input.SendChar(*R.Term, static_cast<std::uint8_t>(B));
    EXPECT_EQ(Socket.Take(), "\x08\x0D\xFF\xB0") << "no doubling, no CR translation";
    EXPECT_EQ(Press('A'), "");
    R.Log.clear();
    Press(VK::Delete);
    EXPECT_EQ(R.Log, std::vector<std::string>{"VT100 : KeyDown : $2E"});
    R.Log.clear();
    Press(0x08);
    EXPECT_EQ(R.Log, std::vector<std::string>{"VT100 : KeyDown : $08"});
}

TEST_F(Encoder, StatusRequestsAreNeverAnswered)
{
    R.Feed("\x1b[6n\x1b[c\x1b[5n\x1b[>c");
    EXPECT_EQ(Socket.Sent, "");
}

TEST_F(Encoder, MouseReports)
{
    ASSERT_EQ(R.Scr().CharWidth, 8);
    ASSERT_EQ(R.Scr().CharHeight, 16);
    Input.MousePress(*R.Term, TMouseButton::Left, 0, 0, 0);
    EXPECT_EQ(Socket.Take(), "") << "no reports without mode 1000";
    R.Feed("\x1b[?1000h");
    Input.MousePress(*R.Term, TMouseButton::Left, 0, 0, 0);
    EXPECT_EQ(Socket.Take(), "\x1b[M\x20\x21\x21");
    Input.MouseRelease(*R.Term, TMouseButton::Left, 0, 15, 31);
    EXPECT_EQ(Socket.Take(), "\x1b[M\x23\x22\x22");
    Input.MousePress(*R.Term, TMouseButton::Left, 0, 79 * 8 + 7, 23 * 16 + 15);
    EXPECT_EQ(Socket.Take(), "\x1b[M\x20\x70\x38"); // column 80, row 24
    Input.MousePress(*R.Term, TMouseButton::Left, ssShift, 0, 0);
    Input.MouseRelease(*R.Term, TMouseButton::Left, ssShift | ssCtrl, 0, 0);
    EXPECT_EQ(Socket.Take(), "") << "Shift leaves the mouse to local selection";
    Input.MousePress(*R.Term, TMouseButton::Left, 0, -40, 5000);
    EXPECT_EQ(Socket.Take(), "\x1b[M\x20\x21\x38") << "outside the grid: the nearest cell";
    R.Feed("\x1b[?1000l");
    Input.MouseRelease(*R.Term, TMouseButton::Left, 0, 0, 0);
    EXPECT_EQ(Socket.Take(), "");
}

TEST(EncoderWithoutSocket, DropsEverything)
{
    TTermRig R;
    TI_VT100 Input;
    ASSERT_EQ(SessionSocket, nullptr);
    std::uint16_t K = VK::Up;
    EXPECT_EQ(Input.KeyDown(*R.Term, K, 0), 0) << "still consumed";
    Input.SendChar(*R.Term, 'a');
    Switches.MouseReport = true;
    Input.MousePress(*R.Term, TMouseButton::Left, 0, 0, 0);
    // The same report reaches a socket once there is one: nothing above was
    // dropped for another reason.
    TRecordingSocket Probe;
    Input.MousePress(*R.Term, TMouseButton::Left, 0, 0, 0);
    EXPECT_EQ(Probe.Take(), "\x1b[M\x20\x21\x21");
}

} // namespace
