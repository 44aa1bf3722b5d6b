#pragma once
// A Telnet session as the program runs one, without the window: the client
// socket, the engine, and a terminal on a recording canvas.
#include "WaitUntil.h"
#include "common/SessionSocket.h"
#include "common/Switches.h"
#include "support/ProgramState.h"
#include "support/RecordingCanvas.h"
#include "telnet/QtSocket.h"
#include "telnet/Telnet.h"
#include "term/Term.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

constexpr int E2eWaitMs = 20000;

struct TE2eSession {
    TProgramState State; // first in, last out
    TRecordingCanvas Canvas;
    TRecordingHost Host;
    std::unique_ptr<TTerm> Term;
    TTelnet Telnet;
    TClientSocket Socket; // last: goes first, while the engine still exists

    std::int64_t BytesRead = 0;
    int Chunks = 0;
    int LargestChunk = 0;
    bool Ended = false;
    std::string Error;
    // Sees every chunk after the engine has taken it.
    std::function<void(const std::uint8_t* Bytes, int Len)> OnChunk;

    TE2eSession()
    {
        Term = std::make_unique<TTerm>(Canvas, Host);
        Telnet.Term = Term.get();
        Socket.OnConnect = [this] { Telnet.ClearReceiveState(); };
        Socket.OnRead = [this] { Read(); };
        Socket.OnDisconnect = [this] { Ended = true; };
        Socket.OnError = [this](const TClientSocket::TError& E) {
            Error = E.Message;
            Ended = true;
        };
    }
    ~TE2eSession()
    {
        Socket.OnDisconnect = {};
        Socket.Close();
    }
    TE2eSession(const TE2eSession&) = delete;
    TE2eSession& operator=(const TE2eSession&) = delete;

    void Read()
    {
        std::uint8_t Buf[TClientSocket::ChunkSize];
        const int N = Socket.ReceiveBuf(Buf, sizeof Buf);
        if (N <= 0) return;
        Switches.CaretDrawEnabled = false;
        Telnet.Receive(Buf, N);
        Switches.CaretDrawEnabled = true;
        Canvas.Clear(); // a flood would otherwise be kept call by call
        BytesRead += N;
        ++Chunks;
        if (N > LargestChunk) LargestChunk = N;
        if (OnChunk) OnChunk(Buf, N);
    }

    bool Connect(quint16 Port)
    {
        Socket.Open(QHostAddress(QHostAddress::LocalHost), Port);
        return WaitUntil([this] { return Socket.Connected() || Ended; }, E2eWaitMs) &&
               Socket.Connected();
    }

    void Send(std::string_view Bytes)
    {
        if (SessionSocket)
            SessionSocket->Write(reinterpret_cast<const unsigned char*>(Bytes.data()),
                                 Bytes.size());
    }

    // Row R without trailing blanks.
    std::string Row(int R) const
    {
        std::string S;
        for (int C = 1; C <= Term->Scr.Col; ++C)
            S += static_cast<char>(Term->Scr.Lines[R]->Cells[C].Ch);
        S.erase(S.find_last_not_of(' ') + 1);
        return S;
    }
    // The first row that starts with Prefix, or 0.
    int FindRow(std::string_view Prefix) const
    {
        for (int R = 1; R <= Term->Scr.Row; ++R)
            if (Row(R).starts_with(Prefix)) return R;
        return 0;
    }
    std::string RowStartingWith(std::string_view Prefix) const
    {
        const int R = FindRow(Prefix);
        return R ? Row(R) : std::string();
    }
    bool WaitForRow(std::string_view Prefix, int Ms = E2eWaitMs)
    {
        return WaitUntil([&] { return FindRow(Prefix) != 0 || Ended; }, Ms) && FindRow(Prefix) != 0;
    }
    std::string Screen() const
    {
        std::string S;
        for (int R = 1; R <= Term->Scr.Row; ++R) S += Row(R) + "|\n";
        return S;
    }
};
