#include "telnet/QtSocket.h"

#include "text/Cp949.h"

#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>

namespace {
// Qt stops reading from the system when this much waits unread, so a host
// that floods the line is held back by TCP instead of growing our memory.
constexpr qint64 ReadBufferLimit = 16 * TClientSocket::ChunkSize;
} // namespace

TClientSocket::TClientSocket(QObject* Parent) : QObject(Parent)
{
    Socket.setReadBufferSize(ReadBufferLimit);
    connect(&Socket, &QTcpSocket::connected, this, &TClientSocket::HandleConnected);
    connect(&Socket, &QTcpSocket::readyRead, this, &TClientSocket::HandleReadyRead);
    connect(&Socket, &QTcpSocket::bytesWritten, this, [this](qint64 Bytes) {
        if (OnWrite) OnWrite(Bytes);
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
    Socket.connectToHost(Address, Port);
}

void TClientSocket::Close()
{
    Closing = true;
    if (Socket.state() == QAbstractSocket::ConnectedState) Socket.flush();
    Socket.abort();
    Closing = false;
    if (WasConnected)
        ReportDisconnect();
    else
        Release();
}

int TClientSocket::ReceiveBuf(std::uint8_t* Buf, int Max)
{
    int Want = std::max(Max, 0);
    if (InRead) Want = std::min(Want, Budget);
    if (Want == 0) return 0;
    const qint64 Got = Socket.read(reinterpret_cast<char*>(Buf), Want);
    if (Got <= 0) return 0;
    if (InRead)
        Budget -= static_cast<int>(Got);
    else if (Socket.bytesAvailable() > 0)
        PostReadTurn(); // a reader that paused resumes the notifications
    return static_cast<int>(Got);
}

bool TClientSocket::BytesPending() const
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
    return WasConnected && !DisconnectPending && Socket.state() == QAbstractSocket::ConnectedState;
}

void TClientSocket::Write(const unsigned char* Data, std::size_t Len)
{
    if (!Connected() || Len == 0) return;
    Socket.write(reinterpret_cast<const char*>(Data), static_cast<qint64>(Len));
}

void TClientSocket::HandleConnected()
{
    WasConnected = true;
    DisconnectPending = false;
    SessionSocket = this;
    if (OnConnect) OnConnect();
}

void TClientSocket::HandleReadyRead()
{
    // Read in a turn of our own, queued behind what is already waiting: Qt may
    // signal again within one dispatch (a read notifier re-enabled after
    // the buffer drained), which would give two chunks to one turn.
    PostReadTurn();
}

void TClientSocket::ReadTurn()
{
    const qint64 Before = Socket.bytesAvailable();
    if (Before > 0 && OnRead) {
        InRead = true;
        Budget = ChunkSize;
        OnRead();
        InRead = false;
        const qint64 Left = Socket.bytesAvailable();
        // No progress: nobody reads now. New bytes, or a read outside OnRead,
        // start the pump again.
        if (Left > 0 && Left < Before) {
            PostReadTurn();
            return;
        }
    }
    if (DisconnectPending) ReportDisconnect();
}

void TClientSocket::PostReadTurn()
{
    if (TurnPosted) return;
    TurnPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            TurnPosted = false;
            ReadTurn();
        },
        Qt::QueuedConnection);
}

void TClientSocket::HandleDisconnected()
{
    if (Closing) return;
    if (SessionSocket == this) SessionSocket = nullptr;
    if (!WasConnected) return;
    // Qt keeps what it had buffered; the host's last words are shown before
    // the end is reported.
    if (Socket.bytesAvailable() > 0 && OnRead) {
        DisconnectPending = true;
        PostReadTurn();
        return;
    }
    ReportDisconnect();
}

void TClientSocket::HandleError(QAbstractSocket::SocketError Error)
{
    // A host closing is the ordinary end of a session, reported by
    // HandleDisconnected.
    if (Closing || Error == QAbstractSocket::RemoteHostClosedError) return;
    if (SessionSocket == this) SessionSocket = nullptr;
    if (!OnError) return;
    TError E;
    // Before the connection is made, every failure is the connect's.
    E.Kind = WasConnected ? TErrorKind::General : TErrorKind::Connect;
    E.Code = SystemCode(Error);
    E.Message = Cp949::FromUtf8(std::strerror(E.Code));
    OnError(E);
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

void TClientSocket::ReportDisconnect()
{
    WasConnected = false;
    DisconnectPending = false;
    Release();
    if (OnDisconnect) OnDisconnect();
}

void TClientSocket::Release()
{
    if (SessionSocket == this) SessionSocket = nullptr;
}
