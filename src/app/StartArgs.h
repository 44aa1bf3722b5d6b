#pragma once
// The command line of the program: "-A alias" connects to a stored profile,
// "-D address [port]" to an address through the _DEFAULT profile, and
// "-S [user@]address [port]" to an address through the same profile over
// SSH; anything else starts idle. Only the first three arguments count, as
// they always have: a new window is started with "-A " + name, unquoted.
#include <QStringList>

#include <string>

struct TStartArgs {
    int StartMode = 0; // 0 idle, 1 alias, 2 address
    std::string Arg1;  // alias or address, code page 949
    std::string Arg2;  // port text
    bool Ssh = false;  // -S: the address is reached over SSH
    std::string User;  // -S: the part before the last "@", code page 949; empty without one
};

// Args without the program's own name; the option in any letter case.
TStartArgs ParseStartArgs(const QStringList& Args);
