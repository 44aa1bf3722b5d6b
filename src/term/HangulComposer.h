#pragma once
// The built-in Hangul composer: a libhangul keyboard (2-set, the 3-set
// layouts, romaja), the input context of the terminal control while no
// system input method is active. It composes keys into syllables and hands
// out code page 949 text; which keys reach it, and when, is the terminal
// control's business.
#include "term/InputContext.h"

#include <array>
#include <bitset>
#include <memory>
#include <string>
#include <string_view>

struct _HangulInputContext;

// A keyboard layout as libhangul names it and as a Korean user knows it.
struct THangulLayout {
    const char* Id;   // the profile's value
    const char* Name; // UTF-8, for the host manager and the status line
};
// The layouts offered, the 2-set one first: the default.
extern const std::array<THangulLayout, 5> HangulLayouts;
// The layout of a profile value; an unknown value is the 2-set one.
const THangulLayout& HangulLayoutOf(std::string_view Id);

class THangulComposer : public TInputContext {
public:
    // Null when libhangul cannot give an input context for the layout.
    static std::unique_ptr<THangulComposer> Create(std::string_view Layout = "2");
    ~THangulComposer() override;
    THangulComposer(const THangulComposer&) = delete;
    THangulComposer& operator=(const THangulComposer&) = delete;

    // Drops what is being composed; the caller commits it first.
    void SetLayout(std::string_view Layout);
    const THangulLayout& Layout() const { return *FLayout; }

    bool Hangul() const override { return FHangul; }
    bool SetHangul(bool Hangul) override
    {
        FHangul = Hangul;
        return true;
    }
    bool Compose(char Key) override;
    bool Backspace() override;
    std::string TakeCommit() override;
    std::string Preedit() const override;
    std::string Flush() override;
    void Discard() override;

private:
    explicit THangulComposer(_HangulInputContext* Ic) : FIc(Ic) {}
    void LearnKeys();

    _HangulInputContext* FIc;
    const THangulLayout* FLayout = &HangulLayouts[0];
    // The printable ASCII keys the layout gives a meaning of its own.
    std::bitset<128> FTakes;
    bool FHangul = false; // English at start, as the system's input methods start
    std::string FCommit;
};
