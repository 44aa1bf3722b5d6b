// The session log of the real main window: a Telnet and an SSH session's
// output in a file named from the profile's template, as text with time
// stamps in the chosen encoding or as the exact bytes read; a folder removed
// mid-session stops the log with a message while the session goes on; the
// pop-up command logs a session the profile does not; an encoding switched
// mid-session is followed.
#include "E2eSession.h"
#include "LoopbackPeer.h"
#include "SshRig.h"
#include "support/TempDir.h"
#include "text/Cp949.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QRegularExpression>

#include <filesystem>

namespace {
std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }

// Korean in code page 949 between colour changes, a Telnet no-op, CR LF.
const QByteArray Greeting =
    QByteArray("hello \x1b[31m") + Ko("한글").c_str() + "\x1b[0m\xFF\xF1 world\r\n";

std::string Profile(quint16 Port, const std::string& Extra)
{
    return "[t]\nAddress=127.0.0.1\nPort=" + std::to_string(Port) + "\n" + Extra;
}
} // namespace

class RecordTest : public QObject {
    Q_OBJECT
private slots:
    // Text: what the screen shows, line by line, stamped, here in UTF-8; the
    // file is named from the alias and the port; flushed at the end.
    void telnetTextWithTimestamps()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        const std::string Dir = S.Dir.Path();
        const std::string Port = std::to_string(Peer.Port()); // the peer stops listening
        WriteBytes(S.Ini,
                   Profile(Peer.Port(),
                           "LogFile=" + Dir + "/&A-&P.log\nLogTimestamps=1\nLogEncoding=UTF-8\n"));
        QVERIFY(S.ConnectTo(Peer, {"-A", "t"}));
        QVERIFY(S.Form->SessionLogOn());
        QCOMPARE(S.Form->StatusLog->text(), QStringLiteral("기록"));
        Peer.Conn->write(Greeting);
        Peer.Conn->flush();
        QVERIFY(S.WaitForRow("hello"));
        Peer.Conn->disconnectFromHost();
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        const QString Log = QString::fromStdString(ReadBytes(Dir + "/t-" + Port + ".log"));
        QVERIFY2(QRegularExpression(
                     QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\] hello "
                                    "한글 world\\n$"))
                     .match(Log)
                     .hasMatch(),
                 qPrintable(Log));
    }

    // Raw: every byte as read, Telnet's commands and escapes included.
    void rawHoldsTheBytesAsRead()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        const std::string File = S.Dir / "raw.log";
        WriteBytes(S.Ini, Profile(Peer.Port(), "LogFile=" + File + "\nLogMode=Raw\n"));
        QVERIFY(S.ConnectTo(Peer, {"-A", "t"}));
        Peer.Conn->write(Greeting);
        Peer.Conn->disconnectFromHost();
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        QCOMPARE(QByteArray::fromStdString(ReadBytes(File)), Greeting);
    }

    // An SSH session's output, from a UTF-8 host, kept in the host's encoding.
    void sshTextInTheHostsEncoding()
    {
        TSshRig Rig;
        QVERIFY2(Rig.Start({"printf 'ssh \\355\\225\\234\\352\\270\\200\\r\\n'; sleep 30"}),
                 Rig.Error.c_str());
        TE2eSession S;
        const std::string File = S.Dir / "ssh.log";
        WriteBytes(S.Ini, SshAlias(Rig, "s", Rig.Host.Port(),
                                   "HostEncoding=UTF-8\nLogFile=" + File + "\n"));
        S.Start({"-A", "s"});
        QVERIFY(S.WaitForRow("ssh " + Ko("한글")));
        S.Form->ClientSocket1->Close(); // not the SSH link: nothing happens
        S.Form->Link().Close();
        QVERIFY(S.Ended());
        QCOMPARE(ReadBytes(File), std::string("ssh 한글\n"));
    }

    // The log's folder removed while the session runs: the next flush stops
    // the log with a message line, and the host's output still shows.
    void folderGoneStopsTheLogNotTheSession()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        const std::string Folder = S.Dir / "logs";
        std::filesystem::create_directory(Folder);
        WriteBytes(S.Ini, Profile(Peer.Port(), "LogFile=" + Folder + "/s.log\n"));
        QVERIFY(S.ConnectTo(Peer, {"-A", "t"}));
        Peer.Conn->write("before\r\n");
        QVERIFY(S.WaitForRow("before"));
        std::filesystem::remove_all(Folder);
        Peer.Conn->write("after\r\n");
        QVERIFY(WaitUntil([&] { return !S.Form->SessionLogOn(); }, E2eWaitMs));
        QVERIFY(S.FindRow(Ko(":세션 로그 기록을 멈췄습니다")) != 0);
        Peer.Conn->write("still here\r\n");
        QVERIFY(S.WaitForText("still here"));
        QVERIFY(S.Form->Connected());
        QVERIFY(S.Form->StatusLog->text().isEmpty());
    }

    // The pop-up command logs this session to a file asked for, and stops.
    void commandLogsThisSession()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        WriteBytes(S.Ini, Profile(Peer.Port(), ""));
        QVERIFY(S.ConnectTo(Peer, {"-A", "t"}));
        const std::string File = S.Dir / "asked.log";
        SetModalHook([&](QDialog& D) {
            auto* Files = qobject_cast<QFileDialog*>(&D);
            if (!Files) return D.reject();
            Files->selectFile(QString::fromStdString(File));
            D.accept();
        });
        S.Form->Action("actSessionLog")->trigger();
        QVERIFY(S.Form->SessionLogOn());
        Peer.Conn->write("logged\r\n");
        QVERIFY(S.WaitForRow("logged"));
        S.Form->Action("actSessionLog")->trigger();
        QVERIFY(!S.Form->SessionLogOn());
        Peer.Conn->write("not logged\r\n");
        QVERIFY(S.WaitForRow("not logged"));
        QCOMPARE(ReadBytes(File), std::string("logged\n"));
    }

    // The host's encoding switched mid-session: the code page 949 part is
    // turned into UTF-8 as the profile asks, the UTF-8 part kept as it came.
    void encodingSwitchedMidSession()
    {
        TLoopbackPeer Peer;
        QVERIFY(Peer.Listen());
        TE2eSession S;
        const std::string File = S.Dir / "switch.log";
        WriteBytes(S.Ini, Profile(Peer.Port(), "LogFile=" + File + "\nLogEncoding=UTF-8\n"));
        QVERIFY(S.ConnectTo(Peer, {"-A", "t"}));
        Peer.Conn->write(QByteArray("949 ") + Ko("가").c_str() + "\r\n");
        QVERIFY(S.WaitForRow("949"));
        S.Form->Action("actEncodingUtf8")->trigger();
        Peer.Conn->write("utf8 나\r\n");
        QVERIFY(S.WaitForRow("utf8"));
        Peer.Conn->disconnectFromHost();
        QVERIFY(WaitUntil([&] { return S.Ended(); }, E2eWaitMs));
        QCOMPARE(ReadBytes(File), std::string("949 가\nutf8 나\n"));
    }
};

QTEST_MAIN(RecordTest)
#include "RecordTest.moc"
