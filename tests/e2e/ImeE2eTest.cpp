// Korean typed into the real program on a real X server: brevanix runs under
// Xvfb against a one-shot telnetd whose script keeps every byte it receives,
// xdotool presses the keys, and the window is grabbed while a syllable is
// being composed (build/artifacts/ime-composing.png). Run by CTest under
// xvfb-run with QT_QPA_PLATFORM=xcb.
#include "TelnetdHost.h"
#include "WaitUntil.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScopeGuard>
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

// Pixels that turned the caret colour (the profile's default, yellow, its
// blend with black at a glyph's edge included) from Before to After. In
// Hangul mode the caret itself is drawn in another colour, so these are the
// composed syllable's.
int NewCaretColourPixels(const QImage& Before, const QImage& After)
{
    const auto Yellow = [](QRgb P) {
        return qRed(P) >= 0x80 && qGreen(P) >= 0x80 && qBlue(P) < 0x40 &&
               std::abs(qRed(P) - qGreen(P)) < 0x40;
    };
    const QImage B = Before.convertToFormat(QImage::Format_RGB32);
    const QImage A = After.convertToFormat(QImage::Format_RGB32);
    if (A.size() != B.size()) return 0;
    int N = 0;
    for (int Y = 0; Y < A.height(); ++Y)
        for (int X = 0; X < A.width(); ++X) N += Yellow(A.pixel(X, Y)) && !Yellow(B.pixel(X, Y));
    return N;
}

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
        TTempDir Dir;
        // A copy of the program with a profile file of its own beside it.
        const QString Exe = QString::fromStdString(Dir / "brevanix");
        QVERIFY(QFile::copy(QStringLiteral(BREVANIX_EXE), Exe));
        QVERIFY(QFile::setPermissions(Exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        WriteBytes(Dir / "Brevanix.ini", "[Global]\nHanEng=1\n");
        const std::string Typed = Dir / "typed";

        TOneShotTelnetHost Host;
        std::string StartError;
        QVERIFY2(Host.Start(HostCommand("typed_bytes.sh") + " " + Typed, StartError),
                 StartError.c_str());

        QProcess Program;
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        for (const char* Im : {"QT_IM_MODULE", "XMODIFIERS", "GTK_IM_MODULE"})
            Env.remove(QString::fromLatin1(Im)); // the built-in composer
        Env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        Program.setProcessEnvironment(Env);
        Program.setProcessChannelMode(QProcess::ForwardedChannels);
        Program.start(Exe, {"-D", "127.0.0.1", QString::number(Host.Port())});
        QVERIFY(Program.waitForStarted(WaitMs));
        const auto Stop = qScopeGuard([&] {
            Program.kill();
            Program.waitForFinished(WaitMs);
        });

        // The host's script runs, in raw mode, once the session is up.
        QVERIFY2(WaitUntil([&] { return std::filesystem::exists(Typed); }, WaitMs),
                 "the host never started its script");
        QByteArray Found;
        QVERIFY(Xdotool(
            {"search", "--sync", "--onlyvisible", "--pid", QString::number(Program.processId())},
            &Found));
        const QByteArray Window = Found.split('\n').value(0);
        QVERIFY2(!Window.isEmpty(), "no window of the program");
        QVERIFY(Xdotool({"windowfocus", "--sync", QString::fromLatin1(Window)}));
        const auto Keys = [](const QString& List) {
            return Xdotool(QStringList{"key", "--delay", "30"} + List.split(' '));
        };

        QVERIFY(Keys(QStringLiteral("shift+space d k s s u d space")));
        QVERIFY2(WaitUntil([&] { return ReadBytes(Typed).size() >= 5; }, WaitMs),
                 Q(ReadBytes(Typed)).toHex(' ').constData());
        QCOMPARE(Q(ReadBytes(Typed)), QByteArray("\xBE\xC8\xB3\xE7 ")); // 안녕

        QScreen* Screen = QGuiApplication::primaryScreen();
        const WId Id = Window.toULongLong();
        const QImage Before = Screen->grabWindow(Id).toImage();
        QVERIFY(Keys(QStringLiteral("g k")));
        QImage Shot;
        const bool Shown = WaitUntil(
            [&] {
                Shot = Screen->grabWindow(Id).toImage();
                return NewCaretColourPixels(Before, Shot) > 20;
            },
            WaitMs);
        qInfo("new caret colour pixels: %d", NewCaretColourPixels(Before, Shot));
        // Saved either way: the picture tells what went wrong.
        QVERIFY(QDir().mkpath(QStringLiteral(BREVANIX_ARTIFACTS_DIR)));
        QVERIFY(Shot.save(QStringLiteral(BREVANIX_ARTIFACTS_DIR "/ime-composing.png")));
        QVERIFY2(Shown, "the syllable being composed is not shown");
        QCOMPARE(Q(ReadBytes(Typed)).size(), 5); // 하 is still being composed

        QVERIFY(Keys(QStringLiteral("Escape a")));
        const QByteArray All("\xBE\xC8\xB3\xE7 \xC7\xCF\x1B"
                             "a");
        WaitUntil([&] { return Q(ReadBytes(Typed)).size() >= All.size(); }, WaitMs);
        QCOMPARE(Q(ReadBytes(Typed)), All);
    }
};

QTEST_MAIN(ImeE2eTest)
#include "ImeE2eTest.moc"
