// The main window's commands and status line, offscreen: shortcuts against
// the host, the toolbar's and the menu's order, the switches and the profile,
// sizes that snap to cells, the bars, title-only mode, saving an alias,
// paste, the mouse at window level, the scroll bar, the clock, pointer
// hiding, the cell inspection and the hint texts. Dialogs are answered
// through the modal hook.
#include "MainWindowRig.h"
#include "app/DataModuleMaster.h"
#include "app/HelpWindow.h"
#include "app/Main.h"
#include "common/LogSink.h"
#include "common/Switches.h"
#include "support/ProgramState.h"
#include "support/RecordingSocket.h"
#include "support/TempDir.h"
#include "term/QtCanvas.h"
#include "term/QtClipboard.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"
#include "widgets/Dialogs.h"
#include "widgets/FontDialog.h"
#include "widgets/HintWindow.h"
#include "widgets/TitleStrip.h"

#include <QAction>
#include <QClipboard>
#include <QColorDialog>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusTipEvent>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>
#include <QWindow>

#include <functional>

namespace {

// Counts the events of one type a watched object receives.
struct TEventCounter : QObject {
    QEvent::Type Type;
    int& Count;
    TEventCounter(QEvent::Type T, int& C) : Type(T), Count(C) {}
    bool eventFilter(QObject*, QEvent* E) override
    {
        if (E->type() == Type) ++Count;
        return false;
    }
};

// Captions in order, separators as "|", widgets by their text.
QStringList Captions(const QList<QAction*>& Actions, const QToolBar* Bar = nullptr)
{
    QStringList Out;
    for (QAction* A : Actions) {
        auto* Button = Bar ? qobject_cast<QToolButton*>(Bar->widgetForAction(A)) : nullptr;
        // The log button is a widget: its action has no text of its own.
        Out << (A->isSeparator()                ? QStringLiteral("|")
                : A->text().isEmpty() && Button ? Button->text()
                                                : A->text());
    }
    return Out;
}

} // namespace

class MainCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void shortcutsRunTheirActionAndSendNothing_data()
    {
        QTest::addColumn<QString>("Name");
        QTest::addColumn<QKeySequence>("Keys");
        // clang-format off
        const char* const Rows[][2] = {
            {"actReqConnect", "Alt+R"}, {"actReqDisconnect", "Alt+D"}, {"actFastConnect", "Alt+Q"},
            {"actNew", "Alt+N"}, {"actPrint", "Alt+P"}, {"actCopy", "Alt+C"}, {"actPaste", "Alt+V"},
            {"actCopyAndPaste", "Alt+Z"}, {"actFormTitleOlny", "Ctrl+F2"},
            {"actFormClose", "Ctrl+F4"}, {"actFormIcon", "Ctrl+F1"}, {"actFormNormalize", "Ctrl+F3"},
            {"actPopUp", "Ctrl+F10"}, {"actTopMost", "Alt+T"}, {"actSoftScroll", "Alt+S"},
            {"actCrossCaret", "Alt+X"}, {"actVisualBeep", "Alt+A"}, {"actBeep", "Alt+B"},
            {"actAutoWrap", "Alt+W"}, {"actSetUpFont", "Alt+F"}, {"actBackColor", "Alt+K"},
            {"actCaretColor", "Alt+E"}, {"actViewToolbar", "Ctrl+F5"},
            {"actViewStatusBar", "Ctrl+F6"}, {"actFind", "Ctrl+Shift+F"}};
        // clang-format on
        for (const auto& R : Rows)
            QTest::newRow(R[0]) << QString::fromLatin1(R[0])
                                << QKeySequence(QString::fromLatin1(R[1]));
    }
    void shortcutsRunTheirActionAndSendNothing()
    {
        QFETCH(QString, Name);
        QFETCH(QKeySequence, Keys);
        TWindow W;
        QVERIFY(QTest::qWaitForWindowActive(&W.Form));
        TRecordingSocket Host;
        QAction* A = W.Action(Name.toLatin1().constData());
        A->setEnabled(true);
        QSignalSpy Ran(A, &QAction::triggered);
        QTest::keySequence(W.Form.Term1, Keys);
        QCOMPARE(Ran.count(), 1);
        QCOMPARE(Host.Sent, std::string());
        W.Form.mnuMainPopup->hide();
    }

    void toolbarAndMenuFollowTheirOrder()
    {
        TWindow W;
        QCOMPARE(Captions(W.Form.tbMain->actions(), W.Form.tbMain),
                 QStringList({"접속/새창(&A)",
                              "단절(&D)",
                              "빠른 연결",
                              "|",
                              "복사(&C)",
                              "붙여놓기(&P)",
                              "복사/붙여넣기(&V)",
                              "|",
                              "새 터미널 열기(&N)",
                              "화면 출력(&W)",
                              "|",
                              "최상위 폼",
                              "SoftScroll(&S)",
                              "십자형 Caret(&C)",
                              "Visual Beep(&V)",
                              "Beep(&B)",
                              "AutoWrap(&W)",
                              "|",
                              "Log view",
                              "|",
                              "종료(&X)"}));
        QCOMPARE(Captions(W.Form.mnuMainPopup->actions()), QStringList({"복사(&C)",
                                                                        "붙여넣기(&P)",
                                                                        "복사/붙여넣기(&V)",
                                                                        "찾기(&F)",
                                                                        "|",
                                                                        "화면 출력(&W)",
                                                                        "|",
                                                                        "설정(&O)",
                                                                        "환경 저장(&S)",
                                                                        "단축 아이콘 만들기(&M)",
                                                                        "세션 로그 기록(&G)",
                                                                        "|",
                                                                        "빠른 연결",
                                                                        "접속/새창(&A)",
                                                                        "다시 접속(&R)",
                                                                        "단절(&D)",
                                                                        "새 터미널 열기(&N)",
                                                                        "|",
                                                                        "About(&A)",
                                                                        "도움말(&H)",
                                                                        "종료(&X)"}));
        QCOMPARE(Captions(W.Form.mnuOption->actions()),
                 QStringList({"최상위 폼", "SoftScroll(&S)", "십자형 Caret(&C)", "Visual Beep(&V)",
                              "Beep(&B)", "AutoWrap(&W)", "|", "인코딩: CP949", "인코딩: UTF-8",
                              "|", "폰트설정(&F)", "바탕화면 설정(&K)", "캐럿색상(&E)", "|",
                              "ToolBar 보기(&T)", "Status Bar 보기(&L)"}));
        QCOMPARE(W.Action("actOption")->menu(), W.Form.mnuOption);
        // The menu's own paste entry pastes.
        QSignalSpy Pasted(W.Action("actPaste"), &QAction::triggered);
        W.Form.mnuMainPopup->actions().at(1)->trigger();
        QCOMPARE(Pasted.count(), 1);
        // The six switch buttons go down on their own.
        for (const char* Name : {"actTopMost", "actSoftScroll", "actCrossCaret", "actVisualBeep",
                                 "actBeep", "actAutoWrap"}) {
            auto* B = qobject_cast<QToolButton*>(W.Form.tbMain->widgetForAction(W.Action(Name)));
            QVERIFY2(B && B->isCheckable() && !B->autoExclusive(), Name);
        }
    }

    // Every command shows a glyph of its own, drawn at 1x and at 2x.
    void everyCommandHasItsOwnGlyph()
    {
        TWindow W;
        QList<QIcon> Icons{W.Form.btnLogView->icon()};
        for (QAction* A : W.Form.findChildren<QAction*>(QRegularExpression("^act")))
            Icons << A->icon();
        QSet<QByteArray> Seen;
        for (const QIcon& I : Icons) {
            for (const qreal Scale : {1.0, 2.0}) {
                const QImage G = I.pixmap(QSize(18, 18), Scale).toImage();
                QCOMPARE(G.size(), QSize(18, 18) * Scale);
                int Ink = 0;
                for (int Y = 0; Y < G.height(); ++Y)
                    for (int X = 0; X < G.width(); ++X) Ink += qAlpha(G.pixel(X, Y)) > 0;
                QVERIFY(Ink > G.width() * 2);
                if (Scale == 1.0)
                    Seen.insert(QByteArray(reinterpret_cast<const char*>(G.constBits()),
                                           static_cast<int>(G.sizeInBytes())));
            }
        }
        QCOMPARE(Seen.size(), Icons.size());
    }

    void switchesFollowToTheTerminalAndTheProfile_data()
    {
        QTest::addColumn<QString>("Name");
        QTest::addColumn<int>("Row");
        const char* const Names[] = {"actSoftScroll",  "actCrossCaret",   "actVisualBeep",
                                     "actBeep",        "actAutoWrap",     "actTopMost",
                                     "actViewToolbar", "actViewStatusBar"};
        for (int I = 0; I < 8; ++I) QTest::newRow(Names[I]) << QString(Names[I]) << I;
    }
    void switchesFollowToTheTerminalAndTheProfile()
    {
        QFETCH(QString, Name);
        QFETCH(int, Row);
        TWindow W;
        TAliasInfo& P = W.Form.AliasInfo;
        // What each switch sets, and its profile field (none for stay-on-top).
        const std::function<bool()> State[] = {
            [] { return Switches.SoftScroll; },
            [&] { return W.Term().Caret() == TCaret::Cross_Block; },
            [&] { return W.Term().Scr.VisualBeep; },
            [&] { return W.Term().Scr.BeepOn; },
            [] { return Switches.AutoWrap; },
            [&] { return bool(W.Form.windowFlags() & Qt::WindowStaysOnTopHint); },
            [&] { return !W.Form.tbMain->isHidden(); },
            [&] { return !W.Form.StatusLine->isHidden(); }};
        bool* const Field[] = {&P.SoftScroll, &P.CrossCaret, &P.VisualBeep,  &P.BeepOn,
                               &P.AutoWrap,   nullptr,       &P.ShowToolBar, &P.ShowStatusBar};
        QAction* A = W.Action(Name.toLatin1().constData());
        auto* Button = qobject_cast<QToolButton*>(W.Form.tbMain->widgetForAction(A));
        for (int Flip = 0; Flip < 2; ++Flip) {
            const bool Was = A->isChecked();
            A->trigger();
            QCOMPARE(A->isChecked(), !Was);
            QCOMPARE(State[Row](), !Was);
            if (Field[Row]) QCOMPARE(*Field[Row], !Was);
            if (Button) QCOMPARE(Button->isChecked(), !Was);
        }
        QVERIFY(W.Form.isVisible()); // stay-on-top makes a new window and shows it again
    }

    // The two encoding entries are one choice: the switch and the profile
    // follow it, saving the alias keeps it, and the menu shows the profile a
    // connection applied.
    void encodingEntriesSetTheSwitchAndTheProfile()
    {
        TWindow W;
        QAction* Cp949 = W.Action("actEncodingCp949");
        QAction* Utf8 = W.Action("actEncodingUtf8");
        QVERIFY(Cp949->isChecked() && !Utf8->isChecked());
        Utf8->trigger();
        QVERIFY(Switches.HostEncoding == THostEncoding::Utf8);
        QCOMPARE(W.Form.AliasInfo.HostEncoding, std::string("UTF-8"));
        QVERIFY(Utf8->isChecked() && !Cp949->isChecked());
        W.OnOther = [&](QDialog& D) {
            D.findChild<QLineEdit*>(QStringLiteral("Value"))->setText(QStringLiteral("u"));
            D.accept();
        };
        W.Action("actSaveAlias")->trigger();
        QCOMPARE(LoadAliasInfo(W.Ini, "u").HostEncoding, std::string("UTF-8"));
        Utf8->trigger(); // the entry already on stays on
        QVERIFY(Utf8->isChecked() && Switches.HostEncoding == THostEncoding::Utf8);
        Cp949->trigger();
        QVERIFY(Switches.HostEncoding == THostEncoding::Cp949);
        QCOMPARE(W.Form.AliasInfo.HostEncoding, std::string("CP949"));
        QVERIFY(Cp949->isChecked() && !Utf8->isChecked());
        W.Form.AliasInfo.HostEncoding = "utf8";
        emit W.Form.mnuOption->aboutToShow();
        QVERIFY(Utf8->isChecked());
    }

    // Host bytes after a switch are read in the new encoding; what the old
    // one held half-way is dropped, not joined to the next bytes. Parts: 0
    // single, 1 lead, 2 trail.
    void encodingSwitchReadsFromTheNextByte_data()
    {
        QTest::addColumn<bool>("Utf8First");
        QTest::addColumn<QByteArray>("Before");
        QTest::addColumn<int>("Flips");
        QTest::addColumn<QByteArray>("After");
        QTest::addColumn<QByteArray>("Cells");
        QTest::addColumn<QByteArray>("Parts");
        QTest::newRow("CP949, then UTF-8")
            << false << QByteArray("\xB0\xA1") << 1 << QByteArray("\xEB\x82\x98")
            << QByteArray("\xB0\xA1\xB3\xAA") << QByteArray("1212");
        QTest::newRow("UTF-8, then CP949")
            << true << QByteArray("\xEA\xB0\x80") << 1 << QByteArray("\xB3\xAA")
            << QByteArray("\xB0\xA1\xB3\xAA") << QByteArray("1212");
        QTest::newRow("a cut UTF-8 sequence, switched away and back")
            << true << QByteArray("\xEA\xB0") << 2 << QByteArray("A") << QByteArray("A")
            << QByteArray("0");
        QTest::newRow("a lead byte without its trail")
            << false << QByteArray("\xB0") << 1 << QByteArray("A")
            << QByteArray("\xB0"
                          "A")
            << QByteArray("10");
    }
    void encodingSwitchReadsFromTheNextByte()
    {
        QFETCH(bool, Utf8First);
        QFETCH(QByteArray, Before);
        QFETCH(int, Flips);
        QFETCH(QByteArray, After);
        QFETCH(QByteArray, Cells);
        QFETCH(QByteArray, Parts);
        TWindow W;
        W.Action(Utf8First ? "actEncodingUtf8" : "actEncodingCp949")->trigger();
        W.Feed("\x1b[H" + Before.toStdString());
        for (int I = 0; I < Flips; ++I)
            W.Action((Utf8First + I) % 2 ? "actEncodingCp949" : "actEncodingUtf8")->trigger();
        W.Feed(After.toStdString());
        QByteArray GotCells, GotParts;
        for (int C = 1; C <= Cells.size(); ++C) {
            const TCell& Cell = W.Term().Scr.Lines[1]->Cells[C];
            GotCells += static_cast<char>(Cell.Ch);
            GotParts += static_cast<char>('0' + Cell.DbcsPart);
        }
        QCOMPARE(GotCells, Cells);
        QCOMPARE(GotParts, Parts);
    }

    // A lead byte typed to a UTF-8 host waits for its trail; a switch drops
    // it, so the next key is itself.
    void encodingSwitchDropsAHalfTypedCharacter()
    {
        TWindow W;
        TRecordingSocket Host;
        W.Action("actEncodingUtf8")->trigger();
        std::uint8_t Key = 0xB0;
        W.Form.Term1KeyPress(Key);
        W.Action("actEncodingCp949")->trigger();
        W.Action("actEncodingUtf8")->trigger();
        Key = 'x';
        W.Form.Term1KeyPress(Key);
        QCOMPARE(Host.Sent, std::string("x"));
    }

    void dragSnapsToWholeCells_data()
    {
        QTest::addColumn<int>("Cols");
        QTest::addColumn<int>("Rows");
        QTest::addColumn<int>("ExtraX"); // pixels past the cells, in 1/8 cells
        QTest::addColumn<int>("ExtraY");
        QTest::newRow("just over") << 61 << 20 << 1 << 1;
        QTest::newRow("almost one more") << 100 << 40 << 7 << 7;
        QTest::newRow("small") << 20 << 5 << 4 << 0;
    }
    void dragSnapsToWholeCells()
    {
        QFETCH(int, Cols);
        QFETCH(int, Rows);
        QFETCH(int, ExtraX);
        QFETCH(int, ExtraY);
        TWindow W;
        const TScr& S = W.Term().Scr;
        const QSize Around(W.Form.ScrollBar->width(),
                           W.Form.tbMain->height() + W.Form.StatusLine->height());
        const QSize Cells(Cols * S.CharWidth, Rows * S.CharHeight);
        W.Form.resize(Around + Cells + QSize(ExtraX * S.CharWidth / 8, ExtraY * S.CharHeight / 8));
        QTRY_COMPARE(W.Form.size(), Around + Cells);
        QCOMPARE(QSize(S.Col, S.Row), QSize(Cols, Rows));
        QCOMPARE(W.Form.StatusHint->text(),
                 QStringLiteral("Col [%1]   Row [%2]").arg(Cols).arg(Rows));
        QCOMPARE(QSize(W.Form.AliasInfo.Col, W.Form.AliasInfo.Row), QSize(Cols, Rows));
        // The window manager learns to drag by whole cells.
        QCOMPARE(W.Form.sizeIncrement(), QSize(S.CharWidth, S.CharHeight));
        QCOMPARE(W.Form.baseSize(), Around);
    }

    void barsKeepTheRowsAndChangeTheHeight_data()
    {
        QTest::addColumn<QString>("Name");
        QTest::newRow("toolbar") << "actViewToolbar";
        QTest::newRow("status line") << "actViewStatusBar";
    }
    void barsKeepTheRowsAndChangeTheHeight()
    {
        QFETCH(QString, Name);
        TWindow W;
        W.Form.SetTermSize(80, 24);
        QWidget* Bar =
            Name == "actViewToolbar" ? static_cast<QWidget*>(W.Form.tbMain) : W.Form.StatusLine;
        const int Height = W.Form.height();
        W.Action(Name.toLatin1().constData())->trigger();
        QTRY_COMPARE(W.Form.height(), Height - Bar->height());
        QCOMPARE(W.Term().Scr.Row, 24);
        W.Action(Name.toLatin1().constData())->trigger();
        QTRY_COMPARE(W.Form.height(), Height);
        QCOMPARE(W.Term().Scr.Row, 24);
        QCOMPARE(W.Form.Term1->y(), 0); // directly under the toolbar
    }

    void titleOnlyComesBackToTheSameSize()
    {
        TWindow W;
        W.Form.SetTermSize(70, 20);
        W.Feed("top line");
        const QSize Size = W.Form.size();
        W.Action("actFormTitleOlny")->trigger();
        QVERIFY(W.Form.TitleOnly);
        QVERIFY(W.Form.TitleStrip->isVisible());
        QCOMPARE(W.Form.minimumHeight(), W.Form.maximumHeight()); // no vertical resizing
        QTRY_COMPARE(W.Form.height(), W.Form.TitleStrip->height());
        W.Form.resize(Size); // refused vertically, and the grid is left alone
        QCOMPARE(W.Term().Scr.Row, 20);

        // A press on the strip previews the screen; a second press only closes it.
        QTest::mousePress(W.Form.TitleStrip, Qt::LeftButton);
        QVERIFY(W.Form.TitleHint && W.Form.TitleHint->isVisible());
        QVERIFY(W.Form.TitleHint->text().startsWith(QStringLiteral("top line")));
        QVERIFY(W.Form.Timer2->isActive());
        QTest::mouseRelease(W.Form.TitleStrip, Qt::LeftButton);
        QTest::mousePress(W.Form.TitleStrip, Qt::LeftButton);
        QVERIFY(!W.Form.TitleHint);
        QTest::mouseRelease(W.Form.TitleStrip, Qt::LeftButton);

        QTest::mouseDClick(W.Form.TitleStrip, Qt::LeftButton);
        QVERIFY(!W.Form.TitleOnly);
        QTRY_COMPARE(W.Form.size(), Size);
        QCOMPARE(QSize(W.Term().Scr.Col, W.Term().Scr.Row), QSize(70, 20));

        // Maximising from title-only mode leaves it first.
        W.Action("actFormTitleOlny")->trigger();
        W.Action("actFormNormalize")->trigger();
        QVERIFY(!W.Form.TitleOnly);
        QTRY_VERIFY(W.Form.isMaximized());
    }

    void saveAliasRefusesOrWritesTheAliasKeys_data()
    {
        QTest::addColumn<QString>("Name");
        QTest::addColumn<QString>("Message"); // empty: saved
        QTest::newRow("_DEFAULT") << "_DEFAULT"
                                  << "_DEFAULT 는 저장할 수 없습니다.";
        QTest::newRow("empty") << ""
                               << "Alias Name을 입력하시요";
        QTest::newRow("blanks") << "   "
                                << "Alias Name을 입력하시요";
        QTest::newRow("_DEFAULT among blanks") << " _DEFAULT "
                                               << "_DEFAULT 는 저장할 수 없습니다.";
        QTest::newRow("an option's dash") << "-reverse"
                                          << "Alias 는 '-' 로 시작할 수 없습니다.";
        QTest::newRow("other case") << "_default"
                                    << "";
        QTest::newRow("korean") << "우리 서버"
                                << "";
    }
    void saveAliasRefusesOrWritesTheAliasKeys()
    {
        QFETCH(QString, Name);
        QFETCH(QString, Message);
        TWindow W;
        W.Form.AliasInfo.Address = "10.0.0.5";
        W.Form.AliasInfo.ShowToolBar = false; // a Global key: never written here
        W.Action("actSoftScroll")->trigger();
        W.OnOther = [&](QDialog& D) {
            D.findChild<QLineEdit*>(QStringLiteral("Value"))->setText(Name);
            D.accept();
        };
        W.Action("actSaveAlias")->trigger();
        const std::string File = ReadBytes(W.Ini);
        if (!Message.isEmpty()) {
            QCOMPARE(W.Messages, QStringList{Message});
            QCOMPARE(File, std::string());
            return;
        }
        QVERIFY(W.Messages.isEmpty());
        const std::string Alias = Cp949::FromUtf8(Name.toStdString());
        const TAliasInfo Saved = LoadAliasInfo(W.Ini, Alias);
        QVERIFY(Saved.Registered || Alias == "_default");
        QCOMPARE(Saved.Address, std::string("10.0.0.5"));
        QVERIFY(Saved.SoftScroll);
        QVERIFY(File.find("[" + Alias + "]") != std::string::npos);
        QVERIFY(File.find("Global") == std::string::npos);
        QVERIFY(File.find("ShowToolBar") == std::string::npos);
    }

    // Before any connection the window holds the profile it shows: an alias
    // saved then opens looking as the window did.
    void saveBeforeAnyConnectionWritesWhatTheWindowShows()
    {
        TWindow W;
        W.OnOther = [&](QDialog& D) {
            D.findChild<QLineEdit*>(QStringLiteral("Value"))->setText(QStringLiteral("idle"));
            D.accept();
        };
        W.Action("actSaveAlias")->trigger();
        const TAliasInfo Saved = LoadAliasInfo(W.Ini, "idle");
        const TScr& S = W.Form.Term1->Term().Scr;
        QCOMPARE(Saved.Address, std::string());
        QCOMPARE((std::vector<bool>{Saved.VisualBeep, Saved.CrossCaret, Saved.BeepOn,
                                    Saved.AutoWrap, Saved.SoftScroll}),
                 (std::vector<bool>{false, false, true, true, false}));
        QCOMPARE(Saved.FontColor, ColorSilver);
        QCOMPARE(Saved.ColorCaret, ColorAqua);
        QCOMPARE(Saved.Col, S.Col);
        QCOMPARE(Saved.Row, S.Row);
    }

    // The start-up picture fills its panel, so a right press anywhere on the
    // idle window lands on it, and leaves the scroll bar uncovered.
    void idlePictureTakesEveryPressBesideTheScrollBar()
    {
        TWindow W;
        W.Form.pnlImage->show();
        QWidget* Area = W.Form.pnlImage->parentWidget();
        for (const QPoint At : {QPoint(2, 2), QPoint(W.Form.pnlImage->width() - 2, 2)})
            QCOMPARE(Area->childAt(At), W.Form.Image1);
        QVERIFY(W.Form.pnlImage->geometry().right() < W.Form.ScrollBar->geometry().left());
    }

    // A host's titles reach the caption once a frame, the last one, as text:
    // no control characters, and "[*]" as written.
    void hostTitlesAreTextAppliedOnceAFrame()
    {
        TWindow W;
        Switches.XtermLevel = true;
        int Changes = 0;
        TEventCounter Counter(QEvent::WindowTitleChange, Changes);
        W.Form.installEventFilter(&Counter);
        std::string Titles;
        for (int I = 0; I < 1000; ++I) Titles += "\x1b]0;t" + std::to_string(I) + "\a";
        W.Feed(Titles + "\x1b]2;a\x01"
                        "b[*]c\a");
        const QString Want = W.Form.Caption() + QStringLiteral(" - ab[*]c");
        QTRY_COMPARE(W.Form.windowHandle()->title(), Want);
        QCOMPARE(Changes, 1);
        QCOMPARE(W.Form.ShownTitle(), Want);
    }

    void pasteTypesTheClipboardToTheHost_data()
    {
        QTest::addColumn<QString>("Clipboard");
        QTest::addColumn<QByteArray>("Copied"); // our own copy instead, as bytes
        QTest::addColumn<bool>("Utf8Host");
        QTest::addColumn<bool>("Connected");
        QTest::addColumn<QByteArray>("Sent");
        QTest::newRow("lines") << QString("가\r\n나\n다") << QByteArray() << false << true
                               << QByteArray("\xB0\xA1\r\xB3\xAA\r\xB4\xD9");
        QTest::newRow("lines to a UTF-8 host")
            << QString("가\r\n나\n다") << QByteArray() << true << true
            << QByteArray("\xEA\xB0\x80\r\xEB\x82\x98\r\xEB\x8B\xA4");
        QTest::newRow("our copy cut after a lead byte, to a UTF-8 host")
            << QString() << QByteArray("ab\xC7") << true << true << QByteArray("ab\xEF\xBF\xBD");
        QTest::newRow("empty clipboard")
            << QString() << QByteArray() << false << true << QByteArray();
        QTest::newRow("disconnected")
            << QString("ls\n") << QByteArray() << false << false << QByteArray();
    }
    void pasteTypesTheClipboardToTheHost()
    {
        QFETCH(QString, Clipboard);
        QFETCH(QByteArray, Copied);
        QFETCH(bool, Utf8Host);
        QFETCH(bool, Connected);
        QFETCH(QByteArray, Sent);
        TWindow W;
        TRecordingSocket Host;
        Host.IsConnected = Connected;
        if (Utf8Host) Switches.HostEncoding = THostEncoding::Utf8;
        if (!Clipboard.isEmpty()) QGuiApplication::clipboard()->setText(Clipboard);
        if (!Copied.isEmpty()) QtClipboard::SetText(Copied.toStdString());
        W.Action("actPaste")->trigger();
        QCOMPARE(QByteArray::fromStdString(Host.Sent), Sent);
        // A letter typed next is that letter, whatever the paste ended with.
        std::uint8_t Letter = 'x';
        W.Form.Term1KeyPress(Letter);
        QCOMPARE(QByteArray::fromStdString(Host.Sent), Sent + "x");
    }

    // Right then left within the chord time is copy and paste and no menu; a
    // right press alone opens the menu just below the pointer.
    void mouseButtonsAtWindowLevel()
    {
        TWindow W;
        TRecordingSocket Host;
        W.Feed("echo hi");
        QSignalSpy Chord(W.Action("actCopyAndPaste"), &QAction::triggered);
        const QPoint At = W.CellCentre(3, 1);
        QTest::mousePress(W.Form.Term1, Qt::RightButton, {}, At);
        QVERIFY(W.Form.PopupDelay->isActive());
        QTest::mousePress(W.Form.Term1, Qt::LeftButton, {}, At); // before the delay ran out
        QCOMPARE(Chord.count(), 1);
        QVERIFY(!W.Form.PopupDelay->isActive());
        QTest::mouseRelease(W.Form.Term1, Qt::LeftButton, {}, At);
        QTest::mouseRelease(W.Form.Term1, Qt::RightButton, {}, At);
        QVERIFY(!W.Form.mnuMainPopup->isVisible());

        QTest::mouseClick(W.Form.Term1, Qt::MiddleButton, {}, At);
        QCOMPARE(Chord.count(), 2);

        QTest::mousePress(W.Form.Term1, Qt::RightButton, {}, At);
        QTest::mouseRelease(W.Form.Term1, Qt::RightButton, {}, At);
        QTRY_VERIFY(W.Form.mnuMainPopup->isVisible());
        QCOMPARE(W.Form.mnuMainPopup->pos(), W.Form.Term1->mapToGlobal(At) + QPoint(1, 2));
        W.Form.mnuMainPopup->hide();
        QCOMPARE(Chord.count(), 2);
        QCOMPARE(Host.Sent, std::string()); // nothing selected: nothing pasted back
    }

    void altArrowsMoveTheWindow_data()
    {
        QTest::addColumn<QKeySequence>("Keys");
        QTest::addColumn<QPoint>("Move");
        QTest::newRow("Alt+Ctrl+Left") << QKeySequence("Alt+Ctrl+Left") << QPoint(-10, 0);
        QTest::newRow("Alt+Ctrl+Down") << QKeySequence("Alt+Ctrl+Down") << QPoint(0, 10);
        QTest::newRow("Alt+Right") << QKeySequence("Alt+Right") << QPoint(2, 0);
        QTest::newRow("Alt+Up") << QKeySequence("Alt+Up") << QPoint(0, -2);
    }
    void altArrowsMoveTheWindow()
    {
        QFETCH(QKeySequence, Keys);
        QFETCH(QPoint, Move);
        TWindow W;
        TRecordingSocket Host;
        W.Form.move(200, 200);
        const QPoint Was = W.Form.pos();
        QTest::keySequence(W.Form.Term1, Keys);
        QTRY_COMPARE(W.Form.pos(), Was + Move);
        QCOMPARE(Host.Sent, std::string());
    }

    // A drag of the slider browses the scroll-back; keys typed on the bar
    // reach the host through the terminal.
    void scrollBarBrowsesAndHandsKeysOn()
    {
        TWindow W;
        W.Form.SetTermSize(80, 10);
        W.Form.ScrollBar->setEnabled(true);
        for (int I = 1; I <= 30; ++I) W.Feed("line " + std::to_string(I) + "\r\n");
        const TScrollBack& Back = W.Term().Scr.ScrollBack;
        QScrollBar* Bar = W.Form.ScrollBar;
        QCOMPARE(Bar->value(), Bar->maximum());
        // The slider passes every position between, as a drag does.
        Bar->setSliderDown(true);
        for (int P = Bar->maximum() - 1; P >= 19; --P) Bar->setSliderPosition(P);
        Bar->setSliderDown(false);
        QVERIFY(Back.Browsing);
        QCOMPARE(Back.ViewPos, 19);
        QCOMPARE(Bar->sliderPosition(), 19);
        QCOMPARE(W.Term().GetScreenText(1, 1).substr(0, 8), std::string("line 20 "));

        TRecordingSocket Host;
        Bar->setFocus();
        QTest::keyClick(Bar, Qt::Key_X);
        QCOMPARE(Host.Sent, std::string("x"));
        QVERIFY(W.Form.Term1->hasFocus());
    }

    void clockFollowsTheLocale_data()
    {
        QTest::addColumn<QString>("Locale");
        QTest::addColumn<QDateTime>("When");
        QTest::addColumn<QString>("Text");
        const QDateTime Afternoon(QDate(2024, 3, 5), QTime(14, 7, 9));
        const QDateTime Midnight(QDate(2024, 12, 29), QTime(0, 5, 0));
        QTest::newRow("ko afternoon") << "ko_KR" << Afternoon << "03-05 (화) 오후 2:07:09";
        QTest::newRow("ko midnight") << "ko_KR" << Midnight << "12-29 (일) 오전 12:05:00";
        QTest::newRow("en afternoon") << "en_US" << Afternoon << "03-05 (Tue) PM 2:07:09";
        QTest::newRow("en noon") << "en_US" << QDateTime(QDate(2024, 7, 1), QTime(12, 0, 0))
                                 << "07-01 (Mon) PM 12:00:00";
    }
    void clockFollowsTheLocale()
    {
        QFETCH(QString, Locale);
        QFETCH(QDateTime, When);
        QFETCH(QString, Text);
        QCOMPARE(TMainForm::ClockText(When, QLocale(Locale)), Text);
    }

    // Timer1 is driven by hand: the pointer hides at the second tick after
    // the last cell change and comes back, logged, at the next one.
    void pointerHidesAndComesBack()
    {
        QStringList Log; // outlives the window, which may log while it goes
        TWindow W;
        SetLogSink([&](std::string_view L) { Log << QString::fromUtf8(L.data(), L.size()); });
        const auto Shape = [&] { return W.Form.Term1->cursor().shape(); };
        W.MoveMouse(W.CellCentre(3, 3));
        W.Form.Timer1Timer();
        QCOMPARE(Shape(), Qt::ArrowCursor);
        W.Form.Timer1Timer();
        QCOMPARE(Shape(), Qt::BlankCursor);
        QVERIFY(!W.Form.StatusTime->text().isEmpty());
        W.MoveMouse(W.CellCentre(3, 3) + QPoint(1, 1)); // the same cell
        QCOMPARE(Shape(), Qt::BlankCursor);
        QVERIFY(Log.isEmpty());
        W.MoveMouse(W.CellCentre(4, 3));
        QCOMPARE(Shape(), Qt::ArrowCursor);
        QCOMPARE(Log, QStringList{"crDefault"});
        QTest::mouseClick(W.Form.Term1, Qt::LeftButton, {}, W.CellCentre(4, 3));
        QCOMPARE(W.Form.PointerHideTimeout, 1000);
    }

    void mousePanelsAndCellInspection_data()
    {
        QTest::addColumn<QByteArray>("Host");
        QTest::addColumn<QPoint>("Cell");
        QTest::addColumn<QString>("Hint"); // with Ctrl held
        QTest::newRow("blank") << QByteArray() << QPoint(5, 2)
                               << "Char[0x20] Text[0xC0C0C0] Back[0x000000]"; // the starting look
        QTest::newRow("coloured") << QByteArray("\x1b[31;44mAB") << QPoint(2, 1)
                                  << "Char[0x42] Text[0x000080] Back[0x800000]";
        QTest::newRow("outside the grid") << QByteArray() << QPoint(90, 2) << "";
    }
    void mousePanelsAndCellInspection()
    {
        QFETCH(QByteArray, Host);
        QFETCH(QPoint, Cell);
        QFETCH(QString, Hint);
        TWindow W;
        W.Feed(Host.toStdString());
        W.Form.StatusHint->clear();
        W.MoveMouse(W.CellCentre(Cell.x(), Cell.y()), Qt::ControlModifier);
        QCOMPARE(W.Form.StatusHint->text(), Hint);
        const bool Inside = !Hint.isEmpty();
        QCOMPARE(W.Form.StatusMouseCol->text(), Inside ? QString::number(Cell.x()) : "000");
        QCOMPARE(W.Form.StatusMouseRow->text(), Inside ? QString::number(Cell.y()) : "000");
    }

    // The wheel names itself in the status line and goes on to the terminal.
    void wheelNamesItsDirection_data()
    {
        QTest::addColumn<int>("Delta");
        QTest::addColumn<QString>("Hint");
        QTest::newRow("down") << -120 << "MouseWheelDown";
        QTest::newRow("up") << 120 << "MouseWheelUp";
        QTest::newRow("sideways") << 0 << "MouseWheel";
    }
    void wheelNamesItsDirection()
    {
        QFETCH(int, Delta);
        QFETCH(QString, Hint);
        TWindow W;
        const QPointF At = W.CellCentre(2, 2);
        QWheelEvent E(At, W.Form.Term1->mapToGlobal(At), {}, QPoint(Delta ? 0 : 120, Delta),
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(W.Form.Term1, &E);
        QCOMPARE(W.Form.StatusHint->text(), Hint);
        QVERIFY(!E.isAccepted());
    }

    // A click on the input panel switches the mode; the panel shows it.
    void inputPanelSwitchesTheMode()
    {
        TWindow W;
        QCOMPARE(W.Form.StatusIME->text(), QStringLiteral("영"));
        for (const char* Shown : {"한", "영"}) {
            QTest::mouseClick(W.Form.StatusIME, Qt::LeftButton);
            QCOMPARE(W.Form.StatusIME->text(), QString::fromUtf8(Shown));
            QCOMPARE(W.Term().HangulMode, QByteArray(Shown) == "한");
        }
    }

    // The keyboard layout comes from the file's Global section at start-up
    // (each connection applies its profile's again) and is named in the
    // input panel's tool-tip.
    void inputPanelNamesTheLayout()
    {
        TProgramState State;
        TTempDir Dir;
        const std::string Ini = Dir / "Brevanix.ini";
        WriteBytes(Ini, "[Global]\nHangulLayout=39\n");
        TMainForm Form({}, Ini);
        QCOMPARE(Form.Term1->HangulLayout().Id, "39");
        QCOMPARE(Form.StatusIME->toolTip(), QStringLiteral("한영 상태 (세벌식 390)"));
        Form.ApplyHangulLayout("ro");
        QCOMPARE(Form.StatusIME->toolTip(), QStringLiteral("한영 상태 (로마자)"));
        QCOMPARE(QString::fromStdString(Form.AliasInfo.HangulLayout), "ro");
    }

    void hintTextsReachTheStatusLine_data()
    {
        QTest::addColumn<QString>("Tip");
        QTest::addColumn<QString>("Shown");
        QTest::newRow("hint") << "접속 단절"
                              << "접속 단절";
        QTest::newRow("code 1 first") << QString(QChar(1)) + "hidden"
                                      << "before";
        QTest::newRow("empty") << ""
                               << "";
    }
    void hintTextsReachTheStatusLine()
    {
        QFETCH(QString, Tip);
        QFETCH(QString, Shown);
        TWindow W;
        W.Form.StatusHint->setText(QStringLiteral("before"));
        QStatusTipEvent E(Tip);
        QCoreApplication::sendEvent(&W.Form, &E);
        QCOMPARE(W.Form.StatusHint->text(), Shown);
    }

    // The background colour is only stored; the caret colour is drawn.
    void colourDialogsKeepTheirOwnRules_data()
    {
        QTest::addColumn<QString>("Name");
        QTest::addColumn<bool>("Confirm");
        QTest::newRow("back") << "actBackColor" << true;
        QTest::newRow("back, cancelled") << "actBackColor" << false;
        QTest::newRow("caret") << "actCaretColor" << true;
        QTest::newRow("caret, cancelled") << "actCaretColor" << false;
    }
    void colourDialogsKeepTheirOwnRules()
    {
        QFETCH(QString, Name);
        QFETCH(bool, Confirm);
        TWindow W;
        TTerm& T = W.Term();
        T.SetCaret(TCaret::Block); // a cross caret would run through the text
        W.Feed("text\x1b[5;10H");
        QCoreApplication::processEvents();
        const QRect Text(0, 0, 4 * T.Scr.CharWidth, T.Scr.CharHeight); // the caret is beyond
        const TColor Back = T.Scr.BackColor, CurBack = T.Scr.CurBack, Caret = T.CaretColor();
        const TAliasInfo Before = W.Form.AliasInfo;
        const QImage Screen = W.Form.Term1->Canvas().Image().copy(Text);
        W.OnOther = [&](QDialog& D) {
            auto* Colours = qobject_cast<QColorDialog*>(&D);
            QVERIFY(Colours);
            Colours->setCurrentColor(QColor(0x12, 0x34, 0x56));
            Confirm ? D.accept() : D.reject();
        };
        W.Action(Name.toLatin1().constData())->trigger();
        const TColor Picked = Confirm ? 0x563412 : 0;
        if (Name == "actBackColor") {
            QCOMPARE(T.Scr.BackColor, Confirm ? Picked : Back);
            QCOMPARE(W.Form.AliasInfo.ColorBack, Confirm ? Picked : Before.ColorBack);
            QCOMPARE(T.Scr.CurBack, CurBack);
            QCoreApplication::processEvents();
            QCOMPARE(W.Form.Term1->Canvas().Image().copy(Text), Screen);
        } else {
            QCOMPARE(T.CaretColor(), Confirm ? Picked : Caret);
            QCOMPARE(W.Form.AliasInfo.ColorCaret, Confirm ? Picked : Before.ColorCaret);
        }
    }

    // A font of another size changes the cells; the window fits them.
    void fontChoiceRefitsTheWindow()
    {
        TWindow W;
        TdmMaster Module;
        W.Form.SetTermSize(40, 10);
        W.OnOther = [](QDialog& D) {
            auto* Fonts = qobject_cast<TFontDialog*>(&D);
            QVERIFY(Fonts);
            TFontChoice C = Fonts->Choice();
            C.Size = 20;
            C.Color = 0x0000FF00;
            Fonts->SetChoice(C);
            D.accept();
        };
        W.Action("actSetUpFont")->trigger();
        const TScr& S = W.Term().Scr;
        QCOMPARE(W.Form.AliasInfo.FontSize, 20);
        QCOMPARE(W.Form.AliasInfo.FontColor, TColor(0x0000FF00));
        QCOMPARE(W.Form.AliasInfo.FontName, S.Font.Name);
        QCOMPARE(QtCanvas::PixelSizeFor(20), W.Form.Term1->Canvas().Font().pixelSize());
        QTRY_COMPARE(W.Form.Term1->size(), QSize(40 * S.CharWidth, 10 * S.CharHeight));
        QCOMPARE(W.Form.size(), W.Form.baseSize() + W.Form.Term1->size());
    }

    // The guide opens on its contents page, and its pages link only to
    // pages that exist.
    void helpOpensOnTheContents()
    {
        TWindow W;
        const QDir Pages(QStringLiteral(BREVANIX_HELP_DIR));
        W.Form.HelpFile = Pages.filePath(QStringLiteral("index.html"));
        W.Action("actHelp")->trigger();
        QVERIFY(W.Form.frmHelp && W.Form.frmHelp->isVisible());
        QCOMPARE(W.Form.frmHelp->Browser->source(), QUrl::fromLocalFile(W.Form.HelpFile));
        QCOMPARE(W.Form.frmHelp->Browser->documentTitle(), QStringLiteral("Brevanix 사용 설명서"));
        const QRegularExpression Link(QStringLiteral("href=\"([^\"#:]+)\""));
        for (const QString& Page : Pages.entryList({"*.html"})) {
            QFile F(Pages.filePath(Page));
            QVERIFY(F.open(QIODevice::ReadOnly));
            const QString Html = QString::fromUtf8(F.readAll());
            for (const auto& M : Link.globalMatch(Html))
                QVERIFY2(Pages.exists(M.captured(1)), qPrintable(Page + " -> " + M.captured(1)));
        }
        W.Form.HelpFile = Pages.filePath(QStringLiteral("missing.html"));
        W.Action("actHelp")->trigger();
        QCOMPARE(W.Messages, QStringList{"도움말 파일을 찾을 수 없습니다."});
    }
};

QTEST_MAIN(MainCommandsTest)
#include "MainCommandsTest.moc"
