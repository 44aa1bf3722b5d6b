// The client socket against a loopback peer in this process: the receive
// pump, the end of a connection, and SessionSocket's life.
#include "LoopbackPeer.h"
#include "WaitUntil.h"
#include "support/RecordingSocket.h"
#include "telnet/QtSocket.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <cerrno>
#include <memory>
#include <sys/ioctl.h>
#include <vector>

namespace {
constexpr int WaitMs = TLoopbackPeer::WaitMs;

using TPeer = TLoopbackPeer;

// Opens Client to Peer and waits until both ends see the connection.
bool Connect(TClientSocket& Client, TPeer& Peer)
{
    if (!Peer.Listen()) return false;
    Client.Open(QHostAddress(QHostAddress::LocalHost), Peer.Server.serverPort());
    return Peer.Accept() && QTest::qWaitFor([&] { return Client.Connected(); }, WaitMs);
}
} // namespace

class ClientSocketTest : public QObject {
    Q_OBJECT
private slots:
    void init() { SessionSocket = nullptr; }

    void pumpGivesOneChunkPerTurnAndEveryByteBeforeTheEnd()
    {
        TClientSocket Client;
        TPeer Peer;
        QByteArray Received;
        int Reads = 0, OverBudget = 0, ProbesLate = 0;
        bool ProbePending = false;
        qsizetype ReceivedAtEnd = -1;
        int Ends = 0, Errors = 0;
        Client.OnError = [&](const TClientSocket::TError&) {
            ++Errors;
        }; // a host closing is no error
        Client.OnRead = [&] {
            ++Reads;
            if (ProbePending) ++ProbesLate;
            // A greedy reader: asks for more than a chunk, twice.
            int InTurn = 0;
            for (int I = 0; I < 2; ++I) {
                std::uint8_t Buf[10000];
                const int N = Client.ReceiveBuf(Buf, sizeof Buf);
                Received.append(reinterpret_cast<const char*>(Buf), N);
                InTurn += N;
            }
            if (InTurn > TClientSocket::ChunkSize) ++OverBudget;
            // Whatever else is queued (a key, say) must get in before the
            // next chunk.
            ProbePending = true;
            QMetaObject::invokeMethod(
                qApp, [&] { ProbePending = false; }, Qt::QueuedConnection);
        };
        Client.OnDisconnect = [&] {
            ++Ends;
            ReceivedAtEnd = Received.size();
        };
        QVERIFY(Connect(Client, Peer));
        QCOMPARE(SessionSocket, &Client);

        QByteArray Sent(300 * 1024, '\0');
        for (qsizetype I = 0; I < Sent.size(); ++I) Sent[I] = static_cast<char>(I % 251);
        Peer.Conn->write(Sent);
        Peer.Conn->disconnectFromHost(); // after the bytes are out

        QVERIFY(QTest::qWaitFor([&] { return Ends > 0; }, WaitMs));
        QCOMPARE(ReceivedAtEnd, Sent.size());
        QVERIFY(Received == Sent);
        QCOMPARE(OverBudget, 0);
        QCOMPARE(ProbesLate, 0);
        QVERIFY(Reads >= Sent.size() / TClientSocket::ChunkSize);
        QCOMPARE(SessionSocket, nullptr);
        QVERIFY(!Client.Connected());
        for (int I = 0; I < 20; ++I) QCoreApplication::processEvents();
        QCOMPARE(Ends, 1);
        QCOMPARE(Errors, 0);
    }

    void readerThatTakesNothingIsNotPolledAndStillSeesTheEnd()
    {
        TClientSocket Client;
        TPeer Peer;
        int Reads = 0;
        bool Ended = false;
        Client.OnRead = [&] { ++Reads; };
        Client.OnDisconnect = [&] { Ended = true; };
        QVERIFY(Connect(Client, Peer));

        Peer.Conn->write("unread");
        QVERIFY(QTest::qWaitFor([&] { return Reads > 0; }, WaitMs));
        for (int I = 0; I < 50; ++I) QCoreApplication::processEvents();
        QCOMPARE(Reads, 1);
        QVERIFY(Client.BytesPending());

        Peer.Conn->disconnectFromHost();
        QVERIFY(QTest::qWaitFor([&] { return Ended; }, WaitMs));
    }

    void readerThatFallsBehindHoldsTheHostBack()
    {
        TClientSocket Client;
        TPeer Peer;
        bool Reading = false;
        QByteArray Received;
        Client.OnRead = [&] {
            if (!Reading) return;
            std::uint8_t Buf[TClientSocket::ChunkSize];
            const int N = Client.ReceiveBuf(Buf, sizeof Buf);
            Received.append(reinterpret_cast<const char*>(Buf), N);
        };
        QVERIFY(Connect(Client, Peer));

        QByteArray Sent(32 << 20, '\0');
        for (qsizetype I = 0; I < Sent.size(); I += 4096) Sent[I] = static_cast<char>(I >> 12);
        Peer.Conn->write(Sent);
        // However much the system buffers, most of it still waits at the peer
        // rather than in our memory.
        (void)WaitUntil([&] { return Peer.Conn->bytesToWrite() < Sent.size() / 2; }, 2000);
        QVERIFY(Peer.Conn->bytesToWrite() >= Sent.size() / 2);

        Reading = true;
        std::uint8_t First[1];
        QCOMPARE(Client.ReceiveBuf(First, 1), 1); // room again: the pump resumes
        Received.append(static_cast<char>(First[0]));
        QVERIFY(WaitUntil([&] { return Received.size() == Sent.size(); }, WaitMs));
        QVERIFY(Received == Sent);
    }

    void writesGoOutOnlyWhileConnected()
    {
        TClientSocket Client;
        TPeer Peer;
        std::int64_t Written = 0;
        int Ends = 0;
        Client.OnWrite = [&](std::int64_t N) { Written += N; };
        Client.OnDisconnect = [&] { ++Ends; };

        const unsigned char Early[] = "early";
        Client.Write(Early, 5); // not connected: dropped
        QVERIFY(Connect(Client, Peer));
        const unsigned char Hello[] = "hello";
        SessionSocket->Write(Hello, 5);
        // A key is in the peer's queue before the event loop turns again.
        int Queued = 0;
        ::ioctl(static_cast<int>(Peer.Conn->socketDescriptor()), FIONREAD, &Queued);
        QCOMPARE(Queued, 5);
        QCOMPARE(Peer.ReadUntil(5), QByteArray("hello"));
        QVERIFY(QTest::qWaitFor([&] { return Written == 5; }, WaitMs));

        Client.Close();
        QCOMPARE(Ends, 1);
        QCOMPARE(SessionSocket, nullptr);
        QVERIFY(!Client.Connected());
        Client.Write(Hello, 5);
        QVERIFY(QTest::qWaitFor(
            [&] { return Peer.Conn->state() == QAbstractSocket::UnconnectedState; }, WaitMs));
        QCOMPARE(Peer.Conn->readAll(), QByteArray());
        Client.Close(); // closing twice reports once
        QCOMPARE(Ends, 1);
    }

    void closeLeavesAnotherEndpointInPlace()
    {
        TClientSocket Client;
        TPeer Peer;
        QVERIFY(Connect(Client, Peer));
        TRecordingSocket Other;
        Client.Close();
        QCOMPARE(SessionSocket, &Other);
    }

    void refusedConnectionIsAnErrorNotAnEnd()
    {
        const quint16 Port = TLoopbackPeer::ClosedPort();
        TClientSocket Client;
        int Connects = 0, Ends = 0;
        TClientSocket::TError Error{TClientSocket::TErrorKind::General, -1, {}};
        Client.OnConnect = [&] { ++Connects; };
        Client.OnDisconnect = [&] { ++Ends; };
        Client.OnError = [&](const TClientSocket::TError& E) { Error = E; };
        Client.Open(QHostAddress(QHostAddress::LocalHost), Port);
        QVERIFY(QTest::qWaitFor([&] { return Error.Code != -1; }, WaitMs));
        QCOMPARE(Error.Kind, TClientSocket::TErrorKind::Connect);
        QCOMPARE(Error.Code, ECONNREFUSED);
        QCOMPARE(Error.Message, std::string("Connection refused"));
        QCOMPARE(Connects, 0);
        QCOMPARE(Ends, 0);
        QCOMPARE(SessionSocket, nullptr);
    }

    // A reader that runs an event loop of its own (a dialog, keys taken
    // between chunks) is not entered again from it: its buffer would be
    // overwritten. The pump carries on afterwards, every byte in order.
    void readerWithAnEventLoopOfItsOwnIsNotReentered()
    {
        TClientSocket Client;
        TPeer Peer;
        QByteArray Received;
        int Depth = 0, Deepest = 0;
        Client.OnRead = [&] {
            Deepest = std::max(Deepest, ++Depth);
            std::uint8_t Buf[TClientSocket::ChunkSize];
            const int N = Client.ReceiveBuf(Buf, sizeof Buf);
            for (int I = 0; I < 20; ++I) QCoreApplication::processEvents();
            Received.append(reinterpret_cast<const char*>(Buf), N);
            --Depth;
        };
        QVERIFY(Connect(Client, Peer));
        QByteArray Sent(256 * 1024, '\0');
        for (qsizetype I = 0; I < Sent.size(); ++I) Sent[I] = static_cast<char>(I % 253);
        Peer.Conn->write(Sent);
        QVERIFY(WaitUntil([&] { return Received.size() == Sent.size(); }, WaitMs));
        QVERIFY(Received == Sent);
        QCOMPARE(Deepest, 1);
    }

    // The system may refuse inside Open (a multicast address: no route):
    // the error still comes from the event loop, once, after Open returned.
    void refusalInsideOpenIsReportedLater()
    {
        TClientSocket Client;
        int Errors = 0, Ends = 0;
        Client.OnError = [&](const TClientSocket::TError& E) {
            ++Errors;
            QCOMPARE(E.Kind, TClientSocket::TErrorKind::Connect);
        };
        Client.OnDisconnect = [&] { ++Ends; };
        Client.Open(QHostAddress(QStringLiteral("224.0.0.1")), 23);
        QCOMPARE(Errors, 0);
        QVERIFY(WaitUntil([&] { return Errors > 0; }, WaitMs));
        for (int I = 0; I < 20; ++I) QCoreApplication::processEvents();
        QCOMPARE(Errors, 1);
        QCOMPARE(Ends, 0);
        Client.Close();
        QCOMPARE(Ends, 0);
    }

    void destroyedWhileConnectedCallsNothingBack()
    {
        auto Client = std::make_unique<TClientSocket>();
        TPeer Peer;
        bool Called = false;
        Client->OnDisconnect = [&] { Called = true; };
        Client->OnError = [&](const TClientSocket::TError&) { Called = true; };
        QVERIFY(Connect(*Client, Peer));
        Client.reset();
        QVERIFY(!Called);
        QCOMPARE(SessionSocket, nullptr);
    }
};

QTEST_GUILESS_MAIN(ClientSocketTest)
#include "ClientSocketTest.moc"
