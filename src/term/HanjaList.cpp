#include "term/HanjaList.h"

#include <QPainter>

#include <algorithm>

namespace {
constexpr int Margin = 4;     // inside the frame
constexpr int Gap = 8;        // between the number, the character and its meaning
constexpr int MaxWidth = 420; // a long meaning is cut short, not the list made wide
const QChar Wide(0x97D3);     // 韓: as wide as any Hanja
} // namespace

THanjaList::THanjaList(QWidget* Parent) : QWidget(Parent)
{
    setObjectName(QStringLiteral("HanjaList"));
    // The terminal keeps the keyboard: the list is only drawn.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    hide();
}

void THanjaList::Open(const std::vector<THanja>& Candidates, const QFont& Font, const QRect& Cell)
{
    FRows.clear();
    for (const THanja& H : Candidates)
        FRows.push_back({QString::fromUcs4(&H.Char, 1), QString::fromUtf8(H.Meaning)});
    FCurrent = 0;
    setFont(Font);
    const QFontMetrics M(Font);
    int Widest = 0;
    for (const TRow& R : FRows) Widest = std::max(Widest, M.horizontalAdvance(R.Meaning));
    const int Rows = std::min(Count(), PageSize) + 1; // and the page line
    resize(std::min(MeaningX() + Widest + Margin, MaxWidth), Rows * RowHeight() + 2 * Margin);
    Place(Cell);
    show();
    raise();
    update();
}

void THanjaList::Place(const QRect& Cell)
{
    const QSize Room = parentWidget() ? parentWidget()->size() : size();
    int Y = Cell.bottom() + 1;
    if (Y + height() > Room.height()) Y = std::max(0, Cell.top() - height());
    const int X = std::clamp(Cell.left(), 0, std::max(0, Room.width() - width()));
    move(X, Y);
}

int THanjaList::RowHeight() const { return QFontMetrics(font()).height() + 2; }

int THanjaList::HanjaX() const
{
    return Margin + QFontMetrics(font()).horizontalAdvance(QLatin1Char('9')) + Gap;
}

int THanjaList::MeaningX() const
{
    return HanjaX() + QFontMetrics(font()).horizontalAdvance(Wide) + 2 + Gap;
}

THanjaList::TKey THanjaList::Key(int QtKey, Qt::KeyboardModifiers Modifiers, int& Choice)
{
    if (Modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        const bool Alone =
            QtKey == Qt::Key_Control || QtKey == Qt::Key_Alt || QtKey == Qt::Key_Meta;
        return Alone ? TKey::Taken : TKey::NotMine;
    }
    switch (QtKey) {
    case Qt::Key_Escape: return TKey::Cancelled;
    case Qt::Key_Return:
    case Qt::Key_Enter: Choice = FCurrent; return TKey::Chosen;
    case Qt::Key_Up: Move(FCurrent - 1); return TKey::Taken;
    case Qt::Key_Down: Move(FCurrent + 1); return TKey::Taken;
    case Qt::Key_Left:
    case Qt::Key_PageUp: Move((Page() - 1) * PageSize); return TKey::Taken;
    case Qt::Key_Right:
    case Qt::Key_PageDown: Move((Page() + 1) * PageSize); return TKey::Taken;
    case Qt::Key_Shift:
    case Qt::Key_CapsLock: return TKey::Taken; // part of the next key
    default: break;
    }
    if (QtKey >= Qt::Key_1 && QtKey <= Qt::Key_9) {
        const int Index = Page() * PageSize + (QtKey - Qt::Key_1);
        if (Index >= Count()) return TKey::Taken;
        Choice = Index;
        return TKey::Chosen;
    }
    return TKey::NotMine;
}

void THanjaList::Move(int To)
{
    if (To < 0 || To >= Count()) return;
    FCurrent = To;
    update();
}

void THanjaList::paintEvent(QPaintEvent*)
{
    QPainter P(this);
    const QPalette& Pal = palette();
    P.fillRect(rect(), Pal.color(QPalette::Base));
    P.setPen(Pal.color(QPalette::Mid));
    P.drawRect(rect().adjusted(0, 0, -1, -1));
    const QFontMetrics M(font());
    const int H = RowHeight();
    const int First = Page() * PageSize;
    for (int Row = 0; Row < PageSize && First + Row < Count(); ++Row) {
        const int I = First + Row;
        const QRect Line(1, Margin + Row * H, width() - 2, H);
        const bool Current = I == FCurrent;
        if (Current) P.fillRect(Line, Pal.color(QPalette::Highlight));
        P.setPen(Pal.color(Current ? QPalette::HighlightedText : QPalette::Text));
        const TRow& R = FRows[static_cast<std::size_t>(I)];
        const int Base = Line.top() + 1 + M.ascent();
        P.drawText(Margin, Base, QString::number(Row + 1));
        P.drawText(HanjaX(), Base, R.Hanja);
        P.drawText(MeaningX(), Base,
                   M.elidedText(R.Meaning, Qt::ElideRight, width() - MeaningX() - Margin));
    }
    P.setPen(Pal.color(QPalette::PlaceholderText));
    const QRect Footer(Margin, height() - Margin - H, width() - 2 * Margin, H);
    P.drawText(Footer, Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("%1/%2").arg(Page() + 1).arg(Pages()));
}
