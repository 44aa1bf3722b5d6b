#pragma once
// TSshSession: a Secure Shell connection as a session link (libssh, never
// blocking). The handshake (connect, the host key, authentication, the
// channel with its terminal) is a chain of steps each of which may have to
// wait for the network: a notifier on the session's descriptor and a short
// timer run the current step again, and a time-out ends the attempt. Once
// the shell runs, the channel's bytes go through the shared receive pump;
// what is typed is queued while the channel's window is full, never lost or
// reordered.
//
// OpenSSH's files are the user's: ~/.ssh/config, known_hosts and the default
// keys, with ~ taken from $HOME. Questions (a new host key, a user name, a
// password or passphrase, keyboard-interactive prompts) go to the window
// through the callbacks below; while one is open the session waits. Secrets
// are wiped once handed to libssh and never logged.
#include "telnet/LinkPump.h"

#include <QTimer>

#include <memory>
#include <optional>
#include <string>

class QSocketNotifier;
struct ssh_session_struct;
struct ssh_channel_struct;
struct ssh_callbacks_struct;

// Where to connect and as what. Texts are UTF-8.
struct TSshTarget {
    std::string Host; // a name, an address or a Host of ~/.ssh/config
    int Port = 22;    // 22 lets ~/.ssh/config choose another
    std::string User; // empty: ~/.ssh/config's, else asked
    std::string IdentityFile;
    std::string TermType = "xterm";
    int Cols = 80, Rows = 24;
    int TimeoutSeconds = 30;
};

class TSshSession : public TLinkPump {
    Q_OBJECT
public:
    explicit TSshSession(QObject* Parent = nullptr);
    ~TSshSession() override;
    TSshSession(const TSshSession&) = delete;
    TSshSession& operator=(const TSshSession&) = delete;

    // A host key known_hosts does not hold: true trusts it (and saves it).
    struct THostKey {
        std::string Host;        // as known_hosts names it: "name" or "[name]:port"
        std::string Type;        // "ssh-ed25519", ...
        std::string Fingerprint; // "SHA256:..."
        std::string File;        // the known_hosts file it would be saved in
    };
    std::function<bool(const THostKey& Key)> OnUnknownHostKey;
    // A question for the user; Secret masks the answer. Nothing: cancelled.
    struct TQuestion {
        std::string Caption, Prompt, Default;
        bool Secret = false;
    };
    std::function<std::optional<std::string>(const TQuestion& Question)> OnAsk;
    // "SSH : ..." lines for the log window; never a secret.
    std::function<void(const std::string& Line)> OnLog;

    void Open(const TSshTarget& Target);
    void Close() override;
    // The window changed its grid: the host's terminal follows.
    void ResizePty(int Cols, int Rows);
    // A request the server must answer, sent while the link is quiet.
    void SendKeepAlive();

    bool BytesPending() override;
    std::int64_t QueuedBytes() const override { return static_cast<std::int64_t>(FOut.size()); }
    bool Connected() const override;
    void Write(const unsigned char* Data, std::size_t Len) override;

protected:
    std::int64_t Buffered() override;
    int Take(std::uint8_t* Buf, int Max) override;
    void ReportEnd() override;
    bool Live() const override { return FStep == TStep::Shell; }

private:
    enum class TStep {
        Idle,
        Connect,
        HostKey,
        AuthNone,
        PublicKey,
        KbdInt,
        Password,
        Channel,
        Pty,
        ShellRequest,
        Shell
    };
    enum class TResult { Again, Done, Failed };

    void Advance();
    TResult RunStep();
    TResult StepConnect();
    TResult StepHostKey();
    TResult StepAuthNone();
    TResult StepPublicKey();
    TResult StepKbdInt();
    TResult StepPassword();
    TResult StepChannel();
    TResult StepPty();
    TResult StepShell();
    TResult NextAuthMethod();
    TResult AfterDenied(int Rc);
    TResult Accepted(const char* Method);
    TResult AnswerPrompts();
    bool ApplyOptions();
    std::optional<std::string> Ask(const TQuestion& Question);
    // Ends the attempt or the session with Message (UTF-8); Refused: the host
    // turned us away, so trying again on our own cannot help.
    void Fail(const std::string& Message, bool Refused = false);
    void Watch();
    void Unwatch();
    void SocketActivity();
    void Flush();
    void Log(const std::string& Line) const;
    std::string LibError() const;
    std::string KnownHostsLine(const std::string& Host) const;
    static int PassphraseCallback(const char* Prompt, char* Buf, std::size_t Len, int Echo,
                                  int Verify, void* UserData);
    void Release();

    TSshTarget FTarget;
    ssh_session_struct* FSession = nullptr;
    ssh_channel_struct* FChannel = nullptr;
    std::unique_ptr<ssh_callbacks_struct> FCallbacks;
    std::unique_ptr<QSocketNotifier> FRead, FWrite;
    QTimer FKick;    // runs a waiting handshake step again
    QTimer FTimeout; // ends a handshake that takes too long
    TStep FStep = TStep::Idle;
    int FMethods = 0;           // what the server accepts (SSH_AUTH_METHOD_* bits)
    std::string FTried;         // the methods tried, for the failure's message
    int FSecretTries = 0;       // password and keyboard-interactive rounds
    bool FAsking = false;       // a question is open: no step runs meanwhile
    bool FInStep = false;       // a step is running
    bool FKbdAnswered = false;  // this round of prompts asked a secret
    bool FPasswordSent = false; // a password call waits for its answer
    std::string FOut;           // typed bytes not yet taken by the channel
    bool FFlushPosted = false;  // a Flush waits for the end of this event's handling
};
