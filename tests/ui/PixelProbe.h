#pragma once
// Pixel questions the UI tests ask of the terminal's image.
#include "term/Term.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <memory>

// Pixels inside R (clipped to the image) that differ from Background.
inline int Ink(const QImage& Image, const QRect& R, QRgb Background)
{
    const QRect Area = R.intersected(Image.rect());
    int N = 0;
    for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
        for (int X = Area.left(); X <= Area.right(); ++X)
            if ((Image.pixel(X, Y) & 0xFFFFFF) != (Background & 0xFFFFFF)) ++N;
    return N;
}

// Bounding box of the pixels inside R that differ from Background.
inline QRect InkBounds(const QImage& Image, const QRect& R, QRgb Background)
{
    const QRect Area = R.intersected(Image.rect());
    QRect Box;
    for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
        for (int X = Area.left(); X <= Area.right(); ++X)
            if ((Image.pixel(X, Y) & 0xFFFFFF) != (Background & 0xFFFFFF)) Box |= QRect(X, Y, 1, 1);
    return Box;
}

// Cell Col, Row (1-based) of the terminal, in pixels.
inline QRect CellRect(const TTerm& Term, int Col, int Row, int Cells = 1)
{
    return QRect((Col - 1) * Term.Scr.CharWidth, (Row - 1) * Term.Scr.CharHeight,
                 Cells * Term.Scr.CharWidth, Term.Scr.CharHeight);
}

// What the window system shows of a widget: the platform's own pixels, not a
// render of the widget (which would be a paint request of its own).
inline QImage OnScreen(QWidget* W)
{
    const QPoint Origin = W->mapTo(W->window(), QPoint(0, 0));
    return W->window()
        ->screen()
        ->grabWindow(W->window()->winId(), Origin.x(), Origin.y(), W->width(), W->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

std::unique_ptr<QObject> NewQtCanvasTest();
std::unique_ptr<QObject> NewTermWidgetTest();
