#pragma once
// The program-wide state the core keeps between calls: the terminal switches,
// the connected endpoint, the Telnet receive state and the log sink. A fixture
// that holds a TProgramState starts from what a new process has and leaves
// the same behind for the next test.
#include "common/LogSink.h"
#include "common/SessionSocket.h"
#include "telnet/Telnet.h"

struct TProgramState {
    TProgramState() { Reset(); }
    ~TProgramState() { Reset(); }
    TProgramState(const TProgramState&) = delete;
    TProgramState& operator=(const TProgramState&) = delete;

    static void Reset()
    {
        TTelnet::Reset(); // the switches, and no endpoint
        TTelnet::ReceiveState() = TTelnetReceiveState{};
        SetLogSink({});
    }
};
