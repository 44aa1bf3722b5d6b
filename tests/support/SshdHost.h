#pragma once
// A real SSH host for a test: Debian's OpenSSH sshd on 127.0.0.1, with a host
// key, configuration, authorized keys and log of its own in a temporary folder
// (never /etc/ssh's), running one shell command on a PTY for every login.
// Passwords go through PAM by way of cwrap's pam_wrapper and pam_matrix, so
// neither the machine's PAM set-up nor its accounts are read or changed. The
// folder also holds a client home with key pairs, for a test to point HOME at.
//
// Runs as root (PermitRootLogin yes) or as an ordinary user, who can log in
// only as themselves. Stop() ends the daemon and every session it started.
// Qt-free; one host per object, several objects may run side by side.
#include "support/TempDir.h"

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

struct TSshdOptions {
    // The shell command every login runs, through the user's shell (sshd's
    // ForceCommand); one line. Empty: the user's login shell.
    std::string Command;
    // ClientKey() may log in.
    bool AuthorizeKey = true;
    // When set, password and keyboard-interactive logins of User() with it
    // (through PAM). Anyone on the machine who knows it can log in while the
    // host runs: take a random one.
    std::string Password;
    // When set, EncryptedClientKey() is made with this passphrase and may log in.
    std::string KeyPassphrase;
};

class TSshdHost {
public:
    static constexpr const char* SshdPath = "/usr/sbin/sshd";
    static constexpr const char* KeygenPath = "/usr/bin/ssh-keygen";
    // How long Start() waits for sshd to listen, and Stop() for it all to end.
    static constexpr int StartTimeoutMs = 20000;
    static constexpr int StopTimeoutMs = 10000;

    TSshdHost() = default;
    ~TSshdHost() { Stop(); }
    TSshdHost(const TSshdHost&) = delete;
    TSshdHost& operator=(const TSshdHost&) = delete;

    // Makes the folder, its keys and configuration, starts sshd and waits
    // until it listens. False, with Error set (and LastLog() telling more),
    // when any of that fails.
    bool Start(const TSshdOptions& Options, std::string& Error);
    // Ends every session and then sshd; afterwards nothing listens on Port()
    // and nothing it started runs. The folder stays until the next Start() or
    // the destructor, so LastLog() still reads.
    void Stop();

    std::uint16_t Port() const { return FPort; }
    // The listening daemon; -1 when none runs.
    pid_t Pid() const { return FPid; }
    // Whom to log in as: the user this process runs as.
    const std::string& User() const { return FUser; }

    // A folder holding .ssh/ with the client keys; no known_hosts, no config.
    std::string ClientHome() const;
    // .ssh/id_ed25519, unencrypted.
    std::string ClientKey() const;
    // .ssh/id_ecdsa, encrypted with KeyPassphrase (so OpenSSH and libssh try
    // it after ClientKey()); empty without a passphrase.
    std::string EncryptedClientKey() const;

    // "[127.0.0.1]:PORT ssh-ed25519 AAAA...": the known_hosts line OpenSSH
    // writes for this host.
    std::string KnownHostsLine() const { return HostLine(FHostKey); }
    // The same line with another key: a host whose key changed.
    std::string OtherHostKeyLine() const { return HostLine(FOtherHostKey); }
    // "SHA256:..." as ssh-keygen -l prints it.
    const std::string& HostKeyFingerprint() const { return FFingerprint; }

    // What sshd logged (LogLevel VERBOSE), for failure messages.
    std::string LastLog() const;

private:
    std::string HostLine(const std::string& Key) const;
    std::string Path(const std::string& Name) const;
    bool MakeFiles(const TSshdOptions& Options, std::string& Error);
    bool Launch(const TSshdOptions& Options, std::string& Error);
    void Kill();

    std::unique_ptr<TTempDir> Dir;
    pid_t FPid = -1;
    std::uint16_t FPort = 0;
    std::string FUser, FHostKey, FOtherHostKey, FFingerprint;
    std::string PamModule; // pam_matrix.so, when passwords are on
};
