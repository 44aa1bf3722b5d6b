#include "app/ConnectSignal.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int Pipe[2] = {-1, -1};

void OnSignal(int)
{
    const int Saved = errno;
    const char B = 1;
    // A full pipe already holds a request: one more adds nothing.
    [[maybe_unused]] const ssize_t N = ::write(Pipe[1], &B, 1);
    errno = Saved;
}
} // namespace

TConnectSignal::TConnectSignal(std::function<void()> Request, QObject* Parent)
    : QObject(Parent), FRequest(std::move(Request))
{
    if (::pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    FNotifier = new QSocketNotifier(Pipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] {
        char Drain[64];
        bool Any = false;
        while (::read(Pipe[0], Drain, sizeof Drain) > 0) Any = true;
        if (Any && FRequest) FRequest();
    });
    struct sigaction Action {};
    Action.sa_handler = OnSignal;
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART;
    ::sigaction(SIGUSR1, &Action, nullptr);
}

TConnectSignal::~TConnectSignal()
{
    ::signal(SIGUSR1, SIG_DFL);
    delete FNotifier;
    for (int& Fd : Pipe) {
        if (Fd >= 0) ::close(Fd);
        Fd = -1;
    }
}
