// The demo host scripts/run starts: it prints its port, serves the demo to one
// client of our own user as code page 949 text and a shell that keeps Korean
// bytes intact, and leaves nothing listening when the session is over.
#include "E2eSession.h"
#include "text/Cp949.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
QByteArray Q(const std::string& S) { return QByteArray::fromStdString(S); }

// Connects as user Uid and returns how many bytes the host sent before it
// closed the connection, or -1 when that could not be tried. Forked: the
// child uses only async-signal-safe calls.
int BytesServedToUser(quint16 Port, uid_t Uid)
{
    const pid_t Child = fork();
    if (Child == 0) {
        if (setgid(Uid) != 0 || setuid(Uid) != 0) _exit(255);
        const int Fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in Addr{};
        Addr.sin_family = AF_INET;
        Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Addr.sin_port = htons(Port);
        if (connect(Fd, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr) != 0) _exit(255);
        char Buf[256];
        const ssize_t N = read(Fd, Buf, sizeof Buf); // telnetd speaks first
        _exit(N < 0 ? 255 : static_cast<int>(std::min<ssize_t>(N, 254)));
    }
    int Status = 0;
    if (Child < 0 || waitpid(Child, &Status, 0) != Child || !WIFEXITED(Status)) return -1;
    return WEXITSTATUS(Status) == 255 ? -1 : WEXITSTATUS(Status);
}
} // namespace

#define WAIT_ROW(S, Prefix)                                                                        \
    QVERIFY2((S).WaitForRow(Prefix),                                                               \
             qPrintable(QStringLiteral("no row \"%1\"; title \"%2\"; screen:\n%3")                 \
                            .arg(QString::fromStdString(Cp949::ToUtf8(Prefix)),                    \
                                 (S).Form->windowTitle(),                                          \
                                 QString::fromStdString(Cp949::ToUtf8((S).Screen())))))

class DemoHostTest : public QObject {
    Q_OBJECT
private slots:
    void demoIsCodePage949AndLeavesNothingListening()
    {
        QProcess Host;
        Host.start(QStringLiteral(BREVANIX_DEMO_HOST), {});
        QVERIFY2(Host.waitForStarted(), qPrintable(Host.errorString()));
        QVERIFY(WaitUntil([&] { return Host.canReadLine() || Host.state() != QProcess::Running; },
                          E2eWaitMs));
        bool IsPort = false;
        const quint16 Port = Host.readLine().trimmed().toUShort(&IsPort);
        QVERIFY2(IsPort, Host.readAllStandardError().constData());

        // A local user other than us gets nothing, and the host waits on.
        // Only root can connect as somebody else.
        if (getuid() == 0) QCOMPARE(BytesServedToUser(Port, 65534), 0);

        TE2eSession S;
        QVERIFY(S.Connect(Port));
        const std::string Greeting = Cp949::FromUtf8("  안녕하세요! Brevanix 데모 호스트입니다.");
        WAIT_ROW(S, Greeting);
        WAIT_ROW(S, std::string("demo$")); // blanks at the end are not kept
        QCOMPARE(Q(S.RowStartingWith(Greeting)), Q(Greeting));
        const auto& Cells = S.Term().Scr.Lines[S.FindRow(Greeting)]->Cells;
        QCOMPARE(Cells[3].DbcsPart, std::uint8_t{1});
        QCOMPARE(Cells[4].DbcsPart, std::uint8_t{2});
        // Everything shown decodes: no byte of another encoding slipped through.
        QVERIFY2(Cp949::ToUtf8(S.Screen()).find("\uFFFD") == std::string::npos,
                 Cp949::ToUtf8(S.Screen()).c_str());

        // Korean typed into the shell is echoed and run as typed, not as
        // meta keys or octal escapes.
        const std::string Command = "echo " + Cp949::FromUtf8("한글");
        S.Type(QStringLiteral("echo 한글"));
        S.PressEnter();
        WAIT_ROW(S, Cp949::FromUtf8("한글"));
        QCOMPARE(Q(S.RowStartingWith("demo$ echo")), Q("demo$ " + Command));

        S.Type(QStringLiteral("exit"));
        S.PressEnter();
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        QVERIFY(WaitUntil([&] { return Host.state() == QProcess::NotRunning; }, E2eWaitMs));
        QCOMPARE(Host.exitStatus(), QProcess::NormalExit);
        QCOMPARE(Host.exitCode(), 0);

        QTcpSocket Late;
        Late.connectToHost(QHostAddress(QHostAddress::LocalHost), Port);
        QVERIFY(WaitUntil([&] { return Late.error() != QAbstractSocket::UnknownSocketError; },
                          E2eWaitMs));
        QCOMPARE(Late.error(), QAbstractSocket::ConnectionRefusedError);
    }
};

QTEST_MAIN(DemoHostTest)
#include "DemoHostTest.moc"
