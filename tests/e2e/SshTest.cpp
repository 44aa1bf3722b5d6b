// SSH sessions of the real main window against Debian's OpenSSH server on
// 127.0.0.1 (TSshdHost): a key login with no dialog, the grid as the host's
// terminal size, a password through keyboard-interactive, a UTF-8 host, the
// host hanging up, and the host key unknown, trusted, refused or changed.
#include "E2eSession.h"
#include "LoopbackPeer.h"
#include "SshRig.h"
#include "text/Cp949.h"

#include <QAction>
#include <QClipboard>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>

#include <deque>
#include <fstream>
#include <random>

namespace {
std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }
QString Shown(const std::string& Cp949) { return QString::fromStdString(Cp949::ToUtf8(Cp949)); }

std::string Secret()
{
    std::random_device Random;
    return "pw" + std::to_string(Random()) + std::to_string(Random());
}

} // namespace

#define WAIT_ROW(S, Prefix)                                                                        \
    QVERIFY2((S).WaitForRow(Prefix),                                                               \
             qPrintable(QStringLiteral("no row \"%1\"; screen:\n%2\nsshd:\n%3")                    \
                            .arg(Shown(Prefix), Shown((S).Screen()),                               \
                                 QString::fromStdString(Rig.Host.LastLog()))))

class SshTest : public QObject {
    Q_OBJECT
private slots:
    // A key login asks nothing; the host's terminal has the grid's size, and
    // a resize reaches it; typed text comes back.
    void keyLoginTypesAndResizes()
    {
        TSshRig Rig;
        QVERIFY2(Rig.Start({Shell}), Rig.Error.c_str());
        TE2eSession S;
        S.Start(Rig.Args(Rig.Host.User()));
        QVERIFY(WaitUntil([&] { return S.Form->Connected() || S.Ended(); }, E2eWaitMs));
        WAIT_ROW(S, std::string("ssh-ok"));
        QVERIFY(S.Messages.empty());
        QCOMPARE(S.Form->Link().Connected(), true);
        WAIT_ROW(S, std::string("$"));
        const TScr& Scr = S.Term().Scr;
        S.Type(QStringLiteral("stty size"));
        S.PressEnter();
        WAIT_ROW(S, std::to_string(Scr.Row) + " " + std::to_string(Scr.Col));
        WAIT_ROW(S, std::string("$"));
        S.Type(QStringLiteral("clear; echo T=$TERM"));
        S.PressEnter();
        WAIT_ROW(S, std::string("T=xterm"));
        S.Form->SetTermSize(100, 20);
        S.Type(QStringLiteral("clear; stty size"));
        S.PressEnter();
        WAIT_ROW(S, std::string("20 100"));
        QVERIFY(S.Form->windowTitle().startsWith(QStringLiteral("127.0.0.1:")));
        // A second connection goes to a new process the same way.
        S.Form->Action("actReqConnect")->trigger();
        QCOMPARE(S.NewProcesses, (std::vector<QStringList>{Rig.Args(Rig.Host.User())}));
    }

    // A password through keyboard-interactive: the host's prompt in a masked
    // dialog answered through the modal hook; the password reaches no log.
    void passwordThroughKeyboardInteractive()
    {
        TSshRig Rig;
        const std::string Password = Secret();
        TSshdOptions Options{Shell};
        Options.AuthorizeKey = false;
        Options.Password = Password;
        QVERIFY2(Rig.Start(Options), Rig.Error.c_str());
        TE2eSession S; // its program state comes first: the sink after it
        std::vector<std::string> Log;
        SetLogSink([&](std::string_view L) { Log.emplace_back(L); });
        QStringList Prompts;
        SetModalHook([&](QDialog& D) {
            auto* Value = D.findChild<QLineEdit*>(QStringLiteral("Value"));
            if (!Value) return D.reject();
            Prompts << D.findChild<QLabel*>(QStringLiteral("Prompt"))->text();
            QCOMPARE(Value->echoMode(), QLineEdit::Password);
            Value->setText(QString::fromStdString(Password));
            D.accept();
        });
        S.Start(Rig.Args(Rig.Host.User()));
        WAIT_ROW(S, std::string("ssh-ok"));
        QCOMPARE(Prompts.size(), 1);
        QVERIFY2(Rig.Host.LastLog().find("keyboard-interactive") != std::string::npos,
                 Rig.Host.LastLog().c_str());
        QVERIFY(Log.size() > 3);
        for (const std::string& L : Log) QVERIFY(L.find(Password) == std::string::npos);
        SetLogSink({});
    }

    // Three wrong answers end the attempt, saying which methods were tried.
    void threeWrongPasswordsEndTheAttempt()
    {
        TSshRig Rig;
        TSshdOptions Options{Shell};
        Options.AuthorizeKey = false;
        Options.Password = Secret();
        QVERIFY2(Rig.Start(Options), Rig.Error.c_str());
        TE2eSession S;
        TAnswers Answers{{"wrong1", "wrong2", "wrong3", "wrong4"}, {}};
        Answers.Install();
        S.Start(Rig.Args(Rig.Host.User()));
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        QCOMPARE(Answers.Prompts.size(), 3);
        QVERIFY2(S.FindRow(Ko(":SSH : 인증에 실패했습니다. 시도한 방법: publickey, "
                              "keyboard-interactive")) != 0,
                 qPrintable(Shown(S.Screen())));
    }

    // An encrypted key asks its passphrase, masked, and logs in with it.
    void encryptedKeyAsksItsPassphrase()
    {
        TSshRig Rig;
        TSshdOptions Options{Shell};
        Options.AuthorizeKey = false;
        Options.KeyPassphrase = Secret();
        QVERIFY2(Rig.Start(Options), Rig.Error.c_str());
        TE2eSession S;
        TAnswers Answers{{Options.KeyPassphrase}, {}};
        Answers.Install();
        S.Start(Rig.Args(Rig.Host.User()));
        WAIT_ROW(S, std::string("ssh-ok"));
        QCOMPARE(Answers.Prompts.size(), 1);
    }

    // ~/.ssh/config is read as OpenSSH reads it: a Host of its own gives the
    // address, the port and the user.
    void openSshConfigApplies()
    {
        TSshRig Rig;
        QVERIFY2(Rig.Start({Shell}), Rig.Error.c_str());
        std::ofstream(Rig.Host.ClientHome() + "/.ssh/config")
            << "Host box\n  HostName 127.0.0.1\n  Port " << Rig.Host.Port() << "\n  User "
            << Rig.Host.User() << "\n";
        TE2eSession S;
        S.Start({"-S", "box"});
        WAIT_ROW(S, std::string("ssh-ok"));
        QVERIFY(S.Messages.empty());
    }

    // A long paste reaches the host whole and in order.
    void pasteArrivesWholeAndInOrder()
    {
        TSshRig Rig;
        constexpr int Size = 200000;
        QVERIFY2(Rig.Start({"stty raw -echo; echo ready; S=$(head -c " + std::to_string(Size) +
                            " | md5sum); stty sane; echo; echo $S; sleep 30"}),
                 Rig.Error.c_str());
        TE2eSession S;
        S.Start(Rig.Args(Rig.Host.User()));
        WAIT_ROW(S, std::string("ready"));
        QByteArray Text(Size, 'x');
        for (int I = 0; I < Size; ++I) Text[I] = static_cast<char>('!' + I % 90);
        QGuiApplication::clipboard()->setText(QString::fromLatin1(Text));
        S.Form->Action("actPaste")->trigger();
        const QByteArray Md5 = QCryptographicHash::hash(Text, QCryptographicHash::Md5).toHex();
        WAIT_ROW(S, Md5.toStdString());
    }

    // A UTF-8 host: Korean typed goes out as UTF-8 and comes back on screen.
    void utf8HostRoundTrip()
    {
        TSshRig Rig;
        QVERIFY2(Rig.Start({"printf '\\355\\225\\234\\352\\270\\200 ok\\n'; exec cat"}),
                 Rig.Error.c_str());
        TE2eSession S;
        S.StartAlias("u8", Rig.Host.Port(),
                     "Protocol=SSH\nHostEncoding=UTF-8\nUserName=" + Rig.Host.User() + "\n");
        WAIT_ROW(S, Ko("한글 ok"));
        S.Type(QStringLiteral("가나"));
        S.PressEnter();
        WAIT_ROW(S, Ko("가나"));
        QVERIFY(
            WaitUntil([&] { return S.FindRow(Ko("가나")) != S.FindRow(Ko("한글")); }, E2eWaitMs));
    }

    // The host ending the session ends it as a Telnet host's end does.
    void hostHangingUpEndsTheSession()
    {
        TSshRig Rig;
        QVERIFY2(Rig.Start({"echo bye."}), Rig.Error.c_str());
        TE2eSession S;
        std::string Log;
        SetLogSink([&](std::string_view L) {
            if (L.starts_with("SSH : ")) Log += std::string(L) + "\n";
        });
        S.Start(Rig.Args(Rig.Host.User()));
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        SetLogSink({});
        // The connection, the host key, the method, the channel and the end.
        std::size_t At = 0;
        for (const char* Step : {"127.0.0.1:", "호스트 키 확인", "publickey 인증 성공",
                                 "채널과 터미널(xterm", "접속 종료"}) {
            At = Log.find(Ko(Step), At);
            QVERIFY2(At != std::string::npos, qPrintable(Shown(Log)));
        }
        WAIT_ROW(S, std::string("bye."));
        QVERIFY(S.Form->windowTitle().startsWith(QStringLiteral(" Brevanix v1.3.1 - 접속 종료[")));
        QVERIFY(S.Form->Action("actReqConnect")->isEnabled());
        QVERIFY(!S.Form->Action("actReqDisconnect")->isEnabled());
    }

    // An unknown host key asks, showing its fingerprint: Yes saves it where
    // OpenSSH finds it and connects, No ends the attempt.
    void unknownHostKeyAsks_data()
    {
        QTest::addColumn<bool>("Trust");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void unknownHostKeyAsks()
    {
        QFETCH(bool, Trust);
        TSshRig Rig;
        QVERIFY2(Rig.Start({Shell}, false), Rig.Error.c_str());
        TE2eSession S;
        S.Replies = {Trust ? QMessageBox::Yes : QMessageBox::No};
        S.Start(Rig.Args(Rig.Host.User()));
        QVERIFY(WaitUntil([&] { return S.Form->Connected() || S.Ended(); }, E2eWaitMs));
        QCOMPARE(S.Messages.size(), std::size_t{1});
        QVERIFY2(S.Messages[0].contains(QString::fromStdString(Rig.Host.HostKeyFingerprint())),
                 qPrintable(S.Messages[0]));
        QCOMPARE(S.Form->Connected(), Trust);
        QProcess Keygen;
        Keygen.start(QStringLiteral("ssh-keygen"),
                     {"-F", QStringLiteral("[127.0.0.1]:%1").arg(Rig.Host.Port()), "-f",
                      QString::fromStdString(Rig.KnownHosts())});
        QVERIFY(Keygen.waitForFinished());
        QCOMPARE(Keygen.exitCode() == 0, Trust);
    }

    // A changed host key ends the attempt with a warning naming the file and
    // the line; there is nothing to answer, and no login was tried.
    void changedHostKeyIsRefused()
    {
        TSshRig Rig;
        QVERIFY2(Rig.Start({Shell}, false), Rig.Error.c_str());
        Rig.WriteKnownHosts(Rig.Host.OtherHostKeyLine());
        TE2eSession S;
        S.Start(Rig.Args(Rig.Host.User()));
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        QVERIFY(S.Messages.empty());
        QVERIFY2(S.FindRow(Ko(":SSH : 경고!")) != 0, qPrintable(Shown(S.Screen())));
        QVERIFY(S.FindRow(":" + Ko("저장된 키: ") + Rig.KnownHosts() + ":1") != 0);
        QVERIFY(Rig.Host.LastLog().find("Accepted") == std::string::npos);
        QVERIFY(Rig.Host.LastLog().find("Postponed") == std::string::npos);
    }

    // A host that takes the connection and says nothing: the profile's
    // time-out ends the attempt with a message, the window idle again.
    void silentHostTimesOut()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TScopedEnv Env;
        Env.Set("SSH_AUTH_SOCK", std::nullopt);
        TE2eSession S;
        S.StartAlias("mute", Peer.Port(), "Protocol=SSH\nUserName=nobody\nConnectTimeout=1\n");
        QVERIFY(Peer.Accept());
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        QVERIFY2(S.FindRow(Ko(":SSH : 1초 안에 접속을 마치지 못했습니다.")) != 0,
                 qPrintable(Shown(S.Screen())));
        QVERIFY(S.Form->Action("actReqConnect")->isEnabled());
    }
};

QTEST_MAIN(SshTest)
#include "SshTest.moc"
