// Key intake of the terminal control: the keys it handles itself before the
// main window's key events see them, the Hangul composition first.
#include "term/Term.h"

#include "common/LogSink.h"
#include "common/VirtualKeys.h"

#include <cstdio>

namespace {
void WriteLog(std::string_view Text)
{
    if (LogEnabled()) LogToSink(Text);
}

constexpr TShiftState KeyModifiers = ssShift | ssAlt | ssCtrl;

// One of the control's own keys. True when the key stops here and nobody
// else sees it; a key set to 0 but not stopped still goes on, as 0.
using TKeyStep = bool (*)(TTerm& Term, std::uint16_t& Key, TShiftState Shift);

// Letters in Hangul mode compose; any other key commits the syllable first,
// so its bytes reach the host before the key's own.
bool CompositionKey(TTerm& Term, std::uint16_t& Key, TShiftState Shift)
{
    if (VK::IsModifier(Key)) return false;
    if (Term.ComposeKey(Key, Shift)) {
        Key = 0;
        return true;
    }
    Term.CommitComposition();
    return false;
}

// Shift+Space with ShiftSpace on switches the mode and types nothing; off, it
// is a key and a space like any other.
bool ShiftSpaceKey(TTerm& Term, std::uint16_t& Key, TShiftState Shift)
{
    if (Key != VK::Space || !(Shift & ssShift) || !Term.ShiftSpace) return false;
    Term.SetHangulMode(!Term.HangulMode);
    Term.SkipKeyPress = true;
    Key = 0;
    return true;
}

// The Hangul key of a Korean keyboard switches the mode of the input context
// and types nothing.
bool HangulKey(TTerm& Term, std::uint16_t& Key, TShiftState)
{
    if (Key != VK::Hangul || !Term.InputContext) return false;
    Term.SetHangulMode(!Term.HangulMode);
    Key = 0;
    return true;
}

// Esc leaves Hangul mode, so a vi user's commands are letters again; the key
// still goes to the host.
bool EscKey(TTerm& Term, std::uint16_t& Key, TShiftState)
{
    if (Key == VK::Escape && Term.GetHangulMode()) Term.SetHangulMode(!Term.HangulMode);
    return false;
}

bool BrowseKey(TTerm& Term, std::uint16_t& Key, TShiftState Shift)
{
    if ((Shift & KeyModifiers) != ssShift) return false;
    const bool Swallowed = Term.ScrollBackKeySwallowed(Key);
    int Browse = Key;
    Term.ScrollBackKey(Browse);
    Key = static_cast<std::uint16_t>(Browse);
    return Swallowed;
}

bool RepaintKey(TTerm& Term, std::uint16_t& Key, TShiftState Shift)
{
    if ((Shift & ssAlt) && Key == 'R') Term.ReDrawScreen();
    return false;
}

constexpr TKeyStep OwnKeys[] = {CompositionKey, ShiftSpaceKey, HangulKey,
                                EscKey,         BrowseKey,     RepaintKey};
} // namespace

void TTerm::KeyDown(std::uint16_t& Key, TShiftState Shift)
{
    if (LogEnabled()) {
        char Line[32];
        std::snprintf(Line, sizeof Line, "Term : KeyDown : $%02X", static_cast<unsigned>(Key));
        WriteLog(Line);
    }
    for (TKeyStep Step : OwnKeys)
        if (Step(*this, Key, Shift)) return;
    if (OnKeyDown) OnKeyDown(Key, Shift);
}

void TTerm::KeyPress(std::uint8_t& Ch)
{
    if (LogEnabled()) {
        char Line[32];
        std::snprintf(Line, sizeof Line, "Term : KeyPress : $%02X - ", static_cast<unsigned>(Ch));
        std::string Text = Line;
        // A log line is text: a NUL would end it early in the pane.
        if (Ch != 0) Text += static_cast<char>(Ch);
        WriteLog(Text);
    }
    if (SkipKeyPress) {
        Ch = 0;
        SkipKeyPress = false;
        return;
    }
    if (OnKeyPress) OnKeyPress(Ch);
}
