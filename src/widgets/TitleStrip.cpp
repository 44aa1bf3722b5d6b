#include "widgets/TitleStrip.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QWindow>

TTitleStrip::TTitleStrip(QWidget* Parent) : QWidget(Parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TTitleStrip::SetText(const QString& Text)
{
    FText = Text;
    update();
}

QSize TTitleStrip::sizeHint() const { return {200, fontMetrics().height() + 6}; }

void TTitleStrip::paintEvent(QPaintEvent*)
{
    QPainter P(this);
    const QPalette& Pal = palette();
    P.fillRect(rect(), Pal.color(QPalette::Highlight));
    P.setPen(Pal.color(QPalette::HighlightedText));
    P.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft,
               fontMetrics().elidedText(FText, Qt::ElideRight, width() - 12));
}

void TTitleStrip::mousePressEvent(QMouseEvent* Event)
{
    FDragArmed = false;
    if (Event->button() != Qt::LeftButton) return;
    const QPoint Global = Event->globalPosition().toPoint();
    FDragArmed = !OnPress || OnPress(Global);
    FPressGlobal = Global;
    FWindowAtPress = window()->pos();
}

// A drag moves the window: through the window manager when it offers that,
// else by hand (no window manager at all).
void TTitleStrip::mouseMoveEvent(QMouseEvent* Event)
{
    if (OnHover) OnHover();
    if (!FDragArmed || !(Event->buttons() & Qt::LeftButton)) return;
    const QPoint Global = Event->globalPosition().toPoint();
    if ((Global - FPressGlobal).manhattanLength() < QApplication::startDragDistance()) return;
    QWindow* Handle = window()->windowHandle();
    if (Handle && Handle->startSystemMove()) {
        FDragArmed = false;
        return;
    }
    window()->move(FWindowAtPress + Global - FPressGlobal);
}

void TTitleStrip::mouseReleaseEvent(QMouseEvent*) { FDragArmed = false; }

void TTitleStrip::mouseDoubleClickEvent(QMouseEvent* Event)
{
    FDragArmed = false;
    if (Event->button() == Qt::LeftButton && OnDoubleClick) OnDoubleClick();
}

void TTitleStrip::leaveEvent(QEvent*)
{
    if (OnLeave) OnLeave();
}

void TTitleStrip::contextMenuEvent(QContextMenuEvent* Event)
{
    if (OnMenu) OnMenu(Event->globalPos());
}
