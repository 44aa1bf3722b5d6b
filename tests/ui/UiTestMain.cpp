#include "PixelProbe.h"

#include <QApplication>
#include <QTest>

int main(int argc, char* argv[])
{
    QApplication App(argc, argv);
    int Failed = 0;
    for (const auto& Test : {NewQtCanvasTest(), NewTermWidgetTest()})
        Failed += QTest::qExec(Test.get(), argc, argv);
    return Failed;
}
