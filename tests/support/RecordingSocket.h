#pragma once
// A connected endpoint that keeps every byte written to it, installed as
// SessionSocket for the life of the object.
#include "common/SessionSocket.h"

#include <string>

class TRecordingSocket : public TSessionEndpoint {
public:
    std::string Sent;
    int Writes = 0;
    bool IsConnected = true;

    TRecordingSocket() { SessionSocket = this; }
    ~TRecordingSocket() override
    {
        if (SessionSocket == this) SessionSocket = nullptr;
    }
    TRecordingSocket(const TRecordingSocket&) = delete;
    TRecordingSocket& operator=(const TRecordingSocket&) = delete;

    bool Connected() const override { return IsConnected; }
    void Write(const unsigned char* Data, std::size_t Len) override
    {
        Sent.append(reinterpret_cast<const char*>(Data), Len);
        ++Writes;
    }
    std::string Take()
    {
        std::string S;
        S.swap(Sent);
        Writes = 0;
        return S;
    }
};
