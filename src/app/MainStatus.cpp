// The status line's moving parts: the clock and the pointer hiding of Timer1,
// the mouse cell read-out with its cell inspection, the input mode panel with
// the keyboard layout, and the hint texts routed into StatusHint.
#include "app/Main.h"
#include "term/TermWidget.h"

#include <QLabel>
#include <QTimer>
#include <QToolTip>

QString TMainForm::ClockText(const QDateTime& When, const QLocale& Locale)
{
    const QDate D = When.date();
    const QTime T = When.time();
    const int Hour12 = T.hour() % 12 == 0 ? 12 : T.hour() % 12;
    const QLatin1Char Zero('0');
    return QStringLiteral("%1-%2 (%3) %4 %5:%6:%7")
        .arg(D.month(), 2, 10, Zero)
        .arg(D.day(), 2, 10, Zero)
        .arg(Locale.dayName(D.dayOfWeek(), QLocale::ShortFormat),
             T.hour() < 12 ? Locale.amText() : Locale.pmText(), QString::number(Hour12))
        .arg(T.minute(), 2, 10, Zero)
        .arg(T.second(), 2, 10, Zero);
}

void TMainForm::Timer1Timer()
{
    const QString Now = ClockText(QDateTime::currentDateTime(), QLocale::system());
    if (StatusTime->text() != Now) StatusTime->setText(Now);
    // One to two seconds after the last cell change or press, the pointer
    // leaves the text alone.
    PointerHideTimeout -= Timer1->interval();
    if (PointerHideTimeout < 0) {
        if (Term1->cursor().shape() == Qt::ArrowCursor) Term1->setCursor(Qt::BlankCursor);
        PointerHideTimeout = 0;
    }
}

void TMainForm::ShowPointer()
{
    if (Term1->cursor().shape() != Qt::BlankCursor) return;
    Term1->setCursor(Qt::ArrowCursor);
    LogLine("crDefault");
}

void TMainForm::Term1MouseMove(TShiftState Shift, int X, int Y)
{
    Input.MouseMove(Term1->Term(), Shift, X, Y);
    const TScr& S = Term1->Term().Scr;
    if (S.CharWidth <= 0 || S.CharHeight <= 0) return;
    const QPoint Cell(X / S.CharWidth + 1, Y / S.CharHeight + 1);
    if (Cell == FMouseCell) return;
    PointerHideTimeout = 1000;
    ShowPointer();
    if (Cell.x() < 1 || Cell.x() > S.Col || Cell.y() < 1 || Cell.y() > S.Row) return;
    FMouseCell = Cell;
    StatusMouseCol->setText(QString::number(Cell.x()));
    StatusMouseRow->setText(QString::number(Cell.y()));
    // Ctrl shows the cell's codes, unless it is over a link: then its target.
    if (!(Shift & ssCtrl) || Term1->HoveredLink()) return;
    const TCell& C = S.Lines[Cell.y()]->Cells[Cell.x()];
    SetStatusHint(
        QString::asprintf("Char[0x%02X] Text[0x%06X] Back[0x%06X]", C.Ch, C.Fore, C.Back));
}

void TMainForm::Term1ImeChange(bool Hangul)
{
    StatusIME->setText(Hangul ? QStringLiteral("한") : QStringLiteral("영"));
}

// The panel follows through Term1ImeChange, when the input method lets
// the mode change.
void TMainForm::StatusIMEClick()
{
    TTerm& Term = Term1->Term();
    Term.SetHangulMode(!Term.GetHangulMode());
}

void TMainForm::ApplyHangulLayout(const std::string& Id)
{
    Term1->SetHangulLayout(Id);
    AliasInfo.HangulLayout = Term1->HangulLayout().Id;
    const QString Tip =
        QStringLiteral("한영 상태 (%1)").arg(QString::fromUtf8(Term1->HangulLayout().Name));
    StatusIME->setToolTip(Tip);
    StatusIME->setStatusTip(Tip);
}

// Texts whose first character has the code 1 are not for the status line;
// while a connection attempt runs, its messages stay.
void TMainForm::HintControl(const QString& Hint)
{
    if (!FHints) return;
    if (!Hint.isEmpty() && Hint.front().unicode() == 1) return;
    SetStatusHint(Hint);
}

void TMainForm::SetHints(bool On)
{
    FHints = On;
    if (!On) QToolTip::hideText();
}
