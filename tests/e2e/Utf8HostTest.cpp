// The real main window with a real telnetd serving a shell under ko_KR.UTF-8,
// the profile's HostEncoding at UTF-8: Korean typed, echoed, listed and
// edited arrives and shows as it would from a code page 949 host, and every
// character takes the columns the host counts for it.
#include "E2eSession.h"
#include "TelnetdHost.h"
#include "support/TempDir.h"
#include "text/Cp949.h"

#include <QTest>

#include <clocale>
#include <locale.h>

namespace {

QByteArray Q(const std::string& S) { return QByteArray::fromStdString(S); }
std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }

bool KoreanUtf8Locale()
{
    const locale_t L = newlocale(LC_CTYPE_MASK, "ko_KR.UTF-8", nullptr);
    if (L) freelocale(L);
    return L != nullptr;
}

// The shell of hosts/utf8_shell.sh in Files, reached through an alias whose
// host speaks UTF-8.
struct TKoreanShell {
    TTempDir Files;
    TOneShotTelnetHost Host;
    TE2eSession S;

    bool Start(bool Xterm = false)
    {
        std::string Error;
        if (!Host.Start(HostCommand("utf8_shell.sh") + " " + Files.Path(), Error)) return false;
        S.StartAlias("utf8", Host.Port(),
                     std::string("HostEncoding=UTF-8\nXtermLevel=") + (Xterm ? "1" : "0") + "\n");
        return S.WaitForRow("$");
    }
    // Typed, then Enter; true once a row starts with Shown and the shell
    // prompts again.
    bool Command(const QString& Line, const std::string& Shown)
    {
        S.Type(Line);
        S.PressEnter();
        return S.WaitForRow(Shown) &&
               WaitUntil([&] { return S.Row(S.Term().Scr.CurY) == "$"; }, E2eWaitMs);
    }
    void Finish()
    {
        S.Form->ClientSocket1->Close();
        QVERIFY(WaitUntil([&] { return Host.Exited(); }, E2eWaitMs));
        Host.Stop();
    }
};

} // namespace

class Utf8HostTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(TOneShotTelnetHost::TelnetdInstalled(),
                 "/usr/sbin/telnetd is missing: install inetutils-telnetd (scripts/test does)");
        QVERIFY2(KoreanUtf8Locale(), "no ko_KR.UTF-8 locale: localedef -i ko_KR -f UTF-8 "
                                     "ko_KR.UTF-8 (scripts/test makes it)");
    }

    void echoAndLsShowKorean()
    {
        TKoreanShell K;
        QVERIFY(K.Start());
        TE2eSession& S = K.S;
        QVERIFY(K.Command(QStringLiteral("echo 한글"), Ko("한글")));
        const int Echoed = S.FindRow(Ko("한글"));
        QCOMPARE(Q(S.Row(Echoed)), Q(Ko("한글")));
        QCOMPARE(S.Term().Scr.Lines[Echoed]->Cells[1].DbcsPart, std::uint8_t{1});
        QCOMPARE(S.Term().Scr.Lines[Echoed]->Cells[2].DbcsPart, std::uint8_t{2});
        // What the host got: UTF-8.
        QVERIFY(K.Command(QStringLiteral("printf 한글 | od -An -tx1"), " ed 95 9c ea b8 80"));

        // ls lays the names out in columns by its own count of their widths:
        // each starts where ls put it, the `·` in one cell, the emoji and 个
        // in two.
        QVERIFY(K.Command(QStringLiteral("ls"), Ko("한.txt")));
        const int First = S.FindRow(Ko("한.txt"));
        const struct {
            int Row;
            const char* Name;
            int Column;
        } Names[] = {{0, "한.txt", 1},     {0, "가나다.txt", 11},    {0, "메모.txt", 23},
                     {0, "사진📷.jpg", 33}, {0, "회의·메모.txt", 47}, {1, "个人.txt", 1},
                     {1, "기호.txt", 11},  {1, "보고서", 23},        {1, "한글문서.hwp", 33}};
        for (const auto& N : Names) QCOMPARE(S.ColumnOf(First + N.Row, N.Name), N.Column);
        QCOMPARE(S.ColumnOf(First, "메모.txt", 48), 52);
        K.Finish();
    }

    // Full-screen programs place text by the host's widths: htop's sort mark
    // (▽, wide in code page 949) is one cell before the next heading, and
    // vim's cursor lands on the cell we drew its target in.
    void fullScreenProgramsKeepTheirColumns()
    {
        TKoreanShell K;
        QVERIFY(K.Start(true));
        TE2eSession& S = K.S;
        S.Type(QStringLiteral("htop"));
        S.PressEnter();
        QVERIFY(S.WaitForText("PID USER"));
        const int Header = S.FindRow("  PID USER");
        QVERIFY(QString::fromStdString(S.Shown(Header)).contains(QStringLiteral("CPU%▽MEM%")));
        QCOMPARE(S.ColumnOf(Header, "MEM%"), S.ColumnOf(Header, "CPU%") + 5);
        S.Type(QStringLiteral("q"));
        QVERIFY(WaitUntil([&] { return S.Row(S.Term().Scr.CurY) == "$"; }, E2eWaitMs));

        S.Type(QStringLiteral("vim -u NONE 기호.txt"));
        S.PressEnter();
        QVERIFY(WaitUntil([&] { return S.Shown(1) == "가·나→个😀|끝"; }, E2eWaitMs));
        QCOMPARE(S.ColumnOf(1, "|"), 11);
        S.Type(QStringLiteral("f|"));
        QVERIFY(WaitUntil([&] { return S.Term().Scr.CurX == 11; }, E2eWaitMs));
        S.Type(QStringLiteral(":q!"));
        S.PressEnter();
        QVERIFY(WaitUntil([&] { return S.Row(S.Term().Scr.CurY) == "$"; }, E2eWaitMs));
        K.Finish();
    }

    // vim at either level: the file shows, a Korean word typed in insert mode
    // is written to the file in UTF-8, and the shell's screen comes back.
    void vimEditsAKoreanFile_data()
    {
        QTest::addColumn<bool>("Xterm");
        QTest::newRow("classic") << false;
        QTest::newRow("xterm") << true;
    }
    void vimEditsAKoreanFile()
    {
        QFETCH(bool, Xterm);
        TKoreanShell K;
        QVERIFY(K.Start(Xterm));
        TE2eSession& S = K.S;
        S.Type(QStringLiteral("vim -u NONE 메모.txt"));
        S.PressEnter();
        QVERIFY(S.WaitForRow(Ko("첫째 줄: 안녕하세요")));
        QVERIFY(S.WaitForRow(Ko("둘째 줄: 한글 UTF-8 파일")));
        S.Type(QStringLiteral("A 끝"));
        QTest::keyClick(S.Form->Term1, Qt::Key_Escape);
        QVERIFY(S.WaitForRow(Ko("첫째 줄: 안녕하세요 끝")));
        S.Type(QStringLiteral(":wq"));
        S.PressEnter();
        QVERIFY(WaitUntil([&] { return S.Row(S.Term().Scr.CurY) == "$"; }, E2eWaitMs));
        QCOMPARE(Q(ReadBytes(K.Files / "메모.txt")),
                 QByteArray("첫째 줄: 안녕하세요 끝\n둘째 줄: 한글 UTF-8 파일\n"));
        K.Finish();
    }
};

QTEST_MAIN(Utf8HostTest)
#include "Utf8HostTest.moc"
