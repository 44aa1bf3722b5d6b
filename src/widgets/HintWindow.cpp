#include "widgets/HintWindow.h"

#include "term/QtCanvas.h"

#include <QFontMetrics>

#include <algorithm>

THintWindow::THintWindow(QWidget* Parent)
    : QLabel(Parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setMargin(2);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
    setAttribute(Qt::WA_ShowWithoutActivating);
    SetColor(0x00E1FFFF); // the desktop's hint yellow
}

void THintWindow::SetColor(TColor Color)
{
    QPalette P = palette();
    P.setColor(QPalette::Window, QtCanvas::ToQColor(Color));
    P.setColor(QPalette::WindowText, Qt::black);
    setPalette(P);
}

void THintWindow::SetMaxWidth(int Width) { FMaxWidth = std::max(1, Width); }

void THintWindow::ActivateHint(const QPoint& At, const QString& Text)
{
    setText(Text);
    const int Chrome = 2 * (frameWidth() + margin());
    const QRect Natural =
        fontMetrics().boundingRect(QRect(0, 0, FMaxWidth - Chrome, 100000), Qt::TextWordWrap, Text);
    setWordWrap(true);
    setFixedSize(std::min(FMaxWidth, Natural.width() + Chrome), Natural.height() + Chrome);
    move(At);
    show();
    raise();
}
