// What the control draws over the canvas: a search's matches and the link
// under the pointer, and Ctrl+click on that link.
#include "term/TermWidget.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <algorithm>

namespace {
const QColor MatchColour(255, 214, 0, 110);
const QColor CurrentColour(255, 120, 0, 170);
const QColor LinkColour(90, 170, 255);
} // namespace

void TermWidget::ShowMatches(const std::vector<TTextSpan>* Matches, int Current)
{
    FMatches = Matches;
    FCurrentMatch = Current;
    update();
}

QRect TermWidget::CellsRect(int Row, int FromCol, int ToCol) const
{
    const TScr& S = FTerm.Scr;
    return QRect((FromCol - 1) * S.CharWidth, (Row - 1) * S.CharHeight,
                 (ToCol - FromCol + 1) * S.CharWidth, S.CharHeight);
}

// The span's cells on the rows in view: filled, or underlined.
void TermWidget::PaintSpan(QPainter& P, const TTextSpan& Span, const QColor& Colour, bool Underline)
{
    const TScr& S = FTerm.Scr;
    for (long long Line = Span.From.Line; Line <= Span.To.Line; ++Line) {
        const int Row = RowOfLine(FTerm, Line);
        if (Row == 0) continue;
        const int From = Line == Span.From.Line ? Span.From.Col : 1;
        const int To = Line == Span.To.Line ? Span.To.Col : S.Col;
        const QRect R = CellsRect(Row, From, To);
        if (Underline)
            P.fillRect(R.left(), R.bottom() - 1, R.width(), 2, Colour);
        else
            P.fillRect(R, Colour);
    }
}

bool TermWidget::ShowsMatches() const
{
    return FMatches && !FMatches->empty() && !FTerm.Scr.Xt.AltScreen;
}

bool TermWidget::PaintsOver() const
{
    return FTerm.Scr.CharWidth > 0 && FTerm.Scr.CharHeight > 0 && (ShowsMatches() || FLink);
}

void TermWidget::PaintOver(QPainter& P, const QRegion& Region)
{
    if (!PaintsOver()) return;
    const bool Matches = ShowsMatches();
    P.setClipRegion(Region);
    // The matches are in the line list; the other screen is not.
    if (Matches) {
        // Only the matches that reach into the view.
        const long long Top = LineOfRow(FTerm, 1), Bottom = LineOfRow(FTerm, FTerm.Scr.Row);
        auto It =
            std::lower_bound(FMatches->begin(), FMatches->end(), Top,
                             [](const TTextSpan& M, long long Line) { return M.To.Line < Line; });
        for (; It != FMatches->end() && It->From.Line <= Bottom; ++It) {
            const bool Current = It - FMatches->begin() == FCurrentMatch;
            PaintSpan(P, *It, Current ? CurrentColour : MatchColour, false);
        }
    }
    if (FLink) PaintSpan(P, FLink->Span, LinkColour, true);
}

// ---------------------------------------------------------------- links

void TermWidget::HoverLink(QPoint Pixel, bool CtrlHeld)
{
    FPointer = Pixel;
    const TScr& S = FTerm.Scr;
    std::optional<TLink> Now;
    TLink Found;
    if (CtrlHeld && S.CharWidth > 0 && S.CharHeight > 0 && rect().contains(Pixel) &&
        LinkAt(FTerm, Pixel.y() / S.CharHeight + 1, Pixel.x() / S.CharWidth + 1, Found))
        Now = Found;
    const bool Same = Now.has_value() == FLink.has_value() &&
                      (!Now || (Now->Span == FLink->Span && Now->Url == FLink->Url));
    if (Same) return;
    // The pointer's shape is the window's otherwise (busy, hidden): kept.
    if (Now && !FLink) {
        FShapeBeforeLink = cursor().shape();
        setCursor(Qt::PointingHandCursor);
    } else if (!Now) {
        setCursor(FShapeBeforeLink);
    }
    FLink = Now;
    update();
    if (OnLinkHover) OnLinkHover(FLink ? QString::fromStdString(FLink->Url) : QString());
}

// A Ctrl+click on a link opens it and goes no further: no selection, no
// report to the host. Any other click is the terminal's as before.
bool TermWidget::ClickLink(const QMouseEvent& Event)
{
    if (Event.button() != Qt::LeftButton || !(Event.modifiers() & Qt::ControlModifier))
        return false;
    HoverLink(Event.position().toPoint(), true);
    if (!FLink) return false;
    const QString Url = QString::fromStdString(FLink->Url);
    if (OpenLink)
        OpenLink(Url);
    else
        QDesktopServices::openUrl(QUrl(Url));
    FLinkPressed = true;
    return true;
}
