// Making the connection: the options from the user's OpenSSH files and the
// profile, the TCP and key exchange, and the host key against known_hosts.
#include "ssh/SshSession.h"

#include "ssh/SshText.h"

#include <libssh/callbacks.h>
#include <libssh/libssh.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace {

// Our home is $HOME, as for the profile file; libssh would take the
// password database's.
std::string HomeFolder()
{
    if (const char* Home = std::getenv("HOME"); Home && *Home) return Home;
    const passwd* Pw = getpwuid(getuid());
    return Pw && Pw->pw_dir ? Pw->pw_dir : "";
}

std::string DesktopUser()
{
    if (const char* User = std::getenv("USER"); User && *User) return User;
    const passwd* Pw = getpwuid(getuid());
    return Pw && Pw->pw_name ? Pw->pw_name : "";
}

std::string Expanded(const std::string& Path)
{
    return Path.starts_with("~/") ? HomeFolder() + Path.substr(1) : Path;
}

} // namespace

TSshSession::TResult TSshSession::StepConnect()
{
    if (ssh_get_fd(FSession) < 0 && !ApplyOptions()) return TResult::Failed;
    const int Rc = ssh_connect(FSession);
    if (Rc == SSH_AGAIN) return TResult::Again;
    if (Rc != SSH_OK) {
        Fail("SSH : " + LibError());
        return TResult::Failed;
    }
    TSshText Host;
    ssh_options_get(FSession, SSH_OPTIONS_HOST, &Host.Text);
    unsigned Port = 0;
    ssh_options_get_port(FSession, &Port);
    Log("SSH : " + Host.Get() + ":" + std::to_string(Port) + " 에 연결, " +
        ssh_get_serverbanner(FSession));
    FStep = TStep::HostKey;
    return TResult::Done;
}

// The user's OpenSSH files and the profile: ~/.ssh/config as every client
// on Linux reads it, then the profile's own values where it sets them.
bool TSshSession::ApplyOptions()
{
    const int Quiet = SSH_LOG_NOLOG;
    ssh_options_set(FSession, SSH_OPTIONS_LOG_VERBOSITY, &Quiet);
    const std::string Dir = HomeFolder() + "/.ssh";
    ssh_options_set(FSession, SSH_OPTIONS_SSH_DIR, Dir.c_str());
    ssh_options_set(FSession, SSH_OPTIONS_KNOWNHOSTS, (Dir + "/known_hosts").c_str());
    if (ssh_options_set(FSession, SSH_OPTIONS_HOST, FTarget.Host.c_str()) != SSH_OK ||
        ssh_options_parse_config(FSession, nullptr) != SSH_OK) {
        Fail("SSH : " + LibError());
        return false;
    }
    if (FTarget.Port != 22) ssh_options_set(FSession, SSH_OPTIONS_PORT, &FTarget.Port);
    if (!FTarget.IdentityFile.empty())
        ssh_options_set(FSession, SSH_OPTIONS_IDENTITY, Expanded(FTarget.IdentityFile).c_str());
    if (!FTarget.User.empty()) ssh_options_set(FSession, SSH_OPTIONS_USER, FTarget.User.c_str());
    TSshText User;
    if (ssh_options_get(FSession, SSH_OPTIONS_USER, &User.Text) != SSH_OK) {
        const std::optional<std::string> Name =
            Ask({"SSH 사용자", FTarget.Host + " 에 접속할 사용자 이름:", DesktopUser(), false});
        if (!Name || Name->empty()) {
            Fail("SSH : 사용자 이름 없이는 접속할 수 없습니다.");
            return false;
        }
        ssh_options_set(FSession, SSH_OPTIONS_USER, Name->c_str());
    }
    FCallbacks = std::make_unique<ssh_callbacks_struct>();
    std::memset(FCallbacks.get(), 0, sizeof(ssh_callbacks_struct));
    ssh_callbacks_init(FCallbacks.get());
    FCallbacks->userdata = this;
    FCallbacks->auth_function = &TSshSession::PassphraseCallback;
    ssh_set_callbacks(FSession, FCallbacks.get());
    ssh_set_blocking(FSession, 0);
    return true;
}

TSshSession::TResult TSshSession::StepHostKey()
{
    ssh_key Key = nullptr;
    if (ssh_get_server_publickey(FSession, &Key) != SSH_OK) {
        Fail("SSH : " + LibError());
        return TResult::Failed;
    }
    THostKey Info;
    Info.Type = ssh_key_type_to_char(ssh_key_type(Key));
    unsigned char* Hash = nullptr;
    std::size_t HashLen = 0;
    if (ssh_get_publickey_hash(Key, SSH_PUBLICKEY_HASH_SHA256, &Hash, &HashLen) == SSH_OK) {
        TSshText Fp(ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, Hash, HashLen));
        Info.Fingerprint = Fp.Get();
        ssh_clean_pubkey_hash(&Hash);
    }
    ssh_key_free(Key);
    TSshText Host, File;
    ssh_options_get(FSession, SSH_OPTIONS_HOST, &Host.Text);
    ssh_options_get(FSession, SSH_OPTIONS_KNOWNHOSTS, &File.Text);
    unsigned Port = 22;
    ssh_options_get_port(FSession, &Port);
    Info.Host = Port == 22 ? Host.Get() : "[" + Host.Get() + "]:" + std::to_string(Port);
    Info.File = File.Get();

    switch (ssh_session_is_known_server(FSession)) {
    case SSH_KNOWN_HOSTS_OK:
        Log("SSH : 호스트 키 확인 " + Info.Type + " " + Info.Fingerprint);
        break;
    case SSH_KNOWN_HOSTS_NOT_FOUND:
    case SSH_KNOWN_HOSTS_UNKNOWN: {
        FAsking = true;
        Unwatch();
        FTimeout.stop();
        const bool Trusted = OnUnknownHostKey && OnUnknownHostKey(Info);
        FAsking = false;
        if (FStep == TStep::Idle) return TResult::Failed; // closed meanwhile
        if (!Trusted) {
            Fail("SSH : 호스트 키를 받아들이지 않아 접속하지 않았습니다.", true);
            return TResult::Failed;
        }
        if (ssh_session_update_known_hosts(FSession) != SSH_OK) {
            Fail("SSH : " + Info.File + " 에 호스트 키를 저장할 수 없습니다. " + LibError());
            return TResult::Failed;
        }
        Log("SSH : 새 호스트 키 저장 " + Info.Type + " " + Info.Fingerprint + " -> " + Info.File);
        FTimeout.start(std::max(1, FTarget.TimeoutSeconds) * 1000);
        break;
    }
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
        Fail("SSH : 경고! " + Info.Host + " 의 호스트 키가 저장된 키와 다릅니다.\n" +
                 "누군가 접속을 가로채고 있을 수 있습니다. 받은 키: " + Info.Type + " " +
                 Info.Fingerprint + "\n" + "저장된 키: " + KnownHostsLine(Info.Host) +
                 "\n접속하지 않았습니다. 키가 바뀐 것이 맞다면 그 줄을 지우십시오.",
             true);
        return TResult::Failed;
    default:
        Fail("SSH : " + Info.File + " 을 읽을 수 없습니다. " + LibError());
        return TResult::Failed;
    }
    FStep = TStep::AuthNone;
    return TResult::Done;
}

// "FILE:LINE" of the entry known_hosts holds for Host, for the warning.
std::string TSshSession::KnownHostsLine(const std::string& Host) const
{
    TSshText File;
    ssh_options_get(FSession, SSH_OPTIONS_KNOWNHOSTS, &File.Text);
    std::ifstream In(File.Get());
    std::string Line;
    for (int N = 1; std::getline(In, Line); ++N) {
        ssh_knownhosts_entry* Entry = nullptr;
        if (ssh_known_hosts_parse_line(Host.c_str(), Line.c_str(), &Entry) == SSH_OK && Entry) {
            ssh_knownhosts_entry_free(Entry);
            return File.Get() + ":" + std::to_string(N);
        }
        ssh_knownhosts_entry_free(Entry);
    }
    return File.Get();
}
