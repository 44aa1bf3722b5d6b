#include "aux/Log.h"

#include "common/LogSink.h"
#include "term/QtCanvas.h"
#include "text/Cp949.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TfrmLog* frmLog = nullptr;

namespace {

// At most this many updates of the pane a second: while a host floods the
// terminal, the terminal and not its log should get the time.
constexpr int FlushMs = 50;

// The designed face is a Korean serif; the next best is another Korean serif,
// then the terminal's own fallbacks.
QString LogFamily()
{
    for (const QString& F : {QStringLiteral("바탕체"), QStringLiteral("NanumMyeongjo")})
        if (QFontDatabase::hasFamily(F)) return F;
    return QtCanvas::ResolveFamily({});
}

// A log text as pane text ending with a line break. Only CR LF breaks a line;
// any other control character (a host byte logged as a character) shows as
// its control picture rather than breaking the line or vanishing.
QString PaneText(std::string_view Cp949Text)
{
    const QString T = QString::fromStdString(Cp949::ToUtf8(Cp949Text));
    QString Out;
    Out.reserve(T.size() + 1);
    for (qsizetype I = 0; I < T.size(); ++I) {
        const char16_t C = T[I].unicode();
        if (C == u'\r' && I + 1 < T.size() && T[I + 1] == u'\n') {
            Out += u'\n';
            ++I;
        } else if ((C < 0x20 && C != u'\t') || C == 0x7F) {
            Out += QChar(C == 0x7F ? char16_t(0x2421) : char16_t(0x2400 + C));
        } else {
            Out += QChar(C);
        }
    }
    Out += u'\n';
    return Out;
}

// --- The button glyphs, drawn at 16 x 16 logical pixels.

void DrawPage(QPainter& P, const QRectF& R)
{
    P.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    P.setBrush(Qt::white);
    P.drawRect(R);
    P.setPen(QPen(QColor(0x80, 0x80, 0xA0), 1));
    for (qreal Y = R.top() + 3; Y < R.bottom() - 1; Y += 2)
        P.drawLine(QPointF(R.left() + 2, Y), QPointF(R.right() - 2, Y));
}

void DrawClearGlyph(QPainter& P)
{
    DrawPage(P, QRectF(1.5, 0.5, 10, 13));
    P.setPen(QPen(QColor(0xD0, 0x20, 0x20), 2, Qt::SolidLine, Qt::RoundCap));
    P.drawLine(QPointF(8.5, 8.5), QPointF(14.5, 14.5));
    P.drawLine(QPointF(14.5, 8.5), QPointF(8.5, 14.5));
}

void DrawCopyGlyph(QPainter& P)
{
    DrawPage(P, QRectF(0.5, 0.5, 9, 11));
    DrawPage(P, QRectF(5.5, 4.5, 9, 11));
}

QIcon Glyph(void (*Draw)(QPainter&))
{
    QIcon Icon;
    for (const int Scale : {1, 2}) {
        QPixmap Pix(16 * Scale, 16 * Scale);
        Pix.setDevicePixelRatio(Scale);
        Pix.fill(Qt::transparent);
        QPainter P(&Pix);
        P.setRenderHint(QPainter::Antialiasing);
        Draw(P);
        P.end();
        Icon.addPixmap(Pix);
    }
    return Icon;
}

QToolButton* GlyphButton(QToolBar* Bar, const char* Name, const QString& Accessible,
                         void (*Draw)(QPainter&))
{
    auto* B = new QToolButton(Bar);
    B->setObjectName(QString::fromLatin1(Name));
    B->setIcon(Glyph(Draw));
    B->setAccessibleName(Accessible);
    B->setAutoRaise(true);
    // Clicking must not take the focus, nor the selection, from the pane.
    B->setFocusPolicy(Qt::NoFocus);
    Bar->addWidget(B);
    return B;
}

const QPoint DesignedPos(756, 18);

// Moves W's frame to Pos, then as little as keeps it on its screen; the top
// left corner wins when the window is larger than the screen.
void PlaceOnScreen(QWidget& W, QPoint Pos)
{
    const QScreen* Screen = W.screen() ? W.screen() : QGuiApplication::primaryScreen();
    if (Screen) {
        const QRect S = Screen->availableGeometry();
        const QSize Size = W.frameGeometry().size();
        Pos.setX(std::max(S.left(), std::min(Pos.x(), S.right() + 1 - Size.width())));
        Pos.setY(std::max(S.top(), std::min(Pos.y(), S.bottom() + 1 - Size.height())));
    }
    W.move(Pos);
}

} // namespace

TfrmLog* TfrmLog::Open(QWidget* Owner)
{
    if (!frmLog) {
        frmLog = new TfrmLog(Owner);
        frmLog->show();
        // Only a shown window knows its frame: place it again, frame included.
        PlaceOnScreen(*frmLog, DesignedPos);
    }
    frmLog->show();
    frmLog->raise();
    frmLog->activateWindow();
    return frmLog;
}

TfrmLog::TfrmLog(QWidget* Owner) : QWidget(Owner, Qt::Window)
{
    setObjectName(QStringLiteral("frmLog"));
    setWindowTitle(QStringLiteral("Log"));
    // A diagnostic window: closing it, even last, never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    CreateToolBar();
    CreateMemo();
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    Layout->addWidget(ToolBar1);
    Layout->addWidget(Memo1);
    resize(365, 526);
    PlaceOnScreen(*this, DesignedPos);

    FFlushTimer.setSingleShot(true);
    FFlushTimer.setInterval(FlushMs);
    connect(&FFlushTimer, &QTimer::timeout, this, &TfrmLog::Flush);
    SetLogSink([this](std::string_view Line) { AddLine(Line); });
}

TfrmLog::~TfrmLog()
{
    SetLogSink({});
    if (frmLog == this) frmLog = nullptr;
}

void TfrmLog::CreateToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(29);
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->addSeparator()->setObjectName(QStringLiteral("ToolButton2"));
    ToolButton1 = GlyphButton(ToolBar1, "ToolButton1", QStringLiteral("Clear"), DrawClearGlyph);
    ToolButton3 = GlyphButton(ToolBar1, "ToolButton3", QStringLiteral("Copy"), DrawCopyGlyph);
    connect(ToolButton1, &QToolButton::clicked, this, &TfrmLog::ToolButton1Click);
    connect(ToolButton3, &QToolButton::clicked, this, &TfrmLog::ToolButton3Click);
}

void TfrmLog::CreateMemo()
{
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Every append would be an undo step: an unbounded second copy of the log.
    Memo1->setUndoRedoEnabled(false);
    QFont F(LogFamily());
    F.setPixelSize(12);
    Memo1->setFont(F);
    // One empty line, then the line break every added line ends with.
    Memo1->setPlainText(QStringLiteral("\n"));
}

void TfrmLog::AddLine(std::string_view Cp949Text)
{
    const QString Text = PaneText(Cp949Text);
    FPending += Text;
    FPendingLines += static_cast<int>(Text.count(u'\n'));
    // One turn of the event loop may log without end; what waits is bounded too.
    if (FPendingLines >= MaxLines)
        Flush();
    else if (!FFlushTimer.isActive())
        FFlushTimer.start();
}

void TfrmLog::Flush()
{
    FFlushTimer.stop();
    if (FPending.isEmpty()) return;
    QScrollBar* V = Memo1->verticalScrollBar();
    const bool Following = V->value() == V->maximum();
    // A separate cursor: the user's caret and selection stay where they are.
    QTextCursor C(Memo1->document());
    C.movePosition(QTextCursor::End);
    // Text the user typed on the last line stays a line of its own.
    if (!C.block().text().isEmpty()) C.insertBlock();
    C.insertText(FPending); // one edit for the batch: Qt lays out once
    FPending.clear();
    FPendingLines = 0;
    Trim();
    if (Following) V->setValue(V->maximum());
}

void TfrmLog::Trim()
{
    const int Excess = Memo1->document()->blockCount() - MaxLines;
    if (Excess <= TrimLines) return;
    QTextCursor C(Memo1->document());
    C.movePosition(QTextCursor::Start);
    C.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, Excess);
    C.removeSelectedText();
}

void TfrmLog::ToolButton1Click()
{
    FFlushTimer.stop();
    FPending.clear();
    FPendingLines = 0;
    Memo1->clear();
}

void TfrmLog::ToolButton3Click()
{
    const QTextCursor C = Memo1->textCursor();
    if (C.hasSelection()) QGuiApplication::clipboard()->setText(C.selection().toPlainText());
}

void TfrmLog::showEvent(QShowEvent* Event)
{
    Flush();
    QWidget::showEvent(Event);
}
