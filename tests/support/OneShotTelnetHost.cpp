#include "support/OneShotTelnetHost.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

// Hex digits of V, Digits of them, high first: /proc/net/tcp's spelling.
char* Hex(char* Out, unsigned V, int Digits)
{
    for (int I = Digits - 1; I >= 0; --I) *Out++ = "0123456789ABCDEF"[V >> (4 * I) & 0xFu];
    return Out;
}

// Decimal digits of V, no leading zeros.
char* Decimal(char* Out, unsigned long V)
{
    char Digits[24];
    int N = 0;
    do Digits[N++] = static_cast<char>('0' + V % 10);
    while ((V /= 10) != 0);
    while (N > 0) *Out++ = Digits[--N];
    return Out;
}

// One field of a /proc/net/tcp line at P, in Base; P is left past it, past
// any ":second" half too.
unsigned long Field(const char*& P, unsigned Base)
{
    while (*P == ' ') ++P;
    unsigned long V = 0;
    for (;; ++P) {
        unsigned D;
        if (*P >= '0' && *P <= '9')
            D = static_cast<unsigned>(*P - '0');
        else if (Base == 16 && *P >= 'A' && *P <= 'F')
            D = static_cast<unsigned>(*P - 'A' + 10);
        else
            break;
        V = V * Base + D;
    }
    while (*P && *P != ' ') ++P;
    return V;
}

// The socket inode of Line of /proc/net/tcp when it is the connection Key,
// established and created by Uid; else 0. Only a live socket has an owner and
// an inode: one closed already lingers as uid 0 with inode 0, which would pass
// for root's own.
unsigned long LiveInode(const char* Line, const char* Key, std::size_t KeyLen, uid_t Uid)
{
    constexpr unsigned long Established = 0x01;
    const char* P = std::strchr(Line, ':'); // past the slot number
    if (!P) return 0;
    for (++P; *P == ' '; ++P) {
    }
    if (std::strncmp(P, Key, KeyLen) != 0) return 0;
    P += KeyLen;
    const unsigned long State = Field(P, 16);
    for (int Skipped = 0; Skipped < 3; ++Skipped) Field(P, 16); // queues, timer, retransmits
    const unsigned long Owner = Field(P, 10);
    Field(P, 10); // timeout
    const unsigned long Inode = Field(P, 10);
    return State == Established && Owner == Uid ? Inode : 0;
}

// Calls Take with each name in the open folder Dir until it returns true;
// whether one did. Reads the entries raw, since readdir may allocate.
template <typename TTake> bool AnyEntry(int Dir, TTake Take)
{
    alignas(dirent64) char Buf[4096];
    ssize_t N;
    while ((N = getdents64(Dir, Buf, sizeof Buf)) > 0)
        for (ssize_t At = 0; At < N;) {
            const auto* E = reinterpret_cast<const dirent64*>(Buf + At);
            At += E->d_reclen;
            if (E->d_name[0] != '.' && Take(E->d_name)) return true;
        }
    return false;
}

bool AllDigits(const char* S)
{
    for (; *S; ++S)
        if (*S < '0' || *S > '9') return false;
    return true;
}

// The open folder of the fds of process Pid (a name in the open /proc) when
// that process runs as Uid; else -1. The folder is opened through the
// process's own, so a pid reused in between cannot swap owners.
int OpenFdsOf(int Proc, const char* Pid, uid_t Uid)
{
    if (!AllDigits(Pid)) return -1;
    const int Dir = openat(Proc, Pid, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Dir < 0) return -1;
    struct stat Owner;
    const int Fds = fstat(Dir, &Owner) == 0 && Owner.st_uid == Uid
                        ? openat(Dir, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                        : -1;
    close(Dir);
    return Fds;
}

// Whether a process of user Uid holds the socket Inode open. The kernel shows
// a process's open files only to its own user (and root), each socket as
// "socket:[INODE]".
bool HeldByUser(unsigned long Inode, uid_t Uid)
{
    char Want[40] = "socket:[";
    char* W = Decimal(Want + std::strlen(Want), Inode);
    *W++ = ']';
    const auto WantLen = static_cast<std::size_t>(W - Want);

    const int Proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Proc < 0) return false;
    const bool Held = AnyEntry(Proc, [&](const char* Pid) {
        const int Fds = OpenFdsOf(Proc, Pid, Uid);
        if (Fds < 0) return false;
        const bool Here = AnyEntry(Fds, [&](const char* Fd) {
            char Link[64];
            const ssize_t N = readlinkat(Fds, Fd, Link, sizeof Link);
            return N == static_cast<ssize_t>(WantLen) && std::memcmp(Link, Want, WantLen) == 0;
        });
        close(Fds);
        return Here;
    });
    close(Proc);
    return Held;
}

// Whether the client on the other end of Conn runs as our own user. A loopback
// port is open to every local user; the kernel lists the client's end of the
// connection, with its state, creator and inode, in /proc/net/tcp, and one of
// our processes must hold that very socket. Async-signal-safe.
bool ClientIsOwnUser(int Conn)
{
    sockaddr_in Local{}, Peer{};
    socklen_t L1 = sizeof Local, L2 = sizeof Peer;
    if (getsockname(Conn, reinterpret_cast<sockaddr*>(&Local), &L1) != 0 ||
        getpeername(Conn, reinterpret_cast<sockaddr*>(&Peer), &L2) != 0)
        return false;
    // The client's end: its address as local, ours as remote.
    char Key[32];
    char* K = Hex(Key, Peer.sin_addr.s_addr, 8);
    *K++ = ':';
    K = Hex(K, ntohs(Peer.sin_port), 4);
    *K++ = ' ';
    K = Hex(K, Local.sin_addr.s_addr, 8);
    *K++ = ':';
    K = Hex(K, ntohs(Local.sin_port), 4);
    const std::size_t KeyLen = static_cast<std::size_t>(K - Key);

    const int Fd = open("/proc/net/tcp", O_RDONLY | O_CLOEXEC);
    if (Fd < 0) return false;
    char Buf[4096], Line[512];
    std::size_t Len = 0;
    unsigned long Inode = 0;
    ssize_t N;
    while (Inode == 0 && (N = read(Fd, Buf, sizeof Buf)) > 0) {
        for (ssize_t I = 0; I < N && Inode == 0; ++I) {
            if (Buf[I] != '\n') {
                if (Len < sizeof Line - 1) Line[Len++] = Buf[I];
                continue;
            }
            Line[Len] = '\0';
            Inode = LiveInode(Line, Key, KeyLen, getuid());
            Len = 0;
        }
    }
    close(Fd);
    return Inode != 0 && HeldByUser(Inode, getuid());
}

// Accepts the first client of our own user before Deadline; -1 when none came.
int AcceptOwnUser(int Listener, const timespec& Deadline)
{
    for (;;) {
        timespec Now;
        clock_gettime(CLOCK_MONOTONIC, &Now);
        const long long Left =
            (Deadline.tv_sec - Now.tv_sec) * 1000LL + (Deadline.tv_nsec - Now.tv_nsec) / 1000000;
        if (Left <= 0) return -1;
        pollfd P{Listener, POLLIN, 0};
        const int Ready = poll(&P, 1, static_cast<int>(Left));
        if (Ready < 0 && errno != EINTR) return -1;
        if (Ready != 1) continue;
        const int Conn = accept(Listener, nullptr, nullptr);
        if (Conn < 0) continue;
        if (ClientIsOwnUser(Conn)) return Conn;
        close(Conn); // another user's: not served
    }
}

// The forked child: only async-signal-safe calls until exec.
[[noreturn]] void ServeOne(int Listener, char* const* Argv)
{
    setpgid(0, 0);
    sigset_t None;
    sigemptyset(&None);
    sigprocmask(SIG_SETMASK, &None, nullptr);
    timespec Deadline;
    clock_gettime(CLOCK_MONOTONIC, &Deadline);
    Deadline.tv_sec += TOneShotTelnetHost::AcceptTimeoutMs / 1000;
    const int Conn = AcceptOwnUser(Listener, Deadline);
    if (Conn < 0) _exit(TOneShotTelnetHost::NoClientStatus);
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
    FNobodyCame = false;
    FPort = ntohs(Addr.sin_port);
    return true;
}

bool TOneShotTelnetHost::Exited()
{
    if (Pid <= 0) return true;
    int Status = 0;
    const pid_t R = waitpid(Pid, &Status, WNOHANG);
    if (R == Pid || (R < 0 && errno == ECHILD)) {
        FNobodyCame = R == Pid && WIFEXITED(Status) && WEXITSTATUS(Status) == NoClientStatus;
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
