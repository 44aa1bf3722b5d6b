#pragma once
// Converting a syllable of the built-in composer to a Hanja: which syllable
// (the one being composed, or one just committed that nothing followed), the
// candidates the host's encoding can take, and what the host is sent for the
// one chosen. The list on screen and its keys are the widget's.
#include "term/Hanja.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class TTerm;

class THanjaConversion {
public:
    explicit THanjaConversion(TTerm& Term) : FTerm(Term) {}

    // Starts a conversion; false when there is no syllable to convert, and
    // the key that asked for it is an ordinary key. There may be no candidates.
    bool Open();
    bool IsOpen() const { return FOpen; }
    const std::vector<THanja>& Candidates() const { return FCandidates; }
    // Sends candidate I in the syllable's place and ends the conversion.
    void Choose(std::size_t I);
    // Ends the conversion; the syllable stays as it was, composed or sent.
    void Cancel();

    // A syllable committed with nothing typed after it (a mode switch, a
    // focus change): convertible while the cursor stays where it was then.
    void Committed(const std::string& Syllable);
    // The host sent something. A committed syllable it has not answered is
    // in its input unseen, and a Backspace takes it back; once the host has
    // spoken, nobody knows what became of it.
    void HostSpoke() { FQuiet = false; }
    // Something was typed or clicked after the committed syllable.
    void Forget() { FLast.clear(); }

    // A chosen character code page 949 lacks: only a UTF-8 host is offered one.
    std::function<void(char32_t)> OnUnicodeChar;

private:
    void Backspace();
    void Send(char32_t U);

    TTerm& FTerm;
    bool FOpen = false;
    bool FComposing = false; // the open conversion's syllable is being composed
    std::vector<THanja> FCandidates;
    std::string FLast;          // the committed syllable, code page 949
    int FLastX = 0, FLastY = 0; // the cursor when it was committed
    bool FQuiet = true;         // the host has sent nothing since
};
