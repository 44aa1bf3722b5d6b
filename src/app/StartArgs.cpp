#include "app/StartArgs.h"

#include "text/Cp949.h"

namespace {
std::string Bytes(const QString& S) { return Cp949::FromUtf8(S.toStdString()); }

std::string Text(const QStringList& Args, int I)
{
    return I < Args.size() ? Bytes(Args[I]) : std::string();
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
    } else if (Option == QLatin1String("-S")) {
        S.StartMode = 2;
        S.Ssh = true;
        // The last "@": a user name may hold one (a mail address as a login),
        // a host name never does.
        const QString Target = Args.value(1);
        const qsizetype At = Target.lastIndexOf(QLatin1Char('@'));
        S.User = At < 0 ? std::string() : Bytes(Target.left(At));
        S.Arg1 = Bytes(Target.mid(At + 1));
        S.Arg2 = Text(Args, 2);
    }
    return S;
}
