// Build tool: writes the program's icon for the icon theme.
// brevanix_icons DIR SIZE... writes DIR/hicolor/SIZExSIZE/apps/brevanix.png for
// each size, drawn from the same picture the windows show (run offscreen).
#include "app/Logo.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DIR SIZE...\n", argv[0]);
        return 2;
    }
    QGuiApplication App(argc, argv);
    for (int I = 2; I < argc; ++I) {
        const int Size = QByteArray(argv[I]).toInt();
        const QString Folder =
            QStringLiteral("%1/hicolor/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(Size);
        if (Size <= 0 || !QDir().mkpath(Folder) ||
            !BrevanixIcon(Size).save(Folder + QStringLiteral("/brevanix.png"))) {
            std::fprintf(stderr, "cannot write the %s pixel icon\n", argv[I]);
            return 1;
        }
    }
    return 0;
}
