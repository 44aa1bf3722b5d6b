#pragma once
// The built-in Hangul composer: the 2-set (두벌식) keyboard over libhangul,
// the input context of the terminal control while no system input method is
// active. It composes letters into syllables and hands out code page 949
// text; which keys reach it, and when, is the terminal control's business.
#include "term/InputContext.h"

#include <memory>
#include <string>

struct _HangulInputContext;

class THangulComposer : public TInputContext {
public:
    // Null when libhangul cannot give a 2-set input context.
    static std::unique_ptr<THangulComposer> Create();
    ~THangulComposer() override;
    THangulComposer(const THangulComposer&) = delete;
    THangulComposer& operator=(const THangulComposer&) = delete;

    bool Hangul() const override { return FHangul; }
    bool SetHangul(bool Hangul) override
    {
        FHangul = Hangul;
        return true;
    }
    bool Compose(char Letter) override;
    bool Backspace() override;
    std::string TakeCommit() override;
    std::string Preedit() const override;
    std::string Flush() override;

private:
    explicit THangulComposer(_HangulInputContext* Ic) : FIc(Ic) {}
    _HangulInputContext* FIc;
    bool FHangul = false; // English at start, as the system's input methods start
    std::string FCommit;
};
