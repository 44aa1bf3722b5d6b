#pragma once
// TMainForm: the main window. It owns the one Telnet session of the process
// (the socket ClientSocket1, the Telnet engine with its interpreter, the input
// encoder, the terminal Term1 and the current profile), the commands as named
// actions, the toolbar, the status line and the scroll bar. The session's
// steps live in MainSession.cpp, the window's own in Main.cpp, the action
// list and menus in MainActions.cpp, the commands in MainCommands.cpp, the
// host encoding's switch in MainEncoding.cpp, the status line's clock, mouse
// and hints in MainStatus.cpp, and the auxiliary windows' commands in
// MainAux.cpp.
#include "emulation/Input_VT100.h"
#include "profiles/HostManagerCommon.h"
#include "telnet/QtSocket.h"
#include "telnet/Telnet.h"
#include "term/Find.h"

#include <QDateTime>
#include <QLocale>
#include <QMainWindow>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QScrollBar;
class QTimer;
class QToolBar;
class QToolButton;
class TConnectSignal;
class TFindBar;
class TSshSession;
class TSessionLog;
class THelpWindow;
class THintWindow;
class TLed;
class TTitleStrip;
class TermWidget;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Args: the command line without the program's name. An empty IniPath
    // means the profile file of the running executable.
    explicit TMainForm(const QStringList& Args = {}, const std::string& IniPath = {},
                       QWidget* Parent = nullptr);
    ~TMainForm() override;

    // --- The session
    TermWidget* Term1 = nullptr;
    TClientSocket* ClientSocket1 = nullptr; // a Telnet profile's connection
    TSshSession* SshSession1 = nullptr;     // an SSH profile's
    TTelnet Telnet;
    TI_VT100 Input;
    TAliasInfo AliasInfo; // the current profile
    int StartMode = 0;
    std::string StartArg1, StartArg2;
    bool StartSsh = false; // StartMode 2 over SSH ("-S")
    std::string StartUser; // the user "-S USER@HOST" names
    std::array<std::uint8_t, TSessionLink::ChunkSize> ReceiveBuffer{};
    bool ResizeGuard = false;
    bool TitleOnly = false;
    int SavedWidth = 0, SavedHeight = 0; // the size before title-only mode
    std::string IniPath;
    // The contents page of the user's guide; found beside the program at
    // start-up, a test may point it elsewhere.
    QString HelpFile;
    // Starts this same program with the parameters; a test replaces it. The
    // result is the process id, or 0 when the start failed.
    std::function<qint64(const QStringList& Args)> StartProcess;

    // --- Window parts
    QToolBar* tbMain = nullptr;
    QToolButton* btnLogView = nullptr;
    QWidget* StatusLine = nullptr;
    QLabel* StatusHint = nullptr;
    QWidget* StatusCom = nullptr;
    TLed* ledComm = nullptr;
    QLabel* StatusLog = nullptr; // "기록" while the session is logged
    QLabel* StatusIME = nullptr;
    QLabel* StatusCol = nullptr;
    QLabel* StatusRow = nullptr;
    QLabel* StatusMouseCol = nullptr;
    QLabel* StatusMouseRow = nullptr;
    QLabel* StatusTime = nullptr;
    QLabel* Panel2 = nullptr;
    QScrollBar* ScrollBar = nullptr;
    QWidget* pnlImage = nullptr;
    QLabel* Image1 = nullptr;
    QMenu* mnuMainPopup = nullptr;
    QMenu* mnuOption = nullptr; // the options sub-menu, under actOption
    // Stands in for the caption while only the caption is shown.
    TTitleStrip* TitleStrip = nullptr;
    THintWindow* TitleHint = nullptr; // the title-only preview, while open
    THelpWindow* frmHelp = nullptr;
    TFindBar* FindBar = nullptr; // under the terminal while finding

    // --- Timers. Timer1: the clock and pointer hiding, every second.
    // Timer2: closes the title-only preview. PopupDelay: how long a right
    // press waits for a left one before it opens the pop-up menu.
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* PopupDelay = nullptr;
    static constexpr int ChordMs = 150;
    int PointerHideTimeout = 1000; // milliseconds until the pointer hides

    // The actions of the action list, by name ("actReqConnect", ...).
    QAction* Action(const char* Name) const;

    // --- The session's operations
    void actReqConnectExecute();
    void actFastConnectExecute();
    void actReqDisconnectExecute();
    void actConnectExecute();
    void actDisconnectExecute();
    void ClientSocket1Connect();
    void ClientSocket1Read();
    // One block read from the host through the engine; More says whether the
    // socket holds further bytes (FastInterrupt then lets input in between).
    void ProcessBlock(const std::uint8_t* Bytes, int Len, bool More);
    void FrameShown();
    // Sees every block read from the socket after the engine took it: how a
    // test or a benchmark watches the pump.
    std::function<void(const std::uint8_t* Bytes, int Len)> OnBlock;
    void ClientSocket1Write();
    void ClientSocket1Disconnect();
    void ClientSocket1Error(const TSessionLink::TError& Error);
    // The connection of the current or last attempt.
    TSessionLink& Link() const { return *FLink; }
    // The grid's size to the host: Telnet's report, or the SSH terminal's.
    void SendWindowSize();
    void ShowMessageLine(const std::string& Text); // code page 949
    void LogLine(const std::string& Text);         // code page 949
    void SetTitle(const QString& Text);
    void ShowHostTitle(std::string_view Cp949Title);
    // The caption as the window system shows it.
    QString ShownTitle() const;
    // Our own caption, without a title a host set after it.
    const QString& Caption() const { return FCaption; }
    // Brings Info's numbers into range first (they may come from a hand-edited
    // file), then applies it to the terminal, the switches and the window.
    void ApplyAliasInfo(TAliasInfo& Info);
    void FitWindowToTerm();
    void SetTermSize(int Cols, int Rows);
    void RunNewInstance(const QStringList& Args); // each argument whole
    void BeginBusyCursor();
    void EndBusyCursor();
    bool Connected() const; // SessionSocket is set and connected
    // Where the session stands: no attempt, an attempt from the request until
    // the socket's outcome, or a connection until its end is handled.
    enum class TSessionState { Idle, Attempt, Connected };
    TSessionState SessionState() const { return FState; }

    // --- The lifeline (MainLifeline.cpp): keepalive, restart, reconnect.
    void actReconnectExecute(); // "다시 접속": the same profile, in this window
    void LifelineTick();
    void CancelReconnect();
    bool Reconnecting() const { return FReconnecting; }

    // --- The host's encoding (MainEncoding.cpp)
    // From the next byte either way, the session kept; the profile follows,
    // so saving the alias keeps it.
    void SetHostEncoding(THostEncoding Encoding);
    // The options menu's two entries as the profile says; the menu asks
    // before it opens.
    void ShowHostEncoding();

    // --- Finding in the scroll-back (MainFind.cpp)
    void actFindExecute(); // opens the find bar, or returns to it
    void CloseFind();
    const TFinder& Finder() const { return FFinder; }

    // --- The session log (MainLog.cpp)
    void actSessionLogExecute();
    bool SessionLogOn() const { return FSessionLog != nullptr; }

    // --- Start and end
    void FormActivate();
    bool FormCloseQuery();
    void actNewExecute();
    void actExitProgramExecute();
    void Term1KeyDown(std::uint16_t& Key, TShiftState Shift);
    void Term1KeyPress(std::uint8_t& Ch);
    void FormResize();
    void btnLogViewClick();

    // --- Commands
    void Term1ChangeSize();
    void actSoftScrollExecute();
    void actViewToolbarExecute();
    void actViewStatusBarExecute();
    void actTopMostExecute();
    void actFormTitleOlnyExecute();
    void actFormNormalizeExecute();
    void actFormIconExecute();
    void actSetUpFontExecute();
    void actBackColorExecute();
    void actCaretColorExecute();
    void actSaveAliasExecute();
    void actHelpExecute();
    void actCopyExecute();
    void actPasteExecute();
    void actCopyAndPasteExecute();
    void actPopUpExecute();
    void PopupAt(const QPoint& Global);
    void Term1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void Term1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    void Term1MouseWheel(int Delta);
    void ScrollBarScroll();
    void CloseTitleHint();

    // --- Status line
    void Timer1Timer();
    void Term1MouseMove(TShiftState Shift, int X, int Y);
    void Term1ImeChange(bool Hangul);
    void StatusIMEClick();
    // The built-in composer's keyboard (HangulLayout), named in the input
    // panel's tool-tip. Applied at start-up from the file and with every
    // connection from the profile.
    void ApplyHangulLayout(const std::string& Id);
    void HintControl(const QString& Hint);
    // The clock's text: "mm-dd (ddd) ampm h:mm:ss" in Locale's names.
    static QString ClockText(const QDateTime& When, const QLocale& Locale);

protected:
    bool event(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    QMenu* createPopupMenu() override;
    void changeEvent(QEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void showEvent(QShowEvent* Event) override;

private:
    void CreateActions();
    // The commands of the auxiliary windows and the printer: print, about,
    // desktop shortcut (MainAux.cpp).
    void ConnectAuxActions();
    void BindActions();
    void actPrintExecute();
    void actAboutExecute();
    void actMakeLinkExecute();
    void CreateToolBar();
    void CreateMenus();
    void ConnectEncoding();
    void CreateStatusLine();
    void CreateClientArea();
    void CreateTitleStrip();
    void ApplyTitleOnly(bool On);
    void TitleStripPress(const QPoint& Global);
    void ShowPointer();
    bool PickColor(TColor& Color);
    void ConnectSession();
    void CreateSessionLog();
    bool StartSessionLog(const std::string& Template);
    void StopSessionLog();
    void FlushSessionLog();
    void DropSessionLog();
    void LogStopped(const std::string& Error);
    void ConnectProfile();
    void CreateLifeline();
    void ConnectAgain();
    void LinkDead();
    void AfterSessionEnd(bool WasConnected);
    void ShowReconnectCountdown();
    void ConnectSshQuestions();
    bool SshProfile() const;
    void OpenSsh();
    // "-D ADDRESS PORT", or "-S [USER@]ADDRESS PORT" for SSH: how a new
    // process connects where this one did.
    QStringList AddressArgs() const;
    void HoldShownProfile();
    void FormCreate(const QStringList& Args);
    void FormClose();
    bool ChooseProfile();
    bool ResolveAddress();
    void EndAttempt();
    void SetStatusHint(const QString& Text);
    // Hint texts on the status line and tool-tips, off during an attempt.
    void SetHints(bool On);
    int BarsHeight() const;

    std::map<std::string, QAction*> FActions;
    std::unique_ptr<TScrollBarLink> FScrollLink;
    TConnectSignal* FConnectSignal = nullptr;
    QAction* FLogViewAction = nullptr;
    int FBusy = 0;
    bool FHints = true; // hint texts reach the status line
    TSessionState FState = TSessionState::Idle;
    TSessionLink* FLink = nullptr;            // ClientSocket1 or SshSession1
    std::unique_ptr<TSessionLog> FSessionLog; // while a session is logged
    bool FLogRaw = false;                     // its mode: bytes as read, or Text
    QTimer* FLogTimer = nullptr;              // flushes it once a second
    std::string FLogHost;                     // the host as named, before any lookup
    QTimer* FLifeTimer = nullptr;             // keepalive and the reconnect countdown
    QTimer* FReconnectTimer = nullptr;        // the next reconnect attempt
    int FReconnectTries = 0;
    bool FReconnecting = false; // attempts follow a drop until one connects or is cancelled
    bool FHadSession = false;   // a profile was connected with: restart has one
    bool FUserEnded = false;    // the user asked for this end
    bool FDropped = false;      // the link broke or was found dead
    bool FRefused = false;      // the host turned us away: no retry
    bool FClosing = false;
    int FToolbarTag = 0; // 1 just hidden, 2 just shown
    QPoint FPopupAt;     // where a right press opens the menu when no left one follows
    QPoint FMouseCell;   // the last cell shown in the mouse panels
    QString FCaption;    // our own title; a host's follows it
    QString FHostTitle;  // the host's last title, applied once a frame
    QTimer* FTitleTimer = nullptr;
    void ApplyHostTitle();
    QTimer* FCaretPanelTimer = nullptr; // the caret's panels follow at a glance's pace
    void ShowCaretPanels();
    TFinder FFinder;
    QTimer* FFindTimer = nullptr; // searches again, at most this often, as text changes
    void CreateFindBar();
    void FindNow();
    void FindStep(bool Forward);
    void FindShown();
    void ShowLinkHint(const QString& Url);
    int FSavedMinHeight = 0, FSavedMaxHeight = 0; // the limits before title-only mode
};
