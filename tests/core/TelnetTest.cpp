// The Telnet engine, bytes exact: what reaches the screen, what is answered,
// what is logged. Stream cases run whole and again one byte per call.
#include "telnet/Telnet.h"
#include "support/RecordingSocket.h"
#include "support/StreamCase.h"
#include "telnet/TelnetCommon.h"

#include <gtest/gtest.h>

namespace {

using namespace TN;

std::string B(std::initializer_list<int> Bytes)
{
    std::string S;
    for (int V : Bytes) S += static_cast<char>(V);
    return S;
}

std::string Times(const std::string& S, int N)
{
    std::string Out;
    while (N-- > 0) Out += S;
    return Out;
}

struct TEngineRig {
    TTermRig Screen;
    TRecordingSocket Socket;
    TTelnet Telnet;
    TEngineRig() { Telnet.Term = Screen.Term.get(); }
    void Receive(const std::string& S, bool OneByOne = false)
    {
        const auto* P = reinterpret_cast<const std::uint8_t*>(S.data());
        if (OneByOne)
            for (std::size_t I = 0; I < S.size(); ++I) Telnet.Receive(P + I, 1);
        else
            Telnet.Receive(P, static_cast<int>(S.size()));
    }
    std::vector<std::string> Log() const { return InterpreterLines(Screen.Log); }
};

struct TWireCase {
    const char* Name;
    std::string Input;
    std::string Sent;
    std::vector<std::string> Log;
    std::string Row1; // screen text, trailing blanks trimmed
};

const std::string WindowSize80x24 = B({IAC, WILL, 31}) + B({IAC, SB, 31, 0, 80, 0, 24, IAC, SE});
const std::string Location = B({IAC, WILL, 23}) + B({IAC, SB, 23, 0xBF, 0xA9, 0xB1, 0xE2, IAC, SE});

const std::vector<TWireCase>& WireCases()
{
    // clang-format off
    static const std::vector<TWireCase> C = {
        // Negotiation table: every row, every command.
        {"BinaryWill", B({IAC, WILL, 0}), B({IAC, DO, 0}), {}, ""},
        {"BinaryOthersSilent", B({IAC, WONT, 0, IAC, DO, 0, IAC, DONT, 0}), "", {}, ""},
        {"EchoWill", B({IAC, WILL, 1}), B({IAC, DO, 1}), {}, ""},
        {"EchoDoRefused", B({IAC, DO, 1}), B({IAC, WONT, 1}), {}, ""},
        {"EchoWontDontSilent", B({IAC, WONT, 1, IAC, DONT, 1}), "", {}, ""},
        {"SuppressGoAheadWill", B({IAC, WILL, 3}), B({IAC, DO, 3}), {}, ""},
        {"SuppressGoAheadOthersSilent", B({IAC, WONT, 3, IAC, DO, 3, IAC, DONT, 3}), "", {}, ""},
        {"LocationDo", B({IAC, DO, 23}), Location, {}, ""},
        {"LocationOthersSilent", B({IAC, WILL, 23, IAC, WONT, 23, IAC, DONT, 23}), "", {}, ""},
        {"TerminalTypeDo", B({IAC, DO, 24}), B({IAC, WILL, 24}), {}, ""},
        {"TerminalTypeOthersSilent", B({IAC, WILL, 24, IAC, WONT, 24, IAC, DONT, 24}), "", {}, ""},
        {"EndOfRecordDo", B({IAC, DO, 25}), B({IAC, WILL, 25}), {}, ""},
        {"EndOfRecordOthersSilent", B({IAC, WILL, 25, IAC, WONT, 25, IAC, DONT, 25}), "", {}, ""},
        {"WindowSizeDo", B({IAC, DO, 31}), WindowSize80x24, {"Send Window Size X[80]Y[24]"}, ""},
        {"WindowSizeOthersSilent", B({IAC, WILL, 31, IAC, WONT, 31, IAC, DONT, 31}), "", {}, ""},
        {"OtherWillRefused", B({IAC, WILL, 5}), B({IAC, DONT, 5}), {"Negociation(Dont) : FB : 05"}, ""},
        {"OtherWontAnswered", B({IAC, WONT, 5}), B({IAC, WONT, 5}), {"Negociation(Wont) : FC : 05"}, ""},
        {"OtherDoRefused", B({IAC, DO, 0x27}), B({IAC, WONT, 0x27}), {"Negociation(Wont) : FD : 27"}, ""},
        {"OtherDontAnswered", B({IAC, DONT, 0xFF}), B({IAC, WONT, 0xFF}), {"Negociation(Wont) : FE : FF"}, ""},
        // A request whose answer stands is not answered again (RFC 1143).
        {"RepeatedRequestAnsweredOnce", B({IAC, DO, 24, IAC, DO, 24}), B({IAC, WILL, 24}), {}, ""},
        {"RepeatedWindowSizeAnsweredOnce", Times(B({IAC, DO, 31}), 100), WindowSize80x24, {"Send Window Size X[80]Y[24]"}, ""},
        {"RepeatedLocationAnsweredOnce", B({IAC, DO, 23, IAC, DO, 23}), Location, {}, ""},
        {"RepeatedWillAnsweredOnce", B({IAC, WILL, 1, IAC, WILL, 3, IAC, WILL, 1, IAC, WILL, 3}), B({IAC, DO, 1, IAC, DO, 3}), {}, ""},
        {"RepeatedRefusalsAnsweredOnce", B({IAC, DO, 1, IAC, DO, 1, IAC, DONT, 1, IAC, DO, 1}), B({IAC, WONT, 1}), {}, ""},
        {"TimingMarkAnsweredEveryTime", B({IAC, DO, 6, IAC, DO, 6}), B({IAC, WONT, 6, IAC, WONT, 6}), {"Negociation(Wont) : FD : 06", "Negociation(Wont) : FD : 06"}, ""},
        {"OtherOptionRefusedOncePerSide", B({IAC, WILL, 5, IAC, WILL, 5, IAC, DO, 5, IAC, DO, 5, IAC, DONT, 5, IAC, WONT, 5}), B({IAC, DONT, 5, IAC, WONT, 5}), {"Negociation(Dont) : FB : 05", "Negociation(Wont) : FD : 05"}, ""},
        {"OptionTurnedOffIsAnsweredAgain", B({IAC, DO, 24, IAC, DONT, 24, IAC, DO, 24, IAC, WILL, 0, IAC, WONT, 0, IAC, WILL, 0}), B({IAC, WILL, 24, IAC, WILL, 24, IAC, DO, 0, IAC, DO, 0}), {}, ""},
        // Sub-negotiations.
        {"TerminalTypeSend", B({IAC, SB, 24, 1, IAC, SE}), B({IAC, SB, 24, 0}) + "xterm" + B({IAC, SE}), {}, ""},
        {"TerminalTypeOtherSecondByteIgnored", B({IAC, SB, 24, 0, IAC, SE}), "", {}, ""},
        {"WindowSizeSubIsUnknown", B({IAC, SB, 31, 0, 80, 0, 24, IAC, SE}), "", {"Unknown suboption\r\n"}, ""},
        {"EmptySubIsUnknown", B({IAC, SB, IAC, SE}), "", {"Unknown suboption\r\n"}, ""},
        {"SubEndsAtAnySe", B({IAC, SB, 24, 1, SE}) + "ok", B({IAC, SB, 24, 0}) + "xterm" + B({IAC, SE}), {}, "ok"},
        {"SubSwallowsData", B({IAC, SB, 5}) + "hidden" + B({IAC, SE}) + "shown", "", {"Unknown suboption\r\n"}, "shown"},
        // Data and commands.
        {"DoubledIacIsData", "a" + B({IAC, IAC}) + "b", "", {}, "a\xFF" "b"},
        {"DataMarkCommand", "a" + B({IAC, DM}) + "b", "", {"DATA MARK"}, "ab"},
        {"DataMarkByteInTextIsShown", B({0xF2, 0xA1}), "", {"DATA MARK"}, "\xF2\xA1"},
        {"EndOfRecord", B({IAC, EOR}), "", {"TNCH_EOR\r\n"}, ""},
        {"NoOperationIsUnknown", "x" + B({IAC, 0xF1}) + "y", "", {"Unknown F1 '\xF1'\r\n"}, "xy"},
        {"LowCommandIsUnknown", B({IAC, 'A'}), "", {"Unknown 41 'A'\r\n"}, ""},
        {"NegotiationOptionIsNotData", B({IAC, WILL, 'Q'}) + "z", B({IAC, DONT, 'Q'}), {"Negociation(Dont) : FB : 51"}, "z"},
    };
    // clang-format on
    return C;
}

void PrintTo(const TWireCase& C, std::ostream* Os) { *Os << C.Name; }

class WireCase : public ::testing::TestWithParam<TWireCase> {};

TEST_P(WireCase, WholeAndByteByByte)
{
    const TWireCase& T = GetParam();
    for (const bool OneByOne : {false, true}) {
        SCOPED_TRACE(OneByOne ? "one byte per call" : "whole");
        TEngineRig R;
        R.Receive(T.Input, OneByOne);
        EXPECT_EQ(R.Socket.Sent, T.Sent);
        EXPECT_EQ(R.Log(), T.Log);
        EXPECT_EQ(R.Screen.Text(1), T.Row1);
        const TTelnetReceiveState& St = TTelnet::ReceiveState();
        EXPECT_FALSE(St.IacSeen || St.PendingCommand || St.InSubNegotiation);
    }
}

INSTANTIATE_TEST_SUITE_P(Telnet, WireCase, ::testing::ValuesIn(WireCases()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// IAC x for every x, each from a clean state: data, a command that waits for
// its option, the start of a sub-negotiation, or a logged command.
TEST(Telnet, EveryCommandByte)
{
    for (int X = 0; X <= 255; ++X) {
        SCOPED_TRACE(X);
        TEngineRig R;
        R.Receive(B({IAC, X}));
        const TTelnetReceiveState& St = TTelnet::ReceiveState();
        EXPECT_FALSE(St.IacSeen);
        EXPECT_EQ(St.PendingCommand, X >= WILL && X <= DONT ? X : 0);
        EXPECT_EQ(St.InSubNegotiation, X == SB);
        EXPECT_EQ(R.Screen.Text(1), X == IAC ? "\xFF" : "");
        std::vector<std::string> Want;
        if (X == DM)
            Want = {"DATA MARK"};
        else if (X == EOR)
            Want = {"TNCH_EOR\r\n"};
        else if (X < EOR || (X > SE && X < DM) || (X > DM && X < SB))
            Want = {"Unknown " + std::string(1, "0123456789ABCDEF"[X >> 4]) +
                    "0123456789ABCDEF"[X & 15] + " '" + static_cast<char>(X) + "'\r\n"};
        else if (X == SE)
            Want = {"Unknown F0 '\xF0'\r\n"};
        EXPECT_EQ(R.Log(), Want);
        EXPECT_EQ(R.Socket.Sent, "");
    }
}

TEST(Telnet, CommandSplitAcrossBlocks)
{
    TEngineRig R;
    R.Receive("a" + B({IAC}));
    EXPECT_TRUE(TTelnet::ReceiveState().IacSeen);
    R.Receive(B({IAC}) + "b" + B({IAC}));
    R.Receive(B({WILL}));
    R.Receive(B({1}) + "c");
    EXPECT_EQ(R.Screen.Text(1), "a\xFF"
                                "bc");
    EXPECT_EQ(R.Socket.Sent, B({IAC, DO, 1}));
}

// A block reaches the interpreter as one run: a block that scrolls is
// painted once; larger caller blocks go in runs of 4097 bytes.
TEST(Telnet, BlocksAreStagedIntoRuns)
{
    std::string Block;
    while (Block.size() < 4096) Block += "0123456789\r\n";
    Block.resize(4096);
    TEngineRig R;
    R.Screen.Log.clear();
    R.Receive(Block);
    EXPECT_EQ(std::count(R.Screen.Log.begin(), R.Screen.Log.end(), "ReDrawScreen"), 1);
    EXPECT_EQ(R.Telnet.StagedCount(), 0);
    R.Screen.Log.clear();
    R.Receive(Block + Block + "tail");
    EXPECT_EQ(std::count(R.Screen.Log.begin(), R.Screen.Log.end(), "ReDrawScreen"), 2)
        << "two full runs of 4097 scroll; the last two bytes do not";
}

TEST(Telnet, EndlessSubNegotiationStaysBoundedAndShowsNothing)
{
    TEngineRig R;
    R.Receive(B({IAC, SB, 24}));
    const std::string Chunk(4096, 'x');
    for (int I = 0; I < 10 * 256; ++I) R.Receive(Chunk); // 10 MB
    EXPECT_LE(TTelnet::ReceiveState().SubBuffer.size(), TTelnet::MaxSubNegotiation);
    EXPECT_EQ(R.Screen.Text(1), "");
    EXPECT_EQ(R.Screen.Scr().CurX, 1);
    R.Receive(B({IAC, SE}) + "after");
    EXPECT_EQ(R.Screen.Text(1), "after");
    EXPECT_EQ(R.Socket.Sent, "") << "a truncated request is not a SEND";
}

TEST(Telnet, ClearingTheReceiveStateSavesTheNextConnection)
{
    TEngineRig R;
    R.Receive(B({IAC, SB, 24, 1})); // the host hangs up here
    R.Telnet.ClearReceiveState();
    R.Receive("login: ");
    EXPECT_EQ(R.Screen.Text(1), "login:");
    R.Receive(B({IAC}));
    R.Telnet.ClearReceiveState();
    R.Receive(B({WILL}) + "x");
    EXPECT_EQ(R.Screen.Text(1), "login: "
                                "\xFB"
                                "x");
}

TEST(Telnet, RepliesFollowTheSwitchesAndTheGrid)
{
    TEngineRig R;
    Switches.TermTypeName = "vt220";
    R.Receive(B({IAC, SB, 24, 1, IAC, SE}));
    EXPECT_EQ(R.Socket.Take(), B({IAC, SB, 24, 0}) + "vt220" + B({IAC, SE}));
    // A resize sends the size whether or not the host asked for it.
    R.Screen.Term->SetSize(132, 50);
    R.Telnet.SendWindowSize();
    EXPECT_EQ(R.Socket.Writes, 2) << "WILL and the sub-negotiation are separate writes";
    EXPECT_EQ(R.Socket.Take(), B({IAC, WILL, 31, IAC, SB, 31, 0, 132, 0, 50, IAC, SE}));
    EXPECT_EQ(R.Log().back(), "Send Window Size X[132]Y[50]");
    // Nothing goes out without a connected socket.
    R.Socket.IsConnected = false;
    R.Receive(B({IAC, DO, 24, IAC, DO, 31, IAC, SB, 24, 1, IAC, SE}));
    EXPECT_EQ(R.Socket.Sent, "");
}

// The window size a resize sends stands as our WILL; a new connection
// negotiates afresh.
TEST(Telnet, OptionsAgreedLastOneConnection)
{
    TEngineRig R;
    R.Telnet.SendWindowSize();
    R.Socket.Take();
    R.Receive(B({IAC, DO, 31, IAC, DO, 24}));
    EXPECT_EQ(R.Socket.Take(), B({IAC, WILL, 24}));
    R.Telnet.ClearReceiveState();
    R.Receive(B({IAC, DO, 24, IAC, DO, 31}));
    EXPECT_EQ(R.Socket.Take(), B({IAC, WILL, 24}) + WindowSize80x24);
}

// A byte 255 in a sub-negotiation's data is doubled, or it would end it.
TEST(Telnet, SubNegotiationDataDoublesIac)
{
    TEngineRig R;
    Switches.TermTypeName = "vt\xFF"
                            "x";
    Switches.LocationText = "\xFF";
    R.Receive(B({IAC, SB, 24, 1, IAC, SE}));
    EXPECT_EQ(R.Socket.Take(), B({IAC, SB, 24, 0, 'v', 't', IAC, IAC, 'x', IAC, SE}));
    R.Receive(B({IAC, DO, 23}));
    EXPECT_EQ(R.Socket.Take(), B({IAC, WILL, 23, IAC, SB, 23, IAC, IAC, IAC, SE}));
}

TEST(Telnet, ResetRestoresSwitchesAndDropsTheSocket)
{
    TEngineRig R;
    Switches.AutoWrap = false;
    Switches.SoftScroll = Switches.MouseReport = Switches.InsertMode = true;
    Switches.CaretDrawEnabled = false;
    Switches.TermTypeName = "vt220";
    R.Receive(B({IAC, SB})); // the receive state survives a reset
    TTelnet::Reset();
    EXPECT_EQ(SessionSocket, nullptr);
    EXPECT_TRUE(Switches.AutoWrap && Switches.CaretDrawEnabled);
    EXPECT_FALSE(Switches.SoftScroll || Switches.MouseReport || Switches.InsertMode);
    EXPECT_EQ(Switches.TermTypeName, "xterm");
    EXPECT_EQ(Switches.LocationText, "\xBF\xA9\xB1\xE2");
    EXPECT_TRUE(TTelnet::ReceiveState().InSubNegotiation);
}

} // namespace
