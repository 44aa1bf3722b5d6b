// Finding in the main window, offscreen: the bar, Korean typed through the
// built-in composer, steps that move the view, the highlight following the
// host's output, Esc back to the live screen; links under Ctrl.
#include "MainWindowRig.h"
#include "app/FindBar.h"
#include "common/Switches.h"
#include "text/Cp949.h"

#include "../e2e/WaitUntil.h"

#include <QCheckBox>
#include <QLabel>

namespace {

// Count lines of filler with Text on line At (1-based), each ending CR LF.
std::string Lines(int Count, int At, const std::string& Text)
{
    std::string S;
    for (int I = 1; I <= Count; ++I) S += (I == At ? Text : "line " + std::to_string(I)) + "\r\n";
    return S;
}

// The colour of the cell's top-left pixel on screen, where no glyph draws.
QColor CellColour(TWindow& W, int Col, int Row)
{
    const TScr& S = W.Term().Scr;
    return W.Form.Term1->grab().toImage().pixelColor((Col - 1) * S.CharWidth,
                                                     (Row - 1) * S.CharHeight);
}
bool Highlighted(const QColor& C) { return C.red() > 60 && C.blue() < 40; }

} // namespace

class FindTest : public QObject {
    Q_OBJECT
private slots:
    // 한글 typed as g k s r m f through the composer finds the line in the
    // scroll-back; the view moves to it, and Esc returns to the live screen
    // with the window as it was.
    void koreanWordFromTheComposerIsFound()
    {
        TWindow W;
        W.Feed(Lines(80, 10, "kernel: " + Cp949::FromUtf8("한글 로그") + " ok"));
        const int Height = W.Form.height();
        QVERIFY(W.Term().SetHangulMode(true));
        W.Action("actFind")->trigger();
        TFindBar* Bar = W.Form.FindBar;
        QVERIFY(Bar->isVisible() && Bar->Edit->hasFocus());
        QVERIFY(W.Form.height() > Height); // the grid keeps its rows
        QTest::keyClicks(Bar->Edit, QStringLiteral("gksrmf"));
        QCOMPARE(Bar->Edit->SearchText(), QStringLiteral("한글"));
        QCOMPARE(Bar->Count->text(), QStringLiteral("1 / 1"));
        const TTextSpan& M = W.Form.Finder().Matches()[0];
        QCOMPARE(M.From.Col, 9);
        QCOMPARE(M.To.Col, 12); // both pairs whole
        QVERIFY(W.Term().Scr.ScrollBack.Browsing);
        QVERIFY(RowOfLine(W.Term(), M.From.Line) != 0);
        QTest::keyClick(Bar->Edit, Qt::Key_Escape);
        QVERIFY(Bar->isHidden());
        QVERIFY(!W.Term().Scr.ScrollBack.Browsing);
        QVERIFY(W.Form.Term1->hasFocus());
        QCOMPARE(W.Form.height(), Height);
    }

    // Enter, Shift+Enter and F3 step in order round the ends; the count says
    // where; the exact-case box narrows the matches.
    void stepsGoRoundTheEnds()
    {
        TWindow W;
        W.Feed(Lines(60, 5, "Error one") + Lines(2, 1, "error two") + Lines(3, 2, "ERROR three"));
        W.Action("actFind")->trigger();
        TFindBar* Bar = W.Form.FindBar;
        QTest::keyClicks(Bar->Edit, QStringLiteral("error"));
        // Typing made the first match below the view's top current: the
        // newest two are on screen, so "error two".
        QCOMPARE(Bar->Count->text(), QStringLiteral("2 / 3"));
        QStringList Seen;
        for (const auto& [Key, Held] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                        {Qt::Key_Return, Qt::NoModifier},
                                        {Qt::Key_F3, Qt::ShiftModifier},
                                        {Qt::Key_Enter, Qt::ShiftModifier}}) {
            QTest::keyClick(Bar->Edit, Key, Held);
            Seen << Bar->Count->text();
        }
        QCOMPARE(Seen, (QStringList{"3 / 3", "1 / 3", "3 / 3", "2 / 3"}));
        Bar->ExactCase->setChecked(true);
        QCOMPARE(Bar->Count->text(), QStringLiteral("1 / 1"));
    }

    // Output while the bar is open scrolls the text: the highlight is drawn
    // on the match's new row, the count takes in a new match, and nothing is
    // drawn over a full-screen program's screen.
    void highlightFollowsTheOutput()
    {
        TWindow W;
        W.Feed(Lines(30, 28, "marker"));
        W.Action("actFind")->trigger();
        QTest::keyClicks(W.Form.FindBar->Edit, QStringLiteral("marker"));
        const long long Line = W.Form.Finder().Matches()[0].From.Line;
        const int Row = RowOfLine(W.Term(), Line);
        QVERIFY(Row > 0);
        QVERIFY(Highlighted(CellColour(W, 1, Row)));
        W.Feed(Lines(5, 3, "another marker"));
        QCOMPARE(RowOfLine(W.Term(), Line), Row - 5);
        QVERIFY(WaitUntil([&] { return W.Form.FindBar->Count->text().endsWith(" 2"); }, 5000));
        QVERIFY(Highlighted(CellColour(W, 1, Row - 5)));
        QVERIFY(!Highlighted(CellColour(W, 1, Row)));
        // A full-screen program's own screen holds no match.
        Switches.XtermLevel = true;
        W.Feed("\x1b[?1049h");
        QVERIFY(!Highlighted(CellColour(W, 1, Row - 5)));
        W.Feed("\x1b[?1049l");
        QVERIFY(Highlighted(CellColour(W, 1, Row - 5)));
    }

    // Ctrl over a URL underlines it and names it in the status line (in
    // place of the cell's codes Ctrl shows elsewhere); Ctrl+click opens it
    // and starts no selection. Without Ctrl a click is the terminal's.
    void linksUnderCtrl()
    {
        TWindow W;
        W.Feed("see https://example.com/a_(b). next\r\n");
        QStringList Opened;
        W.Form.Term1->OpenLink = [&](const QString& Url) { Opened << Url; };
        const QPoint On = W.CellCentre(10, 1), Off = W.CellCentre(2, 1);
        W.MoveMouse(On);
        QVERIFY(!W.Form.Term1->HoveredLink());
        W.MoveMouse(On, Qt::ControlModifier);
        QVERIFY(W.Form.Term1->HoveredLink());
        QCOMPARE(W.Form.StatusHint->text(), QStringLiteral("https://example.com/a_(b)"));
        QTest::mouseClick(W.Form.Term1, Qt::LeftButton, Qt::ControlModifier, On);
        QCOMPARE(Opened, QStringList{"https://example.com/a_(b)"});
        QVERIFY(!W.Term().Scr.SelActive);
        QTest::mouseClick(W.Form.Term1, Qt::LeftButton, Qt::NoModifier, On);
        QCOMPARE(Opened.size(), 1);
        QVERIFY(W.Term().Scr.SelActive); // the terminal's selection, as ever
        W.MoveMouse(Off, Qt::ControlModifier);
        QVERIFY(!W.Form.Term1->HoveredLink());
        QVERIFY(W.Form.StatusHint->text().startsWith("Char[")); // Ctrl's cell codes again
    }
};

QTEST_MAIN(FindTest)
#include "FindTest.moc"
