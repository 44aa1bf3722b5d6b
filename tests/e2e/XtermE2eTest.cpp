// Full-screen programs through the real program at the xterm level: brevanix
// runs under Xvfb with a profile that has XtermLevel=1, a one-shot telnetd
// serves nano, mc, htop or dialog, and xdotool types the keys. nano must save
// what was typed, mc must quit on F10, and build/artifacts/ gets a picture of
// each (xterm-*.png). Run by CTest under xvfb-run with QT_QPA_PLATFORM=xcb.
#include "TelnetdHost.h"
#include "WaitUntil.h"
#include "support/TempDir.h"
#include "text/Cp949.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

#include <filesystem>
#include <functional>
#include <memory>

namespace {

constexpr int WaitMs = 30000;

bool Xdotool(const QStringList& Args, QByteArray* Out = nullptr)
{
    QProcess P;
    P.start(QStringLiteral("xdotool"), Args);
    if (!P.waitForFinished(WaitMs) || P.exitStatus() != QProcess::NormalExit || P.exitCode() != 0)
        return false;
    if (Out) *Out = P.readAllStandardOutput().trimmed();
    return true;
}

bool Near(QRgb P, int R, int G, int B)
{
    return std::abs(qRed(P) - R) < 24 && std::abs(qGreen(P) - G) < 24 &&
           std::abs(qBlue(P) - B) < 24;
}

// The share of the picture's pixels in a colour, and the number of pixel rows
// that are mostly that colour (a bar across the screen).
double Share(const QImage& I, int R, int G, int B)
{
    long N = 0;
    for (int Y = 0; Y < I.height(); ++Y)
        for (int X = 0; X < I.width(); ++X) N += Near(I.pixel(X, Y), R, G, B);
    return I.isNull() ? 0 : static_cast<double>(N) / (I.width() * I.height());
}
int BarRows(const QImage& I, int R, int G, int B)
{
    int Rows = 0;
    for (int Y = 0; Y < I.height(); ++Y) {
        int N = 0;
        for (int X = 0; X < I.width(); ++X) N += Near(I.pixel(X, Y), R, G, B);
        Rows += N > I.width() * 3 / 4;
    }
    return Rows;
}

// Our palette's navy (blue) and teal (cyan), and the default silver text
// that reverse video turns into a bar.
constexpr int Navy[] = {0, 0, 128}, Teal[] = {0, 128, 128}, Silver[] = {192, 192, 192};

// One session: a copy of the program with an xterm profile beside it,
// connected to a host that runs Program and writes Marker when it ends.
class TSession {
public:
    TTempDir Dir;
    std::string Marker = Dir / "ended";
    TOneShotTelnetHost Host;
    QProcess Program;
    QByteArray Window;

    bool Start(const std::string& Command, QString& Error)
    {
        const QString Exe = QString::fromStdString(Dir / "brevanix");
        if (!QFile::copy(QStringLiteral(BREVANIX_EXE), Exe)) return Fail(Error, "copy");
        QFile::setPermissions(Exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        WriteBytes(Dir / "Brevanix.ini", "[_DEFAULT]\nXtermLevel=1\nCol=80\nRow=24\n");
        std::string StartError;
        if (!Host.Start(HostCommand("xterm_app.sh") + " " + Marker + " " + Command, StartError))
            return Fail(Error, StartError.c_str());
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        Program.setProcessEnvironment(Env);
        Program.setProcessChannelMode(QProcess::ForwardedChannels);
        Program.start(Exe, {"-D", "127.0.0.1", QString::number(Host.Port())});
        if (!Program.waitForStarted(WaitMs)) return Fail(Error, "program did not start");
        QByteArray Found;
        if (!Xdotool({"search", "--sync", "--onlyvisible", "--pid",
                      QString::number(Program.processId())},
                     &Found))
            return Fail(Error, "no window");
        Window = Found.split('\n').value(0);
        return Xdotool({"windowfocus", "--sync", QString::fromLatin1(Window)}) ||
               Fail(Error, "no focus");
    }
    ~TSession()
    {
        Program.kill();
        Program.waitForFinished(WaitMs);
    }
    QImage Grab() const
    {
        return QGuiApplication::primaryScreen()->grabWindow(Window.toULongLong()).toImage();
    }
    // Waits until the picture shows what Seen looks for, and saves it.
    bool Shows(const std::function<bool(const QImage&)>& Seen, const char* Name)
    {
        QImage Shot;
        const bool Ok = WaitUntil(
            [&] {
                Shot = Grab();
                return Seen(Shot);
            },
            WaitMs);
        QDir().mkpath(QStringLiteral(BREVANIX_ARTIFACTS_DIR));
        Shot.save(QStringLiteral(BREVANIX_ARTIFACTS_DIR "/xterm-%1.png").arg(Name));
        return Ok;
    }
    static bool Keys(const QString& List)
    {
        return Xdotool(QStringList{"key", "--delay", "60"} + List.split(' '));
    }
    static bool Type(const QString& Text) { return Xdotool({"type", "--delay", "60", Text}); }
    bool Ended()
    {
        return WaitUntil([&] { return std::filesystem::exists(Marker); }, WaitMs);
    }

private:
    static bool Fail(QString& Error, const char* What)
    {
        Error = QString::fromUtf8(What);
        return false;
    }
};

} // namespace

class XtermE2eTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is missing (scripts/test installs it)");
        QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "run under xvfb-run");
    }

    void init()
    {
        const char* Program = QTest::currentTestFunction();
        const char* Needs = std::string_view(Program).starts_with("nano")   ? "nano"
                            : std::string_view(Program).starts_with("mc")   ? "mc"
                            : std::string_view(Program).starts_with("htop") ? "htop"
                                                                            : "dialog";
        if (QStandardPaths::findExecutable(QString::fromLatin1(Needs)).isEmpty())
            QSKIP("the program is not installed (scripts/test installs it)");
    }

    // Typed text, End, Ctrl+O, Enter and Ctrl+X: the file holds the edit.
    void nanoEditsAndSavesAFile()
    {
        TSession S;
        const std::string File = S.Dir / "memo.txt";
        WriteBytes(File, "first line\nsecond line\n");
        QString Error;
        QVERIFY2(S.Start("nano -I " + File, Error), qPrintable(Error));
        // nano's title bar is a bar of reverse video.
        QVERIFY(S.Shows(
            [](const QImage& I) { return BarRows(I, Silver[0], Silver[1], Silver[2]) >= 8; },
            "nano"));
        QVERIFY(TSession::Type(QStringLiteral("xterm ")));
        QVERIFY(TSession::Keys(QStringLiteral("Down End")));
        QVERIFY(TSession::Type(QStringLiteral(" ok")));
        QVERIFY(TSession::Keys(QStringLiteral("ctrl+o Return ctrl+x")));
        QVERIFY2(S.Ended(), "nano did not end");
        QCOMPARE(QByteArray::fromStdString(ReadBytes(File)),
                 QByteArray("xterm first line\nsecond line ok\n"));
    }

    // mc's blue panels, then F10 ends it. In English: mc prints '?' for
    // every Korean letter of its own texts in code page 949.
    void mcOpensAndQuitsWithF10()
    {
        TSession S;
        QString Error;
        QVERIFY2(S.Start("env LC_ALL=C mc -u", Error), qPrintable(Error));
        QVERIFY(S.Shows([](const QImage& I) { return Share(I, Navy[0], Navy[1], Navy[2]) > 0.4; },
                        "mc"));
        QVERIFY(TSession::Keys(QStringLiteral("F10")));
        QVERIFY2(S.Ended(), "mc did not quit on F10");
        QCOMPARE(QByteArray::fromStdString(ReadBytes(S.Marker)), QByteArray("0\n"));
    }

    // htop's function-key bar at the bottom is teal; q ends it.
    void htopShowsItsMetersAndBar()
    {
        TSession S;
        QString Error;
        QVERIFY2(S.Start("htop -d 20", Error), qPrintable(Error));
        QVERIFY(S.Shows([](const QImage& I) { return BarRows(I, Teal[0], Teal[1], Teal[2]) >= 8; },
                        "htop"));
        QVERIFY(TSession::Keys(QStringLiteral("q")));
        QVERIFY2(S.Ended(), "htop did not quit");
    }

    // A menu on dialog's blue screen; Down and Enter choose the second item.
    void dialogMenuChooses()
    {
        TSession S;
        const std::string Menu = Cp949::FromUtf8(
            "dialog --title 메뉴 --menu 고르세요 15 50 4 1 첫째 2 둘째 3 셋째 4 넷째");
        QString Error;
        QVERIFY2(S.Start(Menu, Error), qPrintable(Error));
        QVERIFY(S.Shows([](const QImage& I) { return Share(I, Navy[0], Navy[1], Navy[2]) > 0.4; },
                        "dialog"));
        QVERIFY(TSession::Keys(QStringLiteral("Down Return")));
        QVERIFY2(S.Ended(), "dialog did not end");
        QCOMPARE(QByteArray::fromStdString(ReadBytes(S.Marker)), QByteArray("0\n"));
    }
};

QTEST_MAIN(XtermE2eTest)
#include "XtermE2eTest.moc"
