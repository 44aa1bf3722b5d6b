// The main window as the window system shows it: shot_main OUT_FOLDER
// writes main-idle.png (the start-up picture), main-start-look.png (the
// terminal's look before any profile: a local line and the caret),
// main-refused.png (after "-D 224.0.0.1", which the system refuses at once),
// main-reconnecting.png (a reset link counting down to its next attempt),
// main-connected.png (connected
// to the demo host scripts/run serves, through a real telnetd, with the
// pointer over the screen and the clock running), main-popup.png (the pop-up
// menu with its options sub-menu open), help.png (the user's guide) and
// main-local.png (host text of every kind, fed locally, with a selection).
#include "app/HelpWindow.h"
#include "app/Main.h"
#include "shots/Shots.h"
#include "support/OneShotTelnetHost.h"
#include "support/TempDir.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"

#include "../../e2e/WaitUntil.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTcpServer>
#include <QTcpSocket>

#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }

void Feed(TMainForm& Form, const std::string& Bytes)
{
    Form.ProcessBlock(reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                      static_cast<int>(Bytes.size()), false);
}

void Demo(TMainForm& Form)
{
    TScr& S = Form.Term1->Term().Scr;
    const auto Colour = [&](TColor Fore, TColor Back) {
        S.CurFore = Fore;
        S.CurBack = Back;
    };
    const auto Plain = [&] { Colour(S.FontColor, S.BackColor); };

    Feed(Form, Ko("Brevanix 데모 세션 - 코드 페이지 949\r\n"));
    Feed(Form, Ko("안녕하세요! 한국어 텔넷 터미널입니다. Hello, world.\r\n"));
    Feed(Form, Ko("가나다라마바사 아자차카타파하 ABCDEFG 0123456789 ~!@#$%^&*()\r\n"));
    Colour(0x000000FF, 0);
    Feed(Form, Ko("빨강 "));
    Colour(0x0000FF00, 0);
    Feed(Form, Ko("초록 "));
    Colour(0x00FF8000, 0);
    Feed(Form, Ko("파랑 "));
    Colour(0x0000FFFF, 0x00800000);
    Feed(Form, Ko(" 노랑/남색 "));
    Colour(0x00000000, 0x00C0C0C0);
    Feed(Form, " black on grey ");
    Plain();
    Feed(Form, "\r\n\r\n");

    Feed(Form, "\x0Elqqqqqqqqqqk\x0F  " + Ko("┌─┬─┐ ┏━┓") + "\r\n");
    Feed(Form, "\x0Ex\x0F" + Ko(" 상자 box ") + "\x0Ex\x0F  " + Ko("│가│나│ ┃굵┃") + "\r\n");
    Feed(Form, "\x0Etqqqqqqqqqqu\x0F  " + Ko("├─┼─┤ ┗━┛") + "\r\n");
    Feed(Form, "\x0Ex aaaa     x\x0F  " + Ko("└─┴─┘") + "\r\n");
    Feed(Form, "\x0Emqqqqqqqqqqj\x0F\r\n\r\n");

    Feed(Form, "C0: \x0B\x12\x13\x14\x18\x1A\x1C\x1D\x1E\x1F\x7F  bad: \x80 \xFF\xFF |\r\n");
    Feed(Form, "$ ls -l /home\r\n");
    Feed(Form, "drwxr-xr-x  2 user  user  4096 " + Ko("3월  1 09:00 문서") + "\r\n");
    Feed(Form, "-rw-r--r--  1 user  user   220 " + Ko("3월  1 09:00 읽어보기.txt") + "\r\n");
    Feed(Form, "user@host:~$ ");
}

// A mouse drag from row 2 into row 3, as the user would make it.
void Select(TMainForm& Form)
{
    const TScr& S = Form.Term1->Term().Scr;
    const auto Centre = [&](int Col, int Row) {
        return QPoint((Col - 1) * S.CharWidth + S.CharWidth / 2, (Row - 1) * S.CharHeight + 8);
    };
    QTest::mousePress(Form.Term1, Qt::LeftButton, {}, Centre(13, 2));
    QTest::mouseMove(Form.Term1, Centre(18, 3));
    QTest::mouseRelease(Form.Term1, Qt::LeftButton, {}, Centre(18, 3));
}

// The demo host of scripts/run, served to this one window.
void Connected(TShots& Shots)
{
    const std::filesystem::path Script = BREVANIX_DEMO_SCRIPT;
    if (chdir(Script.parent_path().c_str()) != 0) {
        ++Shots.Failures;
        return;
    }
    TOneShotTelnetHost Host;
    std::string Error;
    if (!Host.Start("/bin/sh " + Script.filename().string(), Error)) {
        std::fprintf(stderr, "demo host: %s\n", Error.c_str());
        ++Shots.Failures;
        return;
    }
    TMainForm Form({"-D", "127.0.0.1", QString::number(Host.Port())});
    Form.show();
    const auto Prompt = [&] {
        const TScr& S = Form.Term1->Term().Scr;
        for (int R = 1; R <= S.Row; ++R)
            if (S.Lines[R]->Cells[1].Ch == 'd' && S.Lines[R]->Cells[5].Ch == '$') return true;
        return false;
    };
    if (!WaitUntil(Prompt, 20000)) std::fprintf(stderr, "demo host: no prompt\n");
    Form.activateWindow();
    Form.Term1->setFocus();
    if (!Form.Term1->Term().Focused) Form.Term1->Term().FocusGained();
    const TScr& S = Form.Term1->Term().Scr;
    QTest::mouseMove(Form.Term1, QPoint(20 * S.CharWidth + 2, 5 * S.CharHeight + 2));
    if (!WaitUntil([&] { return !Form.StatusTime->text().isEmpty(); }, 3000))
        std::fprintf(stderr, "main window: no clock\n");
    Shots.Save(Form, QStringLiteral("main-connected.png"));

    Form.PopupAt(Form.Term1->mapToGlobal(QPoint(12 * S.CharWidth, 3 * S.CharHeight)));
    QMenu* Menu = Form.mnuMainPopup;
    WaitUntil([&] { return Menu->isVisible(); }, 2000);
    Menu->setActiveAction(Form.Action("actOption"));
    QTest::keyClick(Menu, Qt::Key_Right);
    WaitUntil([&] { return Form.mnuOption->isVisible(); }, 2000);
    Shots.SaveArea(
        Form.frameGeometry().united(Menu->frameGeometry()).united(Form.mnuOption->frameGeometry()),
        QStringLiteral("main-popup.png"));
    Menu->hide();

    Form.HelpFile = QDir(QStringLiteral(BREVANIX_HELP_DIR)).filePath(QStringLiteral("index.html"));
    Form.Action("actHelp")->trigger();
    if (Form.frmHelp) Shots.Save(*Form.frmHelp, QStringLiteral("help.png"));
    Form.ClientSocket1->Close();
}

// A host that greets and then resets the link, on a profile that reconnects.
void Reconnecting(TShots& Shots)
{
    QTcpServer Host;
    QTcpSocket* Conn = nullptr;
    QObject::connect(&Host, &QTcpServer::newConnection, [&] {
        Conn = Host.nextPendingConnection();
        Conn->write(Ko("$ tail -f /var/log/syslog\r\n접속이 곧 끊깁니다...\r\n").c_str());
    });
    if (!Host.listen(QHostAddress::LocalHost, 0)) return;
    TTempDir Dir;
    const std::string Ini = Dir / "Brevanix.ini";
    WriteBytes(Ini, "[logs]\nAddress=127.0.0.1\nPort=" + std::to_string(Host.serverPort()) +
                        "\nAutoReconnect=1\nKeepAlive=30\n");
    TMainForm Form({"-A", "logs"}, Ini);
    Form.show();
    WaitUntil([&] { return Conn && Form.Connected(); }, 20000);
    QTest::qWait(300);
    Host.close();
    if (Conn) {
        const linger Abort{1, 0};
        ::setsockopt(static_cast<int>(Conn->socketDescriptor()), SOL_SOCKET, SO_LINGER, &Abort,
                     sizeof Abort);
        Conn->abort();
    }
    if (!WaitUntil([&] { return Form.Reconnecting(); }, 20000))
        std::fprintf(stderr, "main window: no reconnect after a reset\n");
    WaitUntil([&] { return Form.StatusHint->text().contains(QStringLiteral("초 뒤")); }, 3000);
    Shots.Save(Form, QStringLiteral("main-reconnecting.png"));
}

} // namespace

int main(int argc, char* argv[])
{
    return RunShots(argc, argv, [](TShots& Shots) {
        {
            TMainForm Idle;
            Idle.show();
            Shots.Save(Idle, QStringLiteral("main-idle.png"));
        }
        {
            TMainForm Start;
            Start.pnlImage->hide();
            Start.show();
            Start.activateWindow();
            Start.Term1->setFocus();
            QTest::qWait(100);
            if (!Start.Term1->Term().Focused) Start.Term1->Term().FocusGained();
            Start.ShowMessageLine(Ko("시작 화면: 은색 글자, 청록색 블록 캐럿"));
            Start.Term1->Term().ShowCaret();
            Shots.Save(Start, QStringLiteral("main-start-look.png"));
        }
        {
            TMainForm Refused({"-D", "224.0.0.1"});
            Refused.show();
            if (!WaitUntil([&] { return Refused.SessionState() == TMainForm::TSessionState::Idle; },
                           20000))
                std::fprintf(stderr, "main window: 224.0.0.1 was not refused\n");
            Shots.Save(Refused, QStringLiteral("main-refused.png"));
        }
        Reconnecting(Shots);
        {
            TMainForm Form;
            Form.pnlImage->hide();
            Form.show();
            Form.activateWindow();
            Form.Term1->setFocus();
            QTest::qWait(100);
            // Without a window manager the window may never be activated.
            if (!Form.Term1->Term().Focused) Form.Term1->Term().FocusGained();
            Demo(Form);
            Select(Form);
            Shots.Save(Form, QStringLiteral("main-local.png"));
        }
        Connected(Shots);
    });
}
