#include "term/HangulComposer.h"

#include "text/Cp949.h"

#include <hangul.h>

namespace {
// libhangul's strings are zero-terminated UCS-4; every syllable and
// compatibility jamo of the 2-set keyboard is in code page 949.
std::string ToCp949(const ucschar* Text)
{
    std::u32string S;
    for (; Text && *Text; ++Text) S += static_cast<char32_t>(*Text);
    return Cp949::FromUnicode(S);
}
} // namespace

std::unique_ptr<THangulComposer> THangulComposer::Create()
{
    HangulInputContext* Ic = hangul_ic_new("2");
    if (!Ic) return nullptr;
    return std::unique_ptr<THangulComposer>(new THangulComposer(Ic));
}

THangulComposer::~THangulComposer() { hangul_ic_delete(FIc); }

bool THangulComposer::Compose(char Letter)
{
    // Only letters: any other key would make libhangul commit and swallow it,
    // and the terminal must see that key itself, after the syllable.
    const bool IsLetter = (Letter >= 'a' && Letter <= 'z') || (Letter >= 'A' && Letter <= 'Z');
    if (!IsLetter || !hangul_ic_process(FIc, Letter)) return false;
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
