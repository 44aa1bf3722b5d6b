// The main window's side of an SSH connection: the profile made a target,
// the questions the session asks (host key, user, secrets), its log lines,
// and the grid's size sent the SSH way.
#include "app/Main.h"
#include "common/Switches.h"
#include "profiles/HostManagerCommon.h"
#include "ssh/SshSession.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"
#include "widgets/Dialogs.h"

#include <QApplication>

namespace {
QString Shown(const std::string& Utf8) { return QString::fromStdString(Utf8); }
std::string Utf8(const std::string& Cp949) { return Cp949::ToUtf8(Cp949); }
} // namespace

bool TMainForm::SshProfile() const { return ProtocolOf(AliasInfo.Protocol) == TProtocol::Ssh; }

void TMainForm::OpenSsh()
{
    const TScr& S = Term1->Term().Scr;
    TSshTarget T;
    T.Host = Utf8(AliasInfo.Address);
    T.Port = AliasInfo.Port;
    T.User = Utf8(AliasInfo.UserName);
    T.IdentityFile = Utf8(AliasInfo.IdentityFile);
    T.TermType = Switches.TermTypeName;
    T.Cols = S.Col;
    T.Rows = S.Row;
    T.TimeoutSeconds = AliasInfo.ConnectTimeout;
    SshSession1->Open(T);
}

QStringList TMainForm::AddressArgs() const
{
    const QString Port = QString::number(AliasInfo.Port);
    if (!SshProfile())
        return {QStringLiteral("-D"), QString::fromStdString(Utf8(AliasInfo.Address)), Port};
    std::string Where = AliasInfo.Address;
    if (!AliasInfo.UserName.empty()) Where = AliasInfo.UserName + "@" + Where;
    return {QStringLiteral("-S"), QString::fromStdString(Utf8(Where)), Port};
}

void TMainForm::SendWindowSize()
{
    const TScr& S = Term1->Term().Scr;
    if (FLink == SshSession1)
        SshSession1->ResizePty(S.Col, S.Row);
    else
        Telnet.SendWindowSize();
}

void TMainForm::ConnectSshQuestions()
{
    SshSession1->OnLog = [this](const std::string& Line) { LogLine(Cp949::FromUtf8(Line)); };
    SshSession1->OnUnknownHostKey = [this](const TSshSession::THostKey& Key) {
        const QString Text =
            QStringLiteral("%1 의 호스트 키를 알지 못합니다.\r\r%2 키 지문:\r%3\r\r"
                           "이 키를 믿고 %4 에 저장한 뒤 접속하시겠습니까?")
                .arg(Shown(Key.Host), Shown(Key.Type), Shown(Key.Fingerprint), Shown(Key.File));
        QApplication::setOverrideCursor(Qt::ArrowCursor); // the attempt's busy cursor waits
        const bool Yes = ShowDialog(Text, TMsgDlgType::mtConfirmation, mbYes | mbNo, this) ==
                         TModalResult::mrYes;
        QApplication::restoreOverrideCursor();
        return Yes;
    };
    SshSession1->OnAsk = [this](const TSshSession::TQuestion& Q) -> std::optional<std::string> {
        QString Value = Shown(Q.Default);
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const bool Ok = Q.Secret ? PromptSecret(Shown(Q.Caption), Shown(Q.Prompt), Value, this)
                                 : PromptText(Shown(Q.Caption), Shown(Q.Prompt), Value, this);
        QApplication::restoreOverrideCursor();
        std::optional<std::string> Answer;
        if (Ok) Answer = Value.toStdString();
        Forget(Value);
        return Answer;
    };
}
