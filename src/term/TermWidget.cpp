#include "term/TermWidget.h"

#include "common/LogSink.h"
#include "term/QtClipboard.h"
#include "term/QtKeys.h"

#include <QApplication>
#include <QBackingStore>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <cstring>

TermWidget::TermWidget(QWidget* Parent)
    : QWidget(Parent),
      FCanvas([this](const QRect& R) { CanvasDrawn(R); }, [this] { CanvasInvalidated(); }),
      FTerm(FCanvas, *this)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    SetUpInputMethod();
    FSteady.start();
    Clock = [this] { return FSteady.elapsed(); };
    FFrameTimer.setSingleShot(true);
    connect(&FFrameTimer, &QTimer::timeout, this, [this] { PaintFrame(false); });
    FFlashTimer.setSingleShot(true);
    connect(&FFlashTimer, &QTimer::timeout, this, [this] { FCanvas.Invalidate(); });
    FSettleTimer.setSingleShot(true);
    FSettleTimer.setInterval(0);
    connect(&FSettleTimer, &QTimer::timeout, this, &TermWidget::Settle);
}

TermWidget::~TermWidget() { delete FHanjaList; }

QSize TermWidget::sizeHint() const
{
    return FCanvas.Image().isNull() ? QWidget::sizeHint() : FCanvas.Image().size();
}

// ---------------------------------------------------------------- host

void TermWidget::SetFocus() { setFocus(); }

void TermWidget::ResizeControl(int Width, int Height)
{
    // The image first: the terminal draws at the new size before Qt delivers
    // the resize event of a hidden widget.
    FCanvas.Resize(QSize(Width, Height));
    setFixedSize(Width, Height);
}

void TermWidget::SystemBeep() { QApplication::beep(); }

// The inverted row stays until the paint request repaints it from the cells.
void TermWidget::EndFlashAfter(int Milliseconds)
{
    if (!FFlashTimer.isActive()) FFlashTimer.start(std::clamp(Milliseconds, 0, 1000));
}

void TermWidget::SetClipboardText(const std::string& Text) { QtClipboard::SetText(Text); }

// ---------------------------------------------------------------- paint

namespace {

// Qt's raster engine hands a copy taller than about a hundred rows to its
// thread pool and waits for it; for a terminal's rows the hand-off costs more
// than the copy (and the echo waits for it), so tall rectangles go in bands.
void Blit(QPainter& P, const QImage& Image, const QRect& R)
{
    constexpr int Band = 64;
    for (int Y = R.top(); Y <= R.bottom(); Y += Band) {
        const QRect Part(R.left(), Y, R.width(), std::min(Band, R.bottom() + 1 - Y));
        P.drawImage(Part.topLeft(), Image, Part);
    }
}

// Where Qt paints into a 32-bit image, pixel for pixel, the rows are copied
// straight: a cross caret's strips are a dozen painter calls otherwise.
// Offset is where the widget's origin is in Target. False when the target is
// anything else.
bool CopyRows(QPaintDevice* Device, QPoint Offset, const QImage& Image, const QRegion& Region)
{
    if (!Device || Device->devType() != QInternal::Image) return false;
    auto* Target = static_cast<QImage*>(Device);
    // The canvas is opaque 0xffRRGGBB: the same bits in any of these.
    const QImage::Format F = Target->format();
    if (Image.format() != QImage::Format_RGB32 ||
        (F != QImage::Format_RGB32 && F != QImage::Format_ARGB32_Premultiplied &&
         F != QImage::Format_ARGB32) ||
        Target->devicePixelRatio() != 1.0 || Image.devicePixelRatio() != 1.0)
        return false;
    uchar* const To0 = Target->bits();
    const uchar* const From0 = Image.constBits();
    const qsizetype ToLine = Target->bytesPerLine(), FromLine = Image.bytesPerLine();
    for (const QRect& R : Region) {
        const QRect To = R.intersected(Image.rect()).translated(Offset).intersected(Target->rect());
        const QPoint From = To.topLeft() - Offset;
        const auto Bytes = static_cast<std::size_t>(To.width()) * 4;
        for (int Y = 0; Y < To.height(); ++Y)
            std::memcpy(To0 + (To.top() + Y) * ToLine + To.left() * 4,
                        From0 + (From.y() + Y) * FromLine + From.x() * 4, Bytes);
    }
    return true;
}

bool CopyRows(QPainter& P, const QImage& Image, const QRegion& Region)
{
    QPaintEngine* Engine = P.paintEngine();
    const QTransform T = P.deviceTransform();
    if (!Engine || T.type() > QTransform::TxTranslate) return false;
    return CopyRows(Engine->paintDevice(), QPoint(qRound(T.dx()), qRound(T.dy())), Image, Region);
}

} // namespace

void TermWidget::CanvasDrawn(const QRect& Pixels)
{
    if (FInPaint) {
        FDrawnInPaint += Pixels;
        return;
    }
    // A hidden widget gets one full paint request when shown.
    if (!isVisible()) return;
    FPendingCopy += Pixels;
    // Inside a host's block the frame shows it, at the frame's pace.
    if (!FTerm.HoldRedraw) update(Pixels);
}

void TermWidget::CanvasInvalidated()
{
    FPendingRequest = QRegion(rect());
    update();
}

void TermWidget::FlushCopies()
{
    if (FInPaint || FPendingCopy.isEmpty() || !isVisible()) return;
    FCopyOnly = true;
    repaint(FPendingCopy);
    FCopyOnly = false;
    FSettleTimer.start();
    // Qt merged any pending request into that paint; ask for it again.
    if (!FPendingRequest.isEmpty()) update(FPendingRequest);
}

// The window system reads what was just shown from memory it shares with us;
// before the next paint there Qt waits until it has. Waiting now, while the
// host is quiet, takes that round trip off the next echo's way.
void TermWidget::Settle()
{
    QBackingStore* Store = backingStore();
    const QWindow* Window = window()->windowHandle();
    // A window with alpha would have the region cleared by beginPaint; one
    // not painted yet has no image, which endPaint does not check for.
    if (!Store || !Store->paintDevice() || !Window || Window->format().hasAlpha() || !isVisible())
        return;
    const QRegion Mine(QRect(mapTo(window(), QPoint(0, 0)), size()));
    Store->beginPaint(Mine);
    Store->endPaint();
}

// ---------------------------------------------------------------- frames

void TermWidget::BeginHostBlock()
{
    FTerm.HoldRedraw = true;
    FHanja.HostSpoke();
}

void TermWidget::EndHostBlock()
{
    FTerm.HoldRedraw = false;
    // A block after a frame of quiet is shown at once, so an echo never
    // waits; blocks that keep coming are shown once a frame.
    const qint64 Gap = FrameGap();
    const qint64 Since = FFramed ? Clock() - FLastFrame : Gap;
    if (Since >= Gap)
        PaintFrame(true);
    else if (!FFrameTimer.isActive())
        FFrameTimer.start(static_cast<int>(Gap - Since));
}

void TermWidget::PaintFrame(bool AfterQuiet)
{
    FFrameTimer.stop();
    const TScrollBack& Back = FTerm.Scr.ScrollBack;
    const long long Lines = Back.Dropped + Back.Count;
    FRushing = FFramed && Lines - FLinesAtFrame >= FTerm.Scr.Row;
    FLinesAtFrame = Lines;
    FLastFrame = Clock();
    FFramed = true;
    // Something else may have painted in full since (browsing the scroll-back).
    if (FTerm.Scr.RedrawPending) FTerm.ReDrawScreen();
    // After quiet it is likely an echo: the text goes out before the caret
    // moves, and the window system shows it while the caret is drawn.
    if (AfterQuiet) FlushCopies();
    if (OnFrame) OnFrame();
    // Out to the window system now: an echo reaches the screen a pass sooner.
    FlushCopies();
}

void TermWidget::paintEvent(QPaintEvent* Event)
{
    const QRegion Region = Event->region();
    QRegion Outside;
    if (FCopyOnly) {
        FPendingCopy -= Region;
    } else {
        // Whatever is not only a pending copy is a request: ours or an expose.
        const QRegion Request = Region - (FPendingCopy - FPendingRequest);
        FPendingCopy -= Region;
        FPendingRequest -= Region;
        if (!Request.isEmpty()) {
            const QRect B = Request.boundingRect();
            FInPaint = true;
            FDrawnInPaint = QRegion();
            FTerm.Paint(TRect{B.left(), B.top(), B.right() + 1, B.bottom() + 1});
            FInPaint = false;
            // The caret spans whole rows and columns; copy what changed
            // outside this event later, as a plain copy that paints nothing.
            Outside = FDrawnInPaint - Region;
        }
    }
    if (!CopyToWindow(Region)) {
        QPainter P(this);
        const QImage& Image = FCanvas.Image();
        if (!CopyRows(P, Image, Region))
            for (const QRect& R : Region) Blit(P, Image, R);
        for (const QRect& R : Region - QRegion(Image.rect())) P.fillRect(R, Qt::black);
        PaintOver(P, Region);
    }
    if (!Outside.isEmpty()) {
        FPendingCopy += Outside;
        update(Outside);
    }
}

// Into the window's image without a painter, where Qt paints into one and
// nothing goes over the text: setting a painter up costs more than the copy
// of an echo.
bool TermWidget::CopyToWindow(const QRegion& Region)
{
    const QImage& Image = FCanvas.Image();
    if (PaintsOver() || !Image.rect().contains(Region.boundingRect()) || sharedPainter())
        return false;
    QPoint Redirect; // from the window's image to ours
    QPaintDevice* const Window = redirected(&Redirect);
    return CopyRows(Window, -Redirect, Image, Region);
}

void TermWidget::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    FCanvas.Resize(size());
}

void TermWidget::focusInEvent(QFocusEvent* Event)
{
    QWidget::focusInEvent(Event);
    FTerm.FocusGained();
}

void TermWidget::focusOutEvent(QFocusEvent* Event)
{
    CloseHanja();
    const std::string Before = FTerm.Scr.CompStr;
    QWidget::focusOutEvent(Event);
    FTerm.FocusLost();
    // Nothing was typed after it: the syllable stays convertible.
    if (!Before.empty() && FTerm.Scr.CompStr.empty()) FHanja.Committed(Before);
}

// ---------------------------------------------------------------- mouse

namespace {
TShiftState ShiftOf(const QMouseEvent& E)
{
    TShiftState S = 0;
    const Qt::KeyboardModifiers M = E.modifiers();
    if (M & Qt::ShiftModifier) S |= ssShift;
    if (M & Qt::AltModifier) S |= ssAlt;
    if (M & Qt::ControlModifier) S |= ssCtrl;
    const Qt::MouseButtons B = E.buttons();
    if (B & Qt::LeftButton) S |= ssLeft;
    if (B & Qt::RightButton) S |= ssRight;
    if (B & Qt::MiddleButton) S |= ssMiddle;
    return S;
}

TMouseButton ButtonOf(Qt::MouseButton B)
{
    if (B == Qt::RightButton) return TMouseButton::Right;
    if (B == Qt::MiddleButton) return TMouseButton::Middle;
    return TMouseButton::Left;
}

QPoint Pixel(const QMouseEvent& E) { return E.position().toPoint(); }
} // namespace

void TermWidget::mousePressEvent(QMouseEvent* Event)
{
    CloseHanja();
    FHanja.Forget();
    CommitSystemComposition();
    if (ClickLink(*Event)) return;
    const QPoint P = Pixel(*Event);
    FTerm.MouseDown(ButtonOf(Event->button()), ShiftOf(*Event), P.x(), P.y());
}

// Qt sends press, release, double-click, release: the double-click stands for
// the second press.
void TermWidget::mouseDoubleClickEvent(QMouseEvent* Event)
{
    CloseHanja();
    FHanja.Forget();
    CommitSystemComposition();
    const QPoint P = Pixel(*Event);
    FTerm.MouseDown(ButtonOf(Event->button()), ShiftOf(*Event) | ssDouble, P.x(), P.y());
}

void TermWidget::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint P = Pixel(*Event);
    HoverLink(P, Event->modifiers() & Qt::ControlModifier);
    FTerm.MouseMove(ShiftOf(*Event), P.x(), P.y());
}

void TermWidget::mouseReleaseEvent(QMouseEvent* Event)
{
    if (FLinkPressed && Event->button() == Qt::LeftButton) {
        FLinkPressed = false;
        return;
    }
    const QPoint P = Pixel(*Event);
    FTerm.MouseUp(ButtonOf(Event->button()), ShiftOf(*Event), P.x(), P.y());
}

// ---------------------------------------------------------------- keys

// A key without Ctrl or Alt types into the terminal even when the window has
// a shortcut on it; the others are the window's first, when it has one.
bool TermWidget::event(QEvent* Event)
{
    if (Event->type() == QEvent::ShortcutOverride) {
        const Qt::KeyboardModifiers Held = static_cast<QKeyEvent*>(Event)->modifiers();
        if (!(Held & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            Event->accept();
            return true;
        }
    }
    return QWidget::event(Event);
}

// Tab and Shift+Tab are keys for the host, not focus moves.
bool TermWidget::focusNextPrevChild(bool) { return false; }

// The characters follow the key down whatever its handlers did with the key,
// as a translated character follows it on Windows: the main window drops the
// 3 of a Ctrl+C whose key it sent, and SkipKeyPress the character of a key the
// control took for itself.
void TermWidget::leaveEvent(QEvent* Event)
{
    HoverLink(QPoint(-1, -1), false);
    QWidget::leaveEvent(Event);
}

void TermWidget::keyPressEvent(QKeyEvent* Event)
{
    Event->accept();
    if (Event->key() == Qt::Key_Control) HoverLink(FPointer, true);
    if (HanjaKey(*Event)) return;
    const TQtKey K = MapQtKey(Event->key(), Event->modifiers(), Event->text());
    SeeKey(K.Key, K.Shift, K.Chars);
    const std::string Before = FTerm.Scr.CompStr;
    const bool ModeBefore = FTerm.HangulMode;
    if (K.Key != 0) {
        if (LogEnabled()) LogToSink(WmKeyDownLine(K.Key, K.Shift));
        std::uint16_t Key = K.Key;
        FTerm.KeyDown(Key, K.Shift);
    } else if (!K.Chars.empty()) {
        FTerm.CommitComposition(); // text an input method sent as a key
    }
    for (const char C : K.Chars) {
        std::uint8_t Ch = static_cast<std::uint8_t>(C);
        FTerm.KeyPress(Ch);
    }
    // A key without a character must not leave the swallow for the next key.
    FTerm.SkipKeyPress = false;
    FollowCommit(K.Key, Before, ModeBefore);
}

// Releases mean nothing to the terminal, nor to the widgets around it.
void TermWidget::keyReleaseEvent(QKeyEvent* Event)
{
    Event->accept();
    if (Event->key() == Qt::Key_Control) HoverLink(FPointer, false);
}
