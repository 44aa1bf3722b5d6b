// The Qt drawing surface: fonts, colours and the pixels a real terminal
// session leaves in the image.
#include "PixelProbe.h"

#include "common/Switches.h"
#include "emulation/Output_VT100.h"
#include "support/ProgramState.h"
#include "term/QtCanvas.h"
#include "term/TermWidget.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPalette>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <string_view>

namespace {

constexpr QRgb Black = 0xFF000000;
constexpr QRgb Yellow = 0xFFFFFF00;

// A terminal control that is never shown: its canvas is the surface under test.
struct TScreen {
    TermWidget Widget;
    TO_VT100 Output;

    TTerm& Term() { return Widget.Term(); }
    const QImage& Image() { return Widget.Canvas().Image(); }
    void Feed(std::string_view Bytes)
    {
        Output.Process(Term(), reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                       static_cast<int>(Bytes.size()));
        if (Term().Scr.RedrawPending) Term().ReDrawScreen();
    }
    QRect Cell(int Col, int Row, int Cells = 1) { return CellRect(Term(), Col, Row, Cells); }
    int InkIn(const QRect& R) { return Ink(Image(), R, Black); }
};

QRect LeftColumn(const QRect& R) { return QRect(R.left(), R.top(), 1, R.height()); }
QRect RightColumn(const QRect& R) { return QRect(R.right(), R.top(), 1, R.height()); }
QRect TopRow(const QRect& R) { return QRect(R.left(), R.top(), R.width(), 1); }
QRect BottomRow(const QRect& R) { return QRect(R.left(), R.bottom(), R.width(), 1); }

// First inked row of a one-pixel column, or -1.
int FirstInkY(const QImage& Image, const QRect& Column)
{
    for (int Y = Column.top(); Y <= Column.bottom(); ++Y)
        if ((Image.pixel(Column.left(), Y) & 0xFFFFFF) != 0) return Y;
    return -1;
}

} // namespace

class QtCanvasTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TProgramState::Reset(); }

    void missingFaceFallsBackToKoreanCodingFace()
    {
        QVERIFY(!QFontDatabase::hasFamily("Fixedsys"));
        QtCanvas C;
        C.SetFont(TFont{}); // "Fixedsys"
        QVERIFY2(QtCanvas::FallbackFamilies().contains(C.Family()), qPrintable(C.Family()));
        QVERIFY(QFontDatabase::hasFamily(C.Family()));
        QCOMPARE(QFontInfo(C.Font()).family(), C.Family()); // not a silent substitute
        if (QFontDatabase::hasFamily("NanumGothicCoding"))
            QCOMPARE(C.Family(), "NanumGothicCoding");

        TFont Gulim; // a profile's face in code page 949, absent here
        Gulim.Name = "\xB1\xBC\xB8\xB2\xC3\xBC";
        C.SetFont(Gulim);
        QVERIFY(QtCanvas::FallbackFamilies().contains(C.Family()));

        TFont DejaVu; // an installed face is kept, not replaced
        DejaVu.Name = "DejaVu Sans Mono";
        if (!QFontDatabase::hasFamily("DejaVu Sans Mono")) QSKIP("DejaVu Sans Mono missing");
        C.SetFont(DejaVu);
        QCOMPARE(C.Family(), "DejaVu Sans Mono");
    }

    void cellIsTheAdvanceOfM_data()
    {
        QTest::addColumn<int>("Points");
        for (int P : {9, 10, 12, 14, 16, 20}) QTest::newRow(qPrintable(QString::number(P))) << P;
    }
    void cellIsTheAdvanceOfM()
    {
        QFETCH(int, Points);
        QtCanvas C;
        TFont F;
        F.Size = Points;
        C.SetFont(F);
        const QFontMetricsF M(C.Font());
        const TFontMetrics Cell = C.MeasureFont();
        QCOMPARE(Cell.AveCharWidth, static_cast<int>(std::ceil(M.horizontalAdvance('M'))));
        QCOMPARE(Cell.Height, static_cast<int>(std::ceil(M.height())));
        QCOMPARE(C.Font().pixelSize() % 2, 0);
        QVERIFY(M.horizontalAdvance(QStringLiteral("한")) <= 2 * Cell.AveCharWidth);
        if (Points == 12 && C.Family() == "NanumGothicCoding") {
            QCOMPARE(Cell.AveCharWidth, 8);
            QCOMPARE(Cell.Height, 16);
        }
    }

    void coloursAreBgrWithSystemColours()
    {
        QCOMPARE(QtCanvas::ToQColor(0x000000FF), QColor(255, 0, 0));
        QCOMPARE(QtCanvas::ToQColor(0x00123456), QColor(0x56, 0x34, 0x12));
        const QPalette Pal = QGuiApplication::palette();
        QCOMPARE(QtCanvas::ToQColor(0x80000005), Pal.color(QPalette::Active, QPalette::Base));
        QCOMPARE(QtCanvas::ToQColor(0x80000008), Pal.color(QPalette::Active, QPalette::Text));
        QCOMPARE(QtCanvas::ToQColor(0x80000063), Pal.color(QPalette::Active, QPalette::Window));
    }

    // A real session through the interpreter: Korean, colours, line drawing,
    // undecodable bytes and the cross caret. Saved for people to look at.
    void sessionScreenPixels()
    {
        TScreen S;
        TTerm& T = S.Term();
        S.Feed("  \xC7\xD1\xB1\xDB  \xBE\xC8\xB3\xE7\r\n"); // row 1: 한글, 안녕 at 3..6, 9..12
        T.Scr.CurFore = 0x000000FF;                         // red on blue
        T.Scr.CurBack = 0x00FF0000;
        S.Feed("RED");
        T.Scr.CurFore = T.Scr.FontColor;
        T.Scr.CurBack = T.Scr.BackColor;
        S.Feed(" ok\r\n");
        S.Feed("\x0Elqk\r\nx x\r\nmqj\x0F\r\n"); // rows 3..5
        S.Feed("\xA6\xA3\xA6\xA1\xA6\xA4\r\n");  // row 6: ┌─┐ as pairs
        S.Feed("\x80\xFF\xFF\x1E\x0B\r\n");      // row 7
        S.Feed("\016aaa\x0F\r\n");               // row 8: checker
        S.Feed("Hello, \xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4");

        // Hangul: one glyph over its two cells, nothing spilling to the blanks.
        for (int Col : {3, 5, 9, 11}) {
            QVERIFY2(S.InkIn(S.Cell(Col, 1)) > 0, qPrintable(QString::number(Col)));
            QVERIFY2(S.InkIn(S.Cell(Col + 1, 1)) > 0, qPrintable(QString::number(Col + 1)));
            const QRect Pair = S.Cell(Col, 1, 2);
            const QRect Glyph = InkBounds(S.Image(), Pair, Black);
            QVERIFY2(std::abs(Glyph.center().x() - Pair.center().x()) <= 2,
                     qPrintable(QString::number(Col)));
        }
        for (int Col : {1, 2, 7, 8, 13}) QCOMPARE(S.InkIn(S.Cell(Col, 1)), 0);

        // Colours: blue ground, red ink (a swap of red and blue shows here).
        const QRect R = S.Cell(1, 2);
        QCOMPARE(S.Image().pixel(R.topLeft()), qRgb(0, 0, 255));
        bool RedInk = false;
        for (int Y = R.top(); Y <= R.bottom(); ++Y)
            for (int X = R.left(); X <= R.right(); ++X) {
                const QRgb P = S.Image().pixel(X, Y);
                RedInk |= qRed(P) > 200 && qBlue(P) < 60;
            }
        QVERIFY(RedInk);

        // Line drawing reaches the cell edges and joins its neighbours.
        const QRect Corner = S.Cell(1, 3), Horiz = S.Cell(2, 3), Vert = S.Cell(1, 4);
        QVERIFY(S.InkIn(LeftColumn(Horiz)) > 0);
        QVERIFY(S.InkIn(RightColumn(Horiz)) > 0);
        QCOMPARE(S.InkIn(TopRow(Horiz)), 0);
        QVERIFY(S.InkIn(TopRow(Vert)) > 0);
        QVERIFY(S.InkIn(BottomRow(Vert)) > 0);
        QVERIFY(S.InkIn(RightColumn(Corner)) > 0);
        QVERIFY(S.InkIn(BottomRow(Corner)) > 0);
        QCOMPARE(S.InkIn(LeftColumn(Corner)), 0);
        QCOMPARE(S.InkIn(TopRow(Corner)), 0);
        QCOMPARE(FirstInkY(S.Image(), RightColumn(Corner)),
                 FirstInkY(S.Image(), LeftColumn(Horiz)));
        const QRect LowerRight = S.Cell(3, 5);
        QVERIFY(S.InkIn(LeftColumn(LowerRight)) > 0);
        QVERIFY(S.InkIn(TopRow(LowerRight)) > 0);
        QCOMPARE(S.InkIn(RightColumn(LowerRight)), 0);
        QCOMPARE(S.InkIn(BottomRow(LowerRight)), 0);

        // The same by code for code page 949 box pairs, over two cells each.
        const QRect PairHoriz = S.Cell(3, 6, 2), PairRight = S.Cell(5, 6, 2);
        QVERIFY(S.InkIn(LeftColumn(PairHoriz)) > 0);
        QVERIFY(S.InkIn(RightColumn(PairHoriz)) > 0);
        QVERIFY(S.InkIn(LeftColumn(PairRight)) > 0);
        QVERIFY(S.InkIn(BottomRow(PairRight)) > 0);
        QCOMPARE(S.InkIn(RightColumn(PairRight)), 0);
        QCOMPARE(S.InkIn(TopRow(PairRight)), 0);

        // Nothing undecodable or pictographic is left blank.
        QVERIFY(S.InkIn(S.Cell(1, 7)) > 0);    // 0x80
        QVERIFY(S.InkIn(S.Cell(2, 7, 2)) > 0); // 0xFF 0xFF
        QVERIFY(S.InkIn(S.Cell(4, 7)) > 0);    // ▲
        QVERIFY(S.InkIn(S.Cell(5, 7)) > 0);    // ♂

        // The checker is a pixel pattern: half the cell, tiling across cells.
        const QRect Checker = S.Cell(1, 8);
        QCOMPARE(S.InkIn(Checker), Checker.width() * Checker.height() / 2);
        QVERIFY(S.Image().pixel(Checker.right(), Checker.top()) !=
                S.Image().pixel(Checker.right() + 1, Checker.top()));

        // Cross caret: a line through the whole row and the whole column.
        T.SetCaret(TCaret::Cross_Block);
        T.FocusGained();
        const int W = T.Scr.CharWidth, H = T.Scr.CharHeight;
        QCOMPARE(S.Image().pixel(T.Scr.Col * W - 3, T.Scr.CurY * H - 1), Yellow);
        QCOMPARE(S.Image().pixel(T.Scr.CurX * W - 1, 20 * H), Yellow);
        QCOMPARE(S.Image().pixel(T.Scr.CurX * W - 1, 0), Yellow);

        QVERIFY(QDir().mkpath(BREVANIX_ARTIFACTS_DIR));
        QVERIFY(S.Image().save(BREVANIX_ARTIFACTS_DIR "/screen.png"));
    }

    void patInvertTwiceRestoresEveryPixel()
    {
        TScreen S;
        S.Feed("\xC7\xD1\xB1\xDB ABC \x0Elqk\x0F");
        QtCanvas& C = S.Widget.Canvas();
        const QImage Before = S.Image().copy();
        const QRect Block = S.Cell(1, 1, 12).adjusted(0, 0, 0, 2 * S.Cell(1, 1).height());

        C.SetBrushColor(0x00FFFFFF);
        QVERIFY(C.PatInvert(Block.x(), Block.y(), Block.width(), Block.height()));
        QCOMPARE(S.Image().pixel(Block.bottomRight()), 0xFFFFFFFF);
        QCOMPARE(S.Image().pixel(Block.bottomRight() + QPoint(1, 1)), Black);
        const QImage Once = S.Image().copy();
        QVERIFY(C.PatInvert(Block.x(), Block.y(), Block.width(), Block.height()));
        QVERIFY(S.Image() == Before);

        // A negative size extends left and up from the corner.
        QVERIFY(
            C.PatInvert(Block.right() + 1, Block.bottom() + 1, -Block.width(), -Block.height()));
        QVERIFY(S.Image() == Once);
        QVERIFY(C.PatInvert(Block.x(), Block.y(), Block.width(), Block.height()));
        QVERIFY(S.Image() == Before);

        // Partly or wholly off the surface: clipped, not a failure.
        QVERIFY(C.PatInvert(-10, -10, 20, 20));
        QVERIFY(S.Image().pixel(0, 0) != Before.pixel(0, 0));
        QCOMPARE(S.Image().pixel(10, 10), Before.pixel(10, 10));
        const QImage Clipped = S.Image().copy();
        QVERIFY(C.PatInvert(100000, 100000, 5, 5));
        QVERIFY(S.Image() == Clipped);
        QVERIFY(C.PatInvert(-10, -10, 20, 20));
        QVERIFY(S.Image() == Before);

        QtCanvas NoSurface;
        QVERIFY(!NoSurface.PatInvert(0, 0, 8, 16));
        QVERIFY(NoSurface.LastError() != 0);
    }

    void frameXorKeepsCornersAndUndoes()
    {
        QtCanvas C;
        C.Resize(QSize(40, 40));
        QRect Reported;
        C.OnDrawn = [&](const QRect& R) { Reported = R; };
        const QImage Before = C.Image().copy();
        C.FrameXor(TRect{10, 10, 18, 26}, 0x0000FFFF);
        QCOMPARE(Reported, QRect(10, 10, 8, 16));
        for (const QPoint P : {QPoint(10, 10), QPoint(17, 10), QPoint(10, 25), QPoint(17, 25),
                               QPoint(13, 10), QPoint(10, 18)})
            QCOMPARE(C.Image().pixel(P), Yellow);
        QCOMPARE(C.Image().pixel(18, 26), Black); // right and bottom exclusive
        QCOMPARE(Ink(C.Image(), QRect(11, 11, 6, 14), Black), 0);
        C.FrameXor(TRect{10, 10, 18, 26}, 0x0000FFFF);
        QVERIFY(C.Image() == Before);
    }

    void textStaysInsideClipAndSurface()
    {
        QtCanvas C;
        C.Resize(QSize(80, 32));
        C.SetFontColor(0x00FFFFFF);
        QRect Reported;
        C.OnDrawn = [&](const QRect& R) { Reported = R; };
        const int W = C.CellWidth(), H = C.CellHeight();
        const std::string_view Run = "MMMMMM";
        const auto* Bytes = reinterpret_cast<const std::uint8_t*>(Run.data());
        const std::uint8_t Parts[6] = {};
        C.TextRun(0, 0, TRect{0, 0, 2 * W, H}, Bytes, Parts, 6);
        QCOMPARE(Reported, QRect(0, 0, 2 * W, H));
        QVERIFY(Ink(C.Image(), QRect(0, 0, 2 * W, H), Black) > 0);
        QCOMPARE(Ink(C.Image(), QRect(2 * W, 0, 80, 32), Black), 0);

        Reported = {};
        C.TextRun(-3 * W, 24, TRect{-3 * W, 24, 3 * W, 24 + H}, Bytes, Parts, 6); // off two edges
        QCOMPARE(Reported, QRect(0, 24, 3 * W, 8));
        Reported = {};
        C.TextRun(500, 500, TRect{500, 500, 500 + 6 * W, 500 + H}, Bytes, Parts, 6);
        QVERIFY(Reported.isNull());
    }

    // Runs copied from cached cell pictures give the pixels painting gives,
    // wherever they land (the checker's phase), in whatever colours, and when
    // the cache fills up within a run (a letter seen before in it comes back).
    void cachedCellsLookPainted_data()
    {
        QTest::addColumn<QByteArray>("Bytes");
        QTest::addColumn<QByteArray>("Parts");
        QTest::addColumn<int>("Style");
        QTest::addColumn<bool>("TinyCache");
        const auto Zeros = [](int N) { return QByteArray(N, '\0'); };
        QTest::newRow("ascii") << QByteArray("Wm, gy|~") << Zeros(8) << 0 << false;
        QTest::newRow("pairs and their halves") << QByteArray("\xC7\xD1\xB1\xDB\xC7 \xB1")
                                                << QByteArray("\1\2\1\2\1\0\2", 7) << 0 << false;
        QTest::newRow("boxes and checker") << QByteArray("\x01\x06\x0A\x0A\x02\xA6\xA1")
                                           << QByteArray("\0\0\0\0\0\1\2", 7) << 0 << false;
        QTest::newRow("underline and strike-out")
            << QByteArray("rule \xC7\xD1") << QByteArray("\0\0\0\0\0\1\2", 7)
            << (fsUnderline | fsStrikeOut) << false;
        QTest::newRow("cache full within a run") << QByteArray("abcabcab") << Zeros(8) << 0 << true;
    }
    void cachedCellsLookPainted()
    {
        QFETCH(QByteArray, Bytes);
        QFETCH(QByteArray, Parts);
        QFETCH(int, Style);
        QFETCH(bool, TinyCache);
        QtCanvas Cached, Painted;
        Painted.CacheCells = false;
        if (TinyCache) Cached.MaxCellBytes = 1;
        for (QtCanvas* C : {&Cached, &Painted}) {
            const int W = C->CellWidth(), H = C->CellHeight(), Len = int(Bytes.size());
            C->Resize(QSize(12 * W, 5 * H));
            C->SetFontStyle(Style);
            // Odd offsets give the checker its other phase; the first look
            // comes back from the cache last.
            const QPoint At[] = {{0, 0}, {W + 1, H}, {3, 2 * H + 1}, {2 * W, 3 * H + 3}};
            const TColor Fore[] = {0x00C0C0C0, 0x0000FFFF, 0x00C0C0C0, 0x00C0C0C0};
            const TColor Back[] = {0, 0x00800000, 0, 0};
            for (int I = 0; I < 4; ++I) {
                C->SetFontColor(Fore[I]);
                C->SetBrushColor(Back[I]);
                const QPoint P = At[I];
                C->TextRun(P.x(), P.y(), TRect{P.x(), P.y(), P.x() + Len * W, P.y() + H},
                           reinterpret_cast<const std::uint8_t*>(Bytes.constData()),
                           reinterpret_cast<const std::uint8_t*>(Parts.constData()), Len);
            }
        }
        QVERIFY(Ink(Painted.Image(), Painted.Image().rect(), Black) > 0);
        QCOMPARE(Cached.Image(), Painted.Image());
    }

    // Halves of pairs, as a host leaves them: a lead in the last column with
    // its trail wrapped to the next row, and a pair half overwritten. Each
    // painter must give the same pixels, the halves drawn as replacements.
    void cutPairsLookTheSameFromEveryPainter()
    {
        TScreen S;
        TTerm& T = S.Term();
        Switches.CaretDrawEnabled = false;
        S.Feed(std::string(79, 'x') + "\xB0\xA1\xB3\xAA z"); // 가 cut, then 나
        S.Feed("\r\n\xB0\xA1\xB4\xD9\x1B[3;1Ha");            // row 3: a, lone trail, 다
        const auto Blank = [&] { const_cast<QImage&>(S.Image()).fill(Qt::black); };

        T.ReDrawScreen();
        const QImage Full = S.Image().copy();
        Blank();
        for (int Row = 1; Row <= 3; ++Row) T.DrawLine(Row, 1, T.Scr.Col);
        QCOMPARE(S.Image(), Full);
        Blank();
        T.Paint(TRect{0, 0, S.Image().width(), S.Image().height()});
        QCOMPARE(S.Image(), Full);

        // The orphaned trail is a replacement glyph and 나 keeps its own
        // glyph, as on a row of its own.
        S.Feed("\x1B[5;1H\xB3\xAA");
        QCOMPARE(S.Image().copy(S.Cell(2, 2, 2)), S.Image().copy(S.Cell(1, 5, 2)));
        QVERIFY(S.InkIn(S.Cell(1, 2)) > 0);
        QVERIFY(S.InkIn(S.Cell(80, 1)) > 0);
    }

    // Unfocused, each outline erases the last one; focused, the cross has no
    // hole where its lines meet.
    void caretLeavesNoOutlineAndCrossesSolid()
    {
        TScreen S;
        TTerm& T = S.Term();
        S.Feed("abc");
        T.ReDrawScreen();
        for (int Col : {5, 9, 20}) {
            T.GotoXY(Col, 2);
            T.ShowCaret();
        }
        const QImage Moved = S.Image().copy();
        T.ReDrawScreen();
        T.ShowCaret();
        QCOMPARE(Moved, S.Image());
        QVERIFY(S.InkIn(S.Cell(20, 2)) > 0);

        T.SetCaret(TCaret::Cross_Block);
        T.FocusGained();
        const QRect C = S.Cell(20, 2);
        QCOMPARE(S.Image().pixel(C.right(), C.bottom()), Yellow);
        QCOMPARE(S.Image().pixel(C.right(), 0), Yellow);
        QCOMPARE(S.Image().pixel(0, C.bottom()), Yellow);

        // Moved over pairs, lead cell and trail cell, the cross leaves
        // nothing behind; its lines are erased a pixel wide, not cells whole.
        S.Feed("\x1B[3;1H\xC7\xD1\xB1\xDB");
        QtCanvas& Canvas = S.Widget.Canvas();
        const int W = T.Scr.CharWidth, H = T.Scr.CharHeight;
        const QtCanvas::TDrawnFn Show = Canvas.OnDrawn;
        qint64 Area = 0;
        Canvas.OnDrawn = [&](const QRect& R) {
            Area += qint64{R.width()} * R.height();
            Show(R);
        };
        for (int Col : {1, 2, 3, 4, 5}) {
            T.GotoXY(Col, 3);
            Area = 0;
            T.ShowCaret();
            // Two cells' blocks, each line erased and drawn.
            QVERIFY(Area <= 4 * W * H + 2 * (T.Scr.Col * W + T.Scr.Row * H));
        }
        Canvas.OnDrawn = Show;
        const QImage Crossed = S.Image().copy();
        T.ReDrawScreen();
        T.ShowCaret();
        QCOMPARE(Crossed, S.Image());
    }

    void resizeKeepsThePicture()
    {
        QtCanvas C;
        C.Resize(QSize(32, 32));
        C.SetBrushColor(0x000000FF);
        QVERIFY(C.PatInvert(0, 0, 8, 8));
        C.Resize(QSize(64, 48));
        QCOMPARE(C.Image().size(), QSize(64, 48));
        QCOMPARE(C.Image().pixel(7, 7), qRgb(255, 0, 0));
        C.Resize(QSize(4, 4));
        C.Resize(QSize(16, 16));
        QCOMPARE(C.Image().pixel(3, 3), qRgb(255, 0, 0));
        QCOMPARE(C.Image().pixel(5, 5), Black);
    }
};

std::unique_ptr<QObject> NewQtCanvasTest() { return std::make_unique<QtCanvasTest>(); }

#include "QtCanvasTest.moc"
