#pragma once
// TSessionLink: a connection the session controller drives, whatever carries
// it (Telnet's TCP socket, an SSH channel), with the notifications of the
// receive pump. While connected it is the program-wide SessionSocket.
//
// Each attempt ends in exactly one report: a connect error, or OnConnect
// followed by one OnDisconnect or one error, whatever order the system
// signals in. Nothing is reported from inside the call that opens it, and
// OnRead is never entered again from an event loop it runs.
#include "common/SessionSocket.h"

#include <cstdint>
#include <functional>
#include <string>

class TSessionLink : public TSessionEndpoint {
public:
    // Bytes one readable notification may take.
    static constexpr int ChunkSize = 4096;
    // Above this many unsent bytes the host's data waits unread: a host that
    // asks for replies and never reads them is held back by the transport
    // instead of growing our queue. One chunk's replies (a few KiB) may still
    // land on top.
    static constexpr std::int64_t WriteQueueLimit = 64 * 1024;

    enum class TErrorKind { General, Send, Receive, Connect, Disconnect, Accept };
    // The step a failure happened in, the system's error number (errno), and
    // the text to show (code page 949). Code 0: the text says it all.
    struct TError {
        TErrorKind Kind = TErrorKind::General;
        int Code = 0;
        std::string Message;
        // The host turned us away (authentication, its key): trying again
        // on our own could not help.
        bool Refused = false;
    };

    std::function<void()> OnConnect;
    // Bytes are waiting: read them with ReceiveBuf, at most ChunkSize in all.
    // What is left comes in the next turn of the event loop.
    std::function<void()> OnRead;
    std::function<void(std::int64_t Bytes)> OnWrite;
    // The connection ended (host, network or Close), after every byte the host
    // sent was offered to OnRead.
    std::function<void()> OnDisconnect;
    std::function<void(const TError& Error)> OnError;

    // Ends the connection, or the attempt, at once; an open connection
    // reports OnDisconnect, an attempt nothing.
    virtual void Close() = 0;
    // Reads at most Max bytes; inside OnRead also at most what is left of the
    // notification's chunk. Returns the count read.
    virtual int ReceiveBuf(std::uint8_t* Buf, int Max) = 0;
    // Bytes wait to be read.
    virtual bool BytesPending() = 0;
    // Bytes written but not yet taken by the transport.
    virtual std::int64_t QueuedBytes() const = 0;
    // The host's data waits because the outgoing queue is full.
    virtual bool ReadingHeld() const = 0;

    // How the last connection ended: cleanly when the host closed it in
    // order (a Telnet host's FIN, an SSH channel closed after its exit
    // status) or we did; not when it was reset or broke.
    virtual bool EndedCleanly() const = 0;
    // Milliseconds since the host was last heard from, and since we last sent.
    virtual std::int64_t SilentMs() const = 0;
    virtual std::int64_t QuietMs() const = 0;
};
