// Hanja conversion in the main window: shot_hanja OUT_FOLDER connects to a
// shell through a real telnetd with the 3-set final layout, types "echo "
// and 한 (m f s), presses F9 and Down and saves hanja-list.png with the list
// open; then 1 and Enter, and saves hanja-chosen.png with the shell's echo
// of 韓.
#include "app/Main.h"
#include "shots/Shots.h"
#include "support/OneShotTelnetHost.h"
#include "support/TempDir.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"

#include "../../e2e/WaitUntil.h"

#include <string>

namespace {

// Some row of the screen holds Bytes, or is Bytes when Whole.
bool Shows(TMainForm& Form, const std::string& Bytes, bool Whole = false)
{
    const TScr& S = Form.Term1->Term().Scr;
    for (int R = 1; R <= S.Row; ++R) {
        std::string Row;
        for (int C = 1; C <= S.Col; ++C) Row += static_cast<char>(S.Lines[R]->Cells[C].Ch);
        Row.erase(Row.find_last_not_of(' ') + 1);
        if (Whole ? Row == Bytes : Row.find(Bytes) != std::string::npos) return true;
    }
    return false;
}

} // namespace

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
        WriteBytes(Ini, "[Global]\nHangulLayout=3f\n[_DEFAULT]\nRow=20\n"
                        "FontName=NanumGothicCoding\n");
        TMainForm Form({"-D", "127.0.0.1", QString::number(Host.Port())}, Ini);
        Form.pnlImage->hide();
        Form.show();
        Form.activateWindow();
        Form.Term1->setFocus();
        if (!WaitUntil([&] { return Shows(Form, "$", true); }, 10000))
            std::fprintf(stderr, "hanja host: no prompt\n");
        if (!Form.Term1->Term().Focused) Form.Term1->Term().FocusGained();
        QTest::keyClicks(Form.Term1, QStringLiteral("echo "));
        WaitUntil([&] { return Shows(Form, "$ echo"); }, 5000);
        QTest::sendKeyEvent(QTest::Click, Form.Term1, Qt::Key_Hangul, QString(), Qt::NoModifier);
        QTest::keyClicks(Form.Term1, QStringLiteral("mfs"));
        QTest::keyClick(Form.Term1, Qt::Key_F9);
        QTest::keyClick(Form.Term1, Qt::Key_Down);
        THanjaList* List = Form.Term1->HanjaList();
        if (!List || !List->isVisible()) std::fprintf(stderr, "hanja: no list\n");
        Shots.Save(Form, QStringLiteral("hanja-list.png"));

        QTest::keyClick(Form.Term1, Qt::Key_1);
        QTest::keyClick(Form.Term1, Qt::Key_Return);
        if (!WaitUntil([&] { return Shows(Form, "\xF9\xDB", true); }, 5000))
            std::fprintf(stderr, "hanja: no echo\n");
        Shots.Save(Form, QStringLiteral("hanja-chosen.png"));
        Form.ClientSocket1->Close();
    });
}
