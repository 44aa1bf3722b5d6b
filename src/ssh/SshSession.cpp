// The session as a link: opening and closing, the channel's bytes both ways,
// the descriptor's notifiers, and the chain of handshake steps.
#include "ssh/SshSession.h"

#include "ssh/SshText.h"
#include "text/Cp949.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <libssh/callbacks.h>
#include <libssh/libssh.h>
#include <libssh/server.h> // ssh_send_keepalive, a client request too

#include <algorithm>

namespace {
// A step that waits for the network is run again this often, besides when
// the descriptor stirs: libssh may hold a whole packet already read.
constexpr int KickMs = 20;
// Bytes handed to libssh per write call.
constexpr std::size_t WriteSlice = 16 * 1024;
} // namespace

TSshSession::TSshSession(QObject* Parent) : TLinkPump(Parent)
{
    FKick.setInterval(KickMs);
    connect(&FKick, &QTimer::timeout, this, &TSshSession::Advance);
    FTimeout.setSingleShot(true);
    connect(&FTimeout, &QTimer::timeout, this, [this] {
        Fail("SSH : " + std::to_string(FTarget.TimeoutSeconds) +
             "초 안에 접속을 마치지 못했습니다.");
    });
}

TSshSession::~TSshSession() { Release(); }

// ---------------------------------------------------------------- the link

void TSshSession::Open(const TSshTarget& Target)
{
    Close();
    FTarget = Target;
    FSession = ssh_new();
    if (!FSession) {
        QMetaObject::invokeMethod(
            this, [this] { Fail("SSH : libssh 를 시작할 수 없습니다."); }, Qt::QueuedConnection);
        return;
    }
    FStep = TStep::Connect;
    FMethods = 0;
    FTried.clear();
    FSecretTries = 0;
    FKbdAnswered = false;
    ResetPump();
    // The first step runs from the event loop: nothing is reported from Open.
    FKick.start();
    FTimeout.start(std::max(1, FTarget.TimeoutSeconds) * 1000);
}

void TSshSession::Close()
{
    if (FStep == TStep::Shell) {
        NoteEnd(true); // ours
        ReportEnd();
        return;
    }
    Release();
}

void TSshSession::ReportEnd()
{
    if (FStep != TStep::Shell) return;
    Log("SSH : 접속 종료");
    Release();
    if (OnDisconnect) OnDisconnect();
}

void TSshSession::Release()
{
    Unwatch();
    FKick.stop();
    FTimeout.stop();
    FStep = TStep::Idle;
    if (SessionSocket == this) SessionSocket = nullptr;
    Wipe(FOut);
    if (FChannel) {
        ssh_channel_free(FChannel);
        FChannel = nullptr;
    }
    if (FSession) {
        ssh_disconnect(FSession);
        ssh_free(FSession);
        FSession = nullptr;
    }
    FCallbacks.reset();
}

bool TSshSession::Connected() const
{
    return FStep == TStep::Shell && !EndPending() && FChannel && ssh_channel_is_open(FChannel);
}

void TSshSession::ResizePty(int Cols, int Rows)
{
    FTarget.Cols = Cols;
    FTarget.Rows = Rows;
    if (Connected()) ssh_channel_change_pty_size(FChannel, Cols, Rows);
}

void TSshSession::Write(const unsigned char* Data, std::size_t Len)
{
    if (!Connected() || Len == 0) return;
    FOut.append(reinterpret_cast<const char*>(Data), Len);
    // What one event's handling writes (a pasted text comes a byte a call)
    // goes in one packet at the end of it, not a packet a byte.
    if (FFlushPosted) return;
    FFlushPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FFlushPosted = false;
            if (FStep == TStep::Shell) Flush();
        },
        Qt::QueuedConnection);
}

// What the channel's window takes goes now; the rest waits for the host to
// make room (a window adjustment read with its next packet).
void TSshSession::Flush()
{
    std::int64_t Sent = 0;
    while (!FOut.empty() && FChannel) {
        const int N = ssh_channel_write(
            FChannel, FOut.data(), static_cast<std::uint32_t>(std::min(FOut.size(), WriteSlice)));
        if (N == SSH_ERROR) return Fail("SSH : " + LibError());
        if (N <= 0) break;
        FOut.erase(0, static_cast<std::size_t>(N));
        Sent += N;
        NoteSent();
    }
    if (Sent > 0 && OnWrite) OnWrite(Sent);
    Watch();
    if (!ReadingHeld() && FStep == TStep::Shell && Buffered() > 0) PostReadTurn();
}

bool TSshSession::BytesPending() { return Buffered() > 0; }

std::int64_t TSshSession::Buffered()
{
    if (FStep != TStep::Shell || !FChannel) return 0;
    // Each poll of an empty channel asks the system; the error stream only
    // matters when the output is drained.
    const int Out = ssh_channel_poll(FChannel, 0);
    if (Out > 0) return Out;
    return std::max(ssh_channel_poll(FChannel, 1), 0);
}

int TSshSession::Take(std::uint8_t* Buf, int Max)
{
    if (FStep != TStep::Shell || !FChannel) return 0;
    int Got = ssh_channel_read_nonblocking(FChannel, Buf, static_cast<std::uint32_t>(Max), 0);
    if (Got < 0) Got = 0;
    if (Got < Max) {
        const int Err = ssh_channel_read_nonblocking(FChannel, Buf + Got,
                                                     static_cast<std::uint32_t>(Max - Got), 1);
        if (Err > 0) Got += Err;
    }
    // libssh may have read the host's end with the last data: no descriptor
    // event will tell of it, so look once the reader is done.
    if (Got < Max)
        QMetaObject::invokeMethod(this, &TSshSession::SocketActivity, Qt::QueuedConnection);
    return Got;
}

// ---------------------------------------------------------------- the descriptor

void TSshSession::Watch()
{
    if (!FSession || FAsking) return;
    const int Fd = ssh_get_fd(FSession);
    if (Fd < 0) return;
    if (!FRead || FRead->socket() != Fd) {
        FRead = std::make_unique<QSocketNotifier>(Fd, QSocketNotifier::Read);
        connect(FRead.get(), &QSocketNotifier::activated, this, [this] {
            NoteHeard();
            SocketActivity();
        });
        FWrite = std::make_unique<QSocketNotifier>(Fd, QSocketNotifier::Write);
        connect(FWrite.get(), &QSocketNotifier::activated, this, &TSshSession::SocketActivity);
    }
    FRead->setEnabled(true);
    // Writable matters while the connection is made and while libssh holds
    // bytes the system did not take.
    const bool Pending = (ssh_get_poll_flags(FSession) & SSH_WRITE_PENDING) != 0;
    FWrite->setEnabled(FStep == TStep::Connect || Pending);
}

void TSshSession::Unwatch()
{
    if (FRead) FRead->setEnabled(false);
    if (FWrite) FWrite->setEnabled(false);
}

void TSshSession::SocketActivity()
{
    if (FStep != TStep::Shell) return Advance();
    if (ssh_get_poll_flags(FSession) & SSH_WRITE_PENDING) ssh_blocking_flush(FSession, 0);
    Flush();
    if (FStep != TStep::Shell) return; // the write failed
    const std::int64_t Waiting = Buffered();
    if (Waiting > 0) PostReadTurn();
    const bool Ended = ssh_channel_is_eof(FChannel) || ssh_channel_is_closed(FChannel) ||
                       !ssh_is_connected(FSession);
    if (!Ended || EndPending()) return;
    // A shell that ended says how: its exit status. A channel or transport
    // gone without one was cut.
    NoteEnd(ssh_channel_get_exit_status(FChannel) != -1);
    // The host's last words are shown before the end is reported.
    Unwatch();
    if (Waiting > 0 && OnRead)
        EndAfterDrain();
    else
        ReportEnd();
}

// ---------------------------------------------------------------- the handshake

void TSshSession::Advance()
{
    if (FInStep || FAsking || FStep == TStep::Idle || FStep == TStep::Shell) return;
    FInStep = true;
    TResult R = TResult::Done;
    while (R == TResult::Done && FStep != TStep::Shell && FStep != TStep::Idle) R = RunStep();
    FInStep = false;
    if (FStep == TStep::Idle) return; // failed: reported already
    if (FStep != TStep::Shell) return Watch();
    FKick.stop();
    FTimeout.stop();
    ResetPump();
    SessionSocket = this;
    Log("SSH : 채널과 터미널(" + FTarget.TermType + " " + std::to_string(FTarget.Cols) + "x" +
        std::to_string(FTarget.Rows) + ") 준비 완료");
    if (OnConnect) OnConnect();
    if (FStep == TStep::Shell) SocketActivity(); // bytes that came with the last answers
}

TSshSession::TResult TSshSession::RunStep()
{
    switch (FStep) {
    case TStep::Connect: return StepConnect();
    case TStep::HostKey: return StepHostKey();
    case TStep::AuthNone: return StepAuthNone();
    case TStep::PublicKey: return StepPublicKey();
    case TStep::KbdInt: return StepKbdInt();
    case TStep::Password: return StepPassword();
    case TStep::Channel: return StepChannel();
    case TStep::Pty: return StepPty();
    case TStep::ShellRequest: return StepShell();
    default: return TResult::Again;
    }
}

std::string TSshSession::LibError() const
{
    return FSession ? ssh_get_error(FSession) : std::string();
}

void TSshSession::Log(const std::string& Line) const
{
    if (OnLog) OnLog(Line);
}

void TSshSession::Fail(const std::string& Message, bool Refused)
{
    if (FStep == TStep::Idle) return;
    const bool WasConnected = FStep == TStep::Shell;
    Log(Message.substr(0, Message.find('\n')));
    Release();
    NoteEnd(false);
    TError E;
    E.Kind = WasConnected ? TErrorKind::General : TErrorKind::Connect;
    E.Message = Cp949::FromUtf8(Message);
    E.Refused = Refused;
    if (OnError) OnError(E);
}

void TSshSession::SendKeepAlive()
{
    // A global request the server must answer: its reply is heard like data.
    if (Connected()) ssh_send_keepalive(FSession);
    NoteSent();
}

// A question while the session waits: the descriptor and the time-out rest,
// and no step runs until the answer.
std::optional<std::string> TSshSession::Ask(const TQuestion& Question)
{
    if (!OnAsk) return std::nullopt;
    const bool WasAsking = FAsking;
    FAsking = true;
    Unwatch();
    const bool Timing = FTimeout.isActive();
    FTimeout.stop();
    std::optional<std::string> Answer = OnAsk(Question);
    FAsking = WasAsking;
    if (Timing && FStep != TStep::Idle) FTimeout.start(std::max(1, FTarget.TimeoutSeconds) * 1000);
    return Answer;
}
