#pragma once
// TClientSocket: the session's TCP client (ClientSocket1), a QTcpSocket in the
// main thread behind the five notifications. While connected it is the
// program-wide SessionSocket. Each attempt ends in exactly one report: a
// connect error, or OnConnect followed by one OnDisconnect or one error,
// whatever order Qt signals in; and nothing is ever reported from inside
// Open or re-entered from inside OnRead.
#include "common/SessionSocket.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpSocket>

#include <cstdint>
#include <functional>
#include <string>

class TClientSocket : public QObject, public TSessionEndpoint {
    Q_OBJECT
public:
    // Bytes one readable notification may take.
    static constexpr int ChunkSize = 4096;
    // Above this many unsent bytes the host's data waits unread: a host that
    // asks for replies and never reads them is held back by TCP instead of
    // growing our queue. One chunk's replies (a few KiB) may still land on top.
    static constexpr qint64 WriteQueueLimit = 64 * 1024;

    explicit TClientSocket(QObject* Parent = nullptr);
    ~TClientSocket() override;
    TClientSocket(const TClientSocket&) = delete;
    TClientSocket& operator=(const TClientSocket&) = delete;

    std::function<void()> OnConnect;
    // Bytes are waiting: read them with ReceiveBuf, at most ChunkSize in all.
    // What is left comes in the next turn of the event loop.
    std::function<void()> OnRead;
    std::function<void(std::int64_t Bytes)> OnWrite;
    // The connection ended (host, network or Close), after every byte the host
    // sent was offered to OnRead.
    std::function<void()> OnDisconnect;
    // A failure of the socket: the step it happened in, the system's error
    // number for it (errno) and the system's text for that number (code page
    // 949). A host closing the connection is no error: OnDisconnect reports it.
    enum class TErrorKind { General, Send, Receive, Connect, Disconnect, Accept };
    struct TError {
        TErrorKind Kind = TErrorKind::General;
        int Code = 0;
        std::string Message;
    };
    std::function<void(const TError& Error)> OnError;
    // The errno a Qt socket error stands for.
    static int SystemCode(QAbstractSocket::SocketError Error);

    // Connects to Address:Port; a connection still open is closed first.
    void Open(const QHostAddress& Address, quint16 Port);
    // Sends what can be sent at once, drops the connection and reports
    // OnDisconnect when one was open.
    void Close();

    // Reads at most Max bytes; inside OnRead also at most what is left of the
    // notification's chunk. Returns the count read. An OnRead that reads
    // nothing is not asked again until more bytes arrive or a read outside
    // OnRead leaves some behind.
    int ReceiveBuf(std::uint8_t* Buf, int Max);
    // Bytes wait, in Qt's buffer or the system's.
    bool BytesPending() const;
    // Bytes written but not yet taken by the system.
    qint64 QueuedBytes() const { return Socket.bytesToWrite(); }
    // The host's data waits because the outgoing queue is full.
    bool ReadingHeld() const;

    bool Connected() const override;
    // Queued whole in the socket; dropped when not connected.
    void Write(const unsigned char* Data, std::size_t Len) override;

private:
    // Idle: no attempt, or its end was reported. Connecting: Open ran, neither
    // OnConnect nor the error yet. Connected: OnConnect fired, the end not yet.
    enum class TPhase { Idle, Connecting, Connected };

    void HandleConnected();
    void HandleReadyRead();
    void HandleDisconnected();
    void HandleError(QAbstractSocket::SocketError Error);
    void ReadTurn();
    void PostReadTurn();
    void ReportDisconnect();
    // Runs Step from the event loop, unless the attempt is over by then.
    void Later(std::function<void()> Step);
    void Release();

    QTcpSocket Socket;
    TPhase Phase = TPhase::Idle;
    unsigned Attempt = 0;           // counts Opens: a report posted for an older one is dropped
    bool Opening = false;           // inside Open: reports wait for the event loop
    bool TurnPosted = false;        // a queued ReadTurn is on its way
    bool DisconnectPending = false; // the host left while bytes were unread
    bool Closing = false;           // inside Close: Qt's own signals are ignored
    bool InRead = false;            // OnRead is running
    bool TurnMissed = false;        // a turn came while OnRead ran; it runs after
    int Budget = 0;
};
