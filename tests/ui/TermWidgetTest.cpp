// The terminal control on screen: paint requests against pixel copies, focus,
// and the main window around it.
#include "PixelProbe.h"

#include "app/Main.h"
#include "common/Switches.h"
#include "support/ProgramState.h"
#include "term/QtClipboard.h"
#include "term/TermWidget.h"

#include <QClipboard>
#include <QEvent>
#include <QTest>

namespace {

class TPaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* E) override
    {
        if (E->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

// Shown, exposed and with every pending paint done.
void Settle(QWidget& W)
{
    W.show();
    QVERIFY(QTest::qWaitForWindowExposed(&W));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

class TermWidgetTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TProgramState::Reset(); }

    // The bell flash is direct drawing; the paint request that follows it
    // repaints from the buffer, which is what ends the flash.
    void visualBellIsShownThenRepaintedAway()
    {
        TMainForm Form;
        Form.FeedHostBytes("\xC7\xD1\xB1\xDB bell");
        Settle(Form);
        TTerm& T = Form.Term1->Term();
        const QImage Before = Form.Term1->Canvas().Image().copy();
        QCOMPARE(OnScreen(Form.Term1), Before);
        const QRect Row = CellRect(T, 1, T.Scr.CurY, T.Scr.Col);

        TPaintCounter Counter;
        Form.Term1->installEventFilter(&Counter);
        T.Scr.VisualBeep = true;
        T.Scr.BeepOn = false; // pauses instead of beeping
        T.Beep();
        const QImage& Image = Form.Term1->Canvas().Image();
        QVERIFY(Image.copy(Row) != Before.copy(Row));
        QVERIFY(Image.copy(Row.translated(0, Row.height())) ==
                Before.copy(Row.translated(0, Row.height())));
        QCOMPARE(OnScreen(Form.Term1), Image); // the pause showed the flash

        QTRY_VERIFY(Image == Before);
        QTRY_COMPARE(OnScreen(Form.Term1), Before);
        const int Paints = Counter.Paints;
        QTest::qWait(50);
        QCOMPARE(Counter.Paints, Paints); // drawing while painting scheduled nothing more
        QVERIFY(Paints <= 4);
    }

    void directDrawingIsCopiedNotRepainted()
    {
        TMainForm Form;
        Form.FeedHostBytes("copy only");
        Settle(Form);
        QtCanvas& C = Form.Term1->Canvas();
        const QImage Before = C.Image().copy();

        C.SetBrushColor(0x00FFFFFF);
        QVERIFY(C.PatInvert(8, 0, 40, 16));
        const QImage Inverted = C.Image().copy();
        QVERIFY(Inverted != Before);
        QTRY_COMPARE(OnScreen(Form.Term1), Inverted);
        QTest::qWait(20);
        QVERIFY(C.Image() == Inverted);

        C.Invalidate();
        QTRY_VERIFY(C.Image() == Before);
        QTRY_COMPARE(OnScreen(Form.Term1), Before);
    }

    // After any host text the picture is what a full repaint would give:
    // no stale caret, no scroll left undrawn.
    void feedingLeavesThePictureCurrent()
    {
        TMainForm Form;
        Settle(Form);
        TTerm& T = Form.Term1->Term();
        std::string Lines;
        for (int I = 1; I <= 30; ++I) Lines += "line " + std::to_string(I) + "\r\n";
        for (bool Focus : {true, false}) {
            T.Focused = Focus;
            // Scrolls; writes over the caret; moves it without writing.
            for (const std::string& Bytes :
                 {Lines, std::string("\xC7\xD1\xB1\xDB $ "), std::string("\b\b")}) {
                Form.FeedHostBytes(Bytes);
                QVERIFY(!T.Scr.RedrawPending);
                const QImage Fed = Form.Term1->Canvas().Image().copy();
                T.Paint(TRect{0, 0, Form.Term1->width(), Form.Term1->height()});
                QCOMPARE(Form.Term1->Canvas().Image(), Fed);
            }
            QVERIFY(Ink(Form.Term1->Canvas().Image(), CellRect(T, 1, T.Scr.Row - 1, 8),
                        0xFF000000) > 0);
        }
    }

    void mainWindowFollowsTheTerminal()
    {
        TMainForm Form;
        Settle(Form);
        QCOMPARE(Form.windowTitle(), "Brevanix");
        QCOMPARE(Form.findChild<TermWidget*>("Term1"), Form.centralWidget());
        TTerm& T = Form.Term1->Term();
        const int W = T.Scr.CharWidth, H = T.Scr.CharHeight;
        QCOMPARE(Form.Term1->size(), QSize(80 * W, 24 * H));

        for (const QSize Cells : {QSize(100, 30), QSize(40, 10)}) {
            T.SetSize(Cells.width(), Cells.height());
            const QSize Pixels(Cells.width() * W, Cells.height() * H);
            QCOMPARE(Form.Term1->Canvas().Image().size(), Pixels);
            QTRY_COMPARE(Form.Term1->size(), Pixels);
            QTRY_COMPARE(Form.size(), Pixels);
        }
    }

    void focusDrivesTheCaret()
    {
        TMainForm Form;
        Settle(Form);
        Form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Form));
        // The cross caret's vertical line runs to the bottom row while
        // focused and is gone with the focus.
        const TScr& S = Form.Term1->Term().Scr;
        const QImage& Img = Form.Term1->Canvas().Image();
        const QPoint LineFoot(S.CurX * S.CharWidth - 1, S.Row * S.CharHeight - 1);
        Form.Term1->setFocus();
        QTRY_VERIFY(Form.Term1->Term().Focused);
        QCOMPARE(Img.pixel(LineFoot), qRgb(255, 255, 0));
        Form.Term1->clearFocus();
        QTRY_VERIFY(!Form.Term1->Term().Focused);
        QCOMPARE(Img.pixel(LineFoot), qRgb(0, 0, 0));
    }

    // A drag with the real mouse events, copied: other programs get Unicode
    // with line feeds, Brevanix gets its bytes back exactly.
    void selectionReachesTheSystemClipboard()
    {
        TMainForm Form;
        Form.FeedHostBytes("\xC7\xD1\xB1\xDB abc\r\n\xB5\xD1\xC2\xB0 more");
        Settle(Form);
        TermWidget* W = Form.Term1;
        const TTerm& T = W->Term();
        const auto Centre = [&](int Col, int Row) { return CellRect(T, Col, Row).center(); };
        QTest::mousePress(W, Qt::LeftButton, {}, Centre(1, 1));
        QTest::mouseMove(W, Centre(3, 2));
        QTest::mouseRelease(W, Qt::LeftButton, {}, Centre(3, 2));
        QCOMPARE(T.Scr.SelEnd, (TPoint{4, 2}));
        W->Term().CopySelection();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8("한글 abc\n둘째"));
        QCOMPARE(QtClipboard::Text(), std::string("\xC7\xD1\xB1\xDB abc\r\xB5\xD1\xC2\xB0"));

        QTest::mouseDClick(W, Qt::LeftButton, {}, Centre(7, 1));
        W->Term().CopySelection();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("abc"));

        // Bytes with no Unicode meaning survive our own round trip.
        const std::string Odd = "a\xFF\xFE\x80z";
        W->SetClipboardText(Odd);
        QCOMPARE(QtClipboard::Text(), Odd);
        QVERIFY(QGuiApplication::clipboard()->text().contains(QChar(0xFFFD)));

        QGuiApplication::clipboard()->setText(QString::fromUtf8("가\r\n나\n다"));
        QCOMPARE(QtClipboard::Text(), std::string("\xB0\xA1\r\xB3\xAA\r\xB4\xD9"));
        QGuiApplication::clipboard()->clear();
        QCOMPARE(QtClipboard::Text(), std::string());
    }
};

std::unique_ptr<QObject> NewTermWidgetTest() { return std::make_unique<TermWidgetTest>(); }

#include "TermWidgetTest.moc"
