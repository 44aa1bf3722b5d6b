#include "telnet/LinkPump.h"

#include <QMetaObject>

#include <algorithm>

TLinkPump::TLinkPump(QObject* Parent) : QObject(Parent)
{
    FHeard.start();
    FSent.start();
}

int TLinkPump::ReceiveBuf(std::uint8_t* Buf, int Max)
{
    int Want = std::max(Max, 0);
    if (FInRead) Want = std::min(Want, FBudget);
    if (Want == 0) return 0;
    const int Got = Take(Buf, Want);
    if (Got <= 0) return 0;
    if (FInRead)
        FBudget -= Got;
    else if (Buffered() > 0)
        PostReadTurn(); // a reader that paused resumes the notifications
    return Got;
}

bool TLinkPump::ReadingHeld() const
{
    // A host that has left reads nothing more: its last words are read anyway.
    return Live() && !FEndPending && QueuedBytes() > WriteQueueLimit;
}

void TLinkPump::PostReadTurn()
{
    if (FTurnPosted) return;
    FTurnPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FTurnPosted = false;
            ReadTurn();
        },
        Qt::QueuedConnection);
}

void TLinkPump::EndAfterDrain()
{
    FEndPending = true;
    PostReadTurn();
}

void TLinkPump::ResetPump()
{
    FEndPending = false;
    FTurnMissed = false;
    FHeard.start();
    FSent.start();
}

void TLinkPump::ReadTurn()
{
    // OnRead may run an event loop of its own (a dialog, a key taken between
    // chunks): a turn arriving there would overwrite the reader's buffer.
    if (FInRead) {
        FTurnMissed = true;
        return;
    }
    const std::int64_t Before = Buffered();
    if (Before > 0 && OnRead && !ReadingHeld()) {
        FInRead = true;
        FTurnMissed = false;
        FBudget = ChunkSize;
        OnRead();
        FInRead = false;
        const std::int64_t Left = Buffered();
        // No progress: nobody reads now. New bytes, or a read outside OnRead,
        // start the pump again.
        if (FTurnMissed || (Left > 0 && Left < Before)) {
            FTurnMissed = false;
            PostReadTurn();
            return;
        }
    }
    if (FEndPending) {
        FEndPending = false;
        ReportEnd();
    }
}
