#pragma once
// Starting a one-shot telnetd that serves a script of tests/e2e/hosts.
#include "support/OneShotTelnetHost.h"

#include <QTest>

#include <string>

inline std::string HostCommand(const char* Script)
{
    return std::string("/bin/sh ") + BREVANIX_E2E_HOSTS_DIR + "/" + Script;
}

#define START_HOST(Host, Script)                                                                   \
    do {                                                                                           \
        std::string StartError;                                                                    \
        QVERIFY2((Host).Start(HostCommand(Script), StartError), StartError.c_str());               \
    } while (false)
