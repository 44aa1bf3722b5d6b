// The session of the main window: the connect request in every start mode,
// quick connect, the connected and disconnected set-ups, the receive pump,
// socket errors, the profile applied to the window, and new processes.
#include "app/FindBar.h"
#include "app/FromHostManager.h"
#include "app/HostLookup.h"
#include "app/Main.h"
#include "aux/SessionLog.h"
#include "common/LogSink.h"
#include "common/SessionSocket.h"
#include "common/Switches.h"
#include "common/Version.h"
#include "profiles/ProfileKeys.h"
#include "ssh/SshSession.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"
#include "text/Utf8Host.h"
#include "widgets/Dialogs.h"
#include "widgets/Led.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QToolBar>

namespace {

std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }
QString Text(const std::string& Cp949) { return QString::fromStdString(Cp949::ToUtf8(Cp949)); }
std::string Quoted(const std::string& S) { return "\"" + S + "\""; }

// Resets a flag when the scope ends, however it ends.
struct TFlagScope {
    bool& Flag;
    explicit TFlagScope(bool& F) : Flag(F) { Flag = true; }
    ~TFlagScope() { Flag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;
};

} // namespace

bool TMainForm::Connected() const { return SessionSocket && SessionSocket->Connected(); }

// ---------------------------------------------------------------- connect request

void TMainForm::actReqConnectExecute()
{
    // One attempt at a time: while a request shows a dialog or waits for the
    // host, Enter, a signal or the menu start no second one.
    if (FState == TSessionState::Attempt) return;
    if (FState == TSessionState::Connected) {
        // A second connection runs in a new process; this one is untouched.
        if (StartMode == 0 || StartMode == -1)
            RunNewInstance({QStringLiteral("-A"), Text(AliasInfo.Alias)});
        else if (StartMode == -2)
            RunNewInstance(AddressArgs());
        return;
    }
    FState = TSessionState::Attempt;
    if (!ChooseProfile()) {
        FState = TSessionState::Idle;
        return;
    }
    ConnectProfile();
}

// Steps 3 to 10 of the request: the screen reset, the address resolved, the
// profile applied and the link opened; its outcome comes from the event loop.
void TMainForm::ConnectProfile()
{
    FHadSession = true;
    FLogHost = AliasInfo.Address; // the name the user gave, for the log's &H
    Action("actReconnect")->setEnabled(false);
    TTerm& Term = Term1->Term();
    Term.ResetScreen();
    ClientSocket1->Close();
    SshSession1->Close();
    ShowMessageLine("Alias " + Quoted(AliasInfo.Alias) + Ko(" 접속 시도."));
    Term1->repaint();
    SetHints(false);
    BeginBusyCursor();
    pnlImage->hide();
    pnlImage->setEnabled(false);
    const bool Ssh = SshProfile();
    FLink = Ssh ? static_cast<TSessionLink*>(SshSession1) : ClientSocket1;
    // SSH hands the name to libssh, which reads ~/.ssh/config first: a Host
    // there need not be a name the resolver knows.
    if (!Ssh && !ResolveAddress()) return;
    ApplyAliasInfo(AliasInfo);
    // The port comes from a file anyone may edit: one the socket cannot use
    // ends the attempt here with a message, as a failed lookup does.
    if (!ProfileKeyOf(&TAliasInfo::Port)->Range.Holds(AliasInfo.Port)) {
        ShowMessageLine("Port " + std::to_string(AliasInfo.Port) +
                        Ko(" 는 사용할 수 없는 번호입니다. (1 - 65535)"));
        EndAttempt();
        return;
    }
    // The outcome, however soon the system knows it, arrives from the event
    // loop after these steps.
    if (Ssh)
        OpenSsh();
    else
        ClientSocket1->Open(QHostAddress(Text(AliasInfo.Address)),
                            static_cast<quint16>(AliasInfo.Port));
    Action("actReqConnect")->setEnabled(false);
    const std::string Attempt = Ko("호스트 접속중 : ") + AliasInfo.Address;
    ShowMessageLine(Attempt);
    SetStatusHint(Text(Attempt));
    StatusHint->repaint();
    LogLine(Attempt);
}

// Where the profile comes from: the host manager, a stored alias, or
// _DEFAULT with an address. False when there is nothing to connect to.
bool TMainForm::ChooseProfile()
{
    if (StartMode > 2) return true;
    TfrmHostManager Manager(this, IniPath);
    if (StartMode <= 0) {
        QPalette Black = Manager.palette();
        Black.setColor(QPalette::WindowText, Qt::black);
        Manager.setPalette(Black);
        if (windowFlags() & Qt::WindowStaysOnTopHint)
            Manager.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        const TModalResult R = Manager.ShowCentredOn(this);
        AliasInfo = Manager.AliasInfo;
        StartMode = 0;
        return R == TModalResult::mrOk;
    }
    if (StartMode == 1) {
        AliasInfo = Manager.LoadAlias(StartArg1);
        StartMode = -1;
        if (AliasInfo.Registered) return true;
        ShowDialog(QStringLiteral("등록 되지 않은 Alias Name입니다."), TMsgDlgType::mtError, mbOK,
                   this);
        return false;
    }
    AliasInfo = Manager.LoadAlias(DefaultAliasName);
    StartMode = -2;
    AliasInfo.Address = StartArg1;
    if (StartSsh) {
        AliasInfo.Protocol = "SSH";
        if (!StartUser.empty()) AliasInfo.UserName = StartUser;
    }
    AliasInfo.Port = ParseIniInteger(StartArg2).value_or(StartSsh ? 22 : 23);
    return true;
}

// A host name becomes its dotted IPv4 address in the profile, so a new
// window or a saved alias carries the number. False (after the message) when
// the name is unknown.
bool TMainForm::ResolveAddress()
{
    const std::string Name = AliasInfo.Address;
    if (IsNumericAddress(Name)) {
        // Digits and dots that make no address (empty, 999.1.1.1, 1.2.3.4.5)
        // are a host nobody can find, not a route the network lacks.
        if (const std::optional<std::string> Dotted = DottedIPv4(Name)) {
            AliasInfo.Address = *Dotted;
            return true;
        }
        ShowMessageLine("URL " + Quoted(Name) + Ko(" 를 찾을 수 없습니다."));
        EndAttempt();
        return false;
    }
    ShowMessageLine("URL " + Quoted(Name) + Ko(" 를 확인 중입니다."));
    const std::optional<std::string> Dotted = LookupIPv4(Name);
    if (!Dotted) {
        ShowMessageLine("URL " + Quoted(Name) + Ko(" 를 찾을 수 없습니다."));
        EndAttempt();
        return false;
    }
    AliasInfo.Address = *Dotted;
    return true;
}

// An attempt that never reached the socket: back to idle as it was.
void TMainForm::EndAttempt()
{
    FState = TSessionState::Idle;
    SetHints(true);
    EndBusyCursor();
    Action("actReconnect")->setEnabled(true);
    AfterSessionEnd(false);
}

void TMainForm::actFastConnectExecute()
{
    QString Value;
    if (!PromptText(QStringLiteral("접속 Server 입력"), QStringLiteral("IP Address/URL : Port"),
                    Value, this) ||
        Value.isEmpty())
        return;
    const qsizetype Colon = Value.indexOf(QLatin1Char(':'));
    const QString Host = Colon < 0 ? Value : Value.left(Colon);
    const QString Port = Colon < 0 ? QString() : Value.mid(Colon + 1);
    if (FState == TSessionState::Connected) {
        RunNewInstance({QStringLiteral("-D"), Host, Port});
        return;
    }
    StartMode = 2;
    StartSsh = false;
    StartArg1 = Cp949::FromUtf8(Host.toStdString());
    StartArg2 = Cp949::FromUtf8(Port.toStdString());
    actReqConnectExecute();
}

void TMainForm::actReqDisconnectExecute()
{
    if (ShowDialog(QStringLiteral("접속을 종료하시겠습니까?"), TMsgDlgType::mtConfirmation,
                   mbYes | mbNo, this) != TModalResult::mrYes)
        return;
    FUserEnded = true; // never followed by a reconnect
    FLink->Close();
}

// ---------------------------------------------------------------- connected, disconnected

void TMainForm::ClientSocket1Connect()
{
    FState = TSessionState::Connected;
    FReconnecting = false;
    FReconnectTries = 0;
    if (FLink == ClientSocket1) ClientSocket1->SetKeepAlive(AliasInfo.KeepAlive);
    // The socket made itself SessionSocket. A host that hung up inside a
    // Telnet command or an escape sequence must not swallow this host's
    // first bytes.
    Telnet.ClearReceiveState();
    TO_VT100::ClearEscape(Term1->Term());
    Action("actConnect")->trigger();
}

void TMainForm::actConnectExecute()
{
    Action("actReqDisconnect")->setEnabled(true);
    Action("actReqConnect")->setEnabled(true);
    const std::string Name = AliasInfo.Registered
                                 ? AliasInfo.Alias
                                 : AliasInfo.Address + ":" + std::to_string(AliasInfo.Port);
    SetTitle(Text(Name) + QStringLiteral(" - ") + QString::fromUtf8(ProductTitle));
    ShowMessageLine(Ko("접속 완료"));
    ShowMessageLine({});
    SetStatusHint(QStringLiteral("접속 완료"));
    ledComm->SetState(TLed::TState::Green);
    Term1->setFocus();
    SetHints(true);
    EndBusyCursor();
    TTerm& Term = Term1->Term();
    Term.GotoXY(1, 1);
    Term.ClearAllLines();
    Term.Canvas().Invalidate();
    if (!AliasInfo.LogFile.empty()) StartSessionLog(Cp949::ToUtf8(AliasInfo.LogFile));
}

void TMainForm::ClientSocket1Disconnect() { Action("actDisconnect")->trigger(); }

void TMainForm::actDisconnectExecute()
{
    // Once per attempt or session, whatever the socket reported and in
    // whichever order.
    if (FState == TSessionState::Idle) return;
    const bool WasConnected = FState == TSessionState::Connected;
    FState = TSessionState::Idle;
    SetHints(true);
    EndBusyCursor();
    Action("actReqConnect")->setEnabled(true);
    Action("actReqDisconnect")->setEnabled(false);
    Action("actReconnect")->setEnabled(true);
    StopSessionLog(); // what the host sent last is on disk before anything else
    TTelnet::Reset();
    SetStatusHint(QStringLiteral("접속 종료"));
    ledComm->SetState(TLed::TState::Red);
    const QDateTime Now = QDateTime::currentDateTime();
    const QLocale L = QLocale::system();
    const QString When = L.toString(Now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                         L.toString(Now.time(), QLocale::LongFormat);
    SetTitle(QString::fromUtf8(ProductTitle));
    SetTitle(QString::fromUtf8(ProductTitle) + QStringLiteral(" - 접속 종료[") + When.mid(3) +
             QLatin1Char(']'));
    if (AliasInfo.ExitOnDisconnect && !FClosing) {
        close();
        return;
    }
    AfterSessionEnd(WasConnected);
}

void TMainForm::ClientSocket1Error(const TSessionLink::TError& Error)
{
    if (FState == TSessionState::Idle) return; // its end is told already
    FRefused = Error.Refused;
    if (Error.Kind != TSessionLink::TErrorKind::Connect) FDropped = true;
    if (Error.Code == 0) {
        // A failure that says it all (SSH's): its lines, or a box once connected.
        if (Error.Kind == TSessionLink::TErrorKind::Connect) {
            for (std::size_t From = 0; From <= Error.Message.size();) {
                const std::size_t To =
                    std::min(Error.Message.find('\n', From), Error.Message.size());
                ShowMessageLine(Error.Message.substr(From, To - From));
                From = To + 1;
            }
        } else {
            ShowDialog(Text(Error.Message), TMsgDlgType::mtError, mbOK, this);
        }
        actDisconnectExecute();
        return;
    }
    using K = TSessionLink::TErrorKind;
    static const char* const Prefixes[] = {"General - ", "Send - ",       "Receive - ",
                                           "Connect - ", "Disconnect - ", "Accept - "};
    const std::string Head = std::string("Socket Error : ") +
                             Prefixes[static_cast<int>(Error.Kind)] + std::to_string(Error.Code);
    if (Error.Kind == K::Connect) {
        ShowMessageLine(Head);
        ShowMessageLine(Error.Message);
    } else {
        ShowDialog(Text(Head + "\r" + Error.Message), TMsgDlgType::mtError, mbOK, this);
    }
    // The socket is left as it is; the next connect request closes it.
    actDisconnectExecute();
}

// ---------------------------------------------------------------- receive pump

void TMainForm::ClientSocket1Read()
{
    TTerm& Term = Term1->Term();
    if (Term.Scr.ScrollBack.Browsing) Term.LeaveScrollBack();
    if (Term.Scr.SelActive) Term.ClearSelection();
    const int N = FLink->ReceiveBuf(ReceiveBuffer.data(), TSessionLink::ChunkSize);
    if (N <= 0) return;
    ProcessBlock(ReceiveBuffer.data(), N, FLink->BytesPending());
    if (OnBlock) OnBlock(ReceiveBuffer.data(), N);
}

void TMainForm::ProcessBlock(const std::uint8_t* Bytes, int Len, bool More)
{
    Switches.CaretDrawEnabled = false;
    if (FSessionLog && FLogRaw) FSessionLog->Raw(Bytes, Len); // as read, Telnet and all
    Term1->BeginHostBlock();
    if (FLink == SshSession1)
        Telnet.PassData(Bytes, Len); // SSH carries no Telnet commands
    else
        Telnet.Receive(Bytes, Len);
    Term1->EndHostBlock();
    // The matches follow what the host writes, a few times a second at most.
    if (!FindBar->isHidden() && !FFindTimer->isActive()) FFindTimer->start();
    if (More && AliasInfo.FastInterrupt) {
        // Every chunk is a turn of the event loop of its own, so a key gets
        // in between two chunks anyway; this takes what input is waiting
        // within this chunk's turn already. The socket waits meanwhile.
        static bool Pumping = false;
        if (!Pumping) {
            const TFlagScope Guard(Pumping);
            QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
        }
    }
}

// Each frame the terminal shows after host output: the caret and the
// cursor's panels, at the frames' pace.
void TMainForm::FrameShown()
{
    TTerm& Term = Term1->Term();
    Switches.CaretDrawEnabled = !Switches.CaretHidden; // an xterm host may keep it hidden
    Term.ShowCaret();
    // The panels later, in a pass of their own, so a label's repaint never
    // holds up an echo: the frame puts the terminal out as this returns.
    if (!FCaretPanelTimer->isActive()) FCaretPanelTimer->start();
}

void TMainForm::ShowCaretPanels()
{
    const TTerm& Term = Term1->Term();
    StatusCol->setText(QString::number(Term.Scr.CurX));
    StatusRow->setText(QString::number(Term.Scr.CurY));
}

void TMainForm::ClientSocket1Write()
{
    TTerm& Term = Term1->Term();
    if (!Term.Scr.SelActive) return;
    Term.ClearSelection();
    LogLine("Tcp Writen");
}

// ---------------------------------------------------------------- lines and titles

void TMainForm::ShowMessageLine(const std::string& Line)
{
    Term1->Term().WriteLine(Line.empty() ? std::string(" ") : ":" + Line);
}

void TMainForm::LogLine(const std::string& Line)
{
    if (LogEnabled()) LogToSink(Line);
}

void TMainForm::SetTitle(const QString& Title)
{
    FCaption = Title;
    FHostTitle.clear();
    FTitleTimer->stop();
    setWindowTitle(Title);
}

// A host's window title (OSC 0 or 2) follows our own caption. A host can send
// thousands in one read: the last of them is shown, once a frame.
void TMainForm::ShowHostTitle(std::string_view Cp949Title)
{
    FHostTitle = Text(std::string(Cp949Title));
    if (!FTitleTimer->isActive()) FTitleTimer->start();
}

void TMainForm::ApplyHostTitle()
{
    // Control characters have no place in a caption, and "[*]" would be the
    // toolkit's mark of a modified document: "[*][*]" shows it as written.
    QString Host;
    for (const QChar C : std::as_const(FHostTitle))
        if (C.category() != QChar::Other_Control) Host += C;
    Host.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(Host.isEmpty() ? FCaption : FCaption + QStringLiteral(" - ") + Host);
}

QString TMainForm::ShownTitle() const
{
    QString Shown = windowTitle();
    return Shown.replace(QStringLiteral("[*][*]"), QStringLiteral("[*]"));
}

void TMainForm::BeginBusyCursor()
{
    if (FBusy++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TMainForm::EndBusyCursor()
{
    if (FBusy == 0) return;
    if (--FBusy == 0) QApplication::restoreOverrideCursor();
}

void TMainForm::RunNewInstance(const QStringList& Args)
{
    // Each argument goes whole, and none after the option may look like one:
    // the toolkit takes its own options (-platform, -plugin...) from anywhere
    // on a command line, so a name beginning with "-" is refused.
    for (qsizetype I = 1; I < Args.size(); ++I) {
        if (!Args[I].startsWith(QLatin1Char('-'))) continue;
        ShowDialog(QStringLiteral("'-' 로 시작하는 이름은 새 창에 넘길 수 없습니다.\r") + Args[I],
                   TMsgDlgType::mtError, mbOK, this);
        return;
    }
    const qint64 Result = StartProcess(Args);
    char Line[64];
    std::snprintf(Line, sizeof Line, "ShellExecute Return value HINS : 0x%08llX",
                  static_cast<unsigned long long>(Result) & 0xFFFFFFFFull);
    LogLine(Line);
}

// ---------------------------------------------------------------- the profile applied

void TMainForm::ApplyAliasInfo(TAliasInfo& Info)
{
    BringIntoRange(Info);
    TTerm& Term = Term1->Term();
    Term.SetCaretColor(Info.ColorCaret);
    Term.SetBackColor(Info.ColorBack);
    Action("actBeep")->setChecked(Info.BeepOn);
    Term.Scr.BeepOn = Info.BeepOn;
    Action("actVisualBeep")->setChecked(Info.VisualBeep);
    Term.Scr.VisualBeep = Info.VisualBeep;
    Action("actCrossCaret")->setChecked(Info.CrossCaret);
    Term.SetCaret(Info.CrossCaret ? TCaret::Cross_Block : TCaret::Block);
    Action("actAutoWrap")->setChecked(Info.AutoWrap);
    Switches.AutoWrap = Info.AutoWrap;
    Action("actSoftScroll")->setChecked(Info.SoftScroll);
    Switches.SoftScroll = Info.SoftScroll;
    tbMain->setVisible(Info.ShowToolBar);
    Action("actViewToolbar")->setChecked(Info.ShowToolBar);
    StatusLine->setVisible(Info.ShowStatusBar);
    Action("actViewStatusBar")->setChecked(Info.ShowStatusBar);
    ScrollBar->setVisible(Info.ShowScrollBar);
    ScrollBar->setEnabled(true); // the bar browses the scroll-back from now on
    TFont F = Term.Scr.Font;
    F.Name = Info.FontName;
    F.Size = Info.FontSize;
    F.Color = Info.FontColor;
    Term.SetFont(F);
    Term.SetScrollBack(Info.ScrollBuffer);
    Term.Monochrome = Info.Monochrome;
    Term.ShiftSpace = Info.HanEng;
    Switches.AutoLF = Info.AutoLF;
    Switches.AutoCR = Info.AutoCR;
    Switches.XtermLevel = Info.XtermLevel;
    if (!Info.TerminalType.empty()) Switches.TermTypeName = Info.TerminalType;
    Switches.HostEncoding = HostEncodingOf(Info.HostEncoding);
    ShowHostEncoding();
    ScrollBar->setMaximum(Info.Row);
    ScrollBar->setValue(Info.Row);
    SetTermSize(Info.Col, Info.Row);
}

void TMainForm::SetTermSize(int Cols, int Rows)
{
    if (TitleOnly || ResizeGuard) return;
    ResizeGuard = true;
    TTerm& Term = Term1->Term();
    Term.SetSize(Cols, Rows);
    FitWindowToTerm();
    SendWindowSize();
    if (SessionSocket) Term1->setFocus();
    SetStatusHint(QStringLiteral("Col [%1]   Row [%2]").arg(Term.Scr.Col).arg(Term.Scr.Row));
    ResizeGuard = false;
}
