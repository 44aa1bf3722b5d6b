// Shows the log window with a short session's lines, then the prompt and the
// message box over it, and saves what the window system displays:
// shot_log DIR writes DIR/log-window.png, DIR/prompt.png and DIR/message.png
// (run under Xvfb).
#include "aux/Log.h"
#include "common/LogSink.h"
#include "shots/Shots.h"
#include "text/Cp949.h"
#include "widgets/Dialogs.h"

#include <QDialog>
#include <QFontInfo>
#include <QPlainTextEdit>
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

} // namespace

int main(int argc, char* argv[])
{
    return RunShots(argc, argv, [](TShots& S) {
        TfrmLog* Form = TfrmLog::Open(nullptr);
        LogSession();
        S.Save(*Form, QStringLiteral("log-window.png"));
        std::printf("Memo1 font: %s %dpx\n", qPrintable(QFontInfo(Form->Memo1->font()).family()),
                    QFontInfo(Form->Memo1->font()).pixelSize());

        QString Target;
        SetModalHook([&](QDialog& Dialog) {
            S.Save(Dialog, Target);
            Dialog.reject();
        });
        Target = QStringLiteral("prompt.png");
        QString Value = QStringLiteral("127.0.0.1:23");
        PromptText(QStringLiteral("접속 Server 입력"), QStringLiteral("IP Address/URL : Port"),
                   Value, Form);
        Target = QStringLiteral("message.png");
        ShowDialog(QStringLiteral("접속을 종료하시겠습니까?"), TMsgDlgType::mtConfirmation,
                   mbYes | mbNo, Form);
        SetModalHook({});
        delete Form;
    });
}
