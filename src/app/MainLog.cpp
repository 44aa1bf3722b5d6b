// The session log of the main window: opened when a session starts on a
// profile with a LogFile, or by the pop-up command for this session only;
// fed what the host sent (Raw: as read; Text: after Telnet's commands, before
// the screen); flushed once a second and at the end. A write error stops it
// with a message line while the session goes on.
#include "app/Main.h"
#include "aux/SessionLog.h"
#include "common/Switches.h"
#include "text/Cp949.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QTimer>

#include <ctime>

namespace {
std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }
QString Shown(const std::string& Cp949) { return QString::fromStdString(Cp949::ToUtf8(Cp949)); }

// Where a log goes when the profile names none and the user is asked.
constexpr const char* DefaultLogTemplate = "~/brevanix-&H-&Y&M&D-&T.log";

std::tm LocalNow()
{
    const std::time_t Now = std::time(nullptr);
    std::tm Local{};
    localtime_r(&Now, &Local);
    return Local;
}
} // namespace

void TMainForm::CreateSessionLog()
{
    FLogTimer = new QTimer(this);
    FLogTimer->setInterval(1000);
    connect(FLogTimer, &QTimer::timeout, this, &TMainForm::FlushSessionLog);
    Telnet.OnData = [this](const std::uint8_t* Bytes, int Len) {
        if (FSessionLog && !FLogRaw) FSessionLog->Text(Bytes, Len);
    };
    connect(Action("actSessionLog"), &QAction::triggered, this, &TMainForm::actSessionLogExecute);
}

// Template: UTF-8, placeholders not yet replaced.
bool TMainForm::StartSessionLog(const std::string& Template)
{
    TLogPlace Place;
    Place.Host = Cp949::ToUtf8(FLogHost);
    Place.Port = AliasInfo.Port;
    Place.Alias = Cp949::ToUtf8(AliasInfo.Alias);
    Place.Time = LocalNow();
    Place.Home = QDir::homePath().toStdString();
    const std::string Path = ExpandLogPath(Template, Place);
    auto Log = std::make_unique<TSessionLog>();
    Log->Timestamps = AliasInfo.LogTimestamps;
    Log->Cp949ToUtf8 = Switches.HostEncoding == THostEncoding::Cp949 &&
                       LogEncodingOf(AliasInfo.LogEncoding) == TLogEncoding::Utf8;
    std::string Error;
    if (!Log->Open(Path, AliasInfo.LogAppend, Error)) {
        ShowMessageLine(Ko("세션 로그를 열 수 없습니다: ") +
                        Cp949::FromUtf8(Path + " (" + Error + ")"));
        Action("actSessionLog")->setChecked(false);
        return false;
    }
    FLogRaw = LogModeOf(AliasInfo.LogMode) == TLogMode::Raw;
    LogLine("Session log : " + Cp949::FromUtf8(Log->FileName()));
    StatusLog->setText(QStringLiteral("기록"));
    StatusLog->setToolTip(QStringLiteral("세션 로그: ") + QString::fromStdString(Log->FileName()));
    FSessionLog = std::move(Log);
    Action("actSessionLog")->setChecked(true);
    FLogTimer->start();
    return true;
}

void TMainForm::StopSessionLog()
{
    if (!FSessionLog) return;
    std::string Error;
    if (!FSessionLog->Close(Error)) LogStopped(Error);
    DropSessionLog();
}

void TMainForm::FlushSessionLog()
{
    std::string Error;
    if (!FSessionLog || FSessionLog->Flush(Error)) return;
    LogStopped(Error);
    DropSessionLog();
}

void TMainForm::DropSessionLog()
{
    FSessionLog.reset();
    FLogTimer->stop();
    StatusLog->clear();
    StatusLog->setToolTip(QStringLiteral("세션 로그"));
    Action("actSessionLog")->setChecked(false);
}

void TMainForm::LogStopped(const std::string& Error)
{
    ShowMessageLine(Ko("세션 로그 기록을 멈췄습니다: ") + Cp949::FromUtf8(Error));
}

// The command: on, for this session, to the profile's file or one asked for;
// off, until the session ends.
void TMainForm::actSessionLogExecute()
{
    if (FSessionLog) return StopSessionLog();
    if (FState != TSessionState::Connected) {
        Action("actSessionLog")->setChecked(false);
        return;
    }
    QString Template = Shown(AliasInfo.LogFile);
    if (Template.isEmpty()) {
        Template = QString::fromUtf8(DefaultLogTemplate);
        if (!PromptLogFile(Template, this)) {
            Action("actSessionLog")->setChecked(false);
            return;
        }
    }
    StartSessionLog(Template.toStdString());
}
