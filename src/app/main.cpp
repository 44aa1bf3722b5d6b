#include "app/Main.h"
#include "app/DataModuleMaster.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevanix"));
    // The main window reads the command line while it is created, and may
    // connect at once; the data module follows it.
    TMainForm MainForm(QApplication::arguments().mid(1));
    TdmMaster DataModule;
    MainForm.show();
    return QApplication::exec();
}
