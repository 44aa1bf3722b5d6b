#pragma once
// A proxy in this process between the program and a host on 127.0.0.1: it
// forwards both ways until told to go silent (it keeps the connections open
// and stops forwarding, as a dead link or a stateful firewall would) or to
// reset them (as a dropped route would).
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <sys/socket.h>
#include <vector>

class TLoopbackProxy {
public:
    bool Listen(quint16 Target)
    {
        FTarget = Target;
        QObject::connect(&FServer, &QTcpServer::newConnection, [this] { Take(); });
        return FServer.listen(QHostAddress::LocalHost, 0);
    }
    quint16 Port() const { return FServer.serverPort(); }
    int Connections() const { return FConnections; }
    // From now on nothing is forwarded, and nothing is closed.
    void GoSilent() { FSilent = true; }
    // Every connection is reset on both sides: no FIN, an RST.
    void Reset()
    {
        for (auto& P : FPairs)
            for (QTcpSocket* S : {P.Client, P.Host.get()}) {
                const linger Abort{1, 0};
                ::setsockopt(static_cast<int>(S->socketDescriptor()), SOL_SOCKET, SO_LINGER, &Abort,
                             sizeof Abort);
                S->abort();
            }
    }

private:
    struct TPair {
        QTcpSocket* Client; // owned by the server
        std::unique_ptr<QTcpSocket> Host;
    };
    void Take()
    {
        while (QTcpSocket* Client = FServer.nextPendingConnection()) {
            ++FConnections;
            auto Host = std::make_unique<QTcpSocket>();
            Host->connectToHost(QHostAddress::LocalHost, FTarget);
            QTcpSocket* H = Host.get();
            const auto Pass = [this](QTcpSocket* From, QTcpSocket* To) {
                QObject::connect(From, &QTcpSocket::readyRead, [this, From, To] {
                    if (!FSilent && To->state() == QAbstractSocket::ConnectedState)
                        To->write(From->readAll());
                });
            };
            Pass(Client, H);
            Pass(H, Client);
            // What the program sent before the host's side was up goes then.
            QObject::connect(H, &QTcpSocket::connected, [this, Client, H] {
                if (!FSilent) H->write(Client->readAll());
            });
            QObject::connect(H, &QTcpSocket::disconnected, Client,
                             [Client] { Client->disconnectFromHost(); });
            QObject::connect(Client, &QTcpSocket::disconnected, H,
                             [H] { H->disconnectFromHost(); });
            FPairs.push_back({Client, std::move(Host)});
        }
    }

    QTcpServer FServer;
    quint16 FTarget = 0;
    bool FSilent = false;
    int FConnections = 0;
    std::vector<TPair> FPairs;
};
