// Korean typed into the real program on a real X server: brevanix runs under
// Xvfb against a one-shot telnetd whose script keeps every byte it receives,
// xdotool presses the keys, and the window is grabbed while a syllable is
// being composed (build/artifacts/ime-composing.png) and while the Hanja
// list is open (build/artifacts/hanja-list.png). Run by CTest under xvfb-run
// with QT_QPA_PLATFORM=xcb.
#include "TelnetdHost.h"
#include "WaitUntil.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr int WaitMs = 20000;

QByteArray Q(const std::string& S) { return QByteArray::fromStdString(S); }

// Runs xdotool; true when it succeeded, with what it printed in Out.
bool Xdotool(const QStringList& Args, QByteArray* Out = nullptr)
{
    QProcess P;
    P.start(QStringLiteral("xdotool"), Args);
    if (!P.waitForFinished(WaitMs) || P.exitStatus() != QProcess::NormalExit || P.exitCode() != 0)
        return false;
    if (Out) *Out = P.readAllStandardOutput().trimmed();
    return true;
}

// The caret colour (the profile's default, yellow, its blend with black at a
// glyph's edge included). In Hangul mode the caret itself is drawn in another
// colour, so new pixels of it are the composed syllable's.
bool CaretYellow(QRgb P)
{
    return qRed(P) >= 0x80 && qGreen(P) >= 0x80 && qBlue(P) < 0x40 &&
           std::abs(qRed(P) - qGreen(P)) < 0x40;
}
// The Hanja list's background; the terminal's black screen has none.
bool White(QRgb P) { return qRed(P) > 0xF0 && qGreen(P) > 0xF0 && qBlue(P) > 0xF0; }

// Pixels of After that are of a kind and were not in Before.
int NewPixels(const QImage& Before, const QImage& After, bool (*Kind)(QRgb))
{
    const QImage B = Before.convertToFormat(QImage::Format_RGB32);
    const QImage A = After.convertToFormat(QImage::Format_RGB32);
    if (A.size() != B.size()) return 0;
    int N = 0;
    for (int Y = 0; Y < A.height(); ++Y)
        for (int X = 0; X < A.width(); ++X) N += Kind(A.pixel(X, Y)) && !Kind(B.pixel(X, Y));
    return N;
}

// The real program against a one-shot telnetd whose script keeps every byte
// it receives in Typed, with a profile file of its own (Ini's text) beside a
// copy of the program, and its window given the keyboard.
struct TTypedSession {
    TTempDir Dir;
    std::string Typed = Dir / "typed";
    TOneShotTelnetHost Host;
    QProcess Program;
    QByteArray Window;

    ~TTypedSession()
    {
        Program.kill();
        Program.waitForFinished(WaitMs);
    }

    // Empty when all went well, else what did not.
    QString Start(const char* Ini)
    {
        const QString Exe = QString::fromStdString(Dir / "brevanix");
        if (!QFile::copy(QStringLiteral(BREVANIX_EXE), Exe) ||
            !QFile::setPermissions(Exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return QStringLiteral("cannot copy the program");
        WriteBytes(Dir / "Brevanix.ini", Ini);
        std::string Error;
        if (!Host.Start(HostCommand("typed_bytes.sh") + " " + Typed, Error))
            return QString::fromStdString(Error);
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        for (const char* Im : {"QT_IM_MODULE", "XMODIFIERS", "GTK_IM_MODULE"})
            Env.remove(QString::fromLatin1(Im)); // the built-in composer
        Env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        Program.setProcessEnvironment(Env);
        Program.setProcessChannelMode(QProcess::ForwardedChannels);
        Program.start(Exe, {"-D", "127.0.0.1", QString::number(Host.Port())});
        if (!Program.waitForStarted(WaitMs)) return QStringLiteral("the program did not start");
        // The host's script runs, in raw mode, once the session is up.
        if (!WaitUntil([&] { return std::filesystem::exists(Typed); }, WaitMs))
            return QStringLiteral("the host never started its script");
        QByteArray Found;
        if (!Xdotool({"search", "--sync", "--onlyvisible", "--pid",
                      QString::number(Program.processId())},
                     &Found))
            return QStringLiteral("no window of the program");
        Window = Found.split('\n').value(0);
        if (Window.isEmpty() || !Xdotool({"windowfocus", "--sync", QString::fromLatin1(Window)}))
            return QStringLiteral("cannot focus the window");
        return {};
    }

    bool Keys(const QString& List)
    {
        return Xdotool(QStringList{"key", "--delay", "30"} + List.split(' '));
    }
    QByteArray Received() const { return Q(ReadBytes(Typed)); }
    // Waits for Count bytes at the host and returns what it has.
    QByteArray Await(qsizetype Count) const
    {
        WaitUntil([&] { return Received().size() >= Count; }, WaitMs);
        return Received();
    }
    QImage Grab() const
    {
        return QGuiApplication::primaryScreen()->grabWindow(Window.toULongLong()).toImage();
    }
};

} // namespace

class ImeE2eTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is missing (scripts/test installs it): Korean typing on X not tried");
        QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "run under xvfb-run");
    }

    // Shift+Space (HanEng=1) to Hangul, 안녕 and a space, 하 left composing
    // for the picture, then Esc: it commits 하, goes to the host itself and
    // leaves Hangul mode, so the last letter is plain.
    void typedKoreanReachesTheHost()
    {
        TTypedSession S;
        const QString Failed = S.Start("[Global]\nHanEng=1\n");
        QVERIFY2(Failed.isEmpty(), qPrintable(Failed));

        QVERIFY(S.Keys(QStringLiteral("shift+space d k s s u d space")));
        QCOMPARE(S.Await(5), QByteArray("\xBE\xC8\xB3\xE7 ")); // 안녕

        const QImage Before = S.Grab();
        QVERIFY(S.Keys(QStringLiteral("g k")));
        QImage Shot;
        const bool Shown = WaitUntil(
            [&] {
                Shot = S.Grab();
                return NewPixels(Before, Shot, CaretYellow) > 20;
            },
            WaitMs);
        qInfo("new caret colour pixels: %d", NewPixels(Before, Shot, CaretYellow));
        // Saved either way: the picture tells what went wrong.
        QVERIFY(QDir().mkpath(QStringLiteral(BREVANIX_ARTIFACTS_DIR)));
        QVERIFY(Shot.save(QStringLiteral(BREVANIX_ARTIFACTS_DIR "/ime-composing.png")));
        QVERIFY2(Shown, "the syllable being composed is not shown");
        QCOMPARE(S.Received().size(), 5); // 하 is still being composed

        QVERIFY(S.Keys(QStringLiteral("Escape a")));
        const QByteArray All("\xBE\xC8\xB3\xE7 \xC7\xCF\x1B"
                             "a");
        QCOMPARE(S.Await(All.size()), All);
    }

    // The 3-set final layout from the profile: m f s is 한 there. Then 한
    // again, F9 for its Hanja, the list on screen (build/artifacts/
    // hanja-list.png), and 1: the host gets the first candidate, 韓, in
    // place of the syllable, which it never saw.
    void threeSetLayoutAndHanjaReachTheHost()
    {
        TTypedSession S;
        const QString Failed = S.Start("[Global]\nHanEng=1\nHangulLayout=3f\n");
        QVERIFY2(Failed.isEmpty(), qPrintable(Failed));

        QVERIFY(S.Keys(QStringLiteral("shift+space m f s space")));
        QCOMPARE(S.Await(3), QByteArray("\xC7\xD1 "));

        QVERIFY(S.Keys(QStringLiteral("m f s")));
        const QImage Before = S.Grab();
        QVERIFY(S.Keys(QStringLiteral("F9")));
        QImage Shot;
        const bool Shown = WaitUntil(
            [&] {
                Shot = S.Grab();
                return NewPixels(Before, Shot, White) > 2000; // nine rows' background
            },
            WaitMs);
        QVERIFY(QDir().mkpath(QStringLiteral(BREVANIX_ARTIFACTS_DIR)));
        QVERIFY(Shot.save(QStringLiteral(BREVANIX_ARTIFACTS_DIR "/hanja-list.png")));
        QVERIFY2(Shown, "no candidate list");
        QCOMPARE(S.Received(), QByteArray("\xC7\xD1 ")); // nothing sent yet

        QVERIFY(S.Keys(QStringLiteral("1")));
        QCOMPARE(S.Await(5), QByteArray("\xC7\xD1 \xF9\xDB")); // 韓
    }
};

QTEST_MAIN(ImeE2eTest)
#include "ImeE2eTest.moc"
