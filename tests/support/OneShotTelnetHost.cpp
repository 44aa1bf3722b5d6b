#include "support/OneShotTelnetHost.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
bool HostLive = false;

std::string Errno(const char* What) { return std::string(What) + ": " + std::strerror(errno); }

void Nap() { usleep(10000); }

// Waits for Pid to exit, at most about Ms milliseconds.
bool WaitExit(pid_t Pid, int Ms)
{
    for (int I = 0; I <= Ms / 10; ++I) {
        const pid_t R = waitpid(Pid, nullptr, WNOHANG);
        if (R == Pid || (R < 0 && errno == ECHILD)) return true;
        Nap();
    }
    return false;
}

// Waits until this process has no children left, at most about Ms
// milliseconds.
bool ReapAll(int Ms)
{
    for (int I = 0; I <= Ms / 10; ++I) {
        const pid_t R = waitpid(-1, nullptr, WNOHANG);
        if (R < 0 && errno == ECHILD) return true;
        if (R == 0) Nap();
    }
    return false;
}

void KillChildren()
{
    DIR* Tasks = opendir("/proc/self/task");
    if (!Tasks) return;
    while (const dirent* T = readdir(Tasks)) {
        if (T->d_name[0] == '.') continue;
        std::ifstream In(std::string("/proc/self/task/") + T->d_name + "/children");
        pid_t Child;
        while (In >> Child)
            if (Child > 0) kill(Child, SIGKILL);
    }
    closedir(Tasks);
}

// The forked child: only async-signal-safe calls until exec.
[[noreturn]] void ServeOne(int Listener, char* const* Argv)
{
    setpgid(0, 0);
    sigset_t None;
    sigemptyset(&None);
    sigprocmask(SIG_SETMASK, &None, nullptr);
    pollfd P{Listener, POLLIN, 0};
    int Ready = -1;
    for (int Try = 0; Try < 5 && Ready < 0; ++Try) {
        Ready = poll(&P, 1, TOneShotTelnetHost::AcceptTimeoutMs);
        if (Ready < 0 && errno != EINTR) _exit(111);
    }
    if (Ready != 1) _exit(111);
    const int Conn = accept(Listener, nullptr, nullptr);
    if (Conn < 0) _exit(112);
    close(Listener); // from here on nothing listens
    for (int Fd = 0; Fd <= 2; ++Fd)
        if (dup2(Conn, Fd) < 0) _exit(113);
    if (Conn > 2) close(Conn);
    close_range(3, ~0U, 0);
    execv(TOneShotTelnetHost::TelnetdPath, Argv);
    _exit(127);
}
} // namespace

bool TOneShotTelnetHost::TelnetdInstalled() { return access(TelnetdPath, X_OK) == 0; }

bool TOneShotTelnetHost::Start(const std::string& Command, std::string& Error)
{
    if (Pid > 0 || HostLive) {
        Error = "a host is already running in this process";
        return false;
    }
    if (!TelnetdInstalled()) {
        Error =
            std::string(TelnetdPath) + " is missing: install the Debian package inetutils-telnetd";
        return false;
    }
    // What telnetd leaves behind when it ends comes to us to reap.
    if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
        Error = Errno("prctl(PR_SET_CHILD_SUBREAPER)");
        return false;
    }

    const int Listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (Listener < 0) {
        Error = Errno("socket");
        return false;
    }
    sockaddr_in Addr{};
    Addr.sin_family = AF_INET;
    Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Addr.sin_port = 0;
    socklen_t Len = sizeof Addr;
    if (bind(Listener, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr) != 0 ||
        listen(Listener, 1) != 0 ||
        getsockname(Listener, reinterpret_cast<sockaddr*>(&Addr), &Len) != 0) {
        Error = Errno("listen on 127.0.0.1");
        close(Listener);
        return false;
    }

    // Built before the fork: the child may not allocate.
    std::string Arg0 = "telnetd", ArgH = "-h", ArgE = "-E", ArgCommand = Command;
    char* Argv[] = {Arg0.data(), ArgH.data(), ArgE.data(), ArgCommand.data(), nullptr};

    const pid_t Child = fork();
    if (Child < 0) {
        Error = Errno("fork");
        close(Listener);
        return false;
    }
    if (Child == 0) ServeOne(Listener, Argv);

    // The child holds the listener until it accepts; our copy goes now.
    close(Listener);
    Pid = Child;
    HostLive = true;
    FPort = ntohs(Addr.sin_port);
    return true;
}

bool TOneShotTelnetHost::Exited()
{
    if (Pid <= 0) return true;
    const pid_t R = waitpid(Pid, nullptr, WNOHANG);
    if (R == Pid || (R < 0 && errno == ECHILD)) {
        Pid = -1;
        return true;
    }
    return false;
}

void TOneShotTelnetHost::Stop()
{
    if (Pid > 0) {
        if (!Exited()) {
            kill(Pid, SIGTERM);
            if (!WaitExit(Pid, 5000)) {
                kill(-Pid, SIGKILL);
                kill(Pid, SIGKILL);
                waitpid(Pid, nullptr, 0);
            }
        }
        Pid = -1;
    }
    if (!HostLive) return;
    // The served program and its pipeline got a hang-up with the pty; give
    // them a moment, then make sure.
    if (!ReapAll(5000)) {
        KillChildren();
        ReapAll(5000);
    }
    HostLive = false;
}
