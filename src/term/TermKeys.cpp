// Key intake of the terminal control: the keys it handles itself before the
// main window's key events see them.
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

constexpr TKeyStep OwnKeys[] = {BrowseKey, RepaintKey};
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
