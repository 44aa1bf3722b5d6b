#include "term/HanjaConversion.h"

#include "common/Switches.h"
#include "common/VirtualKeys.h"
#include "term/Term.h"
#include "text/Cp949.h"

bool THanjaConversion::Open()
{
    Cancel();
    TInputContext* Ic = FTerm.InputContext;
    if (!Ic) return false;
    std::string Syllable = Ic->Preedit();
    FComposing = !Syllable.empty();
    if (!FComposing && FTerm.Scr.CurX == FLastX && FTerm.Scr.CurY == FLastY) Syllable = FLast;
    const char32_t U = SyllableOf(Syllable);
    if (!U) return false;
    FCandidates = HanjaCandidates(U, Switches.HostEncoding != THostEncoding::Utf8);
    FOpen = true;
    return true;
}

void THanjaConversion::Cancel()
{
    FOpen = false;
    FCandidates.clear();
}

void THanjaConversion::Choose(std::size_t I)
{
    if (!FOpen || I >= FCandidates.size()) return;
    const char32_t U = FCandidates[I].Char;
    const bool Composing = FComposing;
    Cancel();
    if (Composing && FTerm.InputContext) {
        FTerm.InputContext->Discard();
        FTerm.SetComposition({});
    } else if (!Composing && FQuiet) {
        Backspace();
    }
    Forget();
    Send(U);
}

void THanjaConversion::Committed(const std::string& Syllable)
{
    FLast = SyllableOf(Syllable) ? Syllable : std::string();
    FLastX = FTerm.Scr.CurX;
    FLastY = FTerm.Scr.CurY;
    FQuiet = true;
}

// The Backspace key's own way, so the host gets what that key sends.
void THanjaConversion::Backspace()
{
    std::uint16_t Key = VK::Back;
    FTerm.KeyDown(Key, 0);
    std::uint8_t Ch = 0x08;
    FTerm.KeyPress(Ch);
    FTerm.SkipKeyPress = false;
}

// Typed text, as a committed syllable is, when code page 949 holds it.
void THanjaConversion::Send(char32_t U)
{
    if (const std::uint16_t Pair = Cp949::PairOf(U)) {
        const char Bytes[2] = {static_cast<char>(Pair >> 8), static_cast<char>(Pair & 0xFF)};
        FTerm.CommitText(std::string_view(Bytes, 2));
    } else if (OnUnicodeChar) {
        OnUnicodeChar(U);
    }
}
