#pragma once
// The terminal control: a widget that hosts a TTerm and shows its canvas.
//
// Two kinds of paint are kept apart. A paint request (Invalidate() or the
// window system exposing the widget) repaints cells from the buffer and then
// the caret; direct drawing only asks for its changed pixels to be copied.
//
// Host output that scrolls owes the screen a full repaint per received block.
// While more bytes wait those are done at most once a frame, and at once when
// nothing more waits: the screen keeps moving, a flood costs one full paint a
// frame instead of one a block, and an echo is never kept waiting.
//
// Keys reach the terminal as virtual-key codes and code page 949 characters.
// The control keeps Tab, arrows, Enter and Esc from focus moves, and leaves
// the keys with Ctrl or Alt to the window's shortcuts when it has them.
// Korean comes from the built-in composer, or from a system input method
// once one shows itself (TermWidgetIme.cpp); the built-in composer's
// syllables convert to Hanja through a list beside the cursor
// (TermWidgetHanja.cpp).
//
// Over the canvas the control draws what belongs to no cell: the matches of
// a search, and the link under the pointer while Ctrl is held, which
// Ctrl+click opens (TermWidgetFind.cpp).
#include "term/Find.h"
#include "term/HangulComposer.h"
#include "term/HanjaConversion.h"
#include "term/HanjaList.h"
#include "term/QtCanvas.h"
#include "term/Term.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class TermWidget : public QWidget, public TTermHost {
    Q_OBJECT
public:
    explicit TermWidget(QWidget* Parent = nullptr);
    ~TermWidget() override;

    TTerm& Term() { return FTerm; }
    QtCanvas& Canvas() { return FCanvas; }

    // --- TTermHost
    void SetFocus() override;
    void ResizeControl(int Width, int Height) override;
    void SystemBeep() override;
    void EndFlashAfter(int Milliseconds) override;
    void SetClipboardText(const std::string& Cp949) override;

    QSize sizeHint() const override;

    // --- Frames: a received block's full repaint is held from BeginHostBlock
    // to EndHostBlock, which shows it at once when FrameMs have passed since
    // the last frame, and otherwise has a timer show it when they have: at
    // most one frame per FrameMs while blocks keep coming, and an echo after
    // quiet at once. OnFrame follows each frame (the caret, the status line).
    // While the host scrolls a screenful or more between two frames, nobody
    // reads the frames in between: they come every second FrameMs.
    void BeginHostBlock();
    void EndHostBlock();
    int FrameMs = 16; // 0: every block paints
    std::function<void()> OnFrame;
    // What was drawn goes to the window system now, not on the next pass of
    // the event loop.
    void FlushCopies();
    // Milliseconds of a steady clock; a test may stop it.
    std::function<qint64()> Clock;

protected:
    bool event(QEvent* Event) override;
    bool focusNextPrevChild(bool Next) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void inputMethodEvent(QInputMethodEvent* Event) override;

public:
    QVariant inputMethodQuery(Qt::InputMethodQuery Query) const override;
    // The system's input method has shown itself and is the input context.
    bool SystemInputMethod() const { return FTerm.InputContext == &FSystemIm; }

    // The built-in composer's keyboard layout (HangulLayouts); a syllable
    // being composed is committed first.
    void SetHangulLayout(std::string_view Id);
    const THangulLayout& HangulLayout() const;
    // The Hanja key and F9 convert a syllable of the built-in composer.
    THanjaConversion& Hanja() { return FHanja; }
    // The candidate list, once a conversion has shown it.
    THanjaList* HanjaList() const { return FHanjaList; }

    // The matches of a search, drawn over the text, the current one apart;
    // null for none. The control keeps the pointer until told otherwise.
    void ShowMatches(const std::vector<TTextSpan>* Matches, int Current);
    // The link under the pointer while Ctrl is held.
    const std::optional<TLink>& HoveredLink() const { return FLink; }
    // Told the link's target while one is hovered, an empty one after.
    std::function<void(const QString& Url)> OnLinkHover;
    // Opens a link; the desktop's handler unless replaced.
    std::function<void(const QString& Url)> OpenLink;

private:
    // A system input method (ibus, fcitx): Qt can neither read nor set its
    // mode, so the mode is what its text shows and cannot be set from here.
    struct TSystemInputContext : TInputContext {
        bool Mode = false;
        std::string Text; // its preedit
        bool Hangul() const override { return Mode; }
        bool SetHangul(bool) override { return false; }
        std::string Preedit() const override { return Text; }
    };
    void SetUpInputMethod();
    void UseSystemInputMethod();
    void SeeSystemMode(bool Hangul);
    void CommitSystemComposition();
    void SeeKey(std::uint16_t Key, TShiftState Shift, const std::string& Chars);
    bool HanjaKey(const QKeyEvent& Event);
    void ShowHanjaList();
    void CloseHanja();
    void ChooseHanja(int Index);
    void FollowCommit(std::uint16_t Key, const std::string& Before, bool ModeBefore);
    void CanvasDrawn(const QRect& Pixels);
    void CanvasInvalidated();
    void PaintFrame(bool AfterQuiet);
    bool ShowsMatches() const;
    bool PaintsOver() const; // matches or a link are drawn over the text
    bool CopyToWindow(const QRegion& Region);
    void PaintOver(QPainter& P, const QRegion& Region);
    QRect CellsRect(int Row, int FromCol, int ToCol) const;
    void PaintSpan(QPainter& P, const TTextSpan& Span, const QColor& Colour, bool Underline);
    void HoverLink(QPoint Pixel, bool CtrlHeld);
    bool ClickLink(const QMouseEvent& Event);

    // Declared before the canvas and the terminal: the terminal draws and
    // invalidates while it is being constructed.
    QRegion FPendingCopy;
    QRegion FPendingRequest;
    QRegion FDrawnInPaint;
    bool FInPaint = false;
    bool FCopyOnly = false;
    QElapsedTimer FSteady;
    QTimer FFrameTimer;
    QTimer FFlashTimer;  // ends the visual bell's flash
    QTimer FSettleTimer; // waits for the window system while nothing else does
    void Settle();
    qint64 FLastFrame = 0;
    bool FFramed = false;        // FLastFrame holds a frame
    long long FLinesAtFrame = 0; // lines scrolled off the screen, ever, at FLastFrame
    bool FRushing = false;       // a screenful or more went by before FLastFrame
    qint64 FrameGap() const { return FRushing ? 2 * qint64{FrameMs} : FrameMs; }
    // Before the terminal, which points at one of them.
    std::unique_ptr<THangulComposer> FComposer;
    TSystemInputContext FSystemIm;
    QtCanvas FCanvas;
    TTerm FTerm;
    THanjaConversion FHanja{FTerm};
    QPointer<THanjaList> FHanjaList; // a child of the window, over everything
    const std::vector<TTextSpan>* FMatches = nullptr;
    int FCurrentMatch = -1;
    std::optional<TLink> FLink;
    QPoint FPointer; // where the pointer was last seen
    Qt::CursorShape FShapeBeforeLink = Qt::ArrowCursor;
    bool FLinkPressed = false; // a Ctrl+click took the press: its release too
};
