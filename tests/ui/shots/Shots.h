#pragma once
// What every screenshot program shares: a Qt application named as ours, an
// output folder from the command line, and windows saved as the window
// system shows them (run under Xvfb, see tests/ui/CMakeLists.txt).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <functional>

class TShots {
public:
    QDir Out;
    int Failures = 0;

    // Saves W as the screen shows it, under Out/Name. From the root window:
    // a tool-tip window does not hand out its own contents under Xvfb.
    void Save(QWidget& W, const QString& Name)
    {
        if (!QTest::qWaitForWindowExposed(&W, 5000))
            std::fprintf(stderr, "%s: not exposed\n", qPrintable(Name));
        SaveArea(W.frameGeometry(), Name);
    }

    // Saves a part of the screen: a window with its open menus, say.
    void SaveArea(const QRect& G, const QString& Name)
    {
        QTest::qWait(200); // let the window system finish painting
        const QString Path = Out.filePath(Name);
        const QPixmap Shot =
            QGuiApplication::primaryScreen()->grabWindow(0, G.x(), G.y(), G.width(), G.height());
        if (Shot.isNull() || !Shot.save(Path)) {
            std::fprintf(stderr, "cannot save %s\n", qPrintable(Path));
            ++Failures;
            return;
        }
        std::printf("%s: %dx%d\n", qPrintable(Path), Shot.width(), Shot.height());
    }
};

// main() of a screenshot program: PROGRAM OUT_FOLDER. Exits non-zero when a
// picture could not be saved.
inline int RunShots(int argc, char* argv[], const std::function<void(TShots&)>& Body)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT_FOLDER\n", argv[0]);
        return 2;
    }
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevanix"));
    TShots Shots;
    Shots.Out = QDir(QDir(QString::fromLocal8Bit(argv[1])).absolutePath()); // a shot may chdir
    if (!QDir().mkpath(Shots.Out.path())) return 1;
    Body(Shots);
    return Shots.Failures ? 1 : 0;
}
