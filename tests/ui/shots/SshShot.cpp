// The main window over SSH, against a real OpenSSH server on 127.0.0.1:
// shot_ssh OUT_FOLDER saves ssh-hostkey.png (the question about a host key
// known_hosts does not hold, answered Yes) and ssh-htop.png (htop at the
// xterm level through that session).
#include "app/Main.h"
#include "shots/Shots.h"
#include "support/ScopedEnv.h"
#include "support/SshdHost.h"
#include "support/TempDir.h"
#include "term/TermWidget.h"
#include "widgets/Dialogs.h"

#include "../../e2e/WaitUntil.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <string>

namespace {

bool Shows(TMainForm& Form, const std::string& Text)
{
    const TScr& S = Form.Term1->Term().Scr;
    for (int R = 1; R <= S.Row; ++R) {
        std::string Row;
        for (int C = 1; C <= S.Col; ++C) Row += static_cast<char>(S.Lines[R]->Cells[C].Ch);
        if (Row.find(Text) != std::string::npos) return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    return RunShots(argc, argv, [](TShots& Shots) {
        TSshdHost Host;
        std::string Error;
        if (!Host.Start({"LANG=C.UTF-8 exec htop"}, Error)) {
            std::fprintf(stderr, "sshd: %s\n", Error.c_str());
            ++Shots.Failures;
            return;
        }
        TScopedEnv Env;
        Env.Set("HOME", Host.ClientHome());
        Env.Set("SSH_AUTH_SOCK", std::nullopt);
        TTempDir Dir;
        const std::string Ini = Dir / "Brevanix.ini";
        WriteBytes(Ini, "[server]\nAddress=127.0.0.1\nPort=" + std::to_string(Host.Port()) +
                            "\nProtocol=SSH\nUserName=" + Host.User() +
                            "\nXtermLevel=1\nHostEncoding=UTF-8\nRow=24\n");
        SetModalHook([&](QDialog& D) {
            Shots.Save(D, QStringLiteral("ssh-hostkey.png"));
            auto* Box = qobject_cast<QMessageBox*>(&D);
            if (QAbstractButton* Yes = Box ? Box->button(QMessageBox::Yes) : nullptr)
                Yes->click();
            else
                D.reject();
        });
        TMainForm Form({"-A", "server"}, Ini);
        Form.pnlImage->hide();
        Form.show();
        Form.activateWindow();
        if (!WaitUntil(
                [&] {
                    return Shows(Form, "Tasks:") ||
                           Form.SessionState() == TMainForm::TSessionState::Idle;
                },
                20000) ||
            !Shows(Form, "Tasks:")) {
            std::fprintf(stderr, "htop did not show; sshd:\n%s\n", Host.LastLog().c_str());
            ++Shots.Failures;
        }
        QTest::qWait(1500); // htop's second refresh fills its meters
        Shots.Save(Form, QStringLiteral("ssh-htop.png"));
        SetModalHook({});
    });
}
