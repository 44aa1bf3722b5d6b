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
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>

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
void Settle(TMainForm& W)
{
    W.pnlImage->hide(); // the start-up picture would cover the terminal
    W.show();
    QVERIFY(QTest::qWaitForWindowExposed(&W));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// Host bytes as one block of the receive pump.
void Feed(TMainForm& Form, const std::string& Bytes)
{
    Form.ProcessBlock(reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                      static_cast<int>(Bytes.size()), false);
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
        Feed(Form, "\xC7\xD1\xB1\xDB bell");
        Settle(Form);
        TTerm& T = Form.Term1->Term();
        const QImage Before = Form.Term1->Canvas().Image().copy();
        QCOMPARE(OnScreen(Form.Term1), Before);
        const QRect Row = CellRect(T, 1, T.Scr.CurY, T.Scr.Col);

        TPaintCounter Counter;
        Form.Term1->installEventFilter(&Counter);
        T.Scr.VisualBeep = true;
        T.Scr.BeepOn = false;
        T.Beep();
        const QImage& Image = Form.Term1->Canvas().Image();
        QVERIFY(Image.copy(Row) != Before.copy(Row));
        QVERIFY(Image.copy(Row.translated(0, Row.height())) ==
                Before.copy(Row.translated(0, Row.height())));
        QCOMPARE(Counter.Paints, 0); // nothing waited for the flash to show

        QTRY_VERIFY(Image == Before); // ended from the event loop
        QTRY_COMPARE(OnScreen(Form.Term1), Before);
        const int Paints = Counter.Paints;
        QTest::qWait(50);
        QCOMPARE(Counter.Paints, Paints); // drawing while painting scheduled nothing more
        QVERIFY(Paints <= 4);
    }

    void directDrawingIsCopiedNotRepainted()
    {
        TMainForm Form;
        Feed(Form, "copy only");
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
        Form.Term1->FrameMs = 0; // every block shows at once
        TTerm& T = Form.Term1->Term();
        std::string Lines;
        for (int I = 1; I <= 30; ++I) Lines += "line " + std::to_string(I) + "\r\n";
        for (bool Focus : {true, false}) {
            T.Focused = Focus;
            // Scrolls; writes over the caret; moves it without writing.
            for (const std::string& Bytes :
                 {Lines, std::string("\xC7\xD1\xB1\xDB $ "), std::string("\b\b")}) {
                Feed(Form, Bytes);
                QVERIFY(!T.Scr.RedrawPending);
                const QImage Fed = Form.Term1->Canvas().Image().copy();
                T.Paint(TRect{0, 0, Form.Term1->width(), Form.Term1->height()});
                QCOMPARE(Form.Term1->Canvas().Image(), Fed);
            }
            QVERIFY(Ink(Form.Term1->Canvas().Image(), CellRect(T, 1, T.Scr.Row - 1, 8),
                        0xFF000000) > 0);
        }
    }

    // Blocks that keep coming are shown once a frame, and end in the picture
    // that painting after every block leaves; a block after a frame of quiet
    // (an echo) is shown at once, caret and all, else the frame's timer shows
    // it.
    void heldRepaintsEndInTheSamePicture_data()
    {
        QTest::addColumn<bool>("Quiet"); // a frame's time passes before the last block
        QTest::newRow("an echo after quiet") << true;
        QTest::newRow("blocks that keep coming") << false;
    }
    void heldRepaintsEndInTheSamePicture()
    {
        QFETCH(bool, Quiet);
        // Colours, Korean, scrolls, a clear; the last block only writes.
        std::string Stream;
        for (int I = 1; I <= 90; ++I) {
            Stream += "\x1b[3" + std::to_string(I % 8) + "m" + std::to_string(I) +
                      " \xC7\xD1\xB1\xDB line\r\n";
            if (I == 40) Stream += "\x1b[2J\x1b[H";
        }
        Stream += "\x1b[0m$ ls";
        constexpr std::size_t Block = 64;
        int Blocks = 0;
        const auto Run = [&](int FrameMs, int& FullPaints, bool& AtOnce) {
            TMainForm Form;
            Settle(Form);
            TermWidget& W = *Form.Term1;
            W.FrameMs = FrameMs;
            qint64 Now = 0; // a millisecond a block
            W.Clock = [&] { return Now; };
            FullPaints = 0;
            Blocks = 0;
            SetLogSink([&](std::string_view Line) { FullPaints += Line == "ReDrawScreen"; });
            for (std::size_t Off = 0; Off < Stream.size(); Off += Block, ++Now, ++Blocks) {
                const std::string Bytes = Stream.substr(Off, Block);
                if (Off + Block >= Stream.size() && Quiet) Now += FrameMs;
                Form.ProcessBlock(reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                                  static_cast<int>(Bytes.size()), false);
            }
            AtOnce = !W.Term().Scr.RedrawPending && Switches.CaretDrawEnabled;
            // The frame timer's paint; a null picture if it never came.
            const bool Painted = QTest::qWaitFor([&] { return !W.Term().Scr.RedrawPending; });
            SetLogSink({});
            return Painted ? W.Canvas().Image().copy() : QImage();
        };
        int EachBlock = 0, Held = 0;
        bool AtOnce = false;
        const QImage Expected = Run(0, EachBlock, AtOnce);
        QVERIFY(!Expected.isNull());
        QCOMPARE(Run(16, Held, AtOnce), Expected);
        QCOMPARE(AtOnce, Quiet);
        // One a frame: the first block's, one each 16 blocks, the last's.
        QVERIFY(Held >= 2);
        QVERIFY(Held <= 2 + Blocks / 16);
        QVERIFY(EachBlock > Held);
    }

    // A block's text waits for the frame's pace: within a frame of the last
    // paint it waits, one paint a frame and not one more for every block; a
    // frame later it is shown at once, unless a screenful or more scrolled
    // before that frame (nobody can read it), which holds the next one for
    // two frames' time.
    void blocksWaitForTheFramesPace_data()
    {
        QTest::addColumn<int>("Lines"); // scrolled in the frame before
        QTest::addColumn<int>("Later"); // the block's milliseconds after that frame
        QTest::addColumn<bool>("Waits");
        QTest::newRow("within a frame") << 0 << 1 << true;
        QTest::newRow("a frame after a few lines") << 3 << 17 << false;
        QTest::newRow("a frame after a screenful") << 24 << 17 << true;
    }
    void blocksWaitForTheFramesPace()
    {
        QFETCH(int, Lines);
        QFETCH(int, Later);
        QFETCH(bool, Waits);
        TMainForm Form;
        Settle(Form);
        TermWidget& W = *Form.Term1;
        QCOMPARE(W.FrameMs, 16);
        QCOMPARE(W.Term().Scr.Row, 24);
        qint64 Now = 1000;
        W.Clock = [&] { return Now; };
        Feed(Form, "\x1b[24;1H$ "); // after quiet: a frame at once
        Now += 100;
        std::string Scroll = "$ ";
        for (int I = 0; I < Lines; ++I) Scroll += "line\r\n";
        Feed(Form, Scroll); // after quiet too: the frame before
        Now += Later;
        TPaintCounter Counter;
        W.installEventFilter(&Counter);
        Feed(Form, "ls");
        QCoreApplication::processEvents();
        QCOMPARE(Counter.Paints > 0, !Waits);
        QTRY_COMPARE(OnScreen(&W), W.Canvas().Image());
        // One paint a frame; at once, the text goes out before the caret.
        QCOMPARE(Counter.Paints, Waits ? 1 : 2);
    }

    // The window fits the grid: the terminal's cells, the scroll bar and the
    // bars; a window dragged to any size snaps to whole cells.
    void mainWindowFollowsTheTerminal()
    {
        TMainForm Form;
        Settle(Form);
        QCOMPARE(Form.windowTitle(), " Brevanix v1.3.1");
        TTerm& T = Form.Term1->Term();
        const int W = T.Scr.CharWidth, H = T.Scr.CharHeight;
        const int Bars = Form.tbMain->height() + Form.StatusLine->height();
        for (const QSize Cells : {QSize(100, 30), QSize(40, 10)}) {
            Form.SetTermSize(Cells.width(), Cells.height());
            const QSize Pixels(Cells.width() * W, Cells.height() * H);
            QCOMPARE(Form.Term1->Canvas().Image().size(), Pixels);
            QTRY_COMPARE(Form.Term1->size(), Pixels);
            QTRY_COMPARE(Form.size(), Pixels + QSize(Form.ScrollBar->width(), Bars));
            QCOMPARE(Form.StatusHint->text(),
                     QStringLiteral("Col [%1]   Row [%2]").arg(Cells.width()).arg(Cells.height()));
        }
        Form.resize(Form.ScrollBar->width() + 61 * W + W / 2, Bars + 20 * H + H - 1);
        QTRY_COMPARE(T.Scr.Col, 61);
        QCOMPARE(T.Scr.Row, 20);
        QTRY_COMPARE(Form.size(), QSize(Form.ScrollBar->width() + 61 * W, Bars + 20 * H));
        QCOMPARE(Form.AliasInfo.Col, 61);
    }

    void focusDrivesTheCaret()
    {
        TMainForm Form;
        Settle(Form);
        Form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Form));
        // The window starts with a block caret in aqua, filled while focused
        // and an outline without the focus.
        const TScr& S = Form.Term1->Term().Scr;
        const QImage& Img = Form.Term1->Canvas().Image();
        const QPoint Inside((S.CurX - 1) * S.CharWidth + S.CharWidth / 2,
                            (S.CurY - 1) * S.CharHeight + S.CharHeight / 2);
        const QPoint BelowRow(Inside.x(), S.CurY * S.CharHeight + S.CharHeight / 2);
        Form.Term1->setFocus();
        QTRY_VERIFY(Form.Term1->Term().Focused);
        QCOMPARE(Img.pixel(Inside), qRgb(0, 255, 255));
        QCOMPARE(Img.pixel(BelowRow), qRgb(0, 0, 0)); // no cross
        Form.Term1->clearFocus();
        QTRY_VERIFY(!Form.Term1->Term().Focused);
        QCOMPARE(Img.pixel(Inside), qRgb(0, 0, 0));
    }

    // A drag with the real mouse events, copied: other programs get Unicode
    // with line feeds, Brevanix gets its bytes back exactly.
    void selectionReachesTheSystemClipboard()
    {
        TMainForm Form;
        Feed(Form, "\xC7\xD1\xB1\xDB abc\r\n\xB5\xD1\xC2\xB0 more");
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
