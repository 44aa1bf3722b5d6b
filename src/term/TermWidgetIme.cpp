// The terminal control and input methods.
//
// Qt offers no public way to tell whether a system input method (ibus, fcitx)
// stands behind the widget, nor to read or set its Hangul/English mode. So
// the built-in composer is the input context until the system's shows
// itself: a preedit, or Hangul in a commit, comes only from an input method
// that composes. From then on the system's owns the mode, and the control
// reads it from what arrives: Hangul text means Hangul mode, a plain letter
// key that the input method let through means English.
#include "term/TermWidget.h"

#include "term/QtKeys.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>

namespace {
bool HasHangul(const QString& Text)
{
    for (const QChar C : Text) {
        const char16_t U = C.unicode();
        if ((U >= 0xAC00 && U <= 0xD7A3) || (U >= 0x3131 && U <= 0x318E) ||
            (U >= 0x1100 && U <= 0x11FF))
            return true;
    }
    return false;
}
} // namespace

void TermWidget::SetUpInputMethod()
{
    setAttribute(Qt::WA_InputMethodEnabled);
    FComposer = THangulComposer::Create();
    FTerm.InputContext = FComposer.get();
}

void TermWidget::UseSystemInputMethod()
{
    if (SystemInputMethod()) return;
    FTerm.CommitComposition();
    FSystemIm.Mode = true; // it composes Hangul
    FTerm.InputContext = &FSystemIm;
    FTerm.ImeNotify(TTerm::ImnSetConversionMode);
}

void TermWidget::SeeSystemMode(bool Hangul)
{
    if (!SystemInputMethod() || FSystemIm.Mode == Hangul) return;
    FSystemIm.Mode = Hangul;
    FTerm.ImeNotify(TTerm::ImnSetConversionMode);
}

void TermWidget::SeeKey(std::uint16_t Key, TShiftState Shift, const std::string& Chars)
{
    if (Key >= 'A' && Key <= 'Z' && !(Shift & (ssCtrl | ssAlt)) && !Chars.empty())
        SeeSystemMode(false);
}

// The system's input method composes outside the terminal, so its syllable
// is committed by asking it; Qt's plugins deliver the commit at once, before
// the press goes on. Focus changes are committed by Qt itself.
void TermWidget::CommitSystemComposition()
{
    if (SystemInputMethod() && !FSystemIm.Text.empty()) QGuiApplication::inputMethod()->commit();
}

// The same paths as the built-in composer: the commit through the character
// events, the preedit shown at the cursor.
void TermWidget::inputMethodEvent(QInputMethodEvent* Event)
{
    Event->accept();
    const QString Commit = Event->commitString(), Preedit = Event->preeditString();
    FTerm.CommitComposition(); // ours was typed first
    if (!Preedit.isEmpty() || HasHangul(Commit)) UseSystemInputMethod();
    FTerm.CommitText(PrintableCp949(Commit));
    if (!SystemInputMethod()) return;
    FSystemIm.Text = PrintableCp949(Preedit);
    FTerm.SetComposition(FSystemIm.Text);
    if (HasHangul(Commit + Preedit)) SeeSystemMode(true);
}

QVariant TermWidget::inputMethodQuery(Qt::InputMethodQuery Query) const
{
    const TScr& S = FTerm.Scr;
    switch (Query) {
    case Qt::ImEnabled: return true;
    // Where the input method places its candidate or preedit window.
    case Qt::ImCursorRectangle:
        return QRect((S.CurX - 1) * S.CharWidth, (S.CurY - 1) * S.CharHeight, S.CharWidth,
                     S.CharHeight);
    // A terminal has no text around the cursor to offer.
    case Qt::ImSurroundingText:
    case Qt::ImCurrentSelection: return QString();
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition: return 0;
    case Qt::ImHints: return static_cast<int>(Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    default: return QWidget::inputMethodQuery(Query);
    }
}
