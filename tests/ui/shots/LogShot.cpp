// Shows the log window with a short session's lines, then the prompt and the
// message box over it, and saves what the window system displays:
// shot_log DIR writes DIR/log-window.png, DIR/prompt.png and DIR/message.png
// (run under Xvfb).
#include "app/Dialogs.h"
#include "aux/Log.h"
#include "common/LogSink.h"
#include "text/Cp949.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFontInfo>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>

#include <cstdio>

namespace {

// Lines as the units write them: code page 949 bytes.
void LogSession()
{
    const char* Lines[] = {
        "호스트 접속중 : 127.0.0.1",
        "Negociation(Wont) : FD : 1F",
        "Negociation(Dont) : FB : 05",
        "Send Window Size X[80]Y[24]",
        "Unknown suboption\r\n",
        "Terminal Mode Set : Buf[?1], Cmd[h]",
        "Charset G0 : B",
        "Hide Caret",
        "Term : WM Key Down : $41 -  Shift",
        "Term : KeyDown : $41",
        "VT100 : KeyDown : $41",
        "Term : KeyPress : $41 - A",
        "Show Caret",
        "Paint",
        "Mouse Down - Clip On : ",
        "Mouse UP - Clip Rect : Start[3,2]  End[14,2]",
        "호스트 접속중 : bbs.example.kr",
        "Invalid Escape Squence : [?1;2$z",
    };
    for (const char* Line : Lines) LogToSink(Cp949::FromUtf8(Line));
}

bool Save(QWidget& W, const QString& Path)
{
    const QPixmap Shot = W.screen()->grabWindow(W.winId());
    if (Shot.isNull() || !Shot.save(Path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(Path));
        return false;
    }
    std::printf("%s: %dx%d\n", qPrintable(Path), Shot.width(), Shot.height());
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevanix"));
    const QDir Dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(Dir.path())) return 1;

    TfrmLog* Form = TfrmLog::Open(nullptr);
    if (!QTest::qWaitForWindowExposed(Form, 5000)) {
        std::fprintf(stderr, "window not exposed\n");
        return 1;
    }
    LogSession();
    QTest::qWait(300);
    bool Ok = Save(*Form, Dir.filePath(QStringLiteral("log-window.png")));
    std::printf("Memo1 font: %s %dpx\n", qPrintable(QFontInfo(Form->Memo1->font()).family()),
                QFontInfo(Form->Memo1->font()).pixelSize());

    QString Target;
    SetModalHook([&](QDialog& Dialog) {
        Ok = QTest::qWaitForWindowExposed(&Dialog, 5000) && Ok;
        QTest::qWait(300);
        Ok = Save(Dialog, Dir.filePath(Target)) && Ok;
        Dialog.reject();
    });
    Target = QStringLiteral("prompt.png");
    QString Value = QStringLiteral("127.0.0.1:23");
    PromptText(QStringLiteral("접속 Server 입력"), QStringLiteral("IP Address/URL : Port"), Value,
               Form);
    Target = QStringLiteral("message.png");
    ShowDialog(QStringLiteral("접속을 종료하시겠습니까?"), TMsgDlgType::mtConfirmation,
               mbYes | mbNo, Form);
    SetModalHook({});
    delete Form;
    return Ok ? 0 : 1;
}
