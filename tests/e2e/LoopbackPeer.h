#pragma once
// A peer in this process that listens on 127.0.0.1 for exactly one client:
// a host that says exactly what a test tells it to, Telnet commands included.
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

struct TLoopbackPeer {
    static constexpr int WaitMs = 20000;
    QTcpServer Server;
    QTcpSocket* Conn = nullptr;

    bool Listen() { return Server.listen(QHostAddress::LocalHost, 0); }
    quint16 Port() const { return Server.serverPort(); }
    bool Accept()
    {
        if (!QTest::qWaitFor([this] { return Server.hasPendingConnections(); }, WaitMs))
            return false;
        Conn = Server.nextPendingConnection();
        Server.close();
        return Conn != nullptr;
    }
    QByteArray ReadUntil(int Size)
    {
        QByteArray Got;
        (void)QTest::qWaitFor(
            [&] {
                Got += Conn->readAll();
                return Got.size() >= Size;
            },
            WaitMs);
        return Got;
    }
    // A port nothing listens on: one that was free a moment ago.
    static quint16 ClosedPort()
    {
        QTcpServer Probe;
        return Probe.listen(QHostAddress::LocalHost, 0) ? Probe.serverPort() : 1;
    }
};
