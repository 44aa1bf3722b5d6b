// The main window's commands that open the auxiliary windows or the printer:
// printing the screen, the about box and the desktop shortcut.
#include "app/Logo.h"
#include "app/Main.h"
#include "aux/FormAbout.h"
#include "aux/XShelLnk.h"
#include "term/QtPrinter.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>

namespace {

constexpr const char* CannotMakeLink = "단축 아이콘을 작성할 수 없습니다.";

void ShowError(const QString& Text, QWidget* Window)
{
    ShowDialog(Text, TMsgDlgType::mtError, mbOK, Window);
}

// Any size of the hicolor theme in the data folders a desktop searches.
bool ThemeIconInstalled()
{
    for (const QString& Theme : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                          QStringLiteral("icons/hicolor"),
                                                          QStandardPaths::LocateDirectory))
        for (const QString& Size : QDir(Theme).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (QFileInfo::exists(Theme + "/" + Size + "/apps/brevanix.png")) return true;
    return false;
}

// The icon a shortcut carries: the installed one of the program's prefix,
// else the picture saved once in the user's data folder (a copy that runs
// from a folder of its own has no icon file). When that cannot be saved, the
// theme's name of an icon installed elsewhere, or none: a launcher naming a
// missing file shows a broken picture.
QString ProgramIconFile()
{
    const QFileInfo Installed(QCoreApplication::applicationDirPath() +
                              QStringLiteral("/../share/icons/hicolor/256x256/apps/brevanix.png"));
    if (Installed.exists()) return Installed.canonicalFilePath();
    const QString Folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/brevanix";
    const QString Own = Folder + QStringLiteral("/brevanix.png");
    if (QFileInfo::exists(Own) || (QDir().mkpath(Folder) && BrevanixIcon(256).save(Own)))
        return Own;
    return ThemeIconInstalled() ? QStringLiteral("brevanix") : QString();
}

} // namespace

void TMainForm::ConnectAuxActions()
{
    connect(Action("actPrint"), &QAction::triggered, this, &TMainForm::actPrintExecute);
    connect(Action("actAbout"), &QAction::triggered, this, &TMainForm::actAboutExecute);
    connect(Action("actMakeLink"), &QAction::triggered, this, &TMainForm::actMakeLinkExecute);
}

// Each copy is a job of its own, as the print service counts them: the
// printer is told one copy per job.
void TMainForm::actPrintExecute()
{
    QPrinter Printer(QPrinter::HighResolution);
    QPrintDialog Dialog(&Printer, this);
    Dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (RunModal(Dialog) != QDialog::Accepted) return;
    SetStatusHint(QStringLiteral("인쇄중...."));
    StatusHint->repaint();
    const int Copies = std::max(1, Printer.copyCount());
    Printer.setCopyCount(1);
    // Our own caption: the window title may carry a host's words after it,
    // and the job's title reaches the print service and its other users.
    const std::string Title = Cp949::FromUtf8(Caption().toStdString());
    for (int I = 0; I < Copies; ++I) {
        QtPrinter Channel(Printer);
        if (!Term1->Term().PrintScreen(Channel, Title)) {
            ShowError(Channel.ErrorText(), this);
            return;
        }
    }
    SetStatusHint(QStringLiteral("인쇄완료...."));
}

void TMainForm::actAboutExecute()
{
    TfrmAbout Box(this, Image1->pixmap());
    Box.CentreOn(this);
    RunModal(Box);
}

void TMainForm::actMakeLinkExecute()
{
    if (!Connected()) return ShowError(QStringLiteral("접속 상태에서 만들수 있습니다."), this);
    // The shortcut's "-a ALIAS" would hand the toolkit an option of its own.
    if (AliasInfo.Alias.starts_with('-'))
        return ShowError(QStringLiteral("'-' 로 시작하는 Alias 는 단축 아이콘을 만들 수 없습니다."),
                         this);
    const std::string Alias = Cp949::ToUtf8(AliasInfo.Alias);
    QString Name = QString::fromStdString(Alias);
    if (!PromptText(QStringLiteral("단축 아이콘 이름"),
                    QStringLiteral("바탕화면에 표시할 단축 아이콘이름"), Name, this))
        return;
    if (Name.isEmpty()) return ShowError(QStringLiteral("단축 아이콘 이름을 입력하세요."), this);
    // The typed name becomes a file name: one that could leave the desktop
    // folder, or a missing folder that cannot be made, writes nothing.
    const std::string Folder = DesktopFolder();
    if (!IsShortcutName(Name.toStdString()) || Folder.empty() ||
        !QDir().mkpath(QString::fromStdString(Folder)))
        return ShowError(QString::fromUtf8(CannotMakeLink), this);

    TShellLink ShellLink1;
    ShellLink1.SetFileName(Folder + "/" + Name.toStdString() +
                           ".desktop"); // loads a shortcut there
    ShellLink1.LinkName = QCoreApplication::applicationFilePath().toStdString();
    ShellLink1.Arguments = "-a " + QuoteArgument(Alias);
    ShellLink1.IconFile = ProgramIconFile().toStdString();
    ShellLink1.SetIconIndex(0);
    ShellLink1.WorkingDirectory = QCoreApplication::applicationDirPath().toStdString();
    if (!ShellLink1.Save()) ShowError(QString::fromUtf8(CannotMakeLink), this);
}
