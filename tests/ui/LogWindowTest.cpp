// The log window as the program-wide log sink: what it keeps, when, and how
// a log text becomes lines of its pane.
#include "aux/Log.h"

#include "e2e/WaitUntil.h"
#include "support/ProgramState.h"
#include "text/Cp949.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>

#include <optional>
#include <string>

namespace {

void Log(const std::string& Line) { LogToSink(Line); }

QString Pane() { return frmLog->Memo1->toPlainText(); }

// Waits for the pane's own flush; nothing forces it.
bool PaneBecomes(const QString& Text)
{
    return WaitUntil([&] { return Pane() == Text; }, 2000);
}

} // namespace

class LogWindowTest : public QObject {
    Q_OBJECT
    std::optional<TProgramState> State;
private slots:
    void init() { State.emplace(); }
    void cleanup()
    {
        delete frmLog;
        State.reset();
    }

    void nothingIsKeptBeforeTheFirstOpening()
    {
        Log("before");
        QVERIFY(!LogEnabled());
        TfrmLog::Open(nullptr);
        Log("after");
        QVERIFY(PaneBecomes(QStringLiteral("\nafter\n")));
    }

    void opensOnTheScreenAsDesigned()
    {
        TfrmLog* Form = TfrmLog::Open(nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(Form));
        QCOMPARE(Form->windowTitle(), QStringLiteral("Log"));
        QCOMPARE(Form->ToolBar1->height(), 29);
        QVERIFY(Form->screen()->availableGeometry().contains(Form->frameGeometry()));
    }

    // Closing hides; lines logged meanwhile are there when it is shown again,
    // and only destroying the window stops the collecting.
    void closingHidesAndKeepsCollecting()
    {
        TfrmLog* Form = TfrmLog::Open(nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(Form));
        QVERIFY(Form->close());
        QVERIFY(frmLog && Form->isHidden());
        Log("while hidden");
        QCOMPARE(TfrmLog::Open(nullptr), Form);
        QCOMPARE(Pane(), QStringLiteral("\nwhile hidden\n")); // shown means up to date
        delete frmLog;
        QVERIFY(!frmLog);
        QVERIFY(!LogEnabled());
    }

    void addLineBreaksOnlyAtCrLf_data()
    {
        QTest::addColumn<QByteArray>("Cp949");
        QTest::addColumn<QString>("Expected");
        QTest::newRow("one line") << QByteArray("Paint") << "\nPaint\n";
        QTest::newRow("CR LF inside") << QByteArray("a\r\nb") << "\na\nb\n";
        QTest::newRow("CR LF at the end leaves an empty line")
            << QByteArray("Unknown suboption\r\n") << "\nUnknown suboption\n\n";
        QTest::newRow("lone CR and LF are shown, not obeyed")
            << QByteArray("Unknown 0D '\r' 0A '\n'\r\n")
            << QStringLiteral("\nUnknown 0D '\u240D' 0A '\u240A'\n\n");
        QTest::newRow("code page 949")
            << QByteArray::fromStdString(Cp949::FromUtf8("호스트 접속중 : 127.0.0.1"))
            << QStringLiteral("\n호스트 접속중 : 127.0.0.1\n");
    }
    void addLineBreaksOnlyAtCrLf()
    {
        QFETCH(QByteArray, Cp949);
        QFETCH(QString, Expected);
        TfrmLog::Open(nullptr);
        Log(Cp949.toStdString());
        PaneBecomes(Expected);
        QCOMPARE(Pane(), Expected);
    }

    void clearingThenAppendingStartsAtTheTop()
    {
        TfrmLog* Form = TfrmLog::Open(nullptr);
        Log("old");
        QVERIFY(PaneBecomes(QStringLiteral("\nold\n")));
        Log("pending when cleared");
        Form->ToolButton1->click();
        Log("new");
        PaneBecomes(QStringLiteral("new\n"));
        QCOMPARE(Pane(), QStringLiteral("new\n"));
    }

    void copyTakesExactlyTheSelection_data()
    {
        QTest::addColumn<int>("From");
        QTest::addColumn<int>("To");
        QTest::addColumn<QString>("Clipboard");
        // The pane holds "\nfirst line\nsecond line\n".
        QTest::newRow("nothing selected leaves the clipboard") << 3 << 3 << "before";
        QTest::newRow("across a line break") << 7 << 18 << "line\nsecond";
    }
    void copyTakesExactlyTheSelection()
    {
        QFETCH(int, From);
        QFETCH(int, To);
        QFETCH(QString, Clipboard);
        TfrmLog* Form = TfrmLog::Open(nullptr);
        Log("first line");
        Log("second line");
        QVERIFY(PaneBecomes(QStringLiteral("\nfirst line\nsecond line\n")));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QTextCursor C(Form->Memo1->document());
        C.setPosition(From);
        C.setPosition(To, QTextCursor::KeepAnchor);
        Form->Memo1->setTextCursor(C);
        Form->ToolButton3->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), Clipboard);
    }

    void theBoundDropsTheOldestLines()
    {
        TfrmLog* Form = TfrmLog::Open(nullptr);
        const int Written = TfrmLog::MaxLines + TfrmLog::TrimLines + 100;
        for (int I = 0; I < Written; ++I) Log("line " + std::to_string(I));
        const QString Last = QStringLiteral("line %1").arg(Written - 1);
        const QTextDocument* Doc = Form->Memo1->document();
        QVERIFY(WaitUntil([&] { return Doc->lastBlock().previous().text() == Last; }, 5000));
        QVERIFY(Doc->blockCount() >= TfrmLog::MaxLines);
        QVERIFY(Doc->blockCount() <= TfrmLog::MaxLines + TfrmLog::TrimLines + 1);
        // The oldest went, and only they: what is left runs on to the last.
        const QString First = Doc->firstBlock().text();
        QVERIFY(First.startsWith(QStringLiteral("line ")));
        const int Oldest = First.mid(5).toInt();
        QVERIFY(Oldest > 0);
        QCOMPARE(Doc->blockCount() - 1, Written - Oldest);
    }
};

QTEST_MAIN(LogWindowTest)
#include "LogWindowTest.moc"
