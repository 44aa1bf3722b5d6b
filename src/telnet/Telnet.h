#pragma once
// TTelnet: removes Telnet commands from the host's stream, answers option
// negotiations and sub-negotiations, and hands the data bytes in runs to the
// interpreter. Passive: it only answers, apart from the window size.
#include "emulation/Output_VT100.h"
#include "term/Term.h"
#include "text/Utf8Host.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// Receive state kept across blocks (and, as hosts may rely on, across calls
// from one connection to the next until cleared).
struct TTelnetReceiveState {
    bool IacSeen = false;
    std::uint8_t PendingCommand = 0; // WILL/WONT/DO/DONT awaiting its option
    bool InSubNegotiation = false;
    std::string SubBuffer; // option code first
    // Per option, the answer of ours that stands (RFC 1143): WILL or WONT
    // for our side, DO or DONT for the host's side, 0 for none. A request
    // whose answer already stands changes nothing and gets no reply, so a
    // host repeating its requests cannot make us queue replies.
    std::array<std::uint8_t, 256> OurSide{}, HostSide{};
};

class TTelnet {
public:
    // Longest sub-negotiation kept. The options we answer need a few bytes
    // (RFC 1091 limits a terminal type to 40 characters); a host that never
    // ends one must not grow memory without bound. Bytes past the bound are
    // consumed and dropped until the closing SE.
    static constexpr std::size_t MaxSubNegotiation = 1024;
    // Data bytes handed to the interpreter in one run: a whole socket read
    // (4096 bytes) plus one, so a read with no Telnet command in it reaches
    // the interpreter in one call, and more only flushes early.
    static constexpr int StagingSize = 4096 + 1;

    TTelnet();

    TTerm* Term = nullptr; // assigned by the owner right after construction
    TO_VT100 VT100;
    THostReader HostText; // staged data on its way to VT100
    // Sees each run of data bytes as the host wrote them, Telnet's commands
    // taken out, before the interpreter: the session log's Text.
    std::function<void(const std::uint8_t* Bytes, int Len)> OnData;

    void Receive(const std::uint8_t* Buf, int Len);
    // The bytes of a connection without Telnet (SSH): all data, 0xFF too,
    // staged and handed on through the host-text reader like Receive's.
    void PassData(const std::uint8_t* Buf, int Len);
    void PutData(std::uint8_t B);
    void Flush();
    void Negotiate(std::uint8_t Cmd, std::uint8_t Opt);
    void SubOption(const std::string& Data);
    void SendCommand(std::uint8_t Cmd, std::uint8_t Opt);
    static void SendRaw(const std::uint8_t* Bytes, std::size_t Len);
    void SendWindowSize();
    void SendLocation();

    // Initial values of the program-wide switches and texts; no socket.
    static void Reset();
    // Forget a command or sub-negotiation left half-way by a closed connection,
    // any staged bytes and the options agreed, so a new connection starts clean.
    void ClearReceiveState();

    static TTelnetReceiveState& ReceiveState();
    int StagedCount() const { return Count; }

private:
    void Command(std::uint8_t B);
    int PutDataRun(const std::uint8_t* Bytes, int Len);

    static_assert(StagingSize <= THostReader::Chunk, "a run is converted in one piece");
    std::uint8_t Staging[StagingSize] = {};
    int Count = 0;
};
