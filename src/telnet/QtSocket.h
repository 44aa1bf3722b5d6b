#pragma once
// TClientSocket: the session's TCP client (ClientSocket1), a QTcpSocket in the
// main thread behind the link's notifications and the shared receive pump.
#include "telnet/LinkPump.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <functional>

class TClientSocket : public TLinkPump {
    Q_OBJECT
public:
    explicit TClientSocket(QObject* Parent = nullptr);
    ~TClientSocket() override;
    TClientSocket(const TClientSocket&) = delete;
    TClientSocket& operator=(const TClientSocket&) = delete;

    // The errno a Qt socket error stands for.
    static int SystemCode(QAbstractSocket::SocketError Error);

    // Connects to Address:Port; a connection still open is closed first. A
    // host name is not looked up here: the session controller did that. The
    // system may refuse at once (an unreachable network, a multicast
    // address): the caller still hears of it after Open has returned.
    void Open(const QHostAddress& Address, quint16 Port);
    // Sends what can be sent at once, drops the connection and reports
    // OnDisconnect when one was open.
    void Close() override;

    // TCP's own keepalive: probes after Seconds idle, every Seconds, three
    // unanswered ones end the connection; 0 turns it off.
    void SetKeepAlive(int Seconds);

    bool BytesPending() override;
    std::int64_t QueuedBytes() const override { return Socket.bytesToWrite(); }
    bool Connected() const override;
    // Queued whole in the socket; dropped when not connected.
    void Write(const unsigned char* Data, std::size_t Len) override;

protected:
    std::int64_t Buffered() override { return Socket.bytesAvailable(); }
    int Take(std::uint8_t* Buf, int Max) override;
    void ReportEnd() override;
    bool Live() const override { return Phase == TPhase::Connected; }

private:
    // Idle: no attempt, or its end was reported. Connecting: Open ran, neither
    // OnConnect nor the error yet. Connected: OnConnect fired, the end not yet.
    enum class TPhase { Idle, Connecting, Connected };

    void HandleConnected();
    void HandleDisconnected();
    void HandleError(QAbstractSocket::SocketError Error);
    // Runs Step from the event loop, unless the attempt is over by then.
    void Later(std::function<void()> Step);
    void Release();
    // Whether the host's end came in order (FIN) rather than reset.
    bool ClosedInOrder() const;

    QTcpSocket Socket;
    // A second descriptor of the connected socket: Qt closes its own before
    // it tells of the end, and this one still says how the end came.
    int Probe = -1;
    TPhase Phase = TPhase::Idle;
    unsigned Attempt = 0; // counts Opens and Closes: a report posted for an older one is dropped
    bool Opening = false; // inside Open: reports wait for the event loop
    bool Closing = false; // inside Close: Qt's own signals are ignored
};
