#include "telnet/QtSocket.h"

#include "text/Cp949.h"

#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Qt stops reading from the system when this much waits unread, so a host
// that floods the line is held back by TCP instead of growing our memory.
constexpr qint64 ReadBufferLimit = 16 * TClientSocket::ChunkSize;
} // namespace

TClientSocket::TClientSocket(QObject* Parent) : TLinkPump(Parent)
{
    Socket.setReadBufferSize(ReadBufferLimit);
    connect(&Socket, &QTcpSocket::connected, this, &TClientSocket::HandleConnected);
    // Read in a turn of our own, queued behind what is already waiting: Qt may
    // signal again within one dispatch (a read notifier re-enabled after the
    // buffer drained), which would give two chunks to one turn.
    connect(&Socket, &QTcpSocket::readyRead, this, [this] {
        NoteHeard();
        PostReadTurn();
    });
    connect(&Socket, &QTcpSocket::bytesWritten, this, [this](qint64 Bytes) {
        if (OnWrite) OnWrite(Bytes);
        // The queue went down: data held back by it may be read now.
        if (!ReadingHeld() && Socket.bytesAvailable() > 0) PostReadTurn();
    });
    connect(&Socket, &QTcpSocket::disconnected, this, &TClientSocket::HandleDisconnected);
    connect(&Socket, &QTcpSocket::errorOccurred, this, &TClientSocket::HandleError);
}

TClientSocket::~TClientSocket()
{
    // The socket member is destroyed after this body and would still signal
    // into the half-destroyed object.
    QObject::disconnect(&Socket, nullptr, this, nullptr);
    Socket.abort();
    Release();
}

void TClientSocket::Open(const QHostAddress& Address, quint16 Port)
{
    Close();
    Phase = TPhase::Connecting;
    Opening = true;
    Socket.connectToHost(Address, Port);
    Opening = false;
}

void TClientSocket::Close()
{
    ++Attempt;
    Closing = true;
    if (Socket.state() == QAbstractSocket::ConnectedState) Socket.flush();
    Socket.abort();
    Closing = false;
    if (Phase == TPhase::Connected) {
        NoteEnd(true); // ours
        ReportEnd();
        return;
    }
    Phase = TPhase::Idle;
    Release();
}

int TClientSocket::Take(std::uint8_t* Buf, int Max)
{
    const qint64 Got = Socket.read(reinterpret_cast<char*>(Buf), Max);
    return Got > 0 ? static_cast<int>(Got) : 0;
}

bool TClientSocket::BytesPending()
{
    if (Socket.bytesAvailable() > 0) return true;
    // Qt reads from the system only when its notifier fires: what the system
    // holds is pending too, or a flood would look drained every 64 KiB.
    int Held = 0;
    const qintptr Fd = Socket.socketDescriptor();
    return Fd >= 0 && ::ioctl(static_cast<int>(Fd), FIONREAD, &Held) == 0 && Held > 0;
}

bool TClientSocket::Connected() const
{
    return Phase == TPhase::Connected && !EndPending() &&
           Socket.state() == QAbstractSocket::ConnectedState;
}

void TClientSocket::Write(const unsigned char* Data, std::size_t Len)
{
    if (!Connected() || Len == 0) return;
    const bool Queued = Socket.bytesToWrite() > 0;
    Socket.write(reinterpret_cast<const char*>(Data), static_cast<qint64>(Len));
    // A key goes out now rather than on the next pass of the event loop;
    // behind a queue, the socket's own pace is kept.
    if (!Queued) Socket.flush();
    NoteSent();
}

void TClientSocket::Later(std::function<void()> Step)
{
    const unsigned Mine = Attempt;
    QMetaObject::invokeMethod(
        this,
        [this, Mine, Step = std::move(Step)] {
            if (Mine == Attempt) Step(); // a Close or a new Open since makes it moot
        },
        Qt::QueuedConnection);
}

void TClientSocket::HandleConnected()
{
    if (Opening) return Later([this] { HandleConnected(); });
    if (Phase != TPhase::Connecting) return;
    Phase = TPhase::Connected;
    // Keys are sent one by one as typed: none may wait for the last one's
    // acknowledgement.
    Socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    ResetPump();
    Probe = ::fcntl(static_cast<int>(Socket.socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    SessionSocket = this;
    if (OnConnect) OnConnect();
}

void TClientSocket::HandleDisconnected()
{
    if (Closing) return;
    if (SessionSocket == this) SessionSocket = nullptr;
    if (Phase != TPhase::Connected || EndPending()) return;
    NoteEnd(ClosedInOrder());
    // Qt keeps what it had buffered; the host's last words are shown before
    // the end is reported.
    if (Socket.bytesAvailable() > 0 && OnRead) return EndAfterDrain();
    ReportEnd();
}

void TClientSocket::HandleError(QAbstractSocket::SocketError Error)
{
    if (Opening) return Later([this, Error] { HandleError(Error); });
    // A host closing is the ordinary end of a session, reported by
    // HandleDisconnected; an attempt or session already reported as ended
    // (Qt may signal an error after the close) reports nothing more.
    if (Closing || Error == QAbstractSocket::RemoteHostClosedError || Phase == TPhase::Idle) return;
    TError E;
    // Before the connection is made, every failure is the connect's.
    E.Kind = Phase == TPhase::Connected ? TErrorKind::General : TErrorKind::Connect;
    E.Code = SystemCode(Error);
    E.Message = Cp949::FromUtf8(std::strerror(E.Code));
    Phase = TPhase::Idle;
    ResetPump();
    NoteEnd(false);
    Release();
    if (OnError) OnError(E);
}

int TClientSocket::SystemCode(QAbstractSocket::SocketError Error)
{
    using S = QAbstractSocket;
    switch (Error) {
    case S::ConnectionRefusedError: return ECONNREFUSED;
    case S::RemoteHostClosedError: return ECONNRESET;
    case S::HostNotFoundError: return EHOSTUNREACH;
    case S::SocketAccessError: return EACCES;
    case S::SocketResourceError: return EMFILE;
    case S::SocketTimeoutError: return ETIMEDOUT;
    case S::NetworkError: return ENETUNREACH;
    case S::AddressInUseError: return EADDRINUSE;
    case S::SocketAddressNotAvailableError: return EADDRNOTAVAIL;
    case S::UnsupportedSocketOperationError: return EAFNOSUPPORT;
    default: return EIO;
    }
}

void TClientSocket::ReportEnd()
{
    Phase = TPhase::Idle;
    ResetPump();
    Release();
    if (OnDisconnect) OnDisconnect();
}

void TClientSocket::Release()
{
    if (SessionSocket == this) SessionSocket = nullptr;
    if (Probe >= 0) ::close(Probe);
    Probe = -1;
}

bool TClientSocket::ClosedInOrder() const
{
    tcp_info Info{};
    socklen_t Size = sizeof Info;
    // After a FIN the socket waits for our close; after a reset it is gone.
    return Probe < 0 || ::getsockopt(Probe, IPPROTO_TCP, TCP_INFO, &Info, &Size) != 0 ||
           Info.tcpi_state != TCP_CLOSE;
}

void TClientSocket::SetKeepAlive(int Seconds)
{
    const int Fd = static_cast<int>(Socket.socketDescriptor());
    if (Fd < 0) return;
    const int On = Seconds > 0 ? 1 : 0, Count = 3;
    ::setsockopt(Fd, SOL_SOCKET, SO_KEEPALIVE, &On, sizeof On);
    if (!On) return;
    ::setsockopt(Fd, IPPROTO_TCP, TCP_KEEPIDLE, &Seconds, sizeof Seconds);
    ::setsockopt(Fd, IPPROTO_TCP, TCP_KEEPINTVL, &Seconds, sizeof Seconds);
    ::setsockopt(Fd, IPPROTO_TCP, TCP_KEEPCNT, &Count, sizeof Count);
}
