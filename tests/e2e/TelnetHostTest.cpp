// Sessions of the real main window with a real telnetd on 127.0.0.1: what
// the host learns from us (terminal type, window size, a resize) and what we
// make of its output (code page 949 text, CR NUL, a 50 MB flood).
#include "E2eSession.h"
#include "TelnetdHost.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray Q(const std::string& S) { return QByteArray::fromStdString(S); }

std::int64_t ResidentBytes()
{
    std::ifstream In("/proc/self/statm");
    std::int64_t Size = 0, Resident = 0;
    In >> Size >> Resident;
    return Resident * sysconf(_SC_PAGESIZE);
}

// Leaves the session as a user would and checks the host goes with it.
void Finish(TE2eSession& S, TOneShotTelnetHost& Host)
{
    S.Form->ClientSocket1->Close();
    QVERIFY2(WaitUntil([&] { return Host.Exited(); }, E2eWaitMs),
             "telnetd stayed after the client left");
    Host.Stop();
    errno = 0;
    QVERIFY2(waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD,
             "a process of the host was left behind");
}
} // namespace

#define WAIT_ROW(S, Prefix, Ms)                                                                    \
    QVERIFY2((S).WaitForRow(Prefix, Ms),                                                           \
             qPrintable(QStringLiteral("no row \"%1\"; title \"%2\"; screen:\n%3")                 \
                            .arg(QString::fromLatin1(Prefix), (S).Form->windowTitle(),             \
                                 QString::fromLatin1((S).Screen()))))

class TelnetHostTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(TOneShotTelnetHost::TelnetdInstalled(),
                 "/usr/sbin/telnetd is missing: install the Debian package inetutils-telnetd "
                 "(scripts/test does)");
        const std::string Dir = BREVANIX_E2E_HOSTS_DIR;
        QVERIFY2(Dir.find_first_of(" \t%") == std::string::npos,
                 "telnetd splits its program at blanks: move the source tree to a plain path");
    }

    void hostSeesDefaultsAndShowsKoreanText()
    {
        TOneShotTelnetHost Host;
        START_HOST(Host, "term_info.sh");
        TE2eSession S;
        std::string Raw;
        S.OnChunk = [&](const std::uint8_t* B, int N) {
            Raw.append(reinterpret_cast<const char*>(B), static_cast<std::size_t>(N));
        };
        QVERIFY(S.Connect(Host.Port()));
        QCOMPARE(S.Form->windowTitle(),
                 QStringLiteral("127.0.0.1:%1 -  Brevanix v1.3.1").arg(Host.Port()));
        WAIT_ROW(S, "ready?", E2eWaitMs);

        // The one client has been taken: nothing listens on the port now.
        QTcpSocket Late;
        Late.connectToHost(QHostAddress(QHostAddress::LocalHost), Host.Port());
        QVERIFY(WaitUntil([&] { return Late.error() != QAbstractSocket::UnknownSocketError; },
                          E2eWaitMs));
        QCOMPARE(Late.error(), QAbstractSocket::ConnectionRefusedError);

        S.PressEnter();
        WAIT_ROW(S, "done.", E2eWaitMs);
        // A bare address connects through _DEFAULT, whose rows default to 30.
        QCOMPARE(Q(S.RowStartingWith("term:")), QByteArray("term: xterm"));
        QCOMPARE(Q(S.RowStartingWith("size:")), QByteArray("size: 30 80"));

        // 한글 in code page 949: two double-byte pairs from column 9.
        const int K = S.FindRow("korean:");
        QVERIFY(K != 0);
        QCOMPARE(Q(S.Row(K)), QByteArray("korean: \xC7\xD1\xB1\xDB"));
        const auto& Cells = S.Term().Scr.Lines[K]->Cells;
        QCOMPARE(Cells[9].DbcsPart, std::uint8_t{1});
        QCOMPARE(Cells[10].DbcsPart, std::uint8_t{2});
        QCOMPARE(Cells[11].DbcsPart, std::uint8_t{1});
        QCOMPARE(Cells[12].DbcsPart, std::uint8_t{2});
        QCOMPARE(Cells[13].DbcsPart, std::uint8_t{0});

        // The bare CR came as CR NUL; the NUL takes no cell.
        QVERIFY(Raw.find(std::string("bare\r\0CR", 8)) != std::string::npos);
        QCOMPARE(Q(S.RowStartingWith("CR")), QByteArray("CRre"));

        Finish(S, Host);
    }

    // A registered alias connects with its own profile: terminal type and grid.
    void hostSeesChosenTypeAndSize()
    {
        TOneShotTelnetHost Host;
        START_HOST(Host, "term_info.sh");
        TE2eSession S;
        S.StartAlias("wide", Host.Port(), "TerminalType=vt220\nCol=132\nRow=50\n");
        WAIT_ROW(S, "ready?", E2eWaitMs);
        QCOMPARE(S.Form->windowTitle(), QStringLiteral("wide -  Brevanix v1.3.1"));
        S.PressEnter();
        WAIT_ROW(S, "done.", E2eWaitMs);
        QCOMPARE(Q(S.RowStartingWith("term:")), QByteArray("term: vt220"));
        QCOMPARE(Q(S.RowStartingWith("size:")), QByteArray("size: 50 132"));
        QCOMPARE(S.Term().Scr.Col, 132);
        Finish(S, Host);
    }

    void resizeWhileConnectedReachesHost()
    {
        TOneShotTelnetHost Host;
        START_HOST(Host, "resize.sh");
        TE2eSession S;
        QVERIFY(S.Connect(Host.Port()));
        WAIT_ROW(S, "ready?", E2eWaitMs);
        S.PressEnter();
        WAIT_ROW(S, "resize me", E2eWaitMs);
        QCOMPARE(Q(S.RowStartingWith("before:")), QByteArray("before: 30 80"));

        S.Form->SetTermSize(100, 40);
        S.PressEnter();
        WAIT_ROW(S, "done.", E2eWaitMs);
        QCOMPARE(Q(S.RowStartingWith("after:")), QByteArray("after: 40 100"));
        Finish(S, Host);
    }

    void floodIsTakenWholeInBoundedMemoryWithoutBlockingTheLoop()
    {
        constexpr std::int64_t Lines = 52428800 / 80, PerLine = 79;
        TOneShotTelnetHost Host;
        START_HOST(Host, "flood.sh");
        TE2eSession S;

        std::int64_t Xs = 0, Baseline = 0;
        int MaxKept = 0, Ticks = 0, ProbesLate = 0;
        bool ProbePending = false;
        QTimer Ticker;
        QElapsedTimer Elapsed;
        Ticker.setInterval(10);
        QObject::connect(&Ticker, &QTimer::timeout, [&] { ++Ticks; });
        S.OnChunk = [&](const std::uint8_t* B, int N) {
            Xs += std::count(B, B + N, std::uint8_t{'x'});
            MaxKept = std::max(MaxKept, S.Term().Scr.ScrollBack.Count);
            if (Baseline == 0 && S.BytesRead >= (1 << 20)) {
                Baseline = ResidentBytes();
                Ticker.start();
                Elapsed.start();
            }
            // Whatever else is queued (a key, say) gets in before the next chunk.
            if (ProbePending) ++ProbesLate;
            ProbePending = true;
            QMetaObject::invokeMethod(
                qApp, [&] { ProbePending = false; }, Qt::QueuedConnection);
        };
        QVERIFY(S.Connect(Host.Port()));
        WAIT_ROW(S, "flood over.", 150000);
        Ticker.stop();
        const std::int64_t Grown = ResidentBytes() - Baseline;

        QCOMPARE(Xs, Lines * PerLine);
        QCOMPARE(Q(S.Row(S.FindRow("flood over.") - 1)), QByteArray(PerLine, 'x'));
        QVERIFY(S.LargestChunk <= TClientSocket::ChunkSize);
        QCOMPARE(S.Term().RecycleLimit(), 1000);
        QCOMPARE(MaxKept, S.Term().RecycleLimit());
        // The flood is 50 MB; the scroll-back is full long before the
        // baseline, so anything kept per byte would show far above this.
        QVERIFY2(Grown <= 8 * 1024 * 1024,
                 qPrintable(QStringLiteral("resident memory grew by %1 bytes").arg(Grown)));
        QCOMPARE(ProbesLate, 0);
        // A 10 ms timer keeps ticking: at least a quarter of the ticks an idle
        // loop would give.
        const qint64 Expected = Elapsed.elapsed() / 10;
        QVERIFY2(Ticks >= Expected / 4,
                 qPrintable(
                     QStringLiteral("%1 timer ticks in %2 ms").arg(Ticks).arg(Elapsed.elapsed())));
        Finish(S, Host);
    }
};

QTEST_MAIN(TelnetHostTest)
#include "TelnetHostTest.moc"
