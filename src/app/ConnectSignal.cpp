#include "app/ConnectSignal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// One pipe and one handler for the life of the process; windows come and go
// (tests make several), each watching the pipe while it exists.
int Pipe[2] = {-1, -1};

void OnSignal(int)
{
    const int Saved = errno;
    const char B = 1;
    // A full pipe already holds a request: one more adds nothing.
    [[maybe_unused]] const ssize_t N = ::write(Pipe[1], &B, 1);
    errno = Saved;
}

bool InstallOnce()
{
    if (Pipe[0] >= 0) return true;
    if (::pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction Action {};
    Action.sa_handler = OnSignal;
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART;
    return ::sigaction(SIGUSR1, &Action, nullptr) == 0;
}
} // namespace

TConnectSignal::TConnectSignal(std::function<void()> Request, QObject* Parent)
    : QObject(Parent), FRequest(std::move(Request))
{
    if (!InstallOnce()) return;
    FNotifier = new QSocketNotifier(Pipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] {
        char Drain[64];
        bool Any = false;
        while (::read(Pipe[0], Drain, sizeof Drain) > 0) Any = true;
        if (Any && FRequest) FRequest();
    });
}

TConnectSignal::~TConnectSignal() = default;
