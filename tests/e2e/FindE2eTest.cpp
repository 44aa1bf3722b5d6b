// Finding and links in the real main window on a real X server, over a real
// telnetd: a host writes 5,000 lines with one Korean marker line, the marker
// is typed through the built-in composer and the view moves to it; a URL the
// host wrapped at the margin is one link under Ctrl. Leaves
// build/artifacts/find-bar.png and link-hover.png.
#include "E2eSession.h"
#include "TelnetdHost.h"
#include "app/FindBar.h"
#include "text/Cp949.h"

#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

namespace {

void Save(TE2eSession& S, const char* Name)
{
    QVERIFY(QDir().mkpath(QStringLiteral(BREVANIX_ARTIFACTS_DIR)));
    const QPixmap Shot = S.Form->grab();
    QVERIFY(Shot.save(QStringLiteral(BREVANIX_ARTIFACTS_DIR "/%1").arg(QLatin1String(Name))));
}

} // namespace

class FindE2eTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(TOneShotTelnetHost::TelnetdInstalled(),
                 "/usr/sbin/telnetd is missing: install inetutils-telnetd (scripts/test does)");
    }

    void markerInFiveThousandLinesAndAWrappedLink()
    {
        TOneShotTelnetHost Host;
        START_HOST(Host, "find_host.sh");
        TE2eSession S;
        S.StartAlias("find", Host.Port(), "ScrollBuffer=6000\nRow=24\nCol=80\n");
        S.Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(S.Form.get()));
        S.Form->Term1->setFocus();
        QVERIFY(S.WaitForRow("end of log"));
        QVERIFY(S.Term().Scr.ScrollBack.Count > 5000);

        // 표식 in the 2-set layout: v y t l r.
        QVERIFY(S.Term().SetHangulMode(true));
        QTest::keySequence(S.Form->Term1, QKeySequence(QStringLiteral("Ctrl+Shift+F")));
        TFindBar* Bar = S.Form->FindBar;
        QVERIFY(Bar->isVisible());
        QTest::keyClicks(Bar->Edit, QStringLiteral("vytlr"));
        QCOMPARE(Bar->Edit->SearchText(), QStringLiteral("표식"));
        QCOMPARE(Bar->Count->text(), QStringLiteral("1 / 1"));
        const TTextSpan M = S.Form->Finder().Matches()[0];
        const int Row = RowOfLine(S.Term(), M.From.Line);
        QVERIFY(Row > 0);
        QCOMPARE(QString::fromStdString(S.Shown(Row)), QStringLiteral("2500 한글 표식 줄"));
        Save(S, "find-bar.png");
        QTest::keyClick(Bar->Edit, Qt::Key_Escape);
        QVERIFY(!S.Term().Scr.ScrollBack.Browsing);

        // The URL's second row, under Ctrl.
        int UrlRow = 0;
        for (int R = 1; R <= S.Term().Scr.Row && !UrlRow; ++R)
            if (S.Row(R).starts_with("manual: https://")) UrlRow = R;
        QVERIFY(UrlRow > 0 && UrlRow < S.Term().Scr.Row);
        const TScr& Scr = S.Term().Scr;
        const QPoint At(4 * Scr.CharWidth + 2, UrlRow * Scr.CharHeight + 2); // row below
        QMouseEvent Move(QEvent::MouseMove, At, S.Form->Term1->mapToGlobal(At), Qt::NoButton,
                         Qt::NoButton, Qt::ControlModifier);
        QCoreApplication::sendEvent(S.Form->Term1, &Move);
        QVERIFY(S.Form->Term1->HoveredLink());
        QCOMPARE(S.Form->StatusHint->text(),
                 QStringLiteral("https://docs.example.com/guides/terminal/search-and-links/"
                                "korean-hosts-and-the-scroll-back.html"));
        Save(S, "link-hover.png");
        S.Form->ClientSocket1->Close();
    }
};

QTEST_MAIN(FindE2eTest)
#include "FindE2eTest.moc"
