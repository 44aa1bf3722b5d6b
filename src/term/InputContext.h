#pragma once
// The input context of the terminal control: whoever holds the Hangul/English
// conversion mode and the syllable being composed. On Linux it is either the
// built-in composer (HangulComposer.h), used while no system input method is
// active, or a system input method (ibus, fcitx) seen through the widget,
// which composes outside the program and delivers preedit and commit text.
// A control without one has no input context at all.
#include <string>

class TInputContext {
public:
    virtual ~TInputContext() = default;

    // The conversion mode: true for Hangul.
    virtual bool Hangul() const = 0;
    // False when the mode cannot be set from the program.
    virtual bool SetHangul(bool Hangul) = 0;

    // Composition inside the program. A system input method composes outside
    // it and keeps these defaults. All text is code page 949.
    //
    // One key as the ASCII character it types on a US keyboard ('r' is ㄱ on
    // the 2-set layout, 'R' is ㄲ); false when the layout leaves it alone.
    virtual bool Compose(char /*Key*/) { return false; }
    // Takes back the last jamo; false when nothing is being composed.
    virtual bool Backspace() { return false; }
    // The text the last Compose finished, handed out once.
    virtual std::string TakeCommit() { return {}; }
    // The syllable being composed; empty when none.
    virtual std::string Preedit() const { return {}; }
    // Ends the composition and returns its text.
    virtual std::string Flush() { return {}; }
    // Ends the composition without its text: something took its place.
    virtual void Discard() {}
};
