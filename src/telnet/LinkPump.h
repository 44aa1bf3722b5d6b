#pragma once
// TLinkPump: the receive pump every session link shares. Bytes are handed to
// OnRead in turns of the event loop of their own, at most a chunk a turn, so a
// key gets in between two chunks; a turn is never run inside another (OnRead
// may run a dialog's event loop); the host's data waits while the outgoing
// queue is full; and the end of the connection is reported only once every
// byte the host sent was offered. A link says what it holds and reads it;
// the pump decides when.
#include "common/SessionLink.h"

#include <QElapsedTimer>
#include <QObject>

class TLinkPump : public QObject, public TSessionLink {
    Q_OBJECT
public:
    explicit TLinkPump(QObject* Parent = nullptr);

    int ReceiveBuf(std::uint8_t* Buf, int Max) final;
    bool ReadingHeld() const final;
    bool EndedCleanly() const final { return FEndedCleanly; }
    std::int64_t SilentMs() const final { return FHeard.elapsed(); }
    std::int64_t QuietMs() const final { return FSent.elapsed(); }

protected:
    // Bytes the link can hand out now without waiting.
    virtual std::int64_t Buffered() = 0;
    // Reads at most Max of them; returns the count.
    virtual int Take(std::uint8_t* Buf, int Max) = 0;
    // The host left: what it sent is read, so the end may be reported.
    virtual void ReportEnd() = 0;
    // The connection is open and its end not yet reported or pending.
    virtual bool Live() const = 0;

    // New bytes, or room in the outgoing queue: a turn is worth taking.
    void PostReadTurn();
    // The host left while bytes wait: report the end once they are read.
    void EndAfterDrain();
    bool EndPending() const { return FEndPending; }
    // A new connection starts with nothing pending, just heard from.
    void ResetPump();
    void NoteHeard() { FHeard.start(); }
    void NoteSent() { FSent.start(); }
    void NoteEnd(bool Clean) { FEndedCleanly = Clean; }

private:
    void ReadTurn();

    QElapsedTimer FHeard, FSent;
    bool FEndedCleanly = true;
    bool FTurnPosted = false; // a queued ReadTurn is on its way
    bool FEndPending = false; // the host left while bytes were unread
    bool FInRead = false;     // OnRead is running
    bool FTurnMissed = false; // a turn came while OnRead ran; it runs after
    int FBudget = 0;
};
