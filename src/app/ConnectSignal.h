#pragma once
// Other programs ask a running window for a connection by sending it SIGUSR1
// (kill -USR1 PID), where the desktop the design comes from posted a window
// message. The handler only writes a byte to a pipe; the request itself runs
// from the event loop, never inside the signal handler.
#include <QObject>

#include <functional>

class QSocketNotifier;

class TConnectSignal : public QObject {
    Q_OBJECT
public:
    // One per process: installs the handler; Request runs for every signal.
    explicit TConnectSignal(std::function<void()> Request, QObject* Parent = nullptr);
    ~TConnectSignal() override;
    TConnectSignal(const TConnectSignal&) = delete;
    TConnectSignal& operator=(const TConnectSignal&) = delete;

private:
    std::function<void()> FRequest;
    QSocketNotifier* FNotifier = nullptr;
};
