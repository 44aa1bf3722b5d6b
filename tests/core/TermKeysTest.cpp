// The terminal control's own key handling: its log lines, the scroll-back
// keys and the keys they swallow, the repaint key, the swallowed character,
// and what the key events receive.
#include "common/VirtualKeys.h"
#include "support/TermFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using TDowns = std::vector<std::pair<std::uint16_t, TShiftState>>;

struct TKeyRecorder {
    TDowns Downs;
    std::string Chars;
    explicit TKeyRecorder(TTerm& T)
    {
        T.OnKeyDown = [this](std::uint16_t& Key, TShiftState Shift) {
            Downs.emplace_back(Key, Shift);
        };
        T.OnKeyPress = [this](std::uint8_t& Ch) { Chars += static_cast<char>(Ch); };
    }
};

std::uint16_t Down(TTermRig& R, std::uint16_t Key, TShiftState Shift)
{
    R.Term->KeyDown(Key, Shift);
    return Key;
}

std::uint8_t Press(TTermRig& R, std::uint8_t Ch)
{
    R.Term->KeyPress(Ch);
    return Ch;
}

TEST(TermKeys, LogLinesAndEvents)
{
    TTermRig R;
    Down(R, VK::F12, 0); // no handlers yet
    TKeyRecorder Rec(*R.Term);
    EXPECT_EQ(Down(R, 'C', ssCtrl | ssLeft), 'C');
    EXPECT_EQ(Press(R, 0xB0), 0xB0);
    Press(R, 0);
    EXPECT_EQ(R.Log, (std::vector<std::string>{"Term : KeyDown : $7B", "Term : KeyDown : $43",
                                               "Term : KeyPress : $B0 - \xB0",
                                               "Term : KeyPress : $00 - "}));
    ASSERT_EQ(Rec.Downs.size(), 1u);
    EXPECT_EQ(Rec.Downs[0], std::make_pair(std::uint16_t{'C'}, TShiftState{ssCtrl | ssLeft}));
    EXPECT_EQ(Rec.Chars, std::string("\xB0\0", 2));

    R.Term->OnKeyDown = [](std::uint16_t& Key, TShiftState) { Key = 0; };
    EXPECT_EQ(Down(R, VK::Up, 0), 0) << "the handler's 0 reaches the caller";
}

struct TBrowseCase {
    const char* Name;
    bool Browsing; // before the key
    std::uint16_t Key;
    TShiftState Shift;
    bool Fired;
    std::uint16_t Passed; // the key OnKeyDown sees
    bool BrowsingAfter;
};

TEST(TermKeys, BrowsingKeys)
{
    const TBrowseCase Cases[] = {
        {"Shift+PageUp enters", false, VK::Prior, ssShift, true, 0, true},
        {"Shift+Up with a button held enters", false, VK::Up, ssShift | ssLeft, true, 0, true},
        {"Shift+PageDown live is swallowed", false, VK::Next, ssShift, false, 0, false},
        {"Shift+Down live is swallowed", false, VK::Down, ssShift, false, 0, false},
        {"Shift+Down back to the newest", true, VK::Down, ssShift, true, 0, false},
        {"Ctrl+Shift+Down is the host's", true, VK::Down, ssShift | ssCtrl, true, VK::Down, true},
        {"Alt+Shift+PageUp is the host's", false, VK::Prior, ssShift | ssAlt, true, VK::Prior,
         false},
        {"Up alone is the host's", false, VK::Up, 0, true, VK::Up, false},
    };
    for (const TBrowseCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TTermRig R;
        R.Term->GotoXY(1, 24);
        for (int I = 0; I < 30; ++I) R.Feed("\r\nL" + std::to_string(I));
        if (C.Browsing) {
            R.Term->EnterScrollBack();
            R.Term->ScrollBackUp(true);
        }
        TKeyRecorder Rec(*R.Term);
        EXPECT_EQ(Down(R, C.Key, C.Shift), C.Passed);
        EXPECT_EQ(R.Scr().ScrollBack.Browsing, C.BrowsingAfter);
        const TDowns Expected = C.Fired ? TDowns{{C.Passed, C.Shift}} : TDowns{};
        EXPECT_EQ(Rec.Downs, Expected);
    }
}

// Nothing older to show: the key enters browsing, moves nothing and leaves
// again, which gives back the cursor and the focus.
TEST(TermKeys, ShiftPageUpOnAFreshScreenEntersAndLeaves)
{
    TTermRig R;
    R.Term->GotoXY(5, 3);
    TKeyRecorder Rec(*R.Term);
    EXPECT_EQ(Down(R, VK::Prior, ssShift), 0);
    EXPECT_FALSE(R.Scr().ScrollBack.Browsing);
    EXPECT_EQ(R.Host.Focus, 1);
    EXPECT_EQ(R.Scr().CurX, 5);
    EXPECT_EQ(R.Scr().CurY, 3);
    EXPECT_EQ(Rec.Downs, (TDowns{{0, ssShift}}));
}

TEST(TermKeys, AltRRepaintsAndGoesOn)
{
    const std::pair<std::uint16_t, TShiftState> Cases[] = {
        {'R', ssAlt}, {'R', ssAlt | ssShift}, {'R', 0}, {'R', ssCtrl}, {'T', ssAlt}};
    for (const auto& [Key, Shift] : Cases) {
        SCOPED_TRACE(testing::Message() << Key << " shift " << Shift);
        TTermRig R;
        TKeyRecorder Rec(*R.Term);
        EXPECT_EQ(Down(R, Key, Shift), Key);
        EXPECT_EQ(std::count(R.Log.begin(), R.Log.end(), "ReDrawScreen"),
                  Key == 'R' && (Shift & ssAlt) ? 1 : 0);
        EXPECT_EQ(Rec.Downs.size(), 1u);
    }
}

TEST(TermKeys, SkipKeyPressSwallowsOneCharacter)
{
    TTermRig R;
    TKeyRecorder Rec(*R.Term);
    EXPECT_FALSE(R.Term->SkipKeyPress);
    R.Term->SkipKeyPress = true;
    EXPECT_EQ(Press(R, ' '), 0);
    EXPECT_EQ(Press(R, 'a'), 'a');
    EXPECT_EQ(Rec.Chars, "a");
    EXPECT_EQ(R.Log,
              (std::vector<std::string>{"Term : KeyPress : $20 -  ", "Term : KeyPress : $61 - a"}));
}

} // namespace
