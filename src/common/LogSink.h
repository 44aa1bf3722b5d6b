#pragma once
// Program-wide destination of the per-unit log routines. Until a sink is
// installed (the log window exists), every line is dropped and costs nothing
// beyond the test of LogEnabled().
#include <functional>
#include <string_view>

using TLogSink = std::function<void(std::string_view Line)>;

void SetLogSink(TLogSink Sink); // an empty function removes the sink
bool LogEnabled();
void LogToSink(std::string_view Line);
