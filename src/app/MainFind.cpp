// The find bar's side of the window: searching the line list as the words
// change and as the host writes, stepping through the matches with the view
// following, and the status line's hint for a hovered link.
#include "app/FindBar.h"
#include "app/Main.h"
#include "term/TermWidget.h"

#include <QCheckBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// While the host writes, the matches are looked for again at most this often:
// a search of a full scroll-back costs some milliseconds.
constexpr int FindAgainMs = 150;

std::u32string CodePoints(const QString& Text)
{
    const QList<uint> U = Text.toUcs4();
    return std::u32string(U.begin(), U.end());
}
} // namespace

void TMainForm::CreateFindBar()
{
    FindBar = new TFindBar(centralWidget());
    FindBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* Rows = static_cast<QVBoxLayout*>(centralWidget()->layout());
    Rows->insertWidget(Rows->indexOf(StatusLine), FindBar);
    FindBar->hide();
    // New words: no match is current until the first step.
    FindBar->OnChanged = [this] {
        FFinder.Clear();
        FindNow();
        if (!FFinder.Matches().empty()) FindStep(true);
    };
    FindBar->OnStep = [this](bool Forward) { FindStep(Forward); };
    FindBar->OnClose = [this] { CloseFind(); };
    FFindTimer = new QTimer(this);
    FFindTimer->setSingleShot(true);
    FFindTimer->setInterval(FindAgainMs);
    connect(FFindTimer, &QTimer::timeout, this, [this] { FindNow(); });
    Term1->OnLinkHover = [this](const QString& Url) { ShowLinkHint(Url); };
}

void TMainForm::actFindExecute()
{
    const TTerm& Term = Term1->Term();
    if (FindBar->isHidden()) {
        FindBar->show();
        FitWindowToTerm(); // the grid keeps its rows; the window grows by the bar
        if (Term1->SystemInputMethod())
            FindBar->Edit->DropComposer();
        else
            FindBar->Edit->UseComposer(Term1->HangulLayout().Id, Term.HangulMode, AliasInfo.HanEng);
        if (!FindBar->Edit->text().isEmpty()) FindNow();
    }
    FindBar->Edit->setFocus();
    FindBar->Edit->selectAll();
}

// Esc, or the bar's close button: the matches go, and the view returns to
// the live screen and the keyboard to the terminal.
void TMainForm::CloseFind()
{
    if (FindBar->isHidden()) return;
    FFindTimer->stop();
    FindBar->hide();
    FitWindowToTerm();
    FFinder.Clear();
    Term1->ShowMatches(nullptr, -1);
    Term1->Term().LeaveScrollBack();
    Term1->setFocus();
}

void TMainForm::FindNow()
{
    FFindTimer->stop();
    if (FindBar->isHidden()) return;
    FFinder.Search(Term1->Term(), CodePoints(FindBar->Edit->SearchText()),
                   FindBar->ExactCase->isChecked());
    FindShown();
}

void TMainForm::FindShown()
{
    Term1->ShowMatches(&FFinder.Matches(), FFinder.Current());
    FindBar->ShowCount(FFinder.Current() + 1, static_cast<int>(FFinder.Matches().size()));
}

// The next or previous match becomes current and the view moves to show it,
// in the middle when it was out of view.
void TMainForm::FindStep(bool Forward)
{
    TTerm& Term = Term1->Term();
    const TScr& S = Term.Scr;
    const TTextSpot From =
        Forward ? TTextSpot{LineOfRow(Term, 1), 1} : TTextSpot{LineOfRow(Term, S.Row) + 1, 1};
    const int Current = FFinder.Step(Forward, From);
    if (Current >= 0) {
        const TTextSpan& M = FFinder.Matches()[static_cast<std::size_t>(Current)];
        if (RowOfLine(Term, M.From.Line) == 0 || RowOfLine(Term, M.To.Line) == 0) {
            const long long Index = M.From.Line - S.ScrollBack.Dropped;
            const int Top = static_cast<int>(std::max<long long>(0, Index - S.Row / 2));
            Term.ScrollBackTo(std::min(Top, S.ScrollBack.Count - S.Row));
            if (Term.ScrollBar && Term.ScrollBar->Visible())
                Term.ScrollBar->SetPosition(S.ScrollBack.ViewPos);
        }
    }
    FindShown();
}

void TMainForm::ShowLinkHint(const QString& Url) { SetStatusHint(Url); }
