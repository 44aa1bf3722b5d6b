#include "app/StartArgs.h"

#include "text/Cp949.h"

namespace {
std::string Text(const QStringList& Args, int I)
{
    return I < Args.size() ? Cp949::FromUtf8(Args[I].toStdString()) : std::string();
}
} // namespace

TStartArgs ParseStartArgs(const QStringList& Args)
{
    TStartArgs S;
    const QString Option = Args.isEmpty() ? QString() : Args[0].toUpper();
    if (Option == QLatin1String("-A")) {
        S.StartMode = 1;
        S.Arg1 = Text(Args, 1);
    } else if (Option == QLatin1String("-D")) {
        S.StartMode = 2;
        S.Arg1 = Text(Args, 1);
        S.Arg2 = Text(Args, 2);
    }
    return S;
}
