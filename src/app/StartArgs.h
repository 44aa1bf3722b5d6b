#pragma once
// The command line of the program: "-A alias" connects to a stored profile,
// "-D address [port]" to an address through the _DEFAULT profile; anything
// else starts idle. Only the first three arguments count, as they always
// have: a new window is started with "-A " + name, unquoted.
#include <QStringList>

#include <string>

struct TStartArgs {
    int StartMode = 0; // 0 idle, 1 alias, 2 address
    std::string Arg1;  // alias or address, code page 949
    std::string Arg2;  // port text
};

// Args without the program's own name; the option in any letter case.
TStartArgs ParseStartArgs(const QStringList& Args);
