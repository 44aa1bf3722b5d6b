#include "app/Logo.h"

#include "term/QtCanvas.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QPixmap BrevanixLogo(qreal Ratio)
{
    const QSize Size(117, 129);
    QPixmap Pix(Size * Ratio);
    Pix.setDevicePixelRatio(Ratio);
    Pix.fill(Qt::transparent);
    QPainter P(&Pix);
    P.setRenderHint(QPainter::Antialiasing);
    P.setRenderHint(QPainter::TextAntialiasing);

    // The window: a rounded screen with a title strip.
    const QRectF Screen(4.5, 8.5, 108, 82);
    QPainterPath Frame;
    Frame.addRoundedRect(Screen, 8, 8);
    QLinearGradient Glass(Screen.topLeft(), Screen.bottomLeft());
    Glass.setColorAt(0, QColor(0x24, 0x2C, 0x3A));
    Glass.setColorAt(1, QColor(0x0C, 0x10, 0x18));
    P.fillPath(Frame, Glass);
    P.setPen(QPen(QColor(0x7A, 0x8C, 0xA8), 2));
    P.drawPath(Frame);
    P.setPen(Qt::NoPen);
    const QColor Dots[] = {QColor(0xE0, 0x5A, 0x50), QColor(0xE8, 0xB9, 0x3A),
                           QColor(0x5C, 0xC0, 0x5A)};
    for (int I = 0; I < 3; ++I) {
        P.setBrush(Dots[I]);
        P.drawEllipse(QPointF(15 + I * 10, 17), 3, 3);
    }

    // The prompt, a syllable and the block caret in the terminal's colours.
    QFont Mono(QtCanvas::ResolveFamily({}));
    Mono.setPixelSize(22);
    Mono.setBold(true);
    P.setFont(Mono);
    P.setPen(QColor(0x5C, 0xC0, 0x5A));
    P.drawText(QRectF(14, 30, 30, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral(">"));
    P.setPen(QColor(0xF0, 0xF0, 0xF0));
    P.drawText(QRectF(36, 30, 44, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("한"));
    P.fillRect(QRectF(84, 42, 12, 22), QColor(0xFF, 0xFF, 0x00));

    // The name under the window.
    QFont Name(QtCanvas::ResolveFamily({}));
    Name.setPixelSize(17);
    Name.setBold(true);
    P.setFont(Name);
    P.setPen(QColor(0xD8, 0xDE, 0xE8));
    P.drawText(QRectF(0, 96, Size.width(), 28), Qt::AlignCenter, QStringLiteral("Brevanix"));
    P.end();
    return Pix;
}

QImage BrevanixIcon(int Size)
{
    const qreal Ratio = Size / 129.0; // the picture's height fills the square
    QImage Logo = BrevanixLogo(Ratio).toImage();
    Logo.setDevicePixelRatio(1); // placed in pixels of the square
    QImage Icon(Size, Size, QImage::Format_ARGB32_Premultiplied);
    Icon.fill(Qt::transparent);
    QPainter P(&Icon);
    P.drawImage(QPointF((Size - Logo.width()) / 2.0, (Size - Logo.height()) / 2.0), Logo);
    P.end();
    return Icon;
}
