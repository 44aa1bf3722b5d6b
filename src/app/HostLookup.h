#pragma once
// The blocking IPv4 name lookup of the connect request: the window waits
// under a busy cursor until the resolver answers, as the session has always
// done; there is nothing to do meanwhile.
#include <optional>
#include <string>

// An address that is only digits and dots (empty included) is not looked up.
bool IsNumericAddress(const std::string& Address);
// Such an address as four dotted numbers, in the forms the C library reads
// ("10.1" is 10.0.0.1); nothing when it names no IPv4 address.
std::optional<std::string> DottedIPv4(const std::string& Address);
// The first IPv4 address of a host name (code page 949 text; international
// names are resolved through their ASCII form) as four dotted numbers.
std::optional<std::string> LookupIPv4(const std::string& HostName);
