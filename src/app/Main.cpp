// The main window as a window: its creation in order (the client area and
// the status line here, the actions and menus in MainActions.cpp), closing,
// the events it routes to its handlers, and the keys and sizes handled at
// window level.
#include "app/Main.h"
#include "app/FindBar.h"

#include "app/ConnectSignal.h"
#include "app/HelpWindow.h"
#include "app/Logo.h"
#include "app/StartArgs.h"
#include "aux/Log.h"
#include "aux/SessionLog.h"
#include "common/SessionSocket.h"
#include "common/Switches.h"
#include "common/Version.h"
#include "common/VirtualKeys.h"
#include "ssh/SshSession.h"
#include "term/QtCanvas.h"
#include "term/TermWidget.h"
#include "widgets/Dialogs.h"
#include "widgets/HintWindow.h"
#include "widgets/Led.h"
#include "widgets/TitleStrip.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QProcess>
#include <QScrollBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr int StatusLineHeight = 17;
constexpr int ScrollBarWidth = 13;

// The client area lays its parts out itself, as the window's design does:
// the terminal at the top left at its own pixel size, the scroll bar down the
// right edge, the start-up picture over everything. A layout would make the
// terminal's size the window's minimum, and the window could never shrink
// the grid.
class TClientArea : public QWidget {
public:
    TermWidget* Term = nullptr;
    QScrollBar* Bar = nullptr;
    QWidget* Picture = nullptr;
    using QWidget::QWidget;
    QSize minimumSizeHint() const override { return {0, 0}; }
    QSize sizeHint() const override
    {
        const int BarW = Bar && !Bar->isHidden() ? Bar->width() : 0;
        return Term ? Term->size() + QSize(BarW, 0) : QWidget::sizeHint();
    }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        if (Term) Term->move(0, 0);
        const bool BarShown = Bar && !Bar->isHidden();
        if (Bar) Bar->setGeometry(width() - ScrollBarWidth, 0, ScrollBarWidth, height());
        if (Picture)
            Picture->setGeometry(0, 0, width() - (BarShown ? ScrollBarWidth : 0), height());
    }
};

// A status line panel. Its tool-tip is also its hint for the status line.
QLabel* Panel(QWidget* Parent, const char* Name, int Width, const QString& Tip, const QString& Text)
{
    auto* L = new QLabel(Text, Parent);
    L->setObjectName(QString::fromLatin1(Name));
    L->setTextFormat(Qt::PlainText);
    // Fixed in both directions: a new text then repaints the panel alone
    // instead of laying out the whole line again.
    if (Width > 0) L->setFixedSize(Width, StatusLineHeight);
    L->setToolTip(Tip);
    L->setStatusTip(Tip);
    L->setAlignment(Qt::AlignCenter);
    L->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return L;
}

// The scroll bar as the terminal sees it.
class TScrollBarAdapter : public TScrollBarLink {
public:
    explicit TScrollBarAdapter(QScrollBar* B) : Bar(B) {}
    bool Visible() const override { return !Bar->isHidden(); }
    void SetMax(int Max) override { Bar->setMaximum(Max); }
    void SetPosition(int Position) override
    {
        const QSignalBlocker Quiet(Bar); // the terminal moved: no scroll request back
        Bar->setValue(Position);
    }

private:
    QScrollBar* Bar;
};

} // namespace

TMainForm::TMainForm(const QStringList& Args, const std::string& Path, QWidget* Parent)
    : QMainWindow(Parent), IniPath(Path.empty() ? ProfileIniPath() : Path)
{
    setObjectName(QStringLiteral("MainForm"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The window's own font, for its bars and the controls on it.
    QFont Dialog(QtCanvas::ResolveFamily(QStringLiteral("돋움체")));
    Dialog.setPixelSize(12);
    setFont(Dialog);
    StartProcess = [](const QStringList& A) -> qint64 {
        qint64 Pid = 0;
        return QProcess::startDetached(QCoreApplication::applicationFilePath(), A, QString(), &Pid)
                   ? Pid
                   : 0;
    };
    CreateActions();
    CreateToolBar();
    CreateMenus();
    CreateClientArea();
    CreateStatusLine();
    CreateFindBar();
    CreateTitleStrip();
    resize(656, 427);
    FTitleTimer = new QTimer(this);
    FTitleTimer->setSingleShot(true);
    FTitleTimer->setInterval(16); // a frame
    connect(FTitleTimer, &QTimer::timeout, this, &TMainForm::ApplyHostTitle);
    FCaretPanelTimer = new QTimer(this);
    FCaretPanelTimer->setSingleShot(true);
    FCaretPanelTimer->setInterval(100);
    connect(FCaretPanelTimer, &QTimer::timeout, this, &TMainForm::ShowCaretPanels);
    FormCreate(Args);
}

TMainForm::~TMainForm()
{
    FClosing = true;
    qApp->removeEventFilter(this);
    CloseTitleHint();
    FormClose();
    Term1->Term().ScrollBar = nullptr;
}

// ---------------------------------------------------------------- building

void TMainForm::CreateClientArea()
{
    auto* Central = new QWidget(this);
    auto* Rows = new QVBoxLayout(Central);
    Rows->setContentsMargins(0, 0, 0, 0);
    Rows->setSpacing(0);
    auto* Area = new TClientArea(Central);
    Area->setObjectName(QStringLiteral("ClientArea"));
    Rows->addWidget(Area, 1);
    setCentralWidget(Central);

    Term1 = new TermWidget(Area);
    Term1->setObjectName(QStringLiteral("Term1"));
    // The terminal's look before any profile: silver text in the coding face
    // that stands in for "Fixedsys" at 16 pixels (12 points), a block caret
    // in aqua.
    TTerm& Term = Term1->Term();
    TFont Look = Term.Scr.Font;
    Look.Name = "Fixedsys";
    Look.Size = 12;
    Look.Color = ColorSilver;
    Term.SetFont(Look);
    Term.SetCaret(TCaret::Block);
    Term.SetCaretColor(ColorAqua);
    Term1->setMouseTracking(true); // the mouse panels follow the pointer
    Term1->OnFrame = [this] { FrameShown(); };
    Term1->installEventFilter(this);
    ScrollBar = new QScrollBar(Qt::Vertical, Area);
    ScrollBar->setObjectName(QStringLiteral("ScrollBar"));
    ScrollBar->setMaximum(0);
    ScrollBar->setPageStep(5);
    ScrollBar->setEnabled(false);
    ScrollBar->installEventFilter(this);
    connect(ScrollBar, &QScrollBar::actionTriggered, this, [this](int) { ScrollBarScroll(); });
    pnlImage = new QWidget(Area);
    pnlImage->setObjectName(QStringLiteral("pnlImage"));
    pnlImage->setAutoFillBackground(true);
    QPalette Black = pnlImage->palette();
    Black.setColor(QPalette::Window, Qt::black);
    pnlImage->setPalette(Black);
    // The picture fills its panel, centred in it: a right press anywhere on
    // the idle window lands on it and opens the menu.
    auto* Fill = new QVBoxLayout(pnlImage);
    Fill->setContentsMargins(0, 0, 0, 0);
    Image1 = new QLabel(pnlImage);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(BrevanixLogo(devicePixelRatio()));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setMinimumSize(0, 0);
    Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    Image1->installEventFilter(this);
    Fill->addWidget(Image1);
    Area->Term = Term1;
    Area->Bar = ScrollBar;
    Area->Picture = pnlImage;
    pnlImage->raise();
}

void TMainForm::CreateStatusLine()
{
    StatusLine = new QWidget(centralWidget());
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setFixedHeight(StatusLineHeight);
    // The fixed panels must not make the window wider than a narrow grid:
    // they run off the right edge instead.
    StatusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QFont F = StatusLine->font();
    F.setPixelSize(12);
    StatusLine->setFont(F);
    auto* Row = new QHBoxLayout(StatusLine);
    Row->setContentsMargins(0, 0, 0, 0);
    Row->setSpacing(1);
    StatusHint = Panel(StatusLine, "StatusHint", 0, {}, {});
    StatusHint->setFrameStyle(QFrame::NoFrame);
    StatusHint->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StatusHint->setMinimumWidth(0);
    StatusHint->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Row->addWidget(StatusHint, 1);
    StatusCom = Panel(StatusLine, "StatusCom", 16, QStringLiteral("통신 상태"), {});
    auto* LedBox = new QHBoxLayout(StatusCom);
    LedBox->setContentsMargins(1, 1, 1, 1);
    ledComm = new TLed(StatusCom);
    ledComm->setObjectName(QStringLiteral("ledComm"));
    ledComm->setToolTip(QStringLiteral("통신상태"));
    ledComm->setStatusTip(QStringLiteral("통신상태"));
    LedBox->addWidget(ledComm, 0, Qt::AlignCenter);
    Row->addWidget(StatusCom);
    Row->addWidget(StatusLog = Panel(StatusLine, "StatusLog", 28, QStringLiteral("세션 로그"), {}));
    Row->addWidget(StatusIME = Panel(StatusLine, "StatusIME", 16, QStringLiteral("한영 상태"),
                                     QStringLiteral("영")));
    StatusIME->installEventFilter(this);
    Row->addWidget(StatusCol = Panel(StatusLine, "StatusCol", 24, QStringLiteral("Caret X 좌표"),
                                     QStringLiteral("000")));
    Row->addWidget(StatusRow = Panel(StatusLine, "StatusRow", 24, QStringLiteral("Caret Y 좌표"),
                                     QStringLiteral("000")));
    Row->addWidget(StatusMouseCol = Panel(StatusLine, "StatusMouseCol", 24,
                                          QStringLiteral("Mouse X 좌표"), QStringLiteral("000")));
    Row->addWidget(StatusMouseRow = Panel(StatusLine, "StatusMouseRow", 24,
                                          QStringLiteral("Mouse Y 좌표"), QStringLiteral("000")));
    Row->addWidget(StatusTime =
                       Panel(StatusLine, "StatusTime", 157, QStringLiteral("현재 시간"), {}));
    Row->addWidget(Panel2 = Panel(StatusLine, "Panel2", 36, {}, {}));
    Panel2->setFrameStyle(QFrame::NoFrame);
    static_cast<QVBoxLayout*>(centralWidget()->layout())->addWidget(StatusLine);
}

// ---------------------------------------------------------------- start

void TMainForm::FormCreate(const QStringList& Args)
{
    // Hint texts reach HintControl through event(); tool-tips are the
    // application's hint window: silver, "굴림체" 12 pixels, 15 seconds.
    qApp->installEventFilter(this);
    QPalette Tip = QToolTip::palette();
    Tip.setColor(QPalette::ToolTipBase, QColor(0xC0, 0xC0, 0xC0));
    Tip.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(Tip);
    QFont TipFont(QtCanvas::ResolveFamily(QStringLiteral("굴림체")));
    TipFont.setPixelSize(12);
    QToolTip::setFont(TipFont);
    HelpFile = FindHelpFile(QCoreApplication::applicationDirPath());

    Action("actReqConnect")->setEnabled(true);
    Action("actReqDisconnect")->setEnabled(false);
    Action("actReconnect")->setEnabled(false); // nothing to connect to again yet
    for (const char* Name : {"actPrint", "actCopy", "actPaste"}) Action(Name)->setEnabled(true);
    SetTitle(QString::fromUtf8(ProductTitle));
    Action("actViewToolbar")->setEnabled(true);
    Action("actViewToolbar")->setChecked(true);
    Action("actViewStatusBar")->setChecked(true);
    Action("actBeep")->setChecked(true);
    Action("actAutoWrap")->setChecked(true);
    TitleOnly = false;
    ResizeGuard = false;

    TTerm& Term = Term1->Term();
    Telnet.Term = &Term;
    Telnet.VT100.Input = &Input;
    Telnet.VT100.OnTitle = [this](std::string_view Title) { ShowHostTitle(Title); };
    FScrollLink = std::make_unique<TScrollBarAdapter>(ScrollBar);
    Term.ScrollBar = FScrollLink.get();
    Term.Scr.VisualBeep = false;
    Term.Scr.BeepOn = true;
    Term.ClearAllLines();
    TTelnet::Reset();
    ConnectSession();
    CreateLifeline();
    CreateSessionLog();
    HoldShownProfile();
    ApplyHangulLayout(LoadAliasInfo(IniPath, DefaultAliasName).HangulLayout);

    const TStartArgs Start = ParseStartArgs(Args);
    StartMode = Start.StartMode;
    StartArg1 = Start.Arg1;
    StartArg2 = Start.Arg2;
    StartSsh = Start.Ssh;
    StartUser = Start.User;
    FLogViewAction->setVisible(true);
    FConnectSignal = new TConnectSignal([this] { actReqConnectExecute(); }, this);
    if (StartMode > 0) actReqConnectExecute();

    PointerHideTimeout = 1000;
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    Timer1->start();
}

// The profile of a window no connection has filled yet: no host, no port,
// and what the window shows (switches, grid, colours, font), so an alias
// saved now opens looking as the window did.
void TMainForm::HoldShownProfile()
{
    const TScr& S = Term1->Term().Scr;
    TAliasInfo& I = AliasInfo;
    I.Alias.clear();
    I.Address.clear();
    I.Port = 0;
    I.SoftScroll = Action("actSoftScroll")->isChecked();
    I.CrossCaret = Action("actCrossCaret")->isChecked();
    I.VisualBeep = Action("actVisualBeep")->isChecked();
    I.BeepOn = Action("actBeep")->isChecked();
    I.AutoWrap = Action("actAutoWrap")->isChecked();
    I.AutoLF = Switches.AutoLF;
    I.AutoCR = Switches.AutoCR;
    I.ColorCaret = Term1->Term().CaretColor();
    I.ColorBack = S.BackColor;
    I.FontName = S.Font.Name;
    I.FontSize = S.Font.Size;
    I.FontColor = S.Font.Color;
    I.Monochrome = Term1->Term().Monochrome;
    I.ScrollBuffer = S.ScrollBack.MaxLines;
    I.Col = S.Col;
    I.Row = S.Row;
    I.ShowToolBar = Action("actViewToolbar")->isChecked();
    I.ShowStatusBar = Action("actViewStatusBar")->isChecked();
    I.ShowScrollBar = !ScrollBar->isHidden();
    I.TerminalType = Switches.TermTypeName;
    I.XtermLevel = Switches.XtermLevel;
}

// Wiring of the terminal's and the socket's events to the handlers.
void TMainForm::ConnectSession()
{
    // Both kinds of connection report to the same handlers: the session's
    // steps do not depend on what carries it.
    ClientSocket1 = new TClientSocket(this);
    ClientSocket1->setObjectName(QStringLiteral("ClientSocket1"));
    SshSession1 = new TSshSession(this);
    SshSession1->setObjectName(QStringLiteral("SshSession1"));
    for (TSessionLink* L :
         {static_cast<TSessionLink*>(ClientSocket1), static_cast<TSessionLink*>(SshSession1)}) {
        L->OnConnect = [this] {
            ClientSocket1Connect();
            // A program-wide key the connection's profile carries as well.
            ApplyHangulLayout(AliasInfo.HangulLayout);
        };
        L->OnRead = [this] { ClientSocket1Read(); };
        L->OnWrite = [this](std::int64_t) { ClientSocket1Write(); };
        L->OnDisconnect = [this] { ClientSocket1Disconnect(); };
        L->OnError = [this](const TSessionLink::TError& E) { ClientSocket1Error(E); };
    }
    FLink = ClientSocket1;
    ConnectSshQuestions();

    TTerm& Term = Term1->Term();
    Term.OnKeyDown = [this](std::uint16_t& Key, TShiftState Shift) { Term1KeyDown(Key, Shift); };
    Term.OnKeyPress = [this](std::uint8_t& Ch) { Term1KeyPress(Ch); };
    Term.OnMouseDown = [this](TMouseButton B, TShiftState S, int X, int Y) {
        Term1MouseDown(B, S, X, Y);
    };
    Term.OnMouseUp = [this](TMouseButton B, TShiftState S, int X, int Y) {
        Term1MouseUp(B, S, X, Y);
    };
    Term.OnMouseMove = [this](TShiftState S, int X, int Y) { Term1MouseMove(S, X, Y); };
    Term.OnImeChange = [this](bool Hangul) { Term1ImeChange(Hangul); };
    Term1->Hanja().OnUnicodeChar = [this](char32_t U) { Input.SendUnicode(Term1->Term(), U); };
    Term.OnChangeSize = [this] { Term1ChangeSize(); };
}

void TMainForm::changeEvent(QEvent* Event)
{
    QMainWindow::changeEvent(Event);
    if (Event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
    if (Event->type() == QEvent::WindowTitleChange && TitleStrip) TitleStrip->SetText(ShownTitle());
}

void TMainForm::FormActivate()
{
    SetStatusHint(QString::fromUtf8(ProductTitle));
    Term1->setFocus();
}

// ---------------------------------------------------------------- events

// The application's hint texts: actions under the mouse in the toolbar and
// the menus, and controls with a hint.
bool TMainForm::event(QEvent* Event)
{
    if (Event->type() == QEvent::StatusTip) {
        HintControl(static_cast<QStatusTipEvent*>(Event)->tip());
        return true;
    }
    return QMainWindow::event(Event);
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event)
{
    const QEvent::Type Type = Event->type();
    if (Type == QEvent::ToolTip) {
        // hintMainShowHint: a hint closes the title-only preview and shows
        // for 15 seconds.
        auto* W = qobject_cast<QWidget*>(Watched);
        if (!W || W->window() != this) return false;
        CloseTitleHint();
        if (!FHints || W->toolTip().isEmpty()) { // no hints while an attempt runs
            QToolTip::hideText();
            Event->ignore();
        } else {
            QToolTip::showText(static_cast<QHelpEvent*>(Event)->globalPos(), W->toolTip(), W, {},
                               15000);
        }
        return true;
    }
    if (Watched == Term1 && Type == QEvent::Wheel) {
        Term1MouseWheel(static_cast<QWheelEvent*>(Event)->angleDelta().y());
        return false; // the wheel is not taken
    }
    if (Watched == ScrollBar && (Type == QEvent::KeyPress || Type == QEvent::KeyRelease)) {
        // Keys typed on the scroll bar are the terminal's.
        if (!Term1->isEnabled() || !Term1->isVisible()) return false;
        Term1->setFocus();
        auto* Key = static_cast<QKeyEvent*>(Event);
        QKeyEvent Copy(Key->type(), Key->key(), Key->modifiers(), Key->text(), Key->isAutoRepeat(),
                       static_cast<ushort>(Key->count()));
        QCoreApplication::sendEvent(Term1, &Copy);
        return true;
    }
    if (Type == QEvent::MouseButtonPress) {
        auto* Mouse = static_cast<QMouseEvent*>(Event);
        if (Watched == Image1 && Mouse->button() == Qt::RightButton) {
            PopupAt(Image1->mapToGlobal(Mouse->position().toPoint()) + QPoint(1, 2));
            return true;
        }
        if (Watched == StatusIME && Mouse->button() == Qt::LeftButton) {
            StatusIMEClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(Watched, Event);
}

// ---------------------------------------------------------------- end

bool TMainForm::FormCloseQuery()
{
    if (!FLink->Connected()) return true;
    return ShowDialog(QStringLiteral("종료 하시겠습니까?"), TMsgDlgType::mtConfirmation,
                      mbYes | mbNo, this) == TModalResult::mrYes;
}

void TMainForm::closeEvent(QCloseEvent* Event)
{
    if (!FormCloseQuery()) {
        Event->ignore();
        return;
    }
    FormClose();
    Event->accept();
}

void TMainForm::FormClose()
{
    for (TSessionLink* L :
         {static_cast<TSessionLink*>(ClientSocket1), static_cast<TSessionLink*>(SshSession1)}) {
        L->OnDisconnect = {};
        L->OnError = {};
        L->Close();
    }
    SessionSocket = nullptr;
}

void TMainForm::actNewExecute() { RunNewInstance({}); }

void TMainForm::actExitProgramExecute() { close(); }

void TMainForm::btnLogViewClick()
{
    TfrmLog::Open(this);
    Term1->Term().Canvas().Invalidate();
}

// ---------------------------------------------------------------- keys

void TMainForm::Term1KeyDown(std::uint16_t& Key, TShiftState Shift)
{
    const bool Alt = Shift & ssAlt, Ctrl = Shift & ssCtrl;
    if (Alt && !(Shift & ssShift)) {
        const int Step = Ctrl ? 10 : 2;
        QPoint Move;
        switch (Key) {
        case VK::Prior:
            SetStatusHint(QStringLiteral("Current Pos X[%1] Y[%2]")
                              .arg(Term1->Term().Scr.CurX)
                              .arg(Term1->Term().Scr.CurY));
            Key = 0;
            return;
        case VK::Left: Move = {-Step, 0}; break;
        case VK::Up: Move = {0, -Step}; break;
        case VK::Right: Move = {Step, 0}; break;
        case VK::Down: Move = {0, Step}; break;
        default: break;
        }
        if (!Move.isNull()) {
            move(pos() + Move);
            Key = 0;
            return;
        }
    }
    if (Key == VK::Escape) CancelReconnect();
    Input.KeyDown(Term1->Term(), Key, Shift);
    if (Key == VK::Return && FState == TSessionState::Idle) actReqConnectExecute();
}

void TMainForm::Term1KeyPress(std::uint8_t& Ch)
{
    // 3 was sent by the key table as Ctrl+C already.
    if (Ch != 0 && Ch != 3) Input.SendChar(Term1->Term(), Ch);
}

// ---------------------------------------------------------------- sizes

int TMainForm::BarsHeight() const
{
    return (tbMain->isHidden() ? 0 : tbMain->height()) +
           (StatusLine->isHidden() ? 0 : StatusLine->height()) +
           (FindBar && !FindBar->isHidden() ? FindBar->sizeHint().height() : 0);
}

// The client area around the grid; the window manager adds its own frame and
// caption. It also learns the cell as the size step, so a drag of the
// window's edge moves by whole cells.
void TMainForm::FitWindowToTerm()
{
    const TScr& S = Term1->Term().Scr;
    const QSize Around((ScrollBar->isHidden() ? 0 : ScrollBarWidth), BarsHeight());
    // Only on a change: each one is a message to the window manager.
    if (baseSize() != Around) setBaseSize(Around);
    const QSize Cell(S.CharWidth, S.CharHeight);
    if (!Cell.isEmpty() && sizeIncrement() != Cell) setSizeIncrement(Cell);
    // A maximised window keeps the desktop's size; the grid takes what fits.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    resize(Around + Term1->size());
}

void TMainForm::resizeEvent(QResizeEvent* Event)
{
    QMainWindow::resizeEvent(Event);
    if (TitleOnly) TitleStrip->setGeometry(rect());
    FormResize();
}

// The first showing fits the grid to the window, as every resize does.
void TMainForm::showEvent(QShowEvent* Event)
{
    QMainWindow::showEvent(Event);
    FormResize();
}

// The user dragged the window's edge (or code resized it): the grid takes
// as many whole cells as fit, and the window snaps to them.
void TMainForm::FormResize()
{
    const TScr& S = Term1->Term().Scr;
    if (TitleOnly || ResizeGuard || !isVisible() || S.CharWidth <= 0 || S.CharHeight <= 0) return;
    ResizeGuard = true;
    int Height = height() - BarsHeight();
    if (FToolbarTag == 1) Height -= tbMain->height();
    if (FToolbarTag == 2) Height += tbMain->height();
    const int Width = width() - (ScrollBar->isHidden() ? 0 : ScrollBarWidth);
    const int Cols = std::max(1, Width / S.CharWidth), Rows = std::max(1, Height / S.CharHeight);
    if (Cols == S.Col && Rows == S.Row) {
        FitWindowToTerm();
    } else {
        Term1->Term().SetSize(Cols, Rows);
        FitWindowToTerm();
        SendWindowSize();
    }
    SetStatusHint(QStringLiteral("Col [%1]   Row [%2]").arg(S.Col).arg(S.Row));
    ResizeGuard = false;
    AliasInfo.Col = Cols;
    AliasInfo.Row = Rows;
}

// The terminal's pixel size changed (a new font): fit the window to it.
void TMainForm::Term1ChangeSize()
{
    if (TitleOnly || ResizeGuard) return;
    ResizeGuard = true;
    FitWindowToTerm();
    SendWindowSize();
    if (SessionSocket) Term1->setFocus();
    const TScr& S = Term1->Term().Scr;
    SetStatusHint(QStringLiteral("Col [%1]   Row [%2]").arg(S.Col).arg(S.Row));
    ResizeGuard = false;
}

void TMainForm::SetStatusHint(const QString& Text) { StatusHint->setText(Text); }
