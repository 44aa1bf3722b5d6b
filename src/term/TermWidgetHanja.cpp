// The terminal control and Hanja conversion: the keys that start it, the
// candidate list's keys while it is open, and the committed syllable that a
// conversion may still replace. Only the built-in composer's syllables are
// converted here; a system input method converts its own, and F9 then goes
// to the host as any function key does.
#include "common/VirtualKeys.h"
#include "term/TermWidget.h"

#include <QKeyEvent>

namespace {

bool AsksForHanja(const QKeyEvent& Event)
{
    const Qt::KeyboardModifiers Held = Event.modifiers() & ~Qt::KeypadModifier;
    return Event.key() == Qt::Key_Hangul_Hanja || (Event.key() == Qt::Key_F9 && Held == 0);
}
} // namespace

void TermWidget::SetHangulLayout(std::string_view Id)
{
    if (!FComposer || &HangulLayoutOf(Id) == &FComposer->Layout()) return;
    CloseHanja();
    // A syllable belongs to the layout it was typed in.
    if (FTerm.InputContext == FComposer.get()) FTerm.CommitComposition();
    FComposer->SetLayout(Id);
}

const THangulLayout& TermWidget::HangulLayout() const
{
    return FComposer ? FComposer->Layout() : HangulLayouts[0];
}

// True when the key was the conversion's: the list's keys while it is open,
// the Hanja key and F9 when there is a syllable to convert.
bool TermWidget::HanjaKey(const QKeyEvent& Event)
{
    if (FHanja.IsOpen() && FHanjaList) {
        int Choice = 0;
        switch (FHanjaList->Key(Event.key(), Event.modifiers(), Choice)) {
        case THanjaList::TKey::Chosen: ChooseHanja(Choice); return true;
        case THanjaList::TKey::Cancelled: CloseHanja(); return true;
        case THanjaList::TKey::Taken: return true;
        case THanjaList::TKey::NotMine: CloseHanja(); return false; // and the key acts
        }
    }
    if (!AsksForHanja(Event) || !FComposer || FTerm.InputContext != FComposer.get()) return false;
    if (!FHanja.Open()) return false;
    if (FHanja.Candidates().empty()) { // a syllable no Hanja is read as
        FHanja.Cancel();
        FTerm.Beep();
        return true;
    }
    ShowHanjaList();
    return true;
}

void TermWidget::ShowHanjaList()
{
    QWidget* Over = window();
    if (FHanjaList && FHanjaList->parentWidget() != Over) delete FHanjaList;
    if (!FHanjaList) FHanjaList = new THanjaList(Over);
    const TScr& S = FTerm.Scr;
    const QRect Cell((S.CurX - 1) * S.CharWidth, (S.CurY - 1) * S.CharHeight, 2 * S.CharWidth,
                     S.CharHeight);
    FHanjaList->Open(FHanja.Candidates(), FCanvas.Font(),
                     QRect(mapTo(Over, Cell.topLeft()), Cell.size()));
}

void TermWidget::CloseHanja()
{
    FHanja.Cancel();
    if (FHanjaList) FHanjaList->Close();
}

void TermWidget::ChooseHanja(int Index)
{
    if (FHanjaList) FHanjaList->Close();
    FHanja.Choose(static_cast<std::size_t>(Index));
}

// After a key the terminal took: a syllable that a mode switch committed
// stays convertible, since nothing was typed after it; any other key typed
// something, or moved on.
void TermWidget::FollowCommit(std::uint16_t Key, const std::string& Before, bool ModeBefore)
{
    if (VK::IsModifier(Key)) return;
    const bool Switched = FTerm.HangulMode != ModeBefore && Key != VK::Escape;
    if (Switched && !Before.empty() && FTerm.Scr.CompStr.empty())
        FHanja.Committed(Before);
    else
        FHanja.Forget();
}
