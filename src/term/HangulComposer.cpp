#include "term/HangulComposer.h"

#include "text/Cp949.h"

#include <hangul.h>

const std::array<THangulLayout, 5> HangulLayouts{{
    {"2", "두벌식"},
    {"3f", "세벌식 최종"},
    {"39", "세벌식 390"},
    {"3s", "세벌식 순아래"},
    {"ro", "로마자"},
}};

const THangulLayout& HangulLayoutOf(std::string_view Id)
{
    for (const THangulLayout& L : HangulLayouts)
        if (Id == L.Id) return L;
    return HangulLayouts[0];
}

namespace {
// libhangul's strings are zero-terminated UCS-4. Every syllable, jamo and
// symbol of the offered layouts is in code page 949.
std::string ToCp949(const ucschar* Text)
{
    std::u32string S;
    for (; Text && *Text; ++Text) S += static_cast<char32_t>(*Text);
    return Cp949::FromUnicode(S);
}
} // namespace

std::unique_ptr<THangulComposer> THangulComposer::Create(std::string_view Layout)
{
    HangulInputContext* Ic = hangul_ic_new(HangulLayouts[0].Id);
    if (!Ic) return nullptr;
    std::unique_ptr<THangulComposer> C(new THangulComposer(Ic));
    C->SetLayout(Layout);
    return C;
}

THangulComposer::~THangulComposer() { hangul_ic_delete(FIc); }

void THangulComposer::SetLayout(std::string_view Layout)
{
    FLayout = &HangulLayoutOf(Layout);
    hangul_ic_reset(FIc);
    FCommit.clear();
    hangul_ic_select_keyboard(FIc, FLayout->Id);
    LearnKeys();
}

// libhangul takes every printable key, and for one its layout leaves alone
// commits the syllable and types the key itself. The terminal must see such
// a key on its own, after the syllable, so only the keys that become a jamo
// or another character are the composer's. libhangul offers no look-up of
// its tables: each key is tried once, on an input context of its own.
void THangulComposer::LearnKeys()
{
    FTakes.reset();
    HangulInputContext* Probe = hangul_ic_new(FLayout->Id);
    if (!Probe) return;
    for (int Key = 0x21; Key < 0x7F; ++Key) {
        hangul_ic_reset(Probe);
        if (!hangul_ic_process(Probe, Key)) continue;
        const ucschar* Commit = hangul_ic_get_commit_string(Probe);
        const ucschar* Preedit = hangul_ic_get_preedit_string(Probe);
        const bool Itself = Commit && Commit[0] == static_cast<ucschar>(Key) && Commit[1] == 0;
        FTakes[static_cast<std::size_t>(Key)] = (Preedit && *Preedit) || !Itself;
    }
    hangul_ic_delete(Probe);
}

bool THangulComposer::Compose(char Key)
{
    const auto K = static_cast<unsigned char>(Key);
    if (K >= FTakes.size() || !FTakes[K] || !hangul_ic_process(FIc, K)) return false;
    // The commit string lives until the next call: keep it now.
    FCommit += ToCp949(hangul_ic_get_commit_string(FIc));
    return true;
}

bool THangulComposer::Backspace() { return hangul_ic_backspace(FIc); }

std::string THangulComposer::TakeCommit()
{
    std::string S;
    S.swap(FCommit);
    return S;
}

std::string THangulComposer::Preedit() const { return ToCp949(hangul_ic_get_preedit_string(FIc)); }

std::string THangulComposer::Flush()
{
    std::string S = TakeCommit();
    S += ToCp949(hangul_ic_flush(FIc));
    return S;
}

void THangulComposer::Discard()
{
    FCommit.clear();
    hangul_ic_reset(FIc);
}
