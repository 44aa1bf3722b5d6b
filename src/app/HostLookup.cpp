#include "app/HostLookup.h"

#include "text/Cp949.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

bool IsNumericAddress(const std::string& Address)
{
    return Address.find_first_not_of("0123456789.") == std::string::npos;
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
    char Dotted[INET_ADDRSTRLEN] = {};
    const auto* In = reinterpret_cast<const sockaddr_in*>(List->ai_addr);
    const bool Ok = ::inet_ntop(AF_INET, &In->sin_addr, Dotted, sizeof Dotted) != nullptr;
    ::freeaddrinfo(List);
    if (!Ok) return std::nullopt;
    return std::string(Dotted);
}
