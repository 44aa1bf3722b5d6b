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
    // Installs the handler the first time; Request runs for the signals that
    // arrive while this object exists (several at once count as one).
    explicit TConnectSignal(std::function<void()> Request, QObject* Parent = nullptr);
    ~TConnectSignal() override;
    TConnectSignal(const TConnectSignal&) = delete;
    TConnectSignal& operator=(const TConnectSignal&) = delete;

private:
    std::function<void()> FRequest;
    QSocketNotifier* FNotifier = nullptr;
};
