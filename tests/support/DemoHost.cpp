// brevanix_demo_host: the host scripts/run connects a newcomer to. It serves
// the demo script through telnetd to one client of our own user on 127.0.0.1,
// prints the port on its first line, and exits once that session is over or
// nobody came, leaving nothing behind. It never serves as root: that shell
// would be a root shell.
#include "support/OneShotTelnetHost.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
// scripts/run execs brevanix in the process that started us: when it ends,
// so do we, connected or not.
bool EndWithParent()
{
    const pid_t Parent = getppid();
    return prctl(PR_SET_PDEATHSIG, SIGTERM) == 0 && getppid() == Parent;
}

// A saved root id could be taken back, so all three count.
bool AnyIdIsRoot()
{
    uid_t Real, Effective, Saved;
    return getresuid(&Real, &Effective, &Saved) != 0 || Real == 0 || Effective == 0 || Saved == 0;
}

int Fail(const std::string& Message)
{
    std::fprintf(stderr, "brevanix_demo_host: %s\n", Message.c_str());
    return 1;
}
} // namespace

int main()
{
    // Taken one at a time below; a closed stdout must not kill us mid-session.
    sigset_t Wanted;
    sigemptyset(&Wanted);
    for (const int S : {SIGCHLD, SIGTERM, SIGINT, SIGHUP, SIGPIPE}) sigaddset(&Wanted, S);
    sigprocmask(SIG_BLOCK, &Wanted, nullptr);
    if (!EndWithParent()) return Fail("the starting process is gone");
    if (AnyIdIsRoot())
        return Fail("will not serve a shell as root; start it as an ordinary user "
                    "(as root: BREVANIX_DEMO_USER=nobody scripts/run)");

    // telnetd splits its program at blanks and expands % escapes, so the script
    // is named from its own folder, which becomes ours.
    const std::filesystem::path Script = BREVANIX_DEMO_SCRIPT;
    if (chdir(Script.parent_path().c_str()) != 0)
        return Fail(Script.parent_path().string() + ": " + std::strerror(errno));

    TOneShotTelnetHost Host;
    std::string Error;
    if (!Host.Start("/bin/sh " + Script.filename().string(), Error)) return Fail(Error);
    if (std::printf("%u\n", static_cast<unsigned>(Host.Port())) < 0 || std::fflush(stdout) != 0)
        return Fail("cannot write the port"); // Host's destructor stops it

    while (!Host.Exited()) {
        const int Signal = sigwaitinfo(&Wanted, nullptr);
        if (Signal == SIGTERM || Signal == SIGINT || Signal == SIGHUP) break;
    }
    Host.Stop();
    if (Host.NobodyCame())
        return Fail("nobody connected within " +
                    std::to_string(TOneShotTelnetHost::AcceptTimeoutMs / 1000) + " s");
    return 0;
}
