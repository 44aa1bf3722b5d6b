// The main window connected to a UTF-8 host: a real telnetd serving a shell
// under ko_KR.UTF-8 in a folder of Korean file names. shot_utf8 OUT_FOLDER
// types echo 한글, ls and a printf of box drawing, an emoji and a combining
// mark, and saves utf8-host.png; opens a file of symbols, an emoji and
// Chinese in vim and saves utf8-vim.png; then runs htop (its sort mark) and
// saves utf8-htop.png.
#include "app/Main.h"
#include "shots/Shots.h"
#include "support/OneShotTelnetHost.h"
#include "support/TempDir.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"

#include "../../e2e/WaitUntil.h"

#include <string>

namespace {

std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }

std::string Row(TMainForm& Form, int R)
{
    const TScr& S = Form.Term1->Term().Scr;
    std::string Text;
    for (int C = 1; C <= S.Col; ++C) Text += static_cast<char>(S.Lines[R]->Cells[C].Ch);
    return Text.erase(Text.find_last_not_of(' ') + 1);
}

// Some row holds Text (or is Text, when Whole) within a few seconds.
bool WaitFor(TMainForm& Form, const std::string& Text, bool Whole = false)
{
    return WaitUntil(
        [&] {
            for (int R = 1; R <= Form.Term1->Term().Scr.Row; ++R) {
                const std::string T = Row(Form, R);
                if (Whole ? T == Text : T.find(Text) != std::string::npos) return true;
            }
            return false;
        },
        10000);
}

// Typed key by key (a character beyond ASCII as an input method commits it),
// then Enter; returns once a row holds Shown and the shell prompts again.
void Command(TMainForm& Form, const QString& Text, const std::string& Shown, bool Whole = false)
{
    for (const QChar C : Text) {
        if (C.unicode() < 0x80)
            QTest::keyClick(Form.Term1, C.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, Form.Term1, Qt::Key_unknown, QString(C),
                                Qt::NoModifier);
    }
    QTest::keyClick(Form.Term1, Qt::Key_Return);
    if (!WaitFor(Form, Shown, Whole)) std::fprintf(stderr, "no %s\n", qPrintable(Text));
    WaitUntil([&] { return Row(Form, Form.Term1->Term().Scr.CurY) == "$"; }, 5000);
}

} // namespace

int main(int argc, char* argv[])
{
    return RunShots(argc, argv, [](TShots& Shots) {
        TTempDir Dir, Files;
        const std::string Ini = Dir / "Brevanix.ini";
        TOneShotTelnetHost Host;
        std::string Error;
        if (!Host.Start(std::string("/bin/sh ") + BREVANIX_E2E_HOSTS_DIR + "/utf8_shell.sh " +
                            Files.Path(),
                        Error)) {
            std::fprintf(stderr, "utf8 host: %s\n", Error.c_str());
            ++Shots.Failures;
            return;
        }
        WriteBytes(Ini,
                   Ko("[한글 서버]\nAddress=127.0.0.1\nPort=") + std::to_string(Host.Port()) +
                       "\nHostEncoding=UTF-8\nXtermLevel=1\nRow=24\nFontName=NanumGothicCoding\n");
        TMainForm Form({"-A", QString::fromUtf8("한글 서버")}, Ini);
        Form.pnlImage->hide();
        Form.show();
        Form.activateWindow();
        Form.Term1->setFocus();
        if (!WaitFor(Form, "$")) std::fprintf(stderr, "utf8 host: no prompt\n");
        Command(Form, QStringLiteral("echo 한글"), Ko("한글"), true);
        Command(Form, QStringLiteral("ls"), Ko("가나다.txt"));
        Command(Form,
                QStringLiteral("printf '\\342\\224\\214\\342\\224\\200\\342\\224\\220 "
                               "\\360\\237\\230\\200| e\\314\\201|\\n'"),
                "\x01\x06\x02");
        if (!Form.Term1->Term().Focused) Form.Term1->Term().FocusGained();
        Shots.Save(Form, QStringLiteral("utf8-host.png"));

        QTest::keyClicks(Form.Term1, QStringLiteral("vim -u NONE "));
        QTest::sendKeyEvent(QTest::Click, Form.Term1, Qt::Key_unknown, QStringLiteral("기호"),
                            Qt::NoModifier);
        QTest::keyClicks(Form.Term1, QStringLiteral(".txt\r"));
        if (!WaitFor(Form, Ko("가"))) std::fprintf(stderr, "utf8 host: no vim\n");
        Shots.Save(Form, QStringLiteral("utf8-vim.png"));
        QTest::keyClicks(Form.Term1, QStringLiteral(":q!\r"));
        WaitUntil([&] { return Row(Form, Form.Term1->Term().Scr.CurY) == "$"; }, 5000);

        QTest::keyClicks(Form.Term1, QStringLiteral("htop\r"));
        if (!WaitFor(Form, "PID USER")) std::fprintf(stderr, "utf8 host: no htop\n");
        Shots.Save(Form, QStringLiteral("utf8-htop.png"));
        QTest::keyClicks(Form.Term1, QStringLiteral("q"));
        Form.ClientSocket1->Close();
    });
}
