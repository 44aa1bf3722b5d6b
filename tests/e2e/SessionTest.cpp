// The session of the real main window from start to end: the command line,
// connecting and its failures, typing, the host hanging up, a second request
// while connected, and what a hand-edited profile or a broken host may hold.
#include "E2eSession.h"
#include "LoopbackPeer.h"
#include "TelnetdHost.h"
#include "app/StartArgs.h"
#include "common/LogSink.h"
#include "profiles/ProfileKeys.h"
#include "text/Cp949.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <cerrno>
#include <csignal>

namespace {
QByteArray Q(const std::string& S) { return QByteArray::fromStdString(S); }
std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }
QString Shown(const std::string& Cp949) { return QString::fromStdString(Cp949::ToUtf8(Cp949)); }

// A profile file with one alias for a port on 127.0.0.1, plus extra lines.
void WriteAlias(TE2eSession& S, const char* Alias, int Port, const std::string& Extra = {})
{
    WriteBytes(S.Ini, std::string("[") + Alias +
                          "]\nAddress=127.0.0.1\nPort=" + std::to_string(Port) + "\n" + Extra);
}
} // namespace

#define WAIT_ROW(S, Prefix)                                                                        \
    QVERIFY2(                                                                                      \
        (S).WaitForRow(Prefix),                                                                    \
        qPrintable(                                                                                \
            QStringLiteral("no row \"%1\"; screen:\n%2").arg(Shown(Prefix), Shown((S).Screen()))))

class SessionTest : public QObject {
    Q_OBJECT
private slots:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("Args");
        QTest::addColumn<int>("Mode");
        QTest::addColumn<QString>("Arg1");
        QTest::addColumn<QString>("Arg2");
        QTest::newRow("none") << QStringList{} << 0 << ""
                              << "";
        QTest::newRow("alias, lower case") << QStringList{"-a", "개발서버"} << 1 << "개발서버"
                                           << "";
        QTest::newRow("alias without name") << QStringList{"-A"} << 1 << ""
                                            << "";
        QTest::newRow("address and port") << QStringList{"-D", "host", "2323"} << 2 << "host"
                                          << "2323";
        QTest::newRow("only three count") << QStringList{"-d", "h", "1", "x"} << 2 << "h"
                                          << "1";
        QTest::newRow("other option") << QStringList{"-x", "h"} << 0 << ""
                                      << "";
        QTest::newRow("ssh, user and port") << QStringList{"-S", "kim@host", "2222"} << 2 << "host"
                                            << "2222";
        QTest::newRow("ssh, lower case, no user") << QStringList{"-s", "host"} << 2 << "host"
                                                  << "";
        QTest::newRow("ssh, the last @ ends the user")
            << QStringList{"-S", "kim@corp.kr@서버.kr", "22"} << 2 << "서버.kr"
            << "22";
        QTest::newRow("ssh without address") << QStringList{"-S"} << 2 << ""
                                             << "";
    }
    void commandLine()
    {
        QFETCH(QStringList, Args);
        QFETCH(int, Mode);
        QFETCH(QString, Arg1);
        QFETCH(QString, Arg2);
        const TStartArgs S = ParseStartArgs(Args);
        QCOMPARE(S.StartMode, Mode);
        QCOMPARE(Shown(S.Arg1), Arg1);
        QCOMPARE(Shown(S.Arg2), Arg2);
    }

    // Typed keys reach the host's shell and its answer comes back.
    void typedTextComesBack()
    {
        TOneShotTelnetHost Host;
        START_HOST(Host, "shell.sh");
        TE2eSession S;
        QVERIFY(S.Connect(Host.Port()));
        WAIT_ROW(S, std::string("$"));
        QCOMPARE(Q(S.RowStartingWith("korean:")), QByteArray("korean: \xC7\xD1\xB1\xDB"));
        S.Type(QStringLiteral("echo hi"));
        S.PressEnter();
        WAIT_ROW(S, std::string("hi"));
        QCOMPARE(Q(S.RowStartingWith("$ echo")), QByteArray("$ echo hi"));
        S.Form->ClientSocket1->Close();
    }

    void hostHangingUpEndsTheSession()
    {
        TOneShotTelnetHost Host;
        START_HOST(Host, "bye.sh");
        TE2eSession S;
        QVERIFY(S.Connect(Host.Port()));
        QCOMPARE(S.Form->ledComm->State(), TLed::TState::Green);
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        const QString Title = S.Form->windowTitle();
        QVERIFY2(Title.startsWith(QStringLiteral(" Brevanix v1.3.1 - 접속 종료[")) &&
                     Title.endsWith(QLatin1Char(']')),
                 qPrintable(Title));
        QCOMPARE(S.Form->StatusHint->text(), QStringLiteral("접속 종료"));
        QVERIFY(S.Form->Action("actReqConnect")->isEnabled());
        QVERIFY(!S.Form->Action("actReqDisconnect")->isEnabled());
        QVERIFY(S.Form->isVisible());
        QCOMPARE(Q(S.RowStartingWith("bye.")), QByteArray("bye."));
    }

    void exitOnDisconnectEndsTheProgram()
    {
        TOneShotTelnetHost Host;
        START_HOST(Host, "bye.sh");
        TE2eSession S;
        WriteBytes(S.Ini, "[Global]\nExitOnDisconnect=1\n");
        QVERIFY(S.Connect(Host.Port()));
        QVERIFY(WaitUntil([&] { return !S.Form->isVisible(); }, E2eWaitMs));
        QVERIFY(S.Messages.empty()); // closed without asking
    }

    void unregisteredAliasIsRefused()
    {
        TE2eSession S;
        S.Start({"-A", "nosuch"});
        QCOMPARE(S.Messages, (std::vector<QString>{"등록 되지 않은 Alias Name입니다."}));
        QCOMPARE(S.Form->StartMode, -1);
        QVERIFY(S.Form->pnlImage->isVisible()); // still idle
    }

    void unknownHostNameIsReported()
    {
        TE2eSession S;
        S.Start({"-D", "nosuchhost.invalid", "23"});
        QVERIFY(S.FindRow(":URL \"nosuchhost.invalid\"" + Ko(" 를 확인 중입니다.")) != 0);
        QVERIFY(S.FindRow(":URL \"nosuchhost.invalid\"" + Ko(" 를 찾을 수 없습니다.")) != 0);
        QCOMPARE(S.Form->windowTitle(), QStringLiteral(" Brevanix v1.3.1"));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(S.Form->Action("actReqConnect")->isEnabled());
    }

    void refusedPortShowsTheSystemsText()
    {
        TE2eSession S;
        S.Start({"-D", "127.0.0.1", QString::number(TLoopbackPeer::ClosedPort())});
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        WAIT_ROW(S, std::string(":Socket Error : Connect - 111"));
        const int R = S.FindRow(":Socket Error : Connect - 111");
        QCOMPARE(Q(S.Row(R + 1)), QByteArray(":Connection refused"));
        QVERIFY(S.Messages.empty());
        QVERIFY(S.Form->Action("actReqConnect")->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // The system refuses a numeric address inside the socket's Open: the
    // window must end as after a refusal that takes a while, the error lines
    // last and every connect command alive again.
    void instantRefusalEndsLikeALateOne()
    {
        TE2eSession S;
        S.Start({"-D", "224.0.0.1"});
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        const int Attempt = S.FindRow(Ko(":호스트 접속중 : 224.0.0.1"));
        const int Error = S.FindRow(":Socket Error : Connect - ");
        QVERIFY2(Attempt > 0 && Error == Attempt + 1, qPrintable(Shown(S.Screen())));
        QVERIFY(!S.Row(Error + 1).empty());
        QVERIFY(S.Row(Error + 2).empty());
        QVERIFY(S.Form->Action("actReqConnect")->isEnabled());
        QVERIFY(S.Form->windowTitle().startsWith(QStringLiteral(" Brevanix v1.3.1 - 접속 종료[")));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        S.Form->HintControl(QStringLiteral("hint")); // hints are back on
        QCOMPARE(S.Form->StatusHint->text(), QStringLiteral("hint"));
    }

    // The socket may report an error and then the close, or the reverse: the
    // disconnected steps run for the first report only.
    void disconnectedStepsRunOnce()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        QVERIFY(S.ConnectTo(Peer));
        S.Form->ClientSocket1Error({TClientSocket::TErrorKind::General, EIO, "I/O"});
        QVERIFY(S.Ended());
        S.Form->StatusHint->setText(QStringLiteral("after"));
        S.Form->ClientSocket1Disconnect();
        S.Form->ClientSocket1Error({TClientSocket::TErrorKind::Receive, EIO, "I/O"});
        QCOMPARE(S.Form->StatusHint->text(), QStringLiteral("after"));
        QCOMPARE(S.Messages.size(), std::size_t{1}); // the first error's box only
    }

    // Enter, the connect command or a signal during an attempt start no
    // second one, and no hint or tool-tip shows until it ends.
    void oneAttemptAtATime()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        int Managers = 0;
        S.OnHostManager = [&](TfrmHostManager& M) {
            ++Managers;
            M.btnOK->click();
        };
        S.Start({"-D", "127.0.0.1", QString::number(Peer.Port())});
        QCOMPARE(S.Form->SessionState(), TMainForm::TSessionState::Attempt);
        S.PressEnter();
        S.Form->actReqConnectExecute();
        QCOMPARE(Managers, 0);
        QToolButton* Button = S.Form->tbMain->findChildren<QToolButton*>().value(0);
        QVERIFY(Button);
        QHelpEvent Tip(QEvent::ToolTip, QPoint(2, 2), Button->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(Button, &Tip);
        QVERIFY(!QToolTip::isVisible());
        QVERIFY(Peer.Accept());
        QVERIFY(WaitUntil([&] { return S.Form->Connected(); }, E2eWaitMs));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // Digits and dots that make no IPv4 address are a host nobody can find.
    void badNumericAddressIsNotFound_data()
    {
        QTest::addColumn<QString>("Address");
        QTest::newRow("empty") << "";
        QTest::newRow("too large") << "999.1.1.1";
        QTest::newRow("five parts") << "1.2.3.4.5";
    }
    void badNumericAddressIsNotFound()
    {
        QFETCH(QString, Address);
        TE2eSession S;
        S.Start({"-D", Address, "23"});
        const std::string Quoted = "\"" + Address.toStdString() + "\"";
        QVERIFY2(S.FindRow(":URL " + Quoted + Ko(" 를 찾을 수 없습니다.")) != 0,
                 qPrintable(Shown(S.Screen())));
        QCOMPARE(S.FindRow(":Socket Error"), 0);
        QVERIFY(S.Form->Action("actReqConnect")->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // Each argument reaches the new process whole, so the toolkit never
    // takes part of an alias for an option of its own; a name that would
    // itself read as an option is refused.
    void newProcessGetsTheAliasWhole()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        const QString Alias = QStringLiteral("work -platform vnc:port=5977");
        WriteAlias(S, Alias.toUtf8().constData(), Peer.Port());
        QVERIFY(S.ConnectTo(Peer, {"-A", Alias}));
        S.Form->Action("actReqConnect")->trigger();
        QCOMPARE(S.NewProcesses, (std::vector<QStringList>{{"-A", Alias}}));

        S.Form->AliasInfo.Alias = "-platformpluginpath";
        S.Form->Action("actReqConnect")->trigger();
        QCOMPARE(S.NewProcesses.size(), std::size_t{1});
        QCOMPARE(S.Messages.size(), std::size_t{1});
        QVERIFY(S.Messages[0].contains(QStringLiteral("-platformpluginpath")));
    }

    // A host that asks for replies and never reads them: the window stops
    // reading while its outgoing queue is full, and goes on once the host
    // reads again, nothing lost.
    void repliesToAHostThatNeverReadsStayBounded()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        WriteAlias(S, "x", Peer.Port(), "XtermLevel=1\n");
        QVERIFY(S.ConnectTo(Peer, {"-A", "x"}));
        Peer.Conn->setReadBufferSize(1); // reads next to nothing
        std::int64_t MostQueued = 0;
        S.OnChunk = [&](const std::uint8_t*, int) {
            MostQueued = std::max(MostQueued, S.Form->ClientSocket1->QueuedBytes());
        };
        const QByteArray Asks = QByteArray("\x1b[c").repeated(64 * 1024);
        std::int64_t Sent = 0;
        QVERIFY(WaitUntil(
            [&] {
                if (Peer.Conn->bytesToWrite() < Asks.size()) Sent += Peer.Conn->write(Asks);
                return S.Form->ClientSocket1->ReadingHeld();
            },
            E2eWaitMs));
        // One chunk's replies may land on top of the limit.
        QVERIFY2(MostQueued <= TClientSocket::WriteQueueLimit + 4 * TClientSocket::ChunkSize,
                 qPrintable(QString::number(MostQueued)));
        QVERIFY(S.BytesRead < Sent);
        Peer.Conn->setReadBufferSize(0);
        QVERIFY(WaitUntil(
            [&] {
                Peer.Conn->readAll();
                return S.BytesRead == Sent;
            },
            E2eWaitMs));
        QVERIFY(S.Form->Connected());
    }

    // A host name is looked up once; the profile keeps the number, so a new
    // window started from it connects to the same host.
    void requestWhileConnectedStartsANewProcess()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        std::vector<std::string> Log;
        SetLogSink([&](std::string_view L) { Log.emplace_back(L); });
        const QString Port = QString::number(Peer.Port()); // the peer stops listening
        QVERIFY(S.ConnectTo(Peer, {"-D", "localhost", Port}));
        QCOMPARE(S.Form->AliasInfo.Address, std::string("127.0.0.1"));
        S.Form->Action("actReqConnect")->trigger();
        QCOMPARE(S.NewProcesses, (std::vector<QStringList>{{"-D", "127.0.0.1", Port}}));
        QVERIFY(S.Form->Connected()); // this window is untouched
        QCOMPARE(Log.back(), std::string("ShellExecute Return value HINS : 0x00001092"));

        TLoopbackPeer Aliased;
        QVERIFY(Aliased.Listen());
        TE2eSession A;
        WriteAlias(A, "web", Aliased.Port());
        QVERIFY(A.ConnectTo(Aliased, {"-A", "web"}));
        A.Form->Action("actReqConnect")->trigger();
        QCOMPARE(A.NewProcesses, (std::vector<QStringList>{{"-A", "web"}}));
    }

    // A host that hangs up inside an escape sequence and a sub-negotiation
    // swallows nothing of the next host's output.
    void nextHostStartsClean()
    {
        TLoopbackPeer Broken;
        QVERIFY(Broken.Listen());
        TE2eSession S;
        QVERIFY(S.ConnectTo(Broken));
        Broken.Conn->write("\x1b[12;\xFF\xFA\x18");
        Broken.Conn->flush();
        Broken.Conn->disconnectFromHost();
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));

        TLoopbackPeer Next;
        QVERIFY(Next.Listen());
        S.Form->StartMode = 2;
        S.Form->StartArg1 = "127.0.0.1";
        S.Form->StartArg2 = std::to_string(Next.Port());
        S.Form->actReqConnectExecute();
        QVERIFY(Next.Accept());
        QVERIFY(WaitUntil([&] { return S.Form->Connected(); }, E2eWaitMs));
        Next.Conn->write("hello");
        WAIT_ROW(S, std::string("hello"));
    }

    // Numbers nobody should write in a profile connect with sane values; a
    // port the socket cannot take ends the attempt with a message.
    void handEditedProfileIsMadeSafe()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        WriteAlias(S, "odd", Peer.Port(), "Col=0\nRow=-5\nScrollBuffer=2147483647\nFontSize=0\n");
        QVERIFY(S.ConnectTo(Peer, {"-A", "odd"}));
        const TScr& Scr = S.Term().Scr;
        QCOMPARE(Scr.Col, 80);
        QCOMPARE(Scr.Row, 30);
        QCOMPARE(Scr.ScrollBack.MaxLines, MaxScrollBuffer);
        QCOMPARE(Scr.Font.Size, 12);
        QCOMPARE(S.Form->AliasInfo.Row, 30);

        TE2eSession P;
        WriteAlias(P, "far", 70000);
        P.Start({"-A", "far"});
        QVERIFY(P.FindRow(":Port 70000" + Ko(" 는 사용할 수 없는 번호입니다. (1 - 65535)")) != 0);
        QVERIFY(P.FindRow(Ko(":호스트 접속중")) == 0);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void quickConnectTakesHostAndPort()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        S.Start({});
        SetModalHook([&](QDialog& D) {
            D.findChild<QLineEdit*>("Value")->setText(
                QStringLiteral("127.0.0.1:%1").arg(Peer.Port()));
            D.accept();
        });
        S.Form->Action("actFastConnect")->trigger();
        QVERIFY(Peer.Accept());
        QVERIFY(WaitUntil([&] { return S.Form->Connected(); }, E2eWaitMs));
        QCOMPARE(S.Form->StartMode, -2);
    }

    void closingAsksOnlyWhileConnected()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        QVERIFY(S.ConnectTo(Peer));
        S.Replies = {QMessageBox::No};
        QVERIFY(!S.Form->close());
        QVERIFY(S.Form->Connected());
        S.Replies = {QMessageBox::Yes};
        QVERIFY(S.Form->close());
        QCOMPARE(S.Messages, (std::vector<QString>(2, "종료 하시겠습니까?")));
        QVERIFY(!S.Form->Connected());
        TE2eSession Idle;
        Idle.Start({});
        QVERIFY(Idle.Form->close());
        QVERIFY(Idle.Messages.empty());
    }

    // Another program asks with SIGUSR1; the request runs from the event
    // loop: here it opens the host manager of an idle window.
    void signalRunsTheConnectRequest()
    {
        TE2eSession S;
        S.Start({});
        int Shown = 0;
        S.OnHostManager = [&](TfrmHostManager& M) {
            ++Shown;
            M.btnNo->click();
        };
        ::raise(SIGUSR1);
        QVERIFY(WaitUntil([&] { return Shown == 1; }, E2eWaitMs));
        QVERIFY(!S.Form->Connected());
        // Enter on the idle terminal is a request too.
        S.PressEnter();
        QCOMPARE(Shown, 2);
    }
};

QTEST_MAIN(SessionTest)
#include "SessionTest.moc"
