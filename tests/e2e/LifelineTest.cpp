// The session's lifeline in the real main window: a link gone silent found
// dead by keepalive (Telnet and SSH, through a proxy that stops forwarding),
// a reset link reconnected in place with the scroll-back kept, no reconnect
// after the user's disconnect or a clean logout, Esc cancelling a pending
// reconnect, and restarting a finished session by command.
#include "E2eSession.h"
#include "LoopbackPeer.h"
#include "LoopbackProxy.h"
#include "SshRig.h"
#include "text/Cp949.h"

#include <QAction>
#include <QLabel>

namespace {
std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }
QString Shown(const std::string& Cp949) { return QString::fromStdString(Cp949::ToUtf8(Cp949)); }

// Keepalive at one second: a dead link is found within three.
constexpr int KeepAliveMs = 1000;
constexpr int DeadWithinMs = 3 * KeepAliveMs + 5000;

// A Telnet host of the test's own that takes every connection and says Hello
// and the connection's number.
struct TCountingHost {
    QTcpServer Server;
    std::vector<QTcpSocket*> Conns;
    bool Listen()
    {
        QObject::connect(&Server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* C = Server.nextPendingConnection()) {
                Conns.push_back(C);
                C->write(("session " + std::to_string(Conns.size()) + "\r\n").c_str());
            }
        });
        return Server.listen(QHostAddress::LocalHost, 0);
    }
    std::string Alias(const std::string& Extra) const
    {
        return "[h]\nAddress=127.0.0.1\nPort=" + std::to_string(Server.serverPort()) + "\n" + Extra;
    }
};

// Some line of the scroll-back or the screen holds Text.
bool Kept(const TTerm& Term, const std::string& Text)
{
    for (const TLine* L = Term.Scr.Lines[Term.Scr.Row]; L; L = L->Prev) {
        std::string Row;
        for (int C = 1; C <= Term.Scr.Col; ++C) Row += static_cast<char>(L->Cells[C].Ch);
        if (Row.find(Text) != std::string::npos) return true;
    }
    return false;
}

// An SSH session through a proxy the test can silence or reset, alias "s"
// with the profile keys Extra; Start returns once the shell has spoken.
struct TSshThroughProxy {
    TSshRig Rig;
    TLoopbackProxy Proxy;
    TE2eSession S;
    bool Start(const char* Extra)
    {
        if (!Rig.Start({Shell}) || !Proxy.Listen(Rig.Host.Port())) return false;
        const std::string Line = Rig.Host.KnownHostsLine();
        Rig.WriteKnownHosts("[127.0.0.1]:" + std::to_string(Proxy.Port()) +
                            Line.substr(Line.find(' ')));
        WriteBytes(S.Ini, SshAlias(Rig, "s", Proxy.Port(), Extra));
        S.Start({"-A", "s"});
        return S.WaitForRow("ssh-ok");
    }
};
} // namespace

class LifelineTest : public QObject {
    Q_OBJECT
private slots:
    // A host that stops answering is asked (a no-op, then a timing mark it
    // must answer) and, silent for three intervals, taken for gone.
    void telnetSilentLinkIsFoundDead()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        WriteBytes(S.Ini, "[q]\nAddress=127.0.0.1\nPort=" + std::to_string(Peer.Port()) +
                              "\nKeepAlive=1\n");
        QVERIFY(S.ConnectTo(Peer, {"-A", "q"}));
        QVERIFY(WaitUntil([&] { return S.Ended(); }, DeadWithinMs));
        QVERIFY2(S.FindRow(Ko(":연결이 끊긴 것으로 보입니다: 3초 동안")) != 0,
                 qPrintable(Shown(S.Screen())));
        const QByteArray Got = Peer.Conn->readAll();
        QVERIFY(Got.contains(QByteArray("\xFF\xF1")));     // IAC NOP
        QVERIFY(Got.contains(QByteArray("\xFF\xFD\x06"))); // IAC DO TIMING-MARK
    }

    // SSH's keepalive request goes unanswered through a proxy that stopped
    // forwarding: the session ends the same way.
    void sshSilentLinkIsFoundDead()
    {
        TSshThroughProxy P;
        TE2eSession& S = P.S;
        QVERIFY2(P.Start("KeepAlive=1\n"), P.Rig.Error.c_str());
        P.Proxy.GoSilent();
        QVERIFY(WaitUntil([&] { return S.Ended(); }, DeadWithinMs));
        QVERIFY(S.FindRow(Ko(":연결이 끊긴 것으로 보입니다")) != 0);
    }

    // A reset link on a profile that asks for it: a new attempt in the same
    // window after a second, the host sees a second session, and what the
    // first one showed is still in the scroll-back.
    void resetLinkReconnectsInPlace()
    {
        TCountingHost Host;
        QVERIFY(Host.Listen());
        TE2eSession S;
        WriteBytes(S.Ini, Host.Alias("AutoReconnect=1\n"));
        S.Start({"-A", "h"});
        QVERIFY(S.WaitForRow("session 1"));
        const linger Abort{1, 0};
        ::setsockopt(static_cast<int>(Host.Conns[0]->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                     &Abort, sizeof Abort);
        Host.Conns[0]->abort();
        QVERIFY(WaitUntil([&] { return S.Form->Reconnecting(); }, E2eWaitMs));
        QVERIFY(S.Form->StatusHint->text().contains(QStringLiteral("다시 접속")));
        QVERIFY(S.WaitForRow("session 2"));
        QVERIFY(S.Form->Connected());
        QVERIFY(Kept(S.Term(), "session 1"));
        QVERIFY(Kept(S.Term(), Ko("다시 접속")));
    }

    // The same through a proxy reset on SSH.
    void sshResetReconnects()
    {
        TSshThroughProxy P;
        QVERIFY2(P.Start("AutoReconnect=1\n"), P.Rig.Error.c_str());
        P.Proxy.Reset();
        QVERIFY(WaitUntil([&] { return P.Proxy.Connections() == 2 && P.S.Form->Connected(); },
                          E2eWaitMs));
    }

    // The user's own disconnect, a host's clean logout: no reconnect. Esc
    // cancels one that waits.
    void noReconnectUnlessDropped()
    {
        TCountingHost Host;
        QVERIFY(Host.Listen());
        TE2eSession S;
        WriteBytes(S.Ini, Host.Alias("AutoReconnect=1\n"));
        S.Start({"-A", "h"});
        QVERIFY(S.WaitForRow("session 1"));
        S.Replies = {QMessageBox::Yes};
        S.Form->Action("actReqDisconnect")->trigger();
        QVERIFY(S.Ended());
        QVERIFY(!S.Form->Reconnecting());

        S.Form->Action("actReconnect")->trigger(); // restart by command
        QVERIFY(S.WaitForRow("session 2"));
        Host.Conns[1]->disconnectFromHost(); // a clean logout: FIN
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        QVERIFY(!S.Form->Reconnecting());

        S.Form->Action("actReconnect")->trigger();
        QVERIFY(S.WaitForRow("session 3"));
        Host.Server.close(); // the next attempt is refused, and retried
        const linger Abort{1, 0};
        ::setsockopt(static_cast<int>(Host.Conns[2]->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                     &Abort, sizeof Abort);
        Host.Conns[2]->abort();
        QVERIFY(WaitUntil([&] { return S.Form->Reconnecting(); }, E2eWaitMs));
        QTest::keyClick(S.Form->Term1, Qt::Key_Escape);
        QVERIFY(!S.Form->Reconnecting());
        QCOMPARE(S.Form->StatusHint->text(), QStringLiteral("다시 접속을 취소했습니다."));
    }
};

QTEST_MAIN(LifelineTest)
#include "LifelineTest.moc"
