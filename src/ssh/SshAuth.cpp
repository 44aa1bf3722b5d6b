// Authentication and the channel: the steps after the host key, in the order
// OpenSSH's client tries the methods the server accepts (public key,
// keyboard-interactive, password), then the session channel with its
// terminal and shell.
#include "ssh/SshSession.h"

#include "ssh/SshText.h"

#include <cstring>

namespace {

constexpr int MaxSecretTries = 3; // password and keyboard-interactive rounds

std::string MethodNames(int Methods)
{
    std::string Names;
    const auto Add = [&](int Bit, const char* Name) {
        if (!(Methods & Bit)) return;
        if (!Names.empty()) Names += ", ";
        Names += Name;
    };
    Add(SSH_AUTH_METHOD_PUBLICKEY, "publickey");
    Add(SSH_AUTH_METHOD_INTERACTIVE, "keyboard-interactive");
    Add(SSH_AUTH_METHOD_PASSWORD, "password");
    return Names.empty() ? std::string("none") : Names;
}

} // namespace

TSshSession::TResult TSshSession::StepAuthNone()
{
    const int Rc = ssh_userauth_none(FSession, nullptr);
    if (Rc == SSH_AUTH_AGAIN) return TResult::Again;
    if (Rc == SSH_AUTH_ERROR) {
        Fail("SSH : " + LibError());
        return TResult::Failed;
    }
    if (Rc == SSH_AUTH_SUCCESS) {
        Log("SSH : 인증 없이 로그인");
        FStep = TStep::Channel;
        return TResult::Done;
    }
    FMethods = ssh_userauth_list(FSession, nullptr);
    Log("SSH : 서버가 받는 인증 " + MethodNames(FMethods));
    return NextAuthMethod();
}

// The next method the server accepts and we have not used up; none left ends
// the attempt saying what was tried.
TSshSession::TResult TSshSession::NextAuthMethod()
{
    const auto Untried = [&](int Bit, const char* Name) {
        return (FMethods & Bit) && FTried.find(Name) == std::string::npos;
    };
    const auto Start = [&](TStep Step, const char* Name) {
        FTried += FTried.empty() ? Name : std::string(", ") + Name;
        FStep = Step;
        return TResult::Done;
    };
    if (Untried(SSH_AUTH_METHOD_PUBLICKEY, "publickey"))
        return Start(TStep::PublicKey, "publickey");
    if (FSecretTries < MaxSecretTries) {
        if (Untried(SSH_AUTH_METHOD_INTERACTIVE, "keyboard-interactive"))
            return Start(TStep::KbdInt, "keyboard-interactive");
        if (Untried(SSH_AUTH_METHOD_PASSWORD, "password"))
            return Start(TStep::Password, "password");
    }
    Fail("SSH : 인증에 실패했습니다. 시도한 방법: " + (FTried.empty() ? "없음" : FTried) +
             " (서버가 받는 방법: " + MethodNames(FMethods) + ")",
         true);
    return TResult::Failed;
}

// After a method is refused: the server may accept fewer now (a partial
// success), and the next is tried.
TSshSession::TResult TSshSession::AfterDenied(int Rc)
{
    if (Rc == SSH_AUTH_PARTIAL) FMethods = ssh_userauth_list(FSession, nullptr);
    return NextAuthMethod();
}

TSshSession::TResult TSshSession::Accepted(const char* Method)
{
    Log(std::string("SSH : ") + Method + " 인증 성공");
    FStep = TStep::Channel;
    return TResult::Done;
}

// The agent first, then the profile's key file and the default keys of
// ~/.ssh; an encrypted key asks its passphrase through PassphraseCallback.
TSshSession::TResult TSshSession::StepPublicKey()
{
    const int Rc = ssh_userauth_publickey_auto(FSession, nullptr, nullptr);
    if (Rc == SSH_AUTH_AGAIN) return TResult::Again;
    if (Rc == SSH_AUTH_SUCCESS) return Accepted("publickey");
    if (Rc == SSH_AUTH_ERROR || FStep == TStep::Idle) {
        Fail("SSH : " + LibError());
        return TResult::Failed;
    }
    return AfterDenied(Rc);
}

int TSshSession::PassphraseCallback(const char* Prompt, char* Buf, std::size_t Len, int, int,
                                    void* UserData)
{
    auto* Self = static_cast<TSshSession*>(UserData);
    std::optional<std::string> Answer =
        Self->Ask({"SSH 키 암호", Prompt ? Prompt : "Passphrase", {}, true});
    if (!Answer || Answer->size() + 1 > Len) {
        if (Answer) Wipe(*Answer);
        return -1; // this key is skipped
    }
    std::memcpy(Buf, Answer->c_str(), Answer->size() + 1);
    Wipe(*Answer);
    return 0;
}

TSshSession::TResult TSshSession::StepKbdInt()
{
    const int Rc = ssh_userauth_kbdint(FSession, nullptr, nullptr);
    if (Rc == SSH_AUTH_AGAIN) return TResult::Again;
    if (Rc == SSH_AUTH_SUCCESS) return Accepted("keyboard-interactive");
    if (Rc == SSH_AUTH_INFO) return AnswerPrompts();
    if (Rc == SSH_AUTH_ERROR) {
        Fail("SSH : " + LibError());
        return TResult::Failed;
    }
    // Refused: another round, while tries are left.
    if (FKbdAnswered) ++FSecretTries;
    FKbdAnswered = false;
    if (Rc == SSH_AUTH_DENIED && FSecretTries > 0 && FSecretTries < MaxSecretTries)
        return TResult::Done; // the same step again: a fresh round of prompts
    return AfterDenied(Rc);
}

// One round of the server's questions, each in a dialog; an answer typed
// with echo off is masked and wiped once handed over.
TSshSession::TResult TSshSession::AnswerPrompts()
{
    const std::string Name = ssh_userauth_kbdint_getname(FSession);
    const std::string Instruction = ssh_userauth_kbdint_getinstruction(FSession);
    const int N = ssh_userauth_kbdint_getnprompts(FSession);
    for (int I = 0; I < N; ++I) {
        char Echo = 0;
        const char* Prompt =
            ssh_userauth_kbdint_getprompt(FSession, static_cast<unsigned>(I), &Echo);
        std::string Text = Instruction.empty() ? "" : Instruction + "\n";
        Text += Prompt ? Prompt : "";
        std::optional<std::string> Answer =
            Ask({Name.empty() ? "SSH 인증" : Name, Text, {}, Echo == 0});
        if (FStep == TStep::Idle) return TResult::Failed; // closed meanwhile
        if (!Answer) {
            Fail("SSH : 인증을 취소했습니다.", true);
            return TResult::Failed;
        }
        ssh_userauth_kbdint_setanswer(FSession, static_cast<unsigned>(I), Answer->c_str());
        Wipe(*Answer);
        if (!Echo) FKbdAnswered = true;
    }
    return TResult::Done; // kbdint again: the answers go out
}

TSshSession::TResult TSshSession::StepPassword()
{
    std::string Password;
    if (!FPasswordSent) {
        TSshText User, Host;
        ssh_options_get(FSession, SSH_OPTIONS_USER, &User.Text);
        ssh_options_get(FSession, SSH_OPTIONS_HOST, &Host.Text);
        std::optional<std::string> Answer =
            Ask({"SSH 암호", User.Get() + "@" + Host.Get() + " 의 암호:", {}, true});
        if (FStep == TStep::Idle) return TResult::Failed;
        if (!Answer) {
            Fail("SSH : 인증을 취소했습니다.", true);
            return TResult::Failed;
        }
        Password = std::move(*Answer);
        FPasswordSent = true;
    }
    // A call that must wait sends nothing more: the password went with the
    // first, and libssh only waits for the answer.
    const int Rc = ssh_userauth_password(FSession, nullptr, Password.c_str());
    Wipe(Password);
    if (Rc == SSH_AUTH_AGAIN) return TResult::Again;
    FPasswordSent = false;
    if (Rc == SSH_AUTH_SUCCESS) return Accepted("password");
    if (Rc == SSH_AUTH_ERROR) {
        Fail("SSH : " + LibError());
        return TResult::Failed;
    }
    ++FSecretTries;
    Log("SSH : 암호가 맞지 않습니다.");
    if (Rc == SSH_AUTH_DENIED && FSecretTries < MaxSecretTries) return TResult::Done;
    return AfterDenied(Rc);
}

TSshSession::TResult TSshSession::StepChannel()
{
    if (!FChannel) FChannel = ssh_channel_new(FSession);
    const int Rc = FChannel ? ssh_channel_open_session(FChannel) : SSH_ERROR;
    if (Rc == SSH_AGAIN) return TResult::Again;
    if (Rc != SSH_OK) {
        Fail("SSH : 채널을 열 수 없습니다. " + LibError());
        return TResult::Failed;
    }
    FStep = TStep::Pty;
    return TResult::Done;
}

TSshSession::TResult TSshSession::StepPty()
{
    const int Rc = ssh_channel_request_pty_size(FChannel, FTarget.TermType.c_str(), FTarget.Cols,
                                                FTarget.Rows);
    if (Rc == SSH_AGAIN) return TResult::Again;
    if (Rc != SSH_OK) {
        Fail("SSH : 터미널을 얻지 못했습니다. " + LibError());
        return TResult::Failed;
    }
    FStep = TStep::ShellRequest;
    return TResult::Done;
}

TSshSession::TResult TSshSession::StepShell()
{
    const int Rc = ssh_channel_request_shell(FChannel);
    if (Rc == SSH_AGAIN) return TResult::Again;
    if (Rc != SSH_OK) {
        Fail("SSH : 셸을 시작하지 못했습니다. " + LibError());
        return TResult::Failed;
    }
    FStep = TStep::Shell;
    return TResult::Done;
}
