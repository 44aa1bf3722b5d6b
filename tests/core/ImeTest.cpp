// Korean input on the terminal control with the built-in composer: what
// reaches the host and in which order, the Hangul/English mode and its keys,
// and the syllable shown at the cursor.
#include "common/Switches.h"
#include "support/ImeRig.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(HangulComposer, LettersBecomeSyllables)
{
    struct TCase {
        const char* Keys;
        const char* Committed;
        const char* Preedit;
    };
    const TCase Cases[] = {
        {"gks", "", "\xC7\xD1"},          // 한
        {"Rk", "", "\xB1\xEE"},           // Shift doubles: 까
        {"r", "", "\xA4\xA1"},            // a lone jamo: ㄱ
        {"dkdk", "\xBE\xC6", "\xBE\xC6"}, // 아 아
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Keys);
        const auto H = THangulComposer::Create();
        ASSERT_TRUE(H);
        std::string Committed;
        for (const char* K = C.Keys; *K; ++K) {
            EXPECT_TRUE(H->Compose(*K));
            Committed += H->TakeCommit();
        }
        EXPECT_EQ(Committed, C.Committed);
        EXPECT_EQ(H->Preedit(), C.Preedit);
        EXPECT_EQ(H->Flush(), C.Preedit);
        EXPECT_EQ(H->Preedit(), "");
    }
    const auto H = THangulComposer::Create();
    EXPECT_FALSE(H->Compose('1')) << "only letters compose";
    EXPECT_FALSE(H->Backspace()) << "nothing to take back";
}

TEST(Ime, TypingHangulSendsCodePage949)
{
    TImeRig R;
    ASSERT_TRUE(R.Term->SetHangulMode(true));
    R.Type("dkssud");
    EXPECT_EQ(R.Socket.Sent, "\xBE\xC8");
    EXPECT_EQ(R.Scr().CompStr, "\xB3\xE7");
    EXPECT_TRUE(R.Downs.empty()) << "composed letters are the composer's";
    R.Key(VK::Space, 0, " ");
    EXPECT_EQ(R.Socket.Sent, "\xBE\xC8\xB3\xE7 ");
    EXPECT_EQ(R.Scr().CompStr, "");
}

// "gks" composes 한; whatever comes next, 한 reaches the host before it.
TEST(Ime, SyllableIsCommittedBeforeAnythingElseActs)
{
    struct TCase {
        const char* Name;
        std::function<void(TImeRig&)> Act;
        std::string Sent;
        bool HangulAfter = true;
    };
    const std::string Han = "\xC7\xD1";
    const TCase Cases[] = {
        {"Space", [](TImeRig& R) { R.Key(VK::Space, 0, " "); }, Han + " "},
        {"Enter", [](TImeRig& R) { R.Key(VK::Return, 0, "\r"); }, Han + "\r"},
        {"arrow", [](TImeRig& R) { R.Key(VK::Up); }, Han + "\x1b[A"},
        {"digit", [](TImeRig& R) { R.Key('1', 0, "1"); }, Han + "1"},
        {"Ctrl+C", [](TImeRig& R) { R.Key('C', ssCtrl, "\x03"); }, Han + "\x03"},
        {"click",
         [](TImeRig& R) {
             Switches.MouseReport = true;
             R.Term->MouseDown(TMouseButton::Left, ssLeft, 0, 0);
         },
         Han + "\x1b[M !!"},
        {"focus loss", [](TImeRig& R) { R.Term->FocusLost(); }, Han},
        {"Shift+PageUp", [](TImeRig& R) { R.Key(VK::Prior, ssShift); }, Han},
        {"Esc", [](TImeRig& R) { R.Key(VK::Escape, 0, "\x1b"); }, Han + "\x1b", false},
        {"Shift+Space switching",
         [](TImeRig& R) {
             R.Term->ShiftSpace = true;
             R.Key(VK::Space, ssShift, " ");
         },
         Han, false},
        {"Backspace takes jamo back, then is a key",
         [](TImeRig& R) {
             for (int I = 0; I < 4; ++I) R.Key(VK::Back, 0, "\x08");
         },
         "\x08"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TImeRig R;
        R.Term->SetHangulMode(true);
        R.Type("gks");
        ASSERT_EQ(R.Socket.Sent, "");
        ASSERT_EQ(R.Scr().CompStr, Han);
        C.Act(R);
        EXPECT_EQ(R.Socket.Sent, C.Sent);
        EXPECT_EQ(R.Scr().CompStr, "");
        EXPECT_EQ(R.Term->HangulMode, C.HangulAfter);
    }
}

// Shift+Space, Esc and the Hangul key against the mode, with and without an
// input context.
TEST(Ime, ModeKeys)
{
    struct TCase {
        const char* Name;
        bool Context, ShiftSpace, Hangul;
        std::uint16_t Vk;
        TShiftState Shift;
        const char* Chars;
        const char* Sent;
        bool Passed;      // OnKeyDown fired
        bool HangulAfter; // HangulMode
        int Notified;     // OnImeChange calls
    };
    const TCase Cases[] = {
        {"Shift+Space switches to Hangul", true, true, false, VK::Space, ssShift, " ", "", false,
         true, 1},
        {"Shift+Space switches to English", true, true, true, VK::Space, ssShift, " ", "", false,
         false, 1},
        {"Shift+Space without ShiftSpace is typed", true, false, false, VK::Space, ssShift, " ",
         " ", true, false, 0},
        {"Shift+Space without a context", false, true, false, VK::Space, ssShift, " ", "", false,
         false, 0},
        {"Esc in Hangul goes to English and out", true, false, true, VK::Escape, 0, "\x1b", "\x1b",
         true, false, 1},
        {"Esc in English is just sent", true, false, false, VK::Escape, 0, "\x1b", "\x1b", true,
         false, 0},
        {"Esc without a context is just sent", false, false, false, VK::Escape, 0, "\x1b", "\x1b",
         true, false, 0},
        {"the Hangul key switches", true, false, false, VK::Hangul, 0, "", "", false, true, 1},
        {"letters in English are typed", true, false, false, 'A', 0, "a", "a", true, false, 0},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TImeRig R;
        if (!C.Context) R.Term->InputContext = nullptr;
        if (C.Hangul) R.Term->SetHangulMode(true);
        R.Changes.clear();
        R.Term->ShiftSpace = C.ShiftSpace;
        R.Key(C.Vk, C.Shift, C.Chars);
        EXPECT_EQ(R.Socket.Sent, C.Sent);
        EXPECT_EQ(!R.Downs.empty(), C.Passed);
        EXPECT_EQ(R.Term->HangulMode, C.HangulAfter);
        EXPECT_EQ(static_cast<int>(R.Changes.size()), C.Notified);
        if (C.Notified) {
            EXPECT_EQ(R.Changes.back(), C.HangulAfter);
        }
    }
}

TEST(Ime, NoInputContextAnswers)
{
    TImeRig R;
    R.Term->InputContext = nullptr;
    EXPECT_TRUE(R.Term->GetHangulMode());
    EXPECT_FALSE(R.Term->HangulMode) << "nothing changes";
    EXPECT_FALSE(R.Term->SetHangulMode(true));
    EXPECT_FALSE(R.Term->HangulMode);
    EXPECT_TRUE(R.Changes.empty());
}

// The syllable is drawn at the cursor in the caret colour only while
// connected; its end repaints the two cells from the buffer either way.
TEST(Ime, CompositionIsDrawnOnlyWhileConnected)
{
    for (const bool Connected : {true, false}) {
        SCOPED_TRACE(Connected);
        TImeRig R;
        R.Socket.IsConnected = Connected;
        R.Term->GotoXY(3, 2);
        R.Canvas.Clear();
        R.Term->SetComposition("\xC7\xD1");
        std::vector<TRecordedCall> Drawn = R.Canvas.Of(TRecordedCall::Text);
        if (Connected) {
            ASSERT_EQ(Drawn.size(), 1u);
            EXPECT_EQ(Drawn[0].Bytes, "\xC7\xD1");
            EXPECT_EQ(Drawn[0].Parts, "12");
            EXPECT_EQ(Drawn[0].X, 2 * 8);
            EXPECT_EQ(Drawn[0].Y, 1 * 16);
            EXPECT_EQ(Drawn[0].Fore, R.Term->CaretColor());
            EXPECT_EQ(Drawn[0].Back, R.Scr().CurBack);
        } else {
            EXPECT_TRUE(Drawn.empty());
        }
        R.Canvas.Clear();
        R.Term->SetComposition("");
        Drawn = R.Canvas.Of(TRecordedCall::Text);
        ASSERT_FALSE(Drawn.empty());
        EXPECT_EQ(Drawn[0].X, 2 * 8);
        EXPECT_EQ(Drawn[0].Y, 1 * 16);
        EXPECT_EQ(Drawn[0].Bytes, "  ") << "the two cells, from the buffer";
    }
}

} // namespace
