#include "app/HostLookup.h"

#include "text/Cp949.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

bool IsNumericAddress(const std::string& Address)
{
    return Address.find_first_not_of("0123456789.") == std::string::npos;
}

namespace {
std::optional<std::string> Dotted(const in_addr& Address)
{
    char Text[INET_ADDRSTRLEN] = {};
    if (!::inet_ntop(AF_INET, &Address, Text, sizeof Text)) return std::nullopt;
    return std::string(Text);
}
} // namespace

std::optional<std::string> DottedIPv4(const std::string& Address)
{
    in_addr In{};
    if (Address.empty() || ::inet_aton(Address.c_str(), &In) == 0) return std::nullopt;
    return Dotted(In);
}

std::optional<std::string> LookupIPv4(const std::string& HostName)
{
    addrinfo Hints{};
    Hints.ai_family = AF_INET;
    Hints.ai_socktype = SOCK_STREAM;
    Hints.ai_flags = AI_IDN;
    addrinfo* List = nullptr;
    if (::getaddrinfo(Cp949::ToUtf8(HostName).c_str(), nullptr, &Hints, &List) != 0 || !List)
        return std::nullopt;
    const std::optional<std::string> Text =
        Dotted(reinterpret_cast<const sockaddr_in*>(List->ai_addr)->sin_addr);
    ::freeaddrinfo(List);
    return Text;
}
