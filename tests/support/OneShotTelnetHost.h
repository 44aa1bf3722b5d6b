#pragma once
// A real Telnet host for one connection: Debian's inetutils telnetd run the way
// inetd runs it, with the accepted socket as its standard input and output,
// serving a given program instead of a login. Listens on 127.0.0.1 only, and
// only until that one client is accepted; a client of another local user is
// turned away, since the program may be a shell. A client counts as ours only
// while its end is connected and open in one of our own processes.
//
// The served program runs on a pty in a session of its own and outlives
// telnetd by a moment, so the process is made a child subreaper and Stop()
// reaps whatever is left under it. One host at a time per process.
#include <cstdint>
#include <string>
#include <sys/types.h>

class TOneShotTelnetHost {
public:
    static constexpr const char* TelnetdPath = "/usr/sbin/telnetd";
    // How long the host waits for its one client, and how its child exits
    // when none came.
    static constexpr int AcceptTimeoutMs = 20000;
    static constexpr int NoClientStatus = 111;

    TOneShotTelnetHost() = default;
    ~TOneShotTelnetHost() { Stop(); }
    TOneShotTelnetHost(const TOneShotTelnetHost&) = delete;
    TOneShotTelnetHost& operator=(const TOneShotTelnetHost&) = delete;

    static bool TelnetdInstalled();

    // Listens and starts the host that will run Command (program and
    // arguments, split at blanks by telnetd) for the client. False, with
    // Error set, when that fails.
    bool Start(const std::string& Command, std::string& Error);
    std::uint16_t Port() const { return FPort; }
    // The child that waits for the client and then becomes telnetd; -1 when
    // none runs.
    pid_t ChildPid() const { return Pid; }

    // True once telnetd has exited (reaping it).
    bool Exited();
    // After Exited(): whether the host gave up waiting for its client.
    bool NobodyCame() const { return FNobodyCame; }
    // Ends telnetd if still running, then reaps it and everything it left.
    void Stop();

private:
    pid_t Pid = -1;
    std::uint16_t FPort = 0;
    bool FNobodyCame = false;
};
