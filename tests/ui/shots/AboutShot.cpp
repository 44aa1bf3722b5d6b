// Opens the about box from the main window's command and saves what the
// window system displays: shot_about DIR writes DIR/about.png (run under Xvfb).
#include "app/Main.h"
#include "shots/Shots.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QDialog>

int main(int argc, char* argv[])
{
    return RunShots(argc, argv, [](TShots& S) {
        TMainForm Main({}, S.Out.filePath(QStringLiteral("about-shot.ini")).toStdString());
        Main.show();
        SetModalHook([&](QDialog& Box) {
            S.Save(Box, QStringLiteral("about.png"));
            Box.close();
        });
        Main.Action("actAbout")->trigger();
        SetModalHook({});
    });
}
