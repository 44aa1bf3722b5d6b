#include "widgets/Led.h"

#include <QPainter>
#include <QRadialGradient>

TLed::TLed(QWidget* Parent) : QWidget(Parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TLed::SetState(TState S)
{
    if (S == FState) return;
    FState = S;
    update();
}

void TLed::paintEvent(QPaintEvent*)
{
    static const QColor Lit[] = {QColor(0x60, 0x60, 0x60), QColor(0x20, 0xD0, 0x20),
                                 QColor(0xE0, 0x20, 0x20)};
    const QColor C = Lit[static_cast<int>(FState)];
    const qreal D = std::min(width(), height()) - 2;
    const QRectF R((width() - D) / 2, (height() - D) / 2, D, D);
    QPainter P(this);
    P.setRenderHint(QPainter::Antialiasing);
    // A highlight up and left, so the lamp reads as a lamp at 12 pixels.
    QRadialGradient G(R.center() - QPointF(D / 5, D / 5), D * 0.7);
    G.setColorAt(0, C.lighter(170));
    G.setColorAt(1, C.darker(130));
    P.setPen(QPen(C.darker(200), 1));
    P.setBrush(G);
    P.drawEllipse(R);
}
