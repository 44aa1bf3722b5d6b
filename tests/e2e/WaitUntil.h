#pragma once
#include <QEventLoop>
#include <QObject>
#include <QTimer>

// Runs the event loop until Done() holds or Ms have passed. Unlike
// QTest::qWaitFor, which sleeps between rounds, the loop never pauses, so the
// receive pump runs at the pace the program itself would see.
template <typename TDone> bool WaitUntil(TDone Done, int Ms)
{
    if (Done()) return true;
    QEventLoop Loop;
    QTimer Check, Limit;
    QObject::connect(&Check, &QTimer::timeout, &Loop, [&] {
        if (Done()) Loop.quit();
    });
    QObject::connect(&Limit, &QTimer::timeout, &Loop, &QEventLoop::quit);
    Check.start(5);
    Limit.setSingleShot(true);
    Limit.start(Ms);
    Loop.exec();
    return Done();
}
