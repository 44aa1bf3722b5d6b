// Opens the host manager on a profile file with six aliases and saves what
// the window system shows of each tab (the log tab with a template, stamps,
// UTF-8 and a keepalive), of the General tab of an SSH alias,
// of the font dialog and of the question before an alias is overwritten:
// shot_hostmanager OUT_FOLDER (run under Xvfb).
#include "app/DataModuleMaster.h"
#include "app/FromHostManager.h"
#include "shots/Shots.h"
#include "support/TempDir.h"
#include "text/Cp949.h"
#include "widgets/Dialogs.h"
#include "widgets/FontDialog.h"
#include "widgets/HintWindow.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

namespace {

TShots* Shots = nullptr;

void Grab(QWidget& W, const char* Name) { Shots->Save(W, QString::fromLatin1(Name)); }

void Answer(QDialog& D)
{
    if (auto* Font = qobject_cast<TFontDialog*>(&D)) {
        Grab(*Font, "font-dialog.png");
        Font->reject();
        return;
    }
    if (auto* Box = qobject_cast<QMessageBox*>(&D)) {
        Grab(*Box, "hostmanager-overwrite.png");
        Box->button(QMessageBox::No)->click();
        return;
    }
    auto* F = qobject_cast<TfrmHostManager*>(&D);
    if (!F) return D.reject();
    const auto Found = F->lbxAlias->findItems(QStringLiteral("개발서버"), Qt::MatchExactly);
    if (!Found.isEmpty()) F->lbxAlias->setCurrentItem(Found.front());
    const char* Names[] = {"hostmanager-general.png", "hostmanager-fontcolor.png",
                           "hostmanager-extended.png", "hostmanager-log.png",
                           "hostmanager-global.png"};
    for (int I = 0; I < 5; ++I) {
        F->pgProperties->setCurrentIndex(I);
        Grab(*F, Names[I]);
    }
    F->lbxAlias->setCurrentItem(F->lbxAlias->findItems(QStringLiteral("git"), Qt::MatchExactly)[0]);
    F->pgProperties->setCurrentIndex(0);
    Grab(*F, "hostmanager-ssh.png");
    F->btnFont->click();
    // A name typed with a blank after it, of an alias that looks like markup.
    F->edAlias->setText(QStringLiteral("<b>web</b> "));
    F->ToolbarButton971->click();
    F->btnNo->click();
}

} // namespace

int main(int argc, char* argv[])
{
    return RunShots(argc, argv, [](TShots& S) {
        Shots = &S;

        TTempDir Dir;
        const std::string Ini = Dir / "Brevanix.ini";
        WriteBytes(Ini,
                   Cp949::FromUtf8("[개발서버]\nAddress=개발.예제.kr\nPort=2323\nCol=132\nRow=43\n"
                                   "TerminalType=xterm-color\nHostEncoding=UTF-8\n"
                                   "FontName=NanumGothicCoding\nFontColor=65280\n"
                                   "ColorBack=8388608\nColorCaret=1193046\n"
                                   "LogFile=~/로그/&A-&Y&M&D.log\nLogTimestamps=1\n"
                                   "LogEncoding=UTF-8\nKeepAlive=60\nAutoReconnect=1\n"
                                   "[web]\nAddress=web.example.com\n"
                                   "[git]\nAddress=git.example.com\nPort=22\nProtocol=SSH\n"
                                   "UserName=kim\nIdentityFile=/home/kim/.ssh/id_ed25519\n"
                                   "[192.168.0.5]\nAddress=192.168.0.5\n"
                                   "[<b>web</b>]\nAddress=markup.example\n"
                                   "[mail]\nAddress=10.0.0.25\nPort=110\n"
                                   "[Global]\nHanEng=1\nHangulLayout=3f\n"));
        TdmMaster DataModule;
        QWidget Main;
        Main.setWindowTitle(QStringLiteral("Brevanix"));
        Main.setGeometry(100, 100, 760, 520);
        Main.show();
        SetModalHook(Answer);
        TfrmHostManager Form(nullptr, Ini);
        Form.ShowCentredOn(&Main);
        SetModalHook({});

        THintWindow Hint;
        Hint.SetMaxWidth(260);
        Hint.ActivateHint(
            Main.mapToGlobal(QPoint(20, 20)),
            QStringLiteral("Scroll시 Ctrl+C로 Cancel을 빨리 할수 있음\n반대로 Scroll시 "
                           "입력은 무시됨 (a long line that wraps at the width)"));
        Grab(Hint, "hint-window.png");
    });
}
