// The input method of the terminal control: the Hangul/English mode, the
// syllable shown at the cursor while it is composed, and the rule that it is
// committed before anything else acts.
#include "term/Term.h"

#include "common/LogSink.h"
#include "common/VirtualKeys.h"

#include <string>

namespace {
void WriteLog(std::string_view Text)
{
    if (LogEnabled()) LogToSink(Text);
}
} // namespace

bool TTerm::GetHangulMode()
{
    if (!InputContext) return true;
    HangulMode = InputContext->Hangul();
    ShowCaret(); // the caret shows the mode
    return HangulMode;
}

bool TTerm::SetHangulMode(bool Hangul)
{
    if (!InputContext) return false;
    // A syllable belongs to the mode it was typed in.
    CommitComposition();
    if (!InputContext->SetHangul(Hangul)) return false;
    HangulMode = Hangul;
    ShowCaret();
    ImeNotify(ImnSetConversionMode);
    return true;
}

void TTerm::ImeNotify(int Code)
{
    WriteLog("Notify:" + std::to_string(Code));
    const bool Status = GetHangulMode();
    if (OnImeChange) OnImeChange(Status);
}

void TTerm::SetComposition(std::string_view Preedit)
{
    if (Preedit == Scr.CompStr) return;
    const int Old = static_cast<int>(Scr.CompStr.size());
    const int New = static_cast<int>(Preedit.size());
    if (New == 0) {
        WriteLog("WMIMEEndComp");
        Scr.CompStr.clear();
        DrawCells(Scr.CurX, Scr.CurX + Old - 1); // the cells it covered
        ShowCaret();
        return;
    }
    if (Old == 0) WriteLog("WMIMEStartComp");
    WriteLog("WMIMEComp");
    Scr.CompStr = Preedit;
    if (Old > New) DrawCells(Scr.CurX + New, Scr.CurX + Old - 1);
    DrawCompStr();
}

void TTerm::CommitText(std::string_view Bytes)
{
    for (const char C : Bytes) {
        std::uint8_t Ch = static_cast<std::uint8_t>(C);
        KeyPress(Ch);
    }
}

void TTerm::CommitComposition()
{
    if (!InputContext) return;
    CommitText(InputContext->Flush());
    SetComposition(InputContext->Preedit());
}

namespace {
// The character a key types on a US keyboard, which Korean keyboards share
// and libhangul's layouts are written for; 0 for a key that types none.
char UsKeyChar(std::uint16_t Key, bool Shift)
{
    if (Key >= 'A' && Key <= 'Z') return static_cast<char>(Shift ? Key : Key - 'A' + 'a');
    if (Key >= '0' && Key <= '9') return Shift ? ")!@#$%^&*("[Key - '0'] : static_cast<char>(Key);
    struct TPunct {
        std::uint16_t Vk;
        char Plain, Shifted;
    };
    static constexpr TPunct Punct[] = {
        {VK::Oem1, ';', ':'},     {VK::OemPlus, '=', '+'},   {VK::OemComma, ',', '<'},
        {VK::OemMinus, '-', '_'}, {VK::OemPeriod, '.', '>'}, {VK::Oem2, '/', '?'},
        {VK::Oem3, '`', '~'},     {VK::Oem4, '[', '{'},      {VK::Oem5, '\\', '|'},
        {VK::Oem6, ']', '}'},     {VK::Oem7, '\'', '"'}};
    for (const TPunct& P : Punct)
        if (P.Vk == Key) return Shift ? P.Shifted : P.Plain;
    return 0;
}
} // namespace

bool TTerm::ComposeKey(std::uint16_t Key, TShiftState Shift)
{
    if (!InputContext || (Shift & (ssCtrl | ssAlt))) return false;
    bool Taken = false;
    if (Key == VK::Back) {
        Taken = InputContext->Backspace();
    } else if (const char C = UsKeyChar(Key, Shift & ssShift); C && InputContext->Hangul()) {
        // Shift picks the doubled and the extra jamo (R is ㄲ, O is ㅒ on
        // the 2-set layout); the 3-set layouts use the digits and
        // punctuation keys too.
        Taken = InputContext->Compose(C);
    }
    if (!Taken) return false;
    CommitText(InputContext->TakeCommit());
    SetComposition(InputContext->Preedit());
    SkipKeyPress = true; // the key's own character is the composer's now
    return true;
}
