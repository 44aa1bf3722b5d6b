#pragma once
// The blocking IPv4 name lookup of the connect request: the window waits
// under a busy cursor until the resolver answers, as the session has always
// done; there is nothing to do meanwhile.
#include <optional>
#include <string>

// An address that is only digits and dots (empty included) is used as it is.
bool IsNumericAddress(const std::string& Address);
// The first IPv4 address of a host name (code page 949 text; international
// names are resolved through their ASCII form) as four dotted numbers.
std::optional<std::string> LookupIPv4(const std::string& HostName);
