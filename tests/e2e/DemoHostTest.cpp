// The demo host scripts/run starts: it prints its port, serves the demo to one
// client of our own user as code page 949 text and a shell that keeps Korean
// bytes intact, never as root, and leaves nothing listening when the session
// is over.
#include "E2eSession.h"
#include "support/OneShotTelnetHost.h"
#include "text/Cp949.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
QByteArray Q(const std::string& S) { return QByteArray::fromStdString(S); }

// A socket connected to 127.0.0.1:Port, or -1.
int ConnectTo(quint16 Port)
{
    const int Fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in Addr{};
    Addr.sin_family = AF_INET;
    Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Addr.sin_port = htons(Port);
    if (Fd >= 0 && connect(Fd, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr) == 0) return Fd;
    if (Fd >= 0) close(Fd);
    return -1;
}

// How many bytes the host sends first on Fd (telnetd speaks first): 0 when it
// closes, -1 on an error or when nothing came in time.
int FirstBytes(int Fd)
{
    pollfd P{Fd, POLLIN, 0};
    if (poll(&P, 1, E2eWaitMs) != 1) return -1;
    char Buf[256];
    return static_cast<int>(read(Fd, Buf, sizeof Buf));
}

// Connects as user Uid and returns how many bytes the host sent before it
// closed the connection, or -1 when that could not be tried. Forked: the
// child uses only async-signal-safe calls.
int BytesServedToUser(quint16 Port, uid_t Uid)
{
    const pid_t Child = fork();
    if (Child == 0) {
        if (setgid(Uid) != 0 || setuid(Uid) != 0) _exit(255);
        const int Fd = ConnectTo(Port);
        const int N = Fd < 0 ? -1 : FirstBytes(Fd);
        _exit(N < 0 ? 255 : std::min(N, 254));
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
    // A shell served as root would be a root shell.
    void refusesToServeAsRoot()
    {
        if (getuid() != 0) QSKIP("only root can start the host as root");
        QProcess Host;
        Host.start(QStringLiteral(BREVANIX_DEMO_HOST), {});
        QVERIFY2(Host.waitForStarted(), qPrintable(Host.errorString()));
        QVERIFY(WaitUntil([&] { return Host.state() == QProcess::NotRunning; }, E2eWaitMs));
        QCOMPARE(Host.readAllStandardOutput(), QByteArray()); // no port
        QCOMPARE(Host.exitCode(), 1);
        QVERIFY(Host.readAllStandardError().contains("as root"));
    }

    // A client that closed before the check is listed without its owner (uid
    // 0, no inode): to a host running as root that must not pass for its own
    // user, and the host waits on for the real one.
    void clientGoneBeforeTheCheckIsRefused()
    {
        TOneShotTelnetHost Host;
        std::string Error;
        QVERIFY2(Host.Start("/bin/true", Error), Error.c_str());
        // Held still, so that the client is gone when the check runs.
        QCOMPARE(kill(Host.ChildPid(), SIGSTOP), 0);
        int Status = 0;
        QCOMPARE(waitpid(Host.ChildPid(), &Status, WUNTRACED), Host.ChildPid());
        const int Gone = ConnectTo(Host.Port());
        QVERIFY(Gone >= 0);
        close(Gone);
        QCOMPARE(kill(Host.ChildPid(), SIGCONT), 0);

        const int Live = ConnectTo(Host.Port());
        QVERIFY(Live >= 0);
        const int Served = FirstBytes(Live);
        close(Live);
        QVERIFY(Served > 0);
    }

    // Runs last: as root it leaves this process an ordinary user.
    void demoIsCodePage949AndLeavesNothingListening()
    {
        // The host will not serve root, and serves only its own user: as
        // root, both it and the window run as nobody.
        const bool AsRoot = getuid() == 0;
        QStringList Program{QStringLiteral(BREVANIX_DEMO_HOST)};
        if (AsRoot)
            Program = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} +
                      Program;
        QProcess Host;
        Host.start(Program.takeFirst(), Program);
        QVERIFY2(Host.waitForStarted(), qPrintable(Host.errorString()));
        QVERIFY(WaitUntil([&] { return Host.canReadLine() || Host.state() != QProcess::Running; },
                          E2eWaitMs));
        bool IsPort = false;
        const quint16 Port = Host.readLine().trimmed().toUShort(&IsPort);
        QVERIFY2(IsPort, Host.readAllStandardError().constData());

        if (AsRoot) {
            // A local user other than the host's (root, here) gets nothing,
            // and the host waits on.
            QCOMPARE(BytesServedToUser(Port, 0), 0);
            // The host ties the connection to us through /proc/PID/fd, which
            // a process that changed its user hides until made dumpable again.
            QVERIFY(DropRootPrivileges() && prctl(PR_SET_DUMPABLE, 1) == 0);
        }

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
