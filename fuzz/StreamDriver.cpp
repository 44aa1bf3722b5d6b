// The host's bytes through the Telnet engine onto a screen that draws nothing:
// the screen's invariants after every block, and a whole feed against a split
// one.
#include "Drivers.h"

#include "common/LogSink.h"
#include "common/SessionSocket.h"
#include "common/Switches.h"
#include "common/VirtualKeys.h"
#include "emulation/Input_VT100.h"
#include "support/ProgramState.h"
#include "telnet/Telnet.h"
#include "telnet/TelnetCommon.h"
#include "term/NullCanvas.h"
#include "term/Term.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int CellW = 8, CellH = 16;

std::string Str(long long V) { return std::to_string(V); }

// Draws nothing; remembers the first text run that leaves the grid and keeps
// count of Lock/Unlock.
class TCheckingCanvas : public TNullCanvas {
public:
    const TScr* Scr = nullptr;
    std::string Fault;
    int LockDepth = 0;
    unsigned Touched = 0;

    TFontMetrics MeasureFont() override { return {CellW, CellH}; }
    void TextRun(int X, int Y, const TRect&, const std::uint8_t* Bytes, const std::uint8_t* Parts,
                 int Len) override
    {
        // Read every byte: the address sanitizer then vouches for the run.
        for (int I = 0; I < Len; ++I) Touched += Bytes[I] + Parts[I];
        if (!Fault.empty() || !Scr) return;
        if (Len < 1 || X < 0 || Y < 0 || X % CellW != 0 || Y % CellH != 0 ||
            X / CellW + Len > Scr->Col || Y / CellH >= Scr->Row)
            Fault = "text run of " + Str(Len) + " bytes at column " + Str(X / CellW + 1) +
                    ", row " + Str(Y / CellH + 1) + " leaves the " + Str(Scr->Col) + "x" +
                    Str(Scr->Row) + " grid";
    }
    void TextCluster(int X, int Y, const TRect& Clip, const char32_t* CodePoints,
                     int Count) override
    {
        for (int I = 0; I < Count; ++I) Touched += CodePoints[I];
        if (!Fault.empty() || !Scr) return;
        const int Cells = (Clip.Right - Clip.Left) / CellW;
        if (Count < 1 || Count > TCluster::MaxCodePoints || X < 0 || Y < 0 || X % CellW != 0 ||
            Y % CellH != 0 || Cells < 1 || X / CellW + Cells > Scr->Col || Y / CellH >= Scr->Row)
            Fault = "a character of " + Str(Cells) + " cells at column " + Str(X / CellW + 1) +
                    ", row " + Str(Y / CellH + 1) + " leaves the " + Str(Scr->Col) + "x" +
                    Str(Scr->Row) + " grid";
    }
    void Lock() override { ++LockDepth; }
    void Unlock() override
    {
        if (--LockDepth < 0 && Fault.empty()) Fault = "canvas unlocked more often than locked";
    }
};

class TCountingHost : public TTermHost {
public:
    int Beeps = 0;
    void SystemBeep() override { ++Beeps; }
};

// A connected peer that keeps what the engine answers.
class TReplySink : public TSessionEndpoint {
public:
    std::string Sent;
    bool Connected() const override { return true; }
    void Write(const unsigned char* Data, std::size_t Len) override
    {
        Sent.append(reinterpret_cast<const char*>(Data), Len);
    }
};

// The switch bits of an input's header.
namespace Flag {
constexpr unsigned NoAutoWrap = 1, AutoCR = 2, AutoLF = 4, SoftScroll = 8, Logging = 16,
                   Replies = 32, Focused = 64, Monochrome = 128;
} // namespace Flag

// The host bits of an input's header.
namespace HostFlag {
constexpr unsigned Utf8 = 1;
} // namespace HostFlag

struct TConfig {
    int Cols = 80, Rows = 24, ScrollBack = 1000;
    unsigned Flags = 0;
    unsigned Host = 0;
    bool XtermLevel = false;
};

// The scroll-back byte of a header: its top bit picks the emulation level.
void ReadScrollBackByte(TConfig& C, std::uint8_t B)
{
    C.ScrollBack = B & 0x7F;
    C.XtermLevel = B & 0x80;
}

// One terminal wired as the application wires it, with the program-wide state
// (switches, receive state, socket, log) set up for it and put back after.
struct TRig {
    TProgramState State; // first in, last out
    TCheckingCanvas Canvas;
    TCountingHost Host;
    TReplySink Socket;
    std::unique_ptr<TTerm> Term;
    std::unique_ptr<TTelnet> Telnet;
    TI_VT100 Input; // what the xterm level answers goes out through it

    explicit TRig(const TConfig& C)
    {
        Telnet = std::make_unique<TTelnet>();
        if (C.Flags & Flag::Logging) SetLogSink([](std::string_view) {});
        if (C.Flags & Flag::Replies) SessionSocket = &Socket;
        Term = std::make_unique<TTerm>(Canvas, Host);
        Canvas.Scr = &Term->Scr;
        Term->Focused = C.Flags & Flag::Focused;
        Term->Monochrome = C.Flags & Flag::Monochrome;
        Term->SetScrollBack(C.ScrollBack);
        Term->SetSize(C.Cols, C.Rows);
        Telnet->Term = Term.get();
        Telnet->VT100.Input = &Input;
        Switches.AutoWrap = !(C.Flags & Flag::NoAutoWrap);
        Switches.AutoCR = C.Flags & Flag::AutoCR;
        Switches.AutoLF = C.Flags & Flag::AutoLF;
        Switches.SoftScroll = C.Flags & Flag::SoftScroll;
        if (C.Host & HostFlag::Utf8) Switches.HostEncoding = THostEncoding::Utf8;
        Switches.XtermLevel = C.XtermLevel;
    }
    TRig(const TRig&) = delete;
    TRig& operator=(const TRig&) = delete;

    void Receive(const std::uint8_t* Bytes, std::size_t Len)
    {
        Telnet->Receive(Bytes, static_cast<int>(Len));
    }
};

// What must hold between two blocks from the host, whatever they held.
std::string CheckScreen(const TRig& R)
{
    const TTerm& T = *R.Term;
    const TScr& S = T.Scr;
    const TScrollBack& SB = S.ScrollBack;
    if (S.Col < 1 || S.Col > MaxCols || S.Row < 1 || S.Row > MaxRows)
        return "grid " + Str(S.Col) + "x" + Str(S.Row);
    // Col + 1 is the pending-wrap position after the last column was written.
    if (S.CurX < 1 || S.CurX > S.Col + 1 || S.CurY < 1 || S.CurY > S.Row)
        return "cursor " + Str(S.CurX) + "," + Str(S.CurY) + " outside " + Str(S.Col) + "x" +
               Str(S.Row);
    // A region is at least two rows unless it is the whole of a one-row screen.
    if (S.Top < 1 || S.Top > S.Bottom || S.Bottom > S.Row || (S.Top == S.Bottom && S.Row != 1))
        return "scroll region " + Str(S.Top) + ".." + Str(S.Bottom) + " of " + Str(S.Row) + " rows";

    int N = 0;
    const TLine* Prev = nullptr;
    for (const TLine* L = SB.First; L; L = L->Next) {
        if (L->Prev != Prev) return "line " + Str(N + 1) + " of the list has a wrong Prev";
        if (++N > SB.Count) return "the list holds more than Count (" + Str(SB.Count) + ") lines";
        Prev = L;
    }
    if (N != SB.Count) return "the list holds " + Str(N) + " lines, Count says " + Str(SB.Count);
    if (Prev != SB.Last) return "Last is not the end of the list";
    if (SB.Count > T.RecycleLimit())
        return "Count " + Str(SB.Count) + " above the recycling limit " + Str(T.RecycleLimit());
    if (SB.Browsing) {
        // Older lines in order, and the way back to the live screen intact.
        for (int Row = S.Row - 1; Row >= 1; --Row)
            if (!S.Lines[Row] || S.Lines[Row] != S.Lines[Row + 1]->Prev)
                return "browsing: row " + Str(Row) + " is not the line before row " + Str(Row + 1);
        int Below = 0;
        for (const TLine* L = SB.LiveTop; L; L = L->Next) ++Below;
        if (!SB.LiveTop || Below != S.Row) return "browsing: the live rows are lost";
    } else {
        if (S.Lines[S.Row] != SB.Last) return "the bottom row is not the newest line";
        for (int Row = S.Row - 1; Row >= 1; --Row)
            if (!S.Lines[Row] || S.Lines[Row] != S.Lines[Row + 1]->Prev)
                return "row " + Str(Row) + " is not the line before row " + Str(Row + 1);
        if (SB.ViewPos != SB.Count) return "view position " + Str(SB.ViewPos) + " off the live end";
    }

    if (S.OsString.Length() > TO_VT100::MaxOsStringKept)
        return "window-title text kept past its bound";
    if (TTelnet::ReceiveState().SubBuffer.size() > TTelnet::MaxSubNegotiation)
        return "sub-negotiation kept past its bound";
    if (R.Telnet->StagedCount() != 0) return "bytes left staged after a block";
    if (!R.Canvas.Fault.empty()) return R.Canvas.Fault;
    if (R.Canvas.LockDepth != 0) return "canvas left locked " + Str(R.Canvas.LockDepth) + " deep";
    return {};
}

std::uint8_t At(const std::uint8_t* Data, std::size_t Size, std::size_t I)
{
    return I < Size ? Data[I] : 0;
}

// What was sent, as the engine's Telnet commands and the interpreter's answers.
// Each keeps its order; between the two it may differ, since the engine
// answers a negotiation at once and hands its data on at the end of a block.
std::pair<std::string, std::string> SplitReplies(const std::string& Sent)
{
    std::string Negotiation, Answers;
    for (std::size_t I = 0; I < Sent.size();) {
        if (static_cast<std::uint8_t>(Sent[I]) != TN::IAC) {
            Answers += Sent[I++];
            continue;
        }
        std::size_t End = I + 2;
        const auto Cmd = static_cast<std::uint8_t>(I + 1 < Sent.size() ? Sent[I + 1] : 0);
        if (Cmd == TN::SB) {
            const std::size_t Se = Sent.find("\xFF\xF0", I + 2);
            End = Se == std::string::npos ? Sent.size() : Se + 2;
        } else if (Cmd >= TN::WILL && Cmd <= TN::DONT) {
            End = I + 3;
        }
        End = std::min(End, Sent.size());
        Negotiation.append(Sent, I, End - I);
        I = End;
    }
    return {Negotiation, Answers};
}

// Everything the host's bytes can change that a later byte may observe.
struct TSnapshot {
    std::vector<std::pair<std::string, long long>> Fields;
    std::vector<std::string> Texts; // escape state, receive state, replies
    std::vector<TCell> Cells;       // visible rows, columns 1..Col
    int Col = 0;

    static TSnapshot Of(const TRig& R)
    {
        const TScr& S = R.Term->Scr;
        const TTelnetReceiveState& St = TTelnet::ReceiveState();
        TSnapshot P;
        P.Col = S.Col;
        P.Fields = {{"CurX", S.CurX},
                    {"CurY", S.CurY},
                    {"Top", S.Top},
                    {"Bottom", S.Bottom},
                    {"CurFore", S.CurFore},
                    {"CurBack", S.CurBack},
                    {"LastPart", S.LastPart},
                    {"SavedX", S.SavedX},
                    {"SavedY", S.SavedY},
                    {"SavedFore", S.SavedFore},
                    {"SavedBack", S.SavedBack},
                    {"Reverse", S.Reverse},
                    {"Bold", S.Bold},
                    {"Underline", S.Underline},
                    {"InEscape", S.InEscape},
                    {"InOsString", S.InOsString},
                    {"StringEsc", S.StringEsc},
                    {"Count", S.ScrollBack.Count},
                    {"Beeps", R.Host.Beeps},
                    {"AutoCR", Switches.AutoCR},
                    {"AutoLF", Switches.AutoLF},
                    {"AutoWrap", Switches.AutoWrap},
                    {"SoftScroll", Switches.SoftScroll},
                    {"MetaBit", Switches.MetaBit},
                    {"LineDrawing", Switches.LineDrawing},
                    {"InsertMode", Switches.InsertMode},
                    {"MouseReport", Switches.MouseReport},
                    {"CaretDrawEnabled", Switches.CaretDrawEnabled},
                    {"CursorKeysApp", Switches.CursorKeysApp},
                    {"BracketedPaste", Switches.BracketedPaste},
                    {"MouseTracking", Switches.MouseTracking},
                    {"MouseSgr", Switches.MouseSgr},
                    {"CaretHidden", Switches.CaretHidden},
                    {"CurAttr", S.CurAttr},
                    {"PenFg", S.Xt.Pen.Fg},
                    {"PenBg", S.Xt.Pen.Bg},
                    {"PenAttr", S.Xt.Pen.Attr},
                    {"OriginMode", S.Xt.OriginMode},
                    {"AltScreen", S.Xt.AltScreen},
                    {"ShiftLevel", S.Xt.ShiftLevel},
                    {"EscOverflow", S.Xt.EscOverflow},
                    {"IacSeen", St.IacSeen},
                    {"PendingCommand", St.PendingCommand},
                    {"InSubNegotiation", St.InSubNegotiation},
                    {"HostTextIdle", R.Telnet->HostText.Idle()}};
        const auto [Negotiation, Answers] = SplitReplies(R.Socket.Sent);
        P.Texts = {std::string(S.EscBuf.View()),
                   std::string(S.OsString.View()),
                   St.SubBuffer,
                   Negotiation,
                   Answers,
                   std::string(S.Xt.Charsets, 4),
                   std::string(St.OurSide.begin(), St.OurSide.end()) +
                       std::string(St.HostSide.begin(), St.HostSide.end())};
        for (int Row = 1; Row <= S.Row; ++Row)
            P.Cells.insert(P.Cells.end(), &S.Lines[Row]->Cells[1], &S.Lines[Row]->Cells[S.Col] + 1);
        return P;
    }

    std::string Diff(const TSnapshot& B) const
    {
        static const char* const TextNames[] = {
            "escape buffer", "window-title text", "sub-negotiation", "Telnet replies",
            "answers",       "character sets",    "options agreed"};
        for (std::size_t I = 0; I < Fields.size(); ++I)
            if (Fields[I].second != B.Fields[I].second)
                return Fields[I].first + " " + Str(Fields[I].second) + " / " +
                       Str(B.Fields[I].second);
        for (std::size_t I = 0; I < Texts.size(); ++I)
            if (Texts[I] != B.Texts[I]) return std::string(TextNames[I]) + " differs";
        for (std::size_t I = 0; I < Cells.size(); ++I) {
            const TCell& X = Cells[I];
            const TCell& Y = B.Cells[I];
            if (X.Ch != Y.Ch || X.Fore != Y.Fore || X.Back != Y.Back || X.DbcsPart != Y.DbcsPart ||
                X.Attr != Y.Attr) {
                const long long Row = static_cast<long long>(I) / Col + 1;
                const long long Column = static_cast<long long>(I) % Col + 1;
                return "cell " + Str(Column) + "," + Str(Row) + ": byte " + Str(X.Ch) + "/" +
                       Str(Y.Ch) + ", part " + Str(X.DbcsPart) + "/" + Str(Y.DbcsPart) +
                       ", colours " + Str(X.Fore) + ":" + Str(X.Back) + " / " + Str(Y.Fore) + ":" +
                       Str(Y.Back);
            }
        }
        return {};
    }
};

} // namespace

std::string FuzzStream(const std::uint8_t* Data, std::size_t Size)
{
    constexpr std::size_t Header = 10;
    TConfig C;
    C.Cols = 1 + At(Data, Size, 0) % MaxCols;
    C.Rows = 1 + At(Data, Size, 1) % MaxRows;
    ReadScrollBackByte(C, At(Data, Size, 2));
    C.Flags = At(Data, Size, 3);
    // Zero stands for a block longer than the engine's staging buffer.
    std::size_t Blocks[4];
    for (std::size_t I = 0; I < 4; ++I) {
        const std::uint8_t B = At(Data, Size, 4 + I);
        Blocks[I] = B ? B : TTelnet::StagingSize + 903;
    }
    // Bit k: the user pages up into the scroll-back before block k (mod 8).
    const std::uint8_t Browse = At(Data, Size, 8);
    C.Host = At(Data, Size, 9);
    const std::uint8_t* Body = Data + std::min(Size, Header);
    const std::size_t Len = Size - std::min(Size, Header);

    TRig R(C);
    if (std::string E = CheckScreen(R); !E.empty()) return "after setup: " + E;
    for (std::size_t Pos = 0, K = 0; Pos < Len; ++K) {
        const std::size_t N = std::min(Blocks[K % 4], Len - Pos);
        if (Browse >> (K % 8) & 1) {
            int Key = VK::Prior;
            R.Term->ScrollBackKey(Key);
        }
        R.Receive(Body + Pos, N);
        if (std::string E = CheckScreen(R); !E.empty())
            return "after bytes " + Str(static_cast<long long>(Pos)) + ".." +
                   Str(static_cast<long long>(Pos + N)) + ": " + E;
        Pos += N;
    }
    return {};
}

std::string FuzzSplit(const std::uint8_t* Data, std::size_t Size)
{
    constexpr std::size_t Header = 7;
    TConfig C;
    C.Cols = 1 + At(Data, Size, 2) % MaxCols;
    C.Rows = 1 + At(Data, Size, 3) % MaxRows;
    ReadScrollBackByte(C, At(Data, Size, 4));
    C.Flags = At(Data, Size, 5) | Flag::Replies;
    C.Host = At(Data, Size, 6);
    const std::uint8_t* Body = Data + std::min(Size, Header);
    const std::size_t Len = Size - std::min(Size, Header);
    const std::size_t Split =
        (static_cast<std::size_t>(At(Data, Size, 0)) << 8 | At(Data, Size, 1)) % (Len + 1);

    TSnapshot Whole;
    {
        TRig R(C);
        R.Receive(Body, Len);
        if (std::string E = CheckScreen(R); !E.empty()) return "fed whole: " + E;
        Whole = TSnapshot::Of(R);
    }
    TRig R(C);
    R.Receive(Body, Split);
    R.Receive(Body + Split, Len - Split);
    if (std::string E = CheckScreen(R); !E.empty()) return "fed in two: " + E;
    if (std::string E = Whole.Diff(TSnapshot::Of(R)); !E.empty())
        return "split at " + Str(static_cast<long long>(Split)) + " changes the result: " + E;
    return {};
}
