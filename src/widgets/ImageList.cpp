#include "widgets/ImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <initializer_list>
#include <numbers>

namespace {

// Rectangles are drawn as whole pixels, so they stay sharp at every integer
// scale; slanted and round parts are antialiased paths on half-pixel lines.
const QColor Edge(0x30, 0x30, 0x30);
const QColor Screen(0x14, 0x18, 0x1C);
const QColor Paper(0xFF, 0xFF, 0xFF);
const QColor Grey(0xB4, 0xB4, 0xB4);
const QColor Light(0xE4, 0xE4, 0xE4);
const QColor Green(0x2E, 0xA0, 0x40);
const QColor Red(0xD8, 0x34, 0x2C);
const QColor Blue(0x2F, 0x6F, 0xC8);
const QColor Yellow(0xF4, 0xC4, 0x28);
const QColor Brown(0xB8, 0x80, 0x38);

class TPen {
public:
    explicit TPen(QPainter& Painter) : P(Painter) {}

    void Fill(int X, int Y, int W, int H, const QColor& C) { P.fillRect(QRect(X, Y, W, H), C); }
    // A one-pixel frame in Edge around a filled inside.
    void Box(int X, int Y, int W, int H, const QColor& Inside, const QColor& Frame = Edge)
    {
        Fill(X, Y, W, H, Frame);
        Fill(X + 1, Y + 1, W - 2, H - 2, Inside);
    }
    void Stroke(std::initializer_list<QPointF> Points, const QColor& C, qreal Width = 1.5)
    {
        P.setPen(QPen(C, Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        P.setBrush(Qt::NoBrush);
        P.drawPolyline(Points.begin(), static_cast<int>(Points.size()));
    }
    void Poly(std::initializer_list<QPointF> Points, const QColor& Inside,
              const QColor& Frame = Qt::transparent)
    {
        P.setPen(Frame.alpha() ? QPen(Frame, 1) : QPen(Qt::NoPen));
        P.setBrush(Inside);
        P.drawPolygon(Points.begin(), static_cast<int>(Points.size()));
    }
    void Disc(qreal X, qreal Y, qreal R, const QColor& Inside, const QColor& Frame = Edge)
    {
        P.setPen(QPen(Frame, 1));
        P.setBrush(Inside);
        P.drawEllipse(QPointF(X, Y), R, R);
    }
    void Path(const QPainterPath& Shape, const QColor& Inside, const QColor& Frame = Edge)
    {
        P.setPen(QPen(Frame, 1));
        P.setBrush(Inside);
        P.drawPath(Shape);
    }
    void Letter(const QRect& Where, const QString& Text, const QColor& C, int Pixels)
    {
        QFont F(QStringLiteral("DejaVu Sans"));
        F.setPixelSize(Pixels);
        F.setBold(true);
        P.setFont(F);
        P.setPen(C);
        P.drawText(Where, Qt::AlignCenter, Text);
    }

    // Recurring parts.
    void Monitor(const QColor& Inside = Screen)
    {
        Box(1, 1, 16, 12, Inside);
        Fill(7, 13, 4, 2, Edge);
        Box(4, 15, 10, 2, Grey);
    }
    void Window(int X, int Y, int W, int H)
    {
        Box(X, Y, W, H, Paper);
        Fill(X + 1, Y + 1, W - 2, 3, Blue);
    }
    void Page(int X, int Y, int W, int H)
    {
        Box(X, Y, W, H, Paper);
        for (int Row = Y + 3; Row < Y + H - 2; Row += 2) Fill(X + 2, Row, W - 4, 1, Grey);
    }
    void Plus(int X, int Y, const QColor& C)
    {
        Fill(X - 1, Y + 2, 8, 4, Paper);
        Fill(X + 2, Y - 1, 4, 8, Paper);
        Fill(X, Y + 3, 6, 2, C);
        Fill(X + 3 - 1, Y, 2, 6, C);
    }
    void ArrowRight(int X, int Y, const QColor& C)
    {
        Fill(X, Y + 3, 5, 3, C);
        Poly({{X + 5.0, Y + 0.0}, {X + 9.0, Y + 4.5}, {X + 5.0, Y + 9.0}}, C);
    }
    void Cross(qreal X, qreal Y, qreal Half, const QColor& C, qreal Width)
    {
        Stroke({{X - Half, Y - Half}, {X + Half, Y + Half}}, C, Width);
        Stroke({{X + Half, Y - Half}, {X - Half, Y + Half}}, C, Width);
    }

    QPainter& P;
};

QPainterPath Gear()
{
    QPainterPath Shape;
    const int Teeth = 8;
    QPolygonF Outline;
    for (int I = 0; I < Teeth * 4; ++I) {
        const qreal A = (I - 0.5) * std::numbers::pi / (Teeth * 2);
        const qreal R = (I % 4 < 2) ? 8.0 : 6.0;
        Outline << QPointF(9 + R * std::cos(A), 9 + R * std::sin(A));
    }
    Shape.addPolygon(Outline);
    Shape.closeSubpath();
    Shape.addEllipse(QPointF(9, 9), 2.5, 2.5);
    return Shape;
}

QPainterPath Bell()
{
    QPainterPath Shape;
    Shape.moveTo(9, 1.5);
    Shape.cubicTo(13.5, 1.5, 13.5, 6, 13.5, 9);
    Shape.cubicTo(13.5, 11.5, 15.5, 13, 16.5, 13.5);
    Shape.lineTo(1.5, 13.5);
    Shape.cubicTo(2.5, 13, 4.5, 11.5, 4.5, 9);
    Shape.cubicTo(4.5, 6, 4.5, 1.5, 9, 1.5);
    return Shape;
}

void Draw(TPen& D, TGlyph G)
{
    switch (G) {
    case TGlyph::Connect:
        D.Fill(0, 8, 3, 2, Edge);
        D.Box(2, 5, 6, 8, Green);
        D.Fill(8, 6, 3, 2, Edge);
        D.Fill(8, 10, 3, 2, Edge);
        D.Box(10, 5, 6, 8, Green);
        D.Fill(15, 8, 3, 2, Edge);
        break;
    case TGlyph::Disconnect:
        D.Fill(0, 8, 2, 2, Edge);
        D.Box(1, 5, 5, 8, Red);
        D.Fill(6, 6, 2, 2, Edge);
        D.Fill(6, 10, 2, 2, Edge);
        D.Box(12, 5, 5, 8, Red);
        D.Fill(16, 8, 2, 2, Edge);
        D.Stroke({{9.5, 4}, {10.5, 7}, {9, 9}, {10, 12}}, Yellow, 1.2);
        break;
    case TGlyph::ReqConnect:
        D.Monitor();
        D.ArrowRight(4, 2, Green);
        break;
    case TGlyph::ReqDisconnect:
        D.Monitor();
        D.Cross(9, 7, 3.5, Red, 2);
        break;
    case TGlyph::FastConnect:
        D.Poly({{11, 0.5}, {3, 10}, {8, 10}, {6, 17.5}, {15, 7}, {10, 7}, {13.5, 0.5}}, Yellow,
               Edge);
        break;
    case TGlyph::New:
        D.Window(1, 1, 14, 13);
        D.Plus(11, 10, Green);
        break;
    case TGlyph::Print:
        D.Box(4, 1, 10, 6, Paper);
        D.Box(1, 6, 16, 8, Light);
        D.Fill(13, 8, 2, 1, Green);
        D.Page(4, 10, 10, 8);
        break;
    case TGlyph::SaveAlias:
        D.Box(1, 1, 16, 16, Blue);
        D.Box(4, 1, 10, 6, Light);
        D.Fill(10, 2, 2, 4, Edge);
        D.Page(3, 9, 12, 8);
        break;
    case TGlyph::MakeLink:
        D.Monitor(Blue);
        D.Box(2, 7, 7, 7, Paper);
        D.Stroke({{4, 12}, {4, 10}, {7, 9.5}}, Blue, 1.4);
        D.Poly({{6, 8}, {8.5, 9.5}, {6, 11}}, Blue);
        break;
    case TGlyph::Help:
        D.Disc(9, 9, 8, Blue);
        D.Letter(QRect(0, 0, 18, 18), QStringLiteral("?"), Paper, 13);
        break;
    case TGlyph::Exit:
        D.Box(2, 1, 10, 16, Light);
        D.Box(3, 2, 7, 15, Brown);
        D.Fill(8, 9, 1, 2, Yellow);
        D.ArrowRight(9, 5, Green);
        break;
    case TGlyph::Copy:
        D.Page(1, 1, 10, 12);
        D.Page(7, 5, 10, 12);
        break;
    case TGlyph::Paste:
        D.Box(1, 2, 13, 15, Brown);
        D.Box(4, 1, 7, 3, Grey);
        D.Page(7, 6, 10, 11);
        break;
    case TGlyph::CopyAndPaste:
        D.Page(1, 1, 8, 9);
        D.Box(8, 6, 10, 12, Brown);
        D.Box(10, 5, 6, 3, Grey);
        D.Page(10, 9, 6, 8);
        D.Stroke({{3.5, 11}, {3.5, 14.5}, {7, 14.5}}, Green, 1.6);
        D.Poly({{6.5, 12}, {9, 14.5}, {6.5, 17}}, Green);
        break;
    case TGlyph::TitleOnly:
        D.Box(1, 6, 16, 6, Blue);
        D.Fill(13, 8, 2, 2, Paper);
        D.Stroke({{5, 4}, {9, 1.5}, {13, 4}}, Edge, 1.2);
        D.Stroke({{5, 14}, {9, 16.5}, {13, 14}}, Edge, 1.2);
        break;
    case TGlyph::FormClose:
        D.Window(1, 1, 16, 16);
        D.Cross(9, 11, 3.5, Red, 2);
        break;
    case TGlyph::FormIcon:
        D.Window(1, 1, 16, 16);
        D.Fill(5, 12, 8, 3, Edge);
        break;
    case TGlyph::FormNormalize:
        D.Window(1, 1, 16, 16);
        D.Box(4, 7, 10, 8, Paper);
        D.Fill(5, 8, 8, 2, Edge);
        break;
    case TGlyph::PopUp:
        D.Box(5, 1, 12, 14, Paper);
        D.Fill(7, 3, 8, 1, Grey);
        D.Fill(6, 6, 10, 3, Blue);
        D.Fill(7, 11, 8, 1, Grey);
        D.Poly({{1, 8}, {1, 17}, {3.5, 14.5}, {5.5, 17.5}, {7, 16.5}, {5, 13.5}, {8, 13.5}}, Paper,
               Edge);
        break;
    case TGlyph::About:
        D.Disc(9, 9, 8, Blue);
        D.Fill(8, 4, 2, 2, Paper);
        D.Fill(8, 7, 2, 7, Paper);
        break;
    case TGlyph::TopMost:
        D.Window(1, 6, 12, 11);
        D.Stroke({{10, 8}, {5, 13}}, Edge, 1.5);
        D.Disc(12.5, 5.5, 4.5, Red);
        D.Disc(11.5, 4.5, 1.2, Paper, Paper);
        break;
    case TGlyph::Option: D.Path(Gear(), Grey); break;
    case TGlyph::SoftScroll:
        D.Page(1, 1, 10, 16);
        D.Poly({{14, 1}, {17.5, 6}, {10.5, 6}}, Blue);
        D.Fill(13, 6, 2, 6, Blue);
        D.Poly({{14, 17}, {17.5, 12}, {10.5, 12}}, Blue);
        break;
    case TGlyph::CrossCaret:
        D.Box(1, 1, 16, 16, Screen);
        D.Fill(9, 2, 1, 14, Yellow);
        D.Fill(2, 11, 14, 1, Yellow);
        D.Fill(7, 7, 5, 5, Yellow);
        break;
    case TGlyph::VisualBeep:
        D.Monitor(Paper);
        D.Poly({{9, 2.5},
                {10.5, 5.5},
                {14, 4},
                {12, 7},
                {15, 9.5},
                {11, 9.5},
                {9, 12},
                {7, 9.5},
                {3, 9.5},
                {6, 7},
                {4, 4},
                {7.5, 5.5}},
               Yellow, Edge);
        break;
    case TGlyph::Beep:
        D.Path(Bell(), Yellow);
        D.Disc(9, 15.5, 1.8, Yellow);
        break;
    case TGlyph::AutoWrap:
        D.Fill(1, 2, 14, 2, Edge);
        D.Fill(1, 7, 9, 2, Edge);
        D.Fill(1, 14, 4, 2, Edge);
        D.Stroke({{11, 3}, {15.5, 3}, {16.5, 4}, {16.5, 13}, {15.5, 15}, {9, 15}}, Blue, 1.6);
        D.Poly({{10, 11.5}, {6.5, 15}, {10, 18}}, Blue);
        break;
    case TGlyph::Font:
        D.Stroke({{2.5, 15.5}, {8, 2}, {10, 2}, {15.5, 15.5}}, Edge, 2.2);
        D.Stroke({{5.5, 10.5}, {12.5, 10.5}}, Edge, 1.8);
        D.Fill(1, 16, 16, 2, Red);
        break;
    case TGlyph::BackColor:
        D.Monitor();
        D.Fill(2, 2, 5, 10, Red);
        D.Fill(7, 2, 4, 10, Green);
        D.Fill(11, 2, 5, 10, Blue);
        break;
    case TGlyph::CaretColor:
        D.Box(1, 1, 16, 16, Screen);
        D.Fill(3, 7, 3, 5, Grey);
        D.Fill(8, 4, 5, 5, Red);
        D.Fill(8, 9, 5, 4, Blue);
        D.Fill(8, 14, 5, 1, Green);
        break;
    case TGlyph::ViewToolbar:
        D.Box(1, 1, 16, 16, Paper);
        D.Fill(2, 2, 14, 5, Light);
        D.Fill(3, 3, 3, 3, Blue);
        D.Fill(7, 3, 3, 3, Green);
        D.Fill(11, 3, 3, 3, Red);
        D.Fill(2, 7, 14, 1, Edge);
        break;
    case TGlyph::ViewStatusBar:
        D.Box(1, 1, 16, 16, Paper);
        D.Fill(2, 11, 14, 1, Edge);
        D.Fill(2, 12, 14, 4, Light);
        D.Fill(3, 13, 6, 2, Grey);
        D.Fill(12, 13, 2, 2, Green);
        break;
    case TGlyph::Reconnect: {
        // The monitor with a circling arrow: the same host once more.
        D.Monitor();
        QPainterPath Arc;
        Arc.arcMoveTo(4.5, 3, 9, 8, 200);
        Arc.arcTo(4.5, 3, 9, 8, 200, -250);
        D.P.setPen(QPen(Green, 1.8, Qt::SolidLine, Qt::RoundCap));
        D.P.setBrush(Qt::NoBrush);
        D.P.drawPath(Arc);
        D.Poly({{3.5, 5.0}, {8.0, 7.5}, {3.5, 10.5}}, Green);
        break;
    }
    case TGlyph::SessionLog:
        // A page being written, with the red dot of a recording.
        D.Page(2, 1, 12, 16);
        D.Disc(13.5, 13.5, 3.5, Red);
        break;
    case TGlyph::EncodingCp949:
        // A sheet of text with the code page's number.
        D.Box(0, 3, 18, 12, Paper);
        D.Letter(QRect(0, 3, 18, 12), QStringLiteral("949"), Blue, 7);
        break;
    case TGlyph::EncodingUtf8:
        D.Box(0, 3, 18, 12, Paper);
        D.Letter(QRect(0, 3, 18, 12), QStringLiteral("U8"), Green, 9);
        break;
    case TGlyph::Find: {
        // A magnifying glass over a line of text.
        D.Page(1, 1, 12, 15);
        D.P.setPen(QPen(Edge, 2.4, Qt::SolidLine, Qt::RoundCap));
        D.P.drawLine(QPointF(12.5, 12.5), QPointF(16.5, 16.5));
        D.Disc(9.5, 9.5, 4.5, QColor(0xC8, 0xE4, 0xFF));
        break;
    }
    case TGlyph::LogView:
        D.Page(3, 1, 13, 16);
        D.Fill(4, 2, 11, 2, Blue);
        D.Fill(1, 4, 3, 1, Edge);
        D.Fill(1, 8, 3, 1, Edge);
        D.Fill(1, 12, 3, 1, Edge);
        break;
    }
}

} // namespace

QImage ImageList::Render(TGlyph Glyph, int Scale)
{
    QImage Image(GlyphSize * Scale, GlyphSize * Scale, QImage::Format_ARGB32_Premultiplied);
    Image.fill(Qt::transparent);
    QPainter P(&Image);
    P.setRenderHint(QPainter::Antialiasing);
    P.scale(Scale, Scale);
    TPen D(P);
    Draw(D, Glyph);
    return Image;
}

QIcon ImageList::Icon(TGlyph Glyph)
{
    QIcon Icon;
    for (const int Scale : {1, 2}) {
        QPixmap Pixmap = QPixmap::fromImage(Render(Glyph, Scale));
        Pixmap.setDevicePixelRatio(Scale);
        Icon.addPixmap(Pixmap);
    }
    return Icon;
}

int TGlyphMenuStyle::pixelMetric(PixelMetric Metric, const QStyleOption* Option,
                                 const QWidget* Widget) const
{
    if (Metric == PM_SmallIconSize) return ImageList::GlyphSize;
    return QProxyStyle::pixelMetric(Metric, Option, Widget);
}
