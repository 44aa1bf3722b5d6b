#pragma once
// An OpenSSH server of the test's own (TSshdHost) and the program's HOME
// pointed at its client folder, with no agent: only the test's files take part.
#include "support/ScopedEnv.h"
#include "support/SshdHost.h"

#include "widgets/Dialogs.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include <deque>

#include <fstream>
#include <string>

// A shell to type into after a first line; the prompt is "$ ".
inline constexpr const char* Shell = "printf 'ssh-ok\\n'; PS1='$ ' exec /bin/sh -i";

// The host, and the program's HOME pointed at the host's client folder with
// no agent, so only the test's own files take part.
struct TSshRig {
    TSshdHost Host;
    TScopedEnv Env;
    std::string Error;

    bool Start(const TSshdOptions& Options, bool Trusted = true)
    {
        if (!Host.Start(Options, Error)) return false;
        Env.Set("HOME", Host.ClientHome());
        Env.Set("SSH_AUTH_SOCK", std::nullopt);
        if (Trusted) WriteKnownHosts(Host.KnownHostsLine());
        return true;
    }
    std::string KnownHosts() const { return Host.ClientHome() + "/.ssh/known_hosts"; }
    void WriteKnownHosts(const std::string& Line) const
    {
        std::ofstream(KnownHosts()) << Line << "\n";
    }
    QStringList Args(const std::string& User = {}) const
    {
        const std::string Where = (User.empty() ? "" : User + "@") + "127.0.0.1";
        return {"-S", QString::fromStdString(Where), QString::number(Host.Port())};
    }
};

// Secrets asked in masked dialogs: answers the test gives in turn.
struct TAnswers {
    std::deque<std::string> Given;
    QStringList Prompts;
    void Install()
    {
        SetModalHook([this](QDialog& D) {
            auto* Value = D.findChild<QLineEdit*>(QStringLiteral("Value"));
            if (!Value || Given.empty()) return D.reject();
            Prompts << D.findChild<QLabel*>(QStringLiteral("Prompt"))->text();
            QCOMPARE(Value->echoMode(), QLineEdit::Password);
            Value->setText(QString::fromStdString(Given.front()));
            Given.pop_front();
            D.accept();
        });
    }
};

// A profile section for the rig's host over SSH, plus Extra lines.
inline std::string SshAlias(const TSshRig& Rig, const char* Name, int Port,
                            const std::string& Extra = {})
{
    return std::string("[") + Name + "]\nAddress=127.0.0.1\nPort=" + std::to_string(Port) +
           "\nProtocol=SSH\nUserName=" + Rig.Host.User() + "\n" + Extra;
}
