#include "app/Main.h"
#include "app/DataModuleMaster.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevanix"));
    TMainForm MainForm;
    TdmMaster DataModule;
    MainForm.show();
    return QApplication::exec();
}
