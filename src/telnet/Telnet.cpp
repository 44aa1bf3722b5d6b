// The receive state machine, option negotiation and sub-negotiation.
#include "telnet/Telnet.h"

#include "common/LogSink.h"
#include "common/SessionSocket.h"
#include "common/Switches.h"
#include "telnet/TelnetCommon.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {
void WriteLog(std::string_view Text)
{
    if (LogEnabled()) LogToSink(Text);
}

std::string Hex2(unsigned V)
{
    char B[8];
    std::snprintf(B, sizeof B, "%02X", V & 0xFFu);
    return B;
}

bool Known(std::uint8_t Opt)
{
    switch (Opt) {
    case TN::OptBinary:
    case TN::OptEcho:
    case TN::OptSuppressGoAhead:
    case TN::OptSendLocation:
    case TN::OptTerminalType:
    case TN::OptEndOfRecord:
    case TN::OptWindowSize: return true;
    default: return false;
    }
}

// What a request gets, 0 for nothing. Echo is never performed locally; any
// option we do not know is refused, whatever was asked.
std::uint8_t Answer(std::uint8_t Cmd, std::uint8_t Opt)
{
    if (!Known(Opt)) return Cmd == TN::WILL ? TN::DONT : TN::WONT;
    if (Opt == TN::OptBinary || Opt == TN::OptSuppressGoAhead) return Cmd == TN::WILL ? TN::DO : 0;
    if (Opt == TN::OptEcho) return Cmd == TN::WILL ? TN::DO : Cmd == TN::DO ? TN::WONT : 0;
    return Cmd == TN::DO ? TN::WILL : 0; // location, terminal type, end of record, window size
}

// Data inside a sub-negotiation: a byte 255 goes as IAC IAC (RFC 854), or
// the host would read it as the start of a command.
void AppendSubData(std::string& Out, std::string_view Data)
{
    for (const char C : Data) {
        if (static_cast<std::uint8_t>(C) == TN::IAC) Out += C;
        Out += C;
    }
}
} // namespace

TTelnetReceiveState& TTelnet::ReceiveState()
{
    static TTelnetReceiveState State;
    return State;
}

TTelnet::TTelnet() = default;

void TTelnet::Reset()
{
    SessionSocket = nullptr;
    Switches.Reset();
}

void TTelnet::ClearReceiveState()
{
    TTelnetReceiveState& St = ReceiveState();
    St.IacSeen = false;
    St.PendingCommand = 0;
    St.InSubNegotiation = false;
    St.SubBuffer.clear();
    St.SubBuffer.shrink_to_fit();
    St.OurSide.fill(0);
    St.HostSide.fill(0);
    Count = 0;
    HostText.Clear();
}

// ---------------------------------------------------------------- receive

void TTelnet::Receive(const std::uint8_t* Buf, int Len)
{
    TTelnetReceiveState& St = ReceiveState();
    for (int I = 0; I < Len; ++I) {
        const std::uint8_t B = Buf[I];
        if (St.PendingCommand) {
            const std::uint8_t Cmd = St.PendingCommand;
            St.PendingCommand = 0;
            St.SubBuffer.clear();
            Negotiate(Cmd, B);
        } else if (St.InSubNegotiation) {
            if (B == TN::SE) {
                St.InSubNegotiation = false;
                const std::string Data = std::move(St.SubBuffer);
                St.SubBuffer.clear();
                SubOption(Data);
            } else if (St.SubBuffer.size() < MaxSubNegotiation) {
                St.SubBuffer += static_cast<char>(B);
            }
        } else if (St.IacSeen) {
            St.IacSeen = false;
            Command(B);
        } else if (B == TN::IAC) {
            St.IacSeen = true;
        } else {
            I += PutDataRun(Buf + I, Len - I) - 1;
        }
    }
    Flush();
}

// Stages the data bytes from Bytes up to the next IAC; returns how many.
int TTelnet::PutDataRun(const std::uint8_t* Bytes, int Len)
{
    const void* Iac = std::memchr(Bytes, TN::IAC, static_cast<std::size_t>(Len));
    const int N = Iac ? static_cast<int>(static_cast<const std::uint8_t*>(Iac) - Bytes) : Len;
    if (LogEnabled()) {
        // A data byte of the DM value is still data (a lead byte of code
        // page 949, for one); it is only noted in the log.
        for (int I = 0; I < N; ++I) {
            if (Bytes[I] == TN::DM) WriteLog("DATA MARK");
            PutData(Bytes[I]);
        }
        return N;
    }
    for (int Done = 0; Done < N;) {
        const int Take = std::min(N - Done, StagingSize - Count);
        std::memcpy(Staging + Count, Bytes + Done, static_cast<std::size_t>(Take));
        Count += Take;
        Done += Take;
        if (Count == StagingSize) Flush();
    }
    return N;
}

void TTelnet::Command(std::uint8_t B)
{
    TTelnetReceiveState& St = ReceiveState();
    switch (B) {
    case TN::IAC: PutData(TN::IAC); break;
    case TN::SB: St.InSubNegotiation = true; break;
    case TN::WILL:
    case TN::WONT:
    case TN::DO:
    case TN::DONT: St.PendingCommand = B; break;
    case TN::DM: WriteLog("DATA MARK"); break;
    case TN::EOR: WriteLog("TNCH_EOR\r\n"); break;
    default:
        if (LogEnabled()) WriteLog("Unknown " + Hex2(B) + " '" + static_cast<char>(B) + "'\r\n");
        break;
    }
}

void TTelnet::PutData(std::uint8_t B)
{
    Staging[Count++] = B;
    if (Count == StagingSize) Flush();
}

void TTelnet::PassData(const std::uint8_t* Buf, int Len)
{
    for (int Done = 0; Done < Len;) {
        const int Take = std::min(Len - Done, StagingSize - Count);
        std::memcpy(Staging + Count, Buf + Done, static_cast<std::size_t>(Take));
        Count += Take;
        Done += Take;
        if (Count == StagingSize) Flush();
    }
    Flush();
}

void TTelnet::Flush()
{
    if (Count > 0 && Term) {
        if (OnData) OnData(Staging, Count);
        HostText.Feed(
            Staging, Count, [this](auto* B, int N) { VT100.Process(*Term, B, N); },
            [this](const TPlacedCluster& C) {
                if (C.Joins)
                    VT100.JoinCluster(*Term, C.Cluster);
                else
                    VT100.PrintCluster(*Term, C.Cluster);
            });
        if (Term->Scr.RedrawPending) Term->ReDrawScreen();
    }
    Count = 0;
}

// ---------------------------------------------------------------- negotiation

void TTelnet::Negotiate(std::uint8_t Cmd, std::uint8_t Opt)
{
    TTelnetReceiveState& St = ReceiveState();
    const std::uint8_t Reply = Answer(Cmd, Opt);
    if (!Reply) {
        // The host turned off what we had agreed to: asking again is news.
        if (Cmd == TN::DONT && St.OurSide[Opt] == TN::WILL) St.OurSide[Opt] = 0;
        if (Cmd == TN::WONT && St.HostSide[Opt] == TN::DO) St.HostSide[Opt] = 0;
        return;
    }
    std::uint8_t& Standing =
        Reply == TN::WILL || Reply == TN::WONT ? St.OurSide[Opt] : St.HostSide[Opt];
    // A timing mark is no state but a question asked again and again (RFC
    // 860): each one is answered, or the host waits for ever.
    if (Standing == Reply && Opt != TN::OptTimingMark) return;
    Standing = Reply;
    if (Reply == TN::WILL && Opt == TN::OptSendLocation) {
        SendLocation();
    } else if (Reply == TN::WILL && Opt == TN::OptWindowSize) {
        SendWindowSize();
    } else {
        if (!Known(Opt) && LogEnabled())
            WriteLog(
                std::string(Cmd == TN::WILL ? "Negociation(Dont) : " : "Negociation(Wont) : ") +
                Hex2(Cmd) + " : " + Hex2(Opt));
        SendCommand(Reply, Opt);
    }
}

void TTelnet::SubOption(const std::string& Data)
{
    if (Data.empty() || static_cast<std::uint8_t>(Data[0]) != TN::OptTerminalType) {
        WriteLog("Unknown suboption\r\n");
        return;
    }
    if (Data.size() < 2 || Data[1] != TN::SEND) return;
    if (!SessionSocket || !SessionSocket->Connected()) return;
    std::string Reply = {static_cast<char>(TN::IAC), static_cast<char>(TN::SB),
                         static_cast<char>(TN::OptTerminalType), static_cast<char>(TN::IS)};
    AppendSubData(Reply, Switches.TermTypeName);
    Reply += static_cast<char>(TN::IAC);
    Reply += static_cast<char>(TN::SE);
    SendRaw(reinterpret_cast<const std::uint8_t*>(Reply.data()), Reply.size());
}

void TTelnet::SendCommand(std::uint8_t Cmd, std::uint8_t Opt)
{
    const std::uint8_t Bytes[3] = {TN::IAC, Cmd, Opt};
    SendRaw(Bytes, 3);
}

void TTelnet::SendRaw(const std::uint8_t* Bytes, std::size_t Len)
{
    if (SessionSocket && SessionSocket->Connected()) SessionSocket->Write(Bytes, Len);
}

void TTelnet::SendWindowSize()
{
    const int Col = Term ? Term->Scr.Col : 80, Row = Term ? Term->Scr.Row : 24;
    if (LogEnabled())
        WriteLog("Send Window Size X[" + std::to_string(Col) + "]Y[" + std::to_string(Row) + "]");
    // Sent on every resize whether or not asked: it stands as our WILL.
    ReceiveState().OurSide[TN::OptWindowSize] = TN::WILL;
    SendCommand(TN::WILL, TN::OptWindowSize);
    const std::uint8_t Bytes[9] = {TN::IAC,
                                   TN::SB,
                                   TN::OptWindowSize,
                                   static_cast<std::uint8_t>(Col / 256),
                                   static_cast<std::uint8_t>(Col % 256),
                                   static_cast<std::uint8_t>(Row / 256),
                                   static_cast<std::uint8_t>(Row % 256),
                                   TN::IAC,
                                   TN::SE};
    SendRaw(Bytes, sizeof Bytes);
}

void TTelnet::SendLocation()
{
    SendCommand(TN::WILL, TN::OptSendLocation);
    std::string Bytes = {static_cast<char>(TN::IAC), static_cast<char>(TN::SB),
                         static_cast<char>(TN::OptSendLocation)};
    AppendSubData(Bytes, Switches.LocationText);
    Bytes += static_cast<char>(TN::IAC);
    Bytes += static_cast<char>(TN::SE);
    SendRaw(reinterpret_cast<const std::uint8_t*>(Bytes.data()), Bytes.size());
}
