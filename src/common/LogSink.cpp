#include "common/LogSink.h"

#include <utility>

namespace {
TLogSink& Sink()
{
    static TLogSink S;
    return S;
}
bool Installed = false;
} // namespace

void SetLogSink(TLogSink S)
{
    Installed = static_cast<bool>(S);
    Sink() = std::move(S);
}

bool LogEnabled() { return Installed; }

void LogToSink(std::string_view Line)
{
    if (Installed) Sink()(Line);
}
