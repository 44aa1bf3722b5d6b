// The SSH test host checked with OpenSSH's own client: a key login runs the
// command on a PTY of the client's size, passwords and an encrypted key get
// through, the known_hosts lines and the fingerprint match the host's key, and
// Stop() leaves nothing running or listening.
#include "support/SshdHost.h"

#include <QTest>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int WaitMs = 20000;
constexpr unsigned short Rows = 30, Cols = 100;

std::string RandomText()
{
    std::random_device Random;
    return std::to_string(Random()) + std::to_string(Random());
}

// OpenSSH's ssh on a pty of Rows x Cols, with the host's client home as HOME.
class TSshClient {
public:
    TSshClient(const TSshdHost& Host, const std::string& KnownHosts,
               const std::vector<std::string>& Extra)
    {
        std::vector<std::string> Args = {"/usr/bin/ssh", "-tt",      "-F",
                                         "/dev/null",    "-p",       std::to_string(Host.Port()),
                                         "-l",           Host.User()};
        for (const char* O :
             {"GlobalKnownHostsFile=/dev/null", "StrictHostKeyChecking=yes", "UpdateHostKeys=no",
              "IdentitiesOnly=yes", "IdentityAgent=none", "NumberOfPasswordPrompts=1"})
            Args.insert(Args.end(), {"-o", O});
        Args.insert(Args.end(), {"-o", "UserKnownHostsFile=" + KnownHosts});
        Args.insert(Args.end(), Extra.begin(), Extra.end());
        Args.push_back("127.0.0.1");
        // No agent, no askpass, no display: only what is asked for here.
        std::vector<std::string> Env = {"HOME=" + Host.ClientHome(), "TERM=vt100",
                                        "PATH=/usr/bin:/bin"};

        std::vector<char*> Argv, Envp;
        for (std::string& A : Args) Argv.push_back(A.data());
        for (std::string& E : Env) Envp.push_back(E.data());
        Argv.push_back(nullptr);
        Envp.push_back(nullptr);
        winsize Size{Rows, Cols, 0, 0};
        Pid = forkpty(&Master, nullptr, nullptr, &Size);
        if (Pid == 0) {
            execve(Argv[0], Argv.data(), Envp.data());
            _exit(127);
        }
    }
    ~TSshClient()
    {
        if (Pid > 0) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        if (Master >= 0) close(Master);
    }
    TSshClient(const TSshClient&) = delete;
    TSshClient& operator=(const TSshClient&) = delete;

    // Reads until Text has come; false when ssh ended or the wait ran out first.
    bool ReadUntil(const std::string& Text)
    {
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitMs);
        while (Output.find(Text) == std::string::npos)
            if (!ReadMore(Deadline)) return false;
        return true;
    }
    void Type(const std::string& Text) const
    {
        QVERIFY(write(Master, Text.data(), Text.size()) == static_cast<ssize_t>(Text.size()));
    }
    // Reads to the end; ssh's exit code, or -1 when it did not end.
    int Finish()
    {
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitMs);
        while (ReadMore(Deadline)) {
        }
        if (std::chrono::steady_clock::now() >= Deadline) return -1;
        // The pty reads EIO once ssh has closed it on its way out.
        int Status = 0;
        while (waitpid(Pid, &Status, 0) < 0 && errno == EINTR) {
        }
        Pid = -1;
        return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    }

    std::string Output;

private:
    // False once ssh has gone (the pty reads EIO) or Deadline passed.
    bool ReadMore(std::chrono::steady_clock::time_point Deadline)
    {
        const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
            Deadline - std::chrono::steady_clock::now());
        pollfd P{Master, POLLIN, 0};
        if (Left.count() <= 0 || poll(&P, 1, static_cast<int>(Left.count())) <= 0) return false;
        char Buf[4096];
        const ssize_t N = read(Master, Buf, sizeof Buf);
        if (N <= 0) return false;
        Output.append(Buf, static_cast<std::size_t>(N));
        return true;
    }

    pid_t Pid = -1;
    int Master = -1;
};

bool Gone(pid_t Pid)
{
    std::ifstream In("/proc/" + std::to_string(Pid) + "/stat");
    std::string Stat;
    std::getline(In, Stat);
    const std::size_t End = Stat.rfind(')');
    return End == std::string::npos || Stat.compare(End, 4, ") Z ") == 0;
}

bool PortRefuses(std::uint16_t Port)
{
    const int Fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in Addr{};
    Addr.sin_family = AF_INET;
    Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Addr.sin_port = htons(Port);
    const bool Refused =
        connect(Fd, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr) != 0 && errno == ECONNREFUSED;
    close(Fd);
    return Refused;
}

// pam_wrapper's copies in /tmp whose service file names Folder.
int PamCopiesNaming(const std::string& Folder)
{
    int Count = 0;
    DIR* Tmp = opendir("/tmp");
    while (const dirent* E = Tmp ? readdir(Tmp) : nullptr)
        if (std::strncmp(E->d_name, "pam.", 4) == 0 &&
            ReadBytes(std::string("/tmp/") + E->d_name + "/sshd").find(Folder) != std::string::npos)
            ++Count;
    if (Tmp) closedir(Tmp);
    return Count;
}
} // namespace

Q_DECLARE_METATYPE(std::vector<std::string>)

#define START_SSHD(Host, Options)                                                                  \
    do {                                                                                           \
        std::string StartError;                                                                    \
        QVERIFY2((Host).Start(Options, StartError), StartError.c_str());                           \
    } while (false)

class SshdHostTest : public QObject {
    Q_OBJECT
    TSshdHost Host;
    TTempDir Dir;
    std::string Password = RandomText(), Passphrase = RandomText();

private slots:
    void initTestCase()
    {
        TSshdOptions Options;
        Options.Command = "stty size; echo TERM=$TERM";
        Options.Password = Password;
        Options.KeyPassphrase = Passphrase;
        START_SSHD(Host, Options);
        WriteBytes(Dir / "known_hosts", Host.KnownHostsLine() + "\n");
        WriteBytes(Dir / "changed_hosts", Host.OtherHostKeyLine() + "\n");
    }

    void keyLoginRunsTheCommandOnThePtyOfTheClient()
    {
        TSshClient Ssh(Host, Dir / "known_hosts", {"-o", "BatchMode=yes", "-i", Host.ClientKey()});
        QCOMPARE(Ssh.Finish(), 0);
        QVERIFY2(Ssh.Output.find("30 100\r\n") != std::string::npos, Ssh.Output.c_str());
        QVERIFY2(Ssh.Output.find("TERM=vt100") != std::string::npos, Ssh.Output.c_str());
    }

    void logins_data()
    {
        QTest::addColumn<std::vector<std::string>>("Options");
        QTest::addColumn<QString>("Prompt");
        QTest::addColumn<QString>("Answer");
        QTest::addColumn<bool>("LogsIn");
        QTest::addColumn<QString>("Logged");
        const std::vector<std::string> Kbd = {"-o",
                                              "PreferredAuthentications=keyboard-interactive"};
        const QString Right = QString::fromStdString(Password);
        QTest::newRow("keyboard-interactive")
            << Kbd << "assword:" << Right << true << "Accepted keyboard-interactive/pam";
        QTest::newRow("wrong password refused")
            << Kbd << "assword:" << Right + "x" << false << "Failed keyboard-interactive/pam";
        QTest::newRow("password") << std::vector<std::string>{"-o",
                                                              "PreferredAuthentications=password"}
                                  << "assword:" << Right << true << "Accepted password";
        QTest::newRow("encrypted key")
            << std::vector<std::string>{"-o", "PreferredAuthentications=publickey", "-i",
                                        Host.EncryptedClientKey()}
            << "passphrase" << QString::fromStdString(Passphrase) << true << "Accepted publickey";
    }
    void logins()
    {
        QFETCH(std::vector<std::string>, Options);
        QFETCH(QString, Prompt);
        QFETCH(QString, Answer);
        QFETCH(bool, LogsIn);
        QFETCH(QString, Logged);
        TSshClient Ssh(Host, Dir / "known_hosts", Options);
        QVERIFY2(Ssh.ReadUntil(Prompt.toStdString()), Ssh.Output.c_str());
        Ssh.Type(Answer.toStdString() + "\n");
        const int Code = Ssh.Finish();
        const std::string Why = Ssh.Output + "\n" + Host.LastLog();
        QCOMPARE(Code, LogsIn ? 0 : 255);
        QCOMPARE(Ssh.Output.find("30 100") != std::string::npos, LogsIn);
        QVERIFY2(Host.LastLog().find(Logged.toStdString()) != std::string::npos, Why.c_str());
    }

    void changedHostKeyIsRefusedNamingTheKeysFingerprint()
    {
        TSshClient Ssh(Host, Dir / "changed_hosts",
                       {"-o", "BatchMode=yes", "-i", Host.ClientKey()});
        QCOMPARE(Ssh.Finish(), 255);
        QVERIFY2(Ssh.Output.find("REMOTE HOST IDENTIFICATION HAS CHANGED") != std::string::npos,
                 Ssh.Output.c_str());
        QVERIFY2(Ssh.Output.find(Host.HostKeyFingerprint()) != std::string::npos,
                 Ssh.Output.c_str());
        QVERIFY(Host.HostKeyFingerprint().rfind("SHA256:", 0) == 0);
    }

    void stopEndsSessionsAndLeavesNothingListening()
    {
        TSshdHost Held;
        TSshdOptions Options;
        Options.Command = "echo pid=$$.; exec sleep 600";
        Options.Password = Password;
        START_SSHD(Held, Options);
        const std::string Folder = Held.ClientHome().substr(0, Held.ClientHome().rfind('/'));
        WriteBytes(Dir / "held_hosts", Held.KnownHostsLine() + "\n");
        TSshClient Ssh(Held, Dir / "held_hosts", {"-o", "BatchMode=yes", "-i", Held.ClientKey()});
        QVERIFY2(Ssh.ReadUntil(".\r\n"), (Ssh.Output + Held.LastLog()).c_str());
        const pid_t Session = std::atoi(Ssh.Output.c_str() + Ssh.Output.find("pid=") + 4);
        const pid_t Daemon = Held.Pid();
        QVERIFY2(Session > 0 && !Gone(Session), Ssh.Output.c_str());
        QVERIFY(PamCopiesNaming(Folder) > 0);

        Held.Stop();
        QCOMPARE(Held.Pid(), -1);
        QVERIFY2(Gone(Session), "the session's command still runs");
        QVERIFY2(Gone(Daemon), "sshd still runs");
        QVERIFY2(PortRefuses(Held.Port()), "something still listens on the port");
        QVERIFY2(ReadBytes(Folder + "/sshd.pid").empty(), "sshd left its pid file");
        QCOMPARE(PamCopiesNaming(Folder), 0);
        QCOMPARE(Ssh.Finish(), 255);
    }
};

QTEST_APPLESS_MAIN(SshdHostTest)
#include "SshdHostTest.moc"
