#include "support/SshdHost.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {
// sshd's privilege-separation folder, which it insists on when run as root.
constexpr const char* PrivsepDir = "/run/sshd";
// pam_wrapper copies the service files into /tmp/pam.X, one folder per
// process that loads it; sshd's per-connection processes leave by _exit and
// never remove theirs.
constexpr const char* PamWrapperTmp = "/tmp";

std::string Errno(const std::string& What) { return What + ": " + std::strerror(errno); }

void Nap() { usleep(10000); }

template <typename TDone> bool WaitFor(TDone Done, int Ms)
{
    for (int I = 0; I <= Ms / 10; ++I) {
        if (Done()) return true;
        Nap();
    }
    return Done();
}

// Runs a program (no shell) and collects its standard output and error.
bool RunTool(const std::vector<std::string>& Args, std::string& Output)
{
    std::vector<char*> Argv;
    for (const std::string& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
    Argv.push_back(nullptr);
    int Pipe[2];
    if (pipe2(Pipe, O_CLOEXEC) != 0) return false;
    const pid_t Child = fork();
    if (Child == 0) {
        const int Null = open("/dev/null", O_RDONLY);
        dup2(Null, 0);
        dup2(Pipe[1], 1);
        dup2(Pipe[1], 2);
        execv(Argv[0], Argv.data());
        _exit(127);
    }
    close(Pipe[1]);
    char Buf[4096];
    ssize_t N;
    while ((N = read(Pipe[0], Buf, sizeof Buf)) > 0 || (N < 0 && errno == EINTR))
        if (N > 0) Output.append(Buf, static_cast<std::size_t>(N));
    close(Pipe[0]);
    if (Child < 0) return false;
    int Status = 0;
    while (waitpid(Child, &Status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

// The whole of a file, /proc's too (whose size reads as 0).
std::string ReadAll(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    std::ostringstream Text;
    Text << In.rdbuf();
    return Text.str();
}

std::string Field(const std::string& Line, int Index)
{
    std::istringstream In(Line);
    std::string Word;
    for (int I = 0; I <= Index; ++I)
        if (!(In >> Word)) return {};
    return Word;
}

// A process's state letter from /proc and its parent; 0 when it is gone.
char State(pid_t Pid, pid_t* Parent = nullptr)
{
    const std::string Stat = ReadAll("/proc/" + std::to_string(Pid) + "/stat");
    const std::size_t End = Stat.rfind(')'); // the name may hold blanks and brackets
    char S = 0;
    int P = 0;
    if (End == std::string::npos || std::sscanf(Stat.c_str() + End + 1, " %c %d", &S, &P) != 2)
        return 0;
    if (Parent) *Parent = P;
    return S;
}

// Gone, or a zombie.
bool Gone(pid_t Pid)
{
    const char S = State(Pid);
    return S == 0 || S == 'Z' || S == 'X';
}

// The same for a process we killed, reaping it when it has come to us (the
// test process may be a child subreaper).
bool Ended(pid_t Pid)
{
    waitpid(Pid, nullptr, WNOHANG);
    return Gone(Pid);
}

bool Stopped(pid_t Pid)
{
    const char S = State(Pid);
    return S == 0 || S == 'T' || S == 't' || S == 'Z' || S == 'X';
}

// Every process under Root, parents before their children.
std::vector<pid_t> Descendants(pid_t Root)
{
    std::vector<std::pair<pid_t, pid_t>> All; // pid, parent
    if (DIR* Proc = opendir("/proc")) {
        while (const dirent* E = readdir(Proc)) {
            char* End = nullptr;
            const long Pid = std::strtol(E->d_name, &End, 10);
            pid_t Parent = 0;
            if (*End == '\0' && Pid > 0 && State(static_cast<pid_t>(Pid), &Parent))
                All.emplace_back(static_cast<pid_t>(Pid), Parent);
        }
        closedir(Proc);
    }
    std::vector<pid_t> Found{Root};
    for (std::size_t I = 0; I < Found.size(); ++I)
        for (const auto& [Pid, Parent] : All)
            if (Parent == Found[I]) Found.push_back(Pid);
    Found.erase(Found.begin());
    return Found;
}

// Stops everything under Root (stopped already) so that nothing forks while
// it is being killed. A signalled process stops only on its way out of the
// kernel, so each round waits for that before looking for new children.
std::vector<pid_t> FreezeTree(pid_t Root, int Ms)
{
    std::vector<pid_t> Frozen;
    WaitFor([&] { return Stopped(Root); }, Ms);
    for (bool Grew = true; Grew;) {
        Grew = false;
        for (const pid_t Pid : Descendants(Root))
            if (std::find(Frozen.begin(), Frozen.end(), Pid) == Frozen.end()) {
                kill(Pid, SIGSTOP);
                Frozen.push_back(Pid);
                Grew = true;
            }
        WaitFor([&] { return std::all_of(Frozen.begin(), Frozen.end(), Stopped); }, Ms);
    }
    return Frozen;
}

// Whether something listens on 127.0.0.1:Port, from /proc/net/tcp.
bool Listening(std::uint16_t Port)
{
    constexpr unsigned Listen = 0x0A;
    std::ifstream In("/proc/net/tcp");
    std::string Line;
    std::getline(In, Line); // the heading
    while (std::getline(In, Line)) {
        unsigned Address = 0, LocalPort = 0, Peer = 0, PeerPort = 0, St = 0;
        if (std::sscanf(Line.c_str(), " %*d: %8X:%4X %8X:%4X %2X", &Address, &LocalPort, &Peer,
                        &PeerPort, &St) == 5 &&
            Address == htonl(INADDR_LOOPBACK) && LocalPort == Port && St == Listen)
            return true;
    }
    return false;
}

// A port free on 127.0.0.1 a moment ago; sshd may still lose it to another
// program, which Start() notices and tries again.
std::uint16_t FreePort()
{
    const int Fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (Fd < 0) return 0;
    sockaddr_in Addr{};
    Addr.sin_family = AF_INET;
    Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t Len = sizeof Addr;
    std::uint16_t Port = 0;
    if (bind(Fd, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr) == 0 &&
        getsockname(Fd, reinterpret_cast<sockaddr*>(&Addr), &Len) == 0)
        Port = ntohs(Addr.sin_port);
    close(Fd);
    return Port;
}

// pam_matrix.so of Debian's libpam-wrapper (or a build of one's own).
std::string FindPamMatrix()
{
    for (const char* Dir :
         {"/usr/lib/" BREVANIX_LIBRARY_ARCH "/pam_wrapper", "/usr/lib64/pam_wrapper",
          "/usr/lib/pam_wrapper", "/usr/local/lib/pam_wrapper"}) {
        const std::string Module = std::string(Dir) + "/pam_matrix.so";
        if (access(Module.c_str(), R_OK) == 0 &&
            access((std::string(Dir) + "/../libpam_wrapper.so").c_str(), R_OK) == 0)
            return Module;
    }
    return {};
}

bool EnsurePrivsepDir(std::string& Error)
{
    struct stat St;
    if (stat(PrivsepDir, &St) == 0) {
        if (S_ISDIR(St.st_mode)) return true;
        Error = std::string(PrivsepDir) + " is not a folder";
        return false;
    }
    if (mkdir(PrivsepDir, 0755) != 0) {
        if (errno == EEXIST) return true; // another host made it meanwhile
        Error = Errno(std::string("mkdir ") + PrivsepDir);
        return false;
    }
    chmod(PrivsepDir, 0755); // past the umask: sshd refuses a folder others may write
    return true;
}

// Removes the copies pam_wrapper made for our daemon (their service file
// names our folder) once the process that made each has ended.
void SweepPamCopies(const std::string& OurFolder)
{
    DIR* Tmp = opendir(PamWrapperTmp);
    if (!Tmp) return;
    std::vector<std::string> Ours;
    while (const dirent* E = readdir(Tmp)) {
        const std::string Name = E->d_name;
        if (Name.size() != 5 || Name.compare(0, 4, "pam.") != 0) continue;
        const std::string Copy = std::string(PamWrapperTmp) + "/" + Name;
        struct stat St;
        if (lstat(Copy.c_str(), &St) != 0 || !S_ISDIR(St.st_mode) || St.st_uid != geteuid())
            continue;
        if (ReadBytes(Copy + "/sshd").find(OurFolder + "/") == std::string::npos) continue;
        const int Maker = std::atoi(ReadBytes(Copy + "/pid").c_str());
        if (Maker <= 0 || Gone(Maker)) Ours.push_back(Copy);
    }
    closedir(Tmp);
    std::error_code Ec;
    for (const std::string& Copy : Ours) std::filesystem::remove_all(Copy, Ec);
}

bool PlainPath(const std::string& Path)
{
    return Path.find_first_of(" \t\n\"'%\\#") == std::string::npos;
}
} // namespace

std::string TSshdHost::Path(const std::string& Name) const { return *Dir / Name; }
std::string TSshdHost::ClientHome() const { return Dir ? Path("home") : std::string(); }
std::string TSshdHost::ClientKey() const { return Dir ? Path("home/.ssh/id_ed25519") : ""; }

std::string TSshdHost::EncryptedClientKey() const
{
    const std::string Key = Dir ? Path("home/.ssh/id_ecdsa") : "";
    return access(Key.c_str(), F_OK) == 0 ? Key : "";
}

std::string TSshdHost::HostLine(const std::string& Key) const
{
    return "[127.0.0.1]:" + std::to_string(FPort) + " " + Key;
}

std::string TSshdHost::LastLog() const { return Dir ? ReadBytes(Path("sshd.log")) : ""; }

bool TSshdHost::Start(const TSshdOptions& Options, std::string& Error)
{
    if (FPid > 0) {
        Error = "this host is already running";
        return false;
    }
    if (access(SshdPath, X_OK) != 0 || access(KeygenPath, X_OK) != 0) {
        Error = std::string(SshdPath) + " or " + KeygenPath +
                " is missing: install the Debian package openssh-server";
        return false;
    }
    PamModule.clear();
    if (!Options.Password.empty() && (PamModule = FindPamMatrix()).empty()) {
        Error = "pam_matrix.so is missing: install the Debian package libpam-wrapper";
        return false;
    }
    if (Options.Command.find_first_of("\r\n") != std::string::npos) {
        Error = "the command must be one line";
        return false;
    }
    if (Options.Password.find_first_of(":\r\n") != std::string::npos) {
        Error = "pam_matrix's password file cannot hold ':' or a line break";
        return false;
    }
    if (geteuid() == 0 && !EnsurePrivsepDir(Error)) return false;
    Dir.reset(); // the last run's folder, after its log was of use
    Dir = std::make_unique<TTempDir>();
    if (!PlainPath(Dir->Path())) {
        Error =
            "sshd_config cannot name the folder " + Dir->Path() + ": set TMPDIR to a plain path";
        return false;
    }
    return MakeFiles(Options, Error) && Launch(Options, Error);
}

bool TSshdHost::MakeFiles(const TSshdOptions& Options, std::string& Error)
{
    const passwd* Pw = getpwuid(geteuid());
    if (!Pw) {
        Error = "this process's user has no name";
        return false;
    }
    FUser = Pw->pw_name;
    const auto Keygen = [&](const char* Type, const std::string& File,
                            const std::string& Passphrase) {
        std::string Out;
        if (RunTool(
                {KeygenPath, "-q", "-t", Type, "-N", Passphrase, "-C", "brevanix-test", "-f", File},
                Out))
            return true;
        Error = "ssh-keygen " + File + ": " + Out;
        return false;
    };
    if (mkdir(Path("home").c_str(), 0700) != 0 || mkdir(Path("home/.ssh").c_str(), 0700) != 0) {
        Error = Errno("mkdir " + Path("home/.ssh"));
        return false;
    }
    if (!Keygen("ed25519", Path("host_ed25519_key"), "") ||
        !Keygen("ed25519", Path("other_host_ed25519_key"), "") ||
        !Keygen("ed25519", ClientKey(), "") ||
        (!Options.KeyPassphrase.empty() &&
         !Keygen("ecdsa", Path("home/.ssh/id_ecdsa"), Options.KeyPassphrase)))
        return false;

    const auto KeyOf = [](const std::string& Pub) {
        const std::string Line = ReadBytes(Pub);
        return Field(Line, 0) + " " + Field(Line, 1); // without the comment
    };
    FHostKey = KeyOf(Path("host_ed25519_key.pub"));
    FOtherHostKey = KeyOf(Path("other_host_ed25519_key.pub"));
    std::string Listed;
    if (!RunTool({KeygenPath, "-l", "-f", Path("host_ed25519_key.pub")}, Listed)) {
        Error = "ssh-keygen -l: " + Listed;
        return false;
    }
    FFingerprint = Field(Listed, 1);

    std::string Authorized;
    if (Options.AuthorizeKey) Authorized += ReadBytes(ClientKey() + ".pub");
    if (!Options.KeyPassphrase.empty()) Authorized += ReadBytes(Path("home/.ssh/id_ecdsa.pub"));
    WriteBytes(Path("authorized_keys"), Authorized);

    if (!PamModule.empty()) {
        // pam_matrix under sshd did not see PAM_MATRIX_PASSWD from the
        // environment; the module's own option does not depend on it.
        std::string Service;
        for (const char* Type : {"auth", "account", "password", "session"})
            Service +=
                std::string(Type) + " required " + PamModule + " passdb=" + Path("passdb") + "\n";
        mkdir(Path("pam").c_str(), 0700);
        WriteBytes(Path("pam/sshd"), Service);
        WriteBytes(Path("pam/other"), Service); // PAM looks for it and logs its absence
        const int Fd = open(Path("passdb").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const std::string Entry = FUser + ":" + Options.Password + ":sshd\n";
        const bool Written =
            Fd >= 0 && write(Fd, Entry.data(), Entry.size()) == static_cast<ssize_t>(Entry.size());
        if (Fd >= 0) close(Fd);
        if (!Written) {
            Error = Errno("write " + Path("passdb"));
            return false;
        }
    }
    return true;
}

namespace {
std::string ConfigText(const TSshdOptions& Options, const std::string& Dir, std::uint16_t Port)
{
    const std::string Passwords = Options.Password.empty() ? "no" : "yes";
    std::string Text;
    const auto Line = [&Text](const std::string& L) { Text += L + "\n"; };
    Line("ListenAddress 127.0.0.1");
    Line("Port " + std::to_string(Port));
    Line("HostKey " + Dir + "/host_ed25519_key");
    Line("PidFile " + Dir + "/sshd.pid");
    Line("AuthorizedKeysFile " + Dir + "/authorized_keys");
    Line("StrictModes no"); // the folder is a temporary one of ours
    Line("PubkeyAuthentication yes");
    Line("UsePAM " + Passwords);
    Line("PasswordAuthentication " + Passwords);
    Line("KbdInteractiveAuthentication " + Passwords);
    for (const char* Off :
         {"PermitEmptyPasswords", "X11Forwarding", "AllowAgentForwarding", "AllowTcpForwarding",
          "PermitTunnel", "PermitUserEnvironment", "PrintMotd", "PrintLastLog", "UseDNS"})
        Line(std::string(Off) + " no");
    Line("LogLevel VERBOSE");
    if (geteuid() == 0) Line("PermitRootLogin yes");
    if (!Options.Command.empty()) Line("ForceCommand " + Options.Command);
    return Text;
}

int ReadPidFile(const std::string& File) { return std::atoi(ReadBytes(File).c_str()); }
} // namespace

bool TSshdHost::Launch(const TSshdOptions& Options, std::string& Error)
{
    // Built before the fork: the child may not allocate.
    std::vector<std::string> Env;
    for (char** E = environ; *E; ++E)
        if (std::strncmp(*E, "LD_PRELOAD=", 11) != 0 && std::strncmp(*E, "PAM_WRAPPER", 11) != 0)
            Env.emplace_back(*E);
    if (!PamModule.empty()) {
        const std::string Lib = PamModule.substr(0, PamModule.rfind('/'));
        Env.push_back("LD_PRELOAD=" + Lib + "/../libpam_wrapper.so");
        Env.push_back("PAM_WRAPPER=1");
        Env.push_back("PAM_WRAPPER_SERVICE_DIR=" + Path("pam"));
    }
    std::vector<char*> Envp;
    for (std::string& E : Env) Envp.push_back(E.data());
    Envp.push_back(nullptr);
    std::string Arg0 = SshdPath, ArgD = "-D", ArgE = "-e", ArgF = "-f",
                Config = Path("sshd_config");
    char* Argv[] = {Arg0.data(), ArgD.data(), ArgE.data(), ArgF.data(), Config.data(), nullptr};
    const std::string LogFile = Path("sshd.log"), PidFile = Path("sshd.pid");

    constexpr int Attempts = 3;
    for (int Attempt = 1; Attempt <= Attempts; ++Attempt) {
        FPort = FreePort();
        WriteBytes(Config, ConfigText(Options, Dir->Path(), FPort));
        const int Log = open(LogFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        const int Null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        const pid_t Parent = getpid();
        const pid_t Child = Log >= 0 && Null >= 0 ? fork() : -1;
        if (Child == 0) {
            // Dies with us: a test that crashes leaves no daemon behind.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != Parent) _exit(1);
            sigset_t None;
            sigemptyset(&None);
            sigprocmask(SIG_SETMASK, &None, nullptr);
            dup2(Null, 0);
            dup2(Log, 1);
            dup2(Log, 2);
            close_range(3, ~0U, 0);
            execve(Arg0.c_str(), Argv, Envp.data()); // sshd re-executes itself: absolute path
            _exit(127);
        }
        if (Log >= 0) close(Log);
        if (Null >= 0) close(Null);
        if (Child < 0) {
            Error = Errno("start sshd");
            return false;
        }
        FPid = Child;
        // sshd writes its pid file once its socket listens.
        bool Died = false;
        const bool Up = WaitFor(
            [&] {
                Died = waitpid(Child, nullptr, WNOHANG) == Child;
                return Died || (ReadPidFile(PidFile) == Child && Listening(FPort));
            },
            StartTimeoutMs);
        if (Up && !Died) return true;
        if (Died) FPid = -1;
        Stop();
        // Another program took the port between FreePort() and sshd's bind.
        if (LastLog().find("Address already in use") == std::string::npos) break;
    }
    Error = "sshd did not start; its log:\n" + LastLog();
    return false;
}

void TSshdHost::Stop()
{
    if (FPid > 0) Kill();
    FPid = -1;
    // Also after a daemon that died at start: it left by _exit too.
    if (Dir && !PamModule.empty()) SweepPamCopies(Dir->Path());
}

// The daemon and its sessions are frozen first, so that no connection starts
// and no session forks while they are ended, then the sessions are killed and
// the daemon told to go: it closes its socket and removes its pid file.
void TSshdHost::Kill()
{
    kill(FPid, SIGSTOP);
    const std::vector<pid_t> Sessions = FreezeTree(FPid, StopTimeoutMs);
    for (const pid_t Pid : Sessions) kill(Pid, SIGKILL);
    kill(FPid, SIGTERM);
    kill(FPid, SIGCONT);
    const pid_t Daemon = FPid;
    if (!WaitFor([&] { return waitpid(Daemon, nullptr, WNOHANG) != 0; }, StopTimeoutMs)) {
        kill(Daemon, SIGKILL);
        waitpid(Daemon, nullptr, 0);
    }
    WaitFor([&] { return std::all_of(Sessions.begin(), Sessions.end(), Ended); }, StopTimeoutMs);
    WaitFor([&] { return !Listening(FPort); }, StopTimeoutMs);
}
