// Hanja conversion in the main window: shot_hanja OUT_FOLDER connects to a
// shell through a real telnetd with the 3-set final layout, types "echo "
// and 한 (m f s), presses F9 and Down, and saves hanja-list.png.
#include "app/Main.h"
#include "shots/Shots.h"
#include "support/OneShotTelnetHost.h"
#include "support/TempDir.h"
#include "term/TermWidget.h"

#include "../../e2e/WaitUntil.h"

int main(int argc, char* argv[])
{
    return RunShots(argc, argv, [](TShots& Shots) {
        TTempDir Dir;
        const std::string Ini = Dir / "Brevanix.ini";
        TOneShotTelnetHost Host;
        std::string Error;
        if (!Host.Start(std::string("/bin/sh ") + BREVANIX_E2E_HOSTS_DIR + "/shell.sh", Error)) {
            std::fprintf(stderr, "hanja host: %s\n", Error.c_str());
            ++Shots.Failures;
            return;
        }
        WriteBytes(Ini, "[Global]\nHangulLayout=3f\n[_DEFAULT]\nRow=20\n");
        TMainForm Form({"-D", "127.0.0.1", QString::number(Host.Port())}, Ini);
        Form.pnlImage->hide();
        Form.show();
        Form.activateWindow();
        Form.Term1->setFocus();
        const TScr& S = Form.Term1->Term().Scr;
        const auto Prompt = [&] { return S.Lines[S.CurY]->Cells[1].Ch == '$'; };
        if (!WaitUntil(Prompt, 10000)) std::fprintf(stderr, "hanja host: no prompt\n");
        if (!Form.Term1->Term().Focused) Form.Term1->Term().FocusGained();
        QTest::keyClicks(Form.Term1, QStringLiteral("echo "));
        WaitUntil([&] { return S.CurX == 8; }, 5000); // the shell's echo of it
        QTest::sendKeyEvent(QTest::Click, Form.Term1, Qt::Key_Hangul, QString(), Qt::NoModifier);
        QTest::keyClicks(Form.Term1, QStringLiteral("mfs"));
        QTest::keyClick(Form.Term1, Qt::Key_F9);
        QTest::keyClick(Form.Term1, Qt::Key_Down);
        if (!Form.Term1->HanjaList() || !Form.Term1->HanjaList()->isVisible())
            std::fprintf(stderr, "hanja: no list\n");
        Shots.Save(Form, QStringLiteral("hanja-list.png"));
        Form.ClientSocket1->Close();
    });
}
