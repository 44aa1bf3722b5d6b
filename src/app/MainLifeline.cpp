// The session's lifeline: keepalive while connected (a link silent for three
// intervals is dead), restart in place with the same profile, and
// reconnecting after a drop the user did not ask for, with back-off.
#include "app/Main.h"
#include "ssh/SshSession.h"
#include "telnet/TelnetCommon.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"

#include <QAction>
#include <QDateTime>
#include <QLabel>
#include <QTimer>

#include <algorithm>

namespace {
std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }

// Reconnecting waits 1, 2, 4 ... seconds, never more than this.
constexpr int MaxReconnectDelaySeconds = 60;
// Telnet's no-op command (RFC 854), sent while the link is quiet.
constexpr std::uint8_t Nop = 241;
} // namespace

void TMainForm::CreateLifeline()
{
    FLifeTimer = new QTimer(this);
    FLifeTimer->setInterval(250);
    connect(FLifeTimer, &QTimer::timeout, this, &TMainForm::LifelineTick);
    FLifeTimer->start();
    FReconnectTimer = new QTimer(this);
    FReconnectTimer->setSingleShot(true);
    connect(FReconnectTimer, &QTimer::timeout, this, [this] { ConnectAgain(); });
}

// Keepalive: after KeepAlive quiet seconds a probe goes out; a host silent
// for two intervals is asked for an answer it must give, and one silent for
// three is taken for gone.
void TMainForm::LifelineTick()
{
    if (FReconnectTimer->isActive()) ShowReconnectCountdown();
    const std::int64_t Interval = std::int64_t{AliasInfo.KeepAlive} * 1000;
    if (FState != TSessionState::Connected || Interval <= 0) return;
    const TSessionLink& L = Link();
    if (L.SilentMs() >= 3 * Interval) return LinkDead();
    if (L.QuietMs() < Interval) return;
    if (FLink == SshSession1) {
        SshSession1->SendKeepAlive();
    } else if (L.SilentMs() >= 2 * Interval) {
        Telnet.SendCommand(TN::DO, TN::OptTimingMark); // the host must answer (RFC 860)
    } else {
        const std::uint8_t NoOp[] = {TN::IAC, Nop};
        TTelnet::SendRaw(NoOp, sizeof NoOp);
    }
}

void TMainForm::LinkDead()
{
    ShowMessageLine(Ko("연결이 끊긴 것으로 보입니다: ") + std::to_string(3 * AliasInfo.KeepAlive) +
                    Ko("초 동안 호스트의 응답이 없습니다."));
    LogLine("KeepAlive : link dead");
    FDropped = true;
    Link().Close(); // the disconnected steps follow, then perhaps a reconnect
}

// After the disconnected steps: a drop the user did not ask for, on a
// profile that wants it, is followed by a new attempt after a pause that
// doubles each time, up to a minute.
void TMainForm::AfterSessionEnd(bool WasConnected)
{
    const bool Dropped = WasConnected && !FUserEnded && (FDropped || !Link().EndedCleanly());
    const bool Retry = FReconnecting && !WasConnected && !FRefused;
    FDropped = FUserEnded = false;
    if (!AliasInfo.AutoReconnect || FRefused || FClosing || !(Dropped || Retry)) {
        FReconnecting = false;
        FRefused = false;
        return;
    }
    FRefused = false;
    FReconnecting = true;
    const int Delay = std::min(MaxReconnectDelaySeconds, 1 << std::min(FReconnectTries, 6));
    ++FReconnectTries;
    FReconnectTimer->start(Delay * 1000);
    ShowReconnectCountdown();
}

void TMainForm::ShowReconnectCountdown()
{
    const int Left = (FReconnectTimer->remainingTime() + 999) / 1000;
    SetStatusHint(QStringLiteral("%1초 뒤 다시 접속합니다 (Esc: 취소)").arg(std::max(Left, 0)));
}

void TMainForm::CancelReconnect()
{
    if (!FReconnecting) return;
    FReconnecting = false;
    FReconnectTries = 0;
    if (!FReconnectTimer->isActive()) return;
    FReconnectTimer->stop();
    SetStatusHint(QStringLiteral("다시 접속을 취소했습니다."));
}

void TMainForm::actReconnectExecute()
{
    CancelReconnect();
    ConnectAgain();
}

// The same profile again, in this window: what the screen showed goes up
// into the scroll-back below a separator line, and the new session starts
// on a clean screen.
void TMainForm::ConnectAgain()
{
    if (FState != TSessionState::Idle || !FHadSession) return;
    TTerm& Term = Term1->Term();
    Term.LeaveScrollBack();
    ShowMessageLine(
        Ko("──────── 다시 접속 ") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString() +
        Ko(" ────────"));
    Term.ScrollScreenAway();
    FState = TSessionState::Attempt;
    ConnectProfile();
}
