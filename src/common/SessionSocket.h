#pragma once
// The connected endpoint through which the Telnet engine and the input encoder
// send. Nothing is sent while SessionSocket is null.
#include <cstddef>

class TSessionEndpoint {
public:
    virtual ~TSessionEndpoint() = default;
    virtual bool Connected() const = 0;
    virtual void Write(const unsigned char* Data, std::size_t Len) = 0;
};

extern TSessionEndpoint* SessionSocket;
