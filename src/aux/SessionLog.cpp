// The session log: naming and opening its file, Text's filter, and the
// buffer's writes.
#include "aux/SessionLog.h"

#include "text/Cp949.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t BEL = 0x07, TAB = 0x09, LF = 0x0A, CAN = 0x18, SUB = 0x1A, ESC = 0x1B,
                       DEL = 0x7F;

// A host or an alias is one name inside the path: a "/" in it would make
// folders the user never asked for (an alias "a/b" a folder "a"), a NUL would
// cut the path short, and "." or ".." would name a folder instead of a file.
std::string NamePart(const std::string& V)
{
    if (V == "." || V == "..") return std::string(V.size(), '_');
    std::string S = V;
    for (char& C : S)
        if (C == '/' || C == '\0') C = '_';
    return S;
}

void AppendNumber(std::string& Out, long V, int Width)
{
    char Buf[32];
    std::snprintf(Buf, sizeof Buf, "%0*ld", Width, V);
    Out += Buf;
}

// NAME-N.EXT; the extension is what follows the last dot of the file's own
// name, unless that dot begins it (".profile-1", not "-1.profile").
std::string Numbered(const std::string& Path, int N)
{
    const std::size_t Slash = Path.rfind('/');
    const std::size_t NameAt = Slash == std::string::npos ? 0 : Slash + 1;
    std::size_t Dot = Path.rfind('.');
    if (Dot == std::string::npos || Dot <= NameAt) Dot = Path.size();
    return Path.substr(0, Dot) + "-" + std::to_string(N) + Path.substr(Dot);
}

// What a byte can be: ControlByte ends a run of plain text (C0 controls but
// TAB, and DEL); HighByte is part of a pair; NoTrail cannot follow a lead
// (every control, which a terminal carries out).
enum : std::uint8_t { PlainByte = 0, ControlByte = 1, HighByte = 2, NoTrail = 4 };
constexpr std::array<std::uint8_t, 256> ByteClass = [] {
    std::array<std::uint8_t, 256> T{};
    for (int B = 0; B < 0x20; ++B) T[B] = ControlByte | NoTrail;
    T[TAB] = NoTrail;
    T[DEL] = ControlByte | NoTrail;
    for (int B = 0x80; B < 0x100; ++B) T[B] = HighByte;
    return T;
}();

// Eight bytes at a time: a bit set in the byte of every control and DEL,
// and of every byte HighMask's bits find. Bits above the first true one may
// be false, so only the lowest counts.
inline std::uint64_t Stops(std::uint64_t W, std::uint64_t HighMask)
{
    constexpr std::uint64_t Ones = 0x0101010101010101ull, Highs = Ones * 0x80;
    const std::uint64_t Below20 = (W - Ones * 0x20) & ~W & Highs;
    const std::uint64_t X = W ^ (Ones * DEL);
    const std::uint64_t IsDel = (X - Ones) & ~X & Highs;
    return Below20 | IsDel | (W & HighMask);
}

// The first byte at or after P that ends a run of plain text, or End; with
// StopHigh, bytes of 0x80 and more end it too.
inline const std::uint8_t* RunEnd(const std::uint8_t* P, const std::uint8_t* End, bool StopHigh)
{
    const std::uint64_t HighMask = StopHigh ? 0x8080808080808080ull : 0;
    const std::uint8_t HighBit = StopHigh ? 0x80 : 0;
    while (P < End) {
        if (End - P >= 8) {
            std::uint64_t W;
            std::memcpy(&W, P, 8);
            const std::uint64_t M = Stops(W, HighMask);
            if (!M) {
                P += 8;
                continue;
            }
            if constexpr (std::endian::native == std::endian::little) P += std::countr_zero(M) >> 3;
        }
        if ((ByteClass[*P] & ControlByte) || (*P & HighBit)) break; // else a TAB
        ++P;
    }
    return P;
}

// The length of a control sequence that starts at P (ESC [ parameters
// final), or 0 when it does not end before End.
inline std::size_t CsiLength(const std::uint8_t* P, const std::uint8_t* End)
{
    const std::uint8_t* Q = P + 2;
    if (End - P < 3 || P[1] != '[') return 0;
    while (Q < End && *Q >= 0x20 && *Q < 0x40) ++Q;
    return Q < End && *Q >= 0x40 && *Q < DEL ? static_cast<std::size_t>(Q + 1 - P) : 0;
}

// A character of a pair (never ASCII, never past the basic plane) in UTF-8.
int Utf8Of(char32_t U, char* Out)
{
    if (U < 0x800) {
        Out[0] = static_cast<char>(0xC0 | U >> 6);
        Out[1] = static_cast<char>(0x80 | (U & 0x3F));
        return 2;
    }
    Out[0] = static_cast<char>(0xE0 | U >> 12);
    Out[1] = static_cast<char>(0x80 | (U >> 6 & 0x3F));
    Out[2] = static_cast<char>(0x80 | (U & 0x3F));
    return 3;
}

// Input bytes handled between two looks at the buffer's bound: the receive
// pump's block. One byte gives at most a time stamp and a replacement
// character, so a slice's output always fits the room kept past the bound.
constexpr int Slice = 4096;
// The writer thread's niceness above the window's (Linux sets it per thread).
constexpr int WriterNice = 10;
constexpr std::size_t StampSize = 22; // "[YYYY-MM-DD HH:MM:SS] "
constexpr std::size_t BufferSize = MaxLogBuffered + Slice * (StampSize + 3);
// The calls' buffer: a slice and its head past the bound.
constexpr std::size_t HeadRoom = 128;
constexpr std::size_t InSize = MaxLogBuffered + Slice + HeadRoom;

// Reads the local time zone only when the second changes: a flood stamps
// lines thousands of times a second.
std::tm LocalNow()
{
    static std::time_t Last = -1;
    static std::tm Cached{};
    const std::time_t Now = std::time(nullptr);
    if (Now != Last) {
        localtime_r(&Now, &Cached);
        Last = Now;
    }
    return Cached;
}

// Digits of V, the last Width of them.
void PutDigits(char* Out, int V, int Width)
{
    V = V < 0 ? 0 : V;
    for (int I = Width - 1; I >= 0; --I, V /= 10) Out[I] = static_cast<char>('0' + V % 10);
}

} // namespace

std::string ExpandLogPath(const std::string& Template, const TLogPlace& Place)
{
    if (Template.empty()) return {};
    std::string Out;
    std::size_t I = 0;
    if (Template[0] == '~' && (Template.size() == 1 || Template[1] == '/')) {
        Out = Place.Home;
        I = 1;
    }
    const std::tm& T = Place.Time;
    for (; I < Template.size(); ++I) {
        if (Template[I] != '&' || I + 1 == Template.size()) {
            Out += Template[I];
            continue;
        }
        char Letter = Template[++I];
        if (Letter >= 'a' && Letter <= 'z') Letter = static_cast<char>(Letter - 'a' + 'A');
        switch (Letter) {
        case 'H': Out += NamePart(Place.Host); break;
        case 'P': Out += std::to_string(Place.Port); break;
        case 'A': Out += NamePart(Place.Alias); break;
        case 'Y': AppendNumber(Out, T.tm_year + 1900L, 4); break;
        case 'M': AppendNumber(Out, T.tm_mon + 1L, 2); break;
        case 'D': AppendNumber(Out, T.tm_mday, 2); break;
        case 'T':
            AppendNumber(Out, T.tm_hour, 2);
            AppendNumber(Out, T.tm_min, 2);
            AppendNumber(Out, T.tm_sec, 2);
            break;
        case '&': Out += '&'; break;
        default:
            Out += '&';
            Out += Template[I];
            break;
        }
    }
    if ((Out.empty() || Out[0] != '/') && !Place.Home.empty())
        Out = Place.Home + (Place.Home.back() == '/' ? "" : "/") + Out;
    return Out;
}

TSessionLog::TSessionLog() : Clock(LocalNow) {}

TSessionLog::~TSessionLog()
{
    std::string Ignored;
    Close(Ignored);
}

bool TSessionLog::Open(const std::string& Path, bool Append, std::string& Error)
{
    std::string Ignored;
    Close(Ignored);
    PendingError.clear();
    State = TState::Ground;
    Lead = 0;
    LineStart = true;
    // A session's record holds whatever the host showed: its owner's only.
    // Not handed on to the programs a window starts (a new connection). A
    // pipe nobody reads is refused at once instead of holding the window.
    constexpr int Flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    constexpr mode_t Mode = 0600;
    std::string Chosen = Path;
    if (Append) {
        Fd = ::open(Path.c_str(), Flags | O_APPEND, Mode);
    } else {
        // O_EXCL: a file that appears between a look and the open is not
        // overwritten either.
        for (int N = 1; (Fd = ::open(Chosen.c_str(), Flags | O_EXCL, Mode)) < 0; ++N) {
            if (errno != EEXIST || N > MaxLogCounter) break;
            Chosen = Numbered(Path, N);
        }
    }
    if (Fd < 0) {
        Error = std::strerror(errno);
        return false;
    }
    Name = Chosen;
    // Untouched memory: pages become the process's only as the log fills them.
    In = std::make_unique_for_overwrite<char[]>(InSize);
    Buffer = std::make_unique_for_overwrite<char[]>(BufferSize);
    InUsed = Used = 0;
    Busy = Quit = false;
    WriteErrno = RenderErrno = 0;
    Writer = std::thread([this] { Write(); });
    return true;
}

void TSessionLog::Raw(const std::uint8_t* Bytes, int Len) { Record(TKind::Raw, Bytes, Len); }

void TSessionLog::Text(const std::uint8_t* Bytes, int Len) { Record(TKind::Text, Bytes, Len); }

// The receive path's whole share: the bytes copied, a slice at a time, each
// with the choices and the time of its call.
void TSessionLog::Record(TKind Kind, const std::uint8_t* Bytes, int Len)
{
    static_assert(sizeof(THead) <= HeadRoom);
    if (Fd < 0) return;
    THead Head{Kind, Timestamps, Cp949ToUtf8, 0, {}};
    if (Kind == TKind::Text && Timestamps) Head.Time = Clock();
    for (int Done = 0; Done < Len || Kind == TKind::End; Done += Slice) {
        Head.Len = std::min(Len - Done, Slice);
        std::memcpy(In.get() + InUsed, &Head, sizeof Head);
        InUsed += sizeof Head;
        if (Head.Len > 0) {
            std::memcpy(In.get() + InUsed, Bytes + Done, static_cast<std::size_t>(Head.Len));
            InUsed += static_cast<std::size_t>(Head.Len);
        }
        if (InUsed >= MaxLogBuffered && !WriteOut()) return;
        if (Kind == TKind::End) break;
    }
}

// On the writer thread: the records of a buffer made into the log's text.
void TSessionLog::Render(const char* Records, std::size_t Size)
{
    for (std::size_t At = 0; At < Size;) {
        THead Head;
        std::memcpy(&Head, Records + At, sizeof Head);
        const auto* P = reinterpret_cast<const std::uint8_t*>(Records + At + sizeof Head);
        At += sizeof Head + static_cast<std::size_t>(Head.Len);
        if (Head.Kind == TKind::Raw) {
            std::memcpy(Buffer.get() + Used, P, static_cast<std::size_t>(Head.Len));
            Used += static_cast<std::size_t>(Head.Len);
        } else if (Head.Kind == TKind::End) {
            if (Lead) Pair(0); // the text ended between a lead and its trail
        } else {
            StampLines = Head.Timestamps;
            Convert = Head.Cp949ToUtf8;
            Time = Head.Time;
            Stamped = false;
            RenderText(P, P + Head.Len);
        }
        Fill();
    }
}

void TSessionLog::RenderText(const std::uint8_t* P, const std::uint8_t* End)
{
    while (P < End) {
        switch (State) {
        case TState::Ground: P = Ground(P, End); break;
        case TState::String:
            while (P < End && *P != BEL && *P != ESC && *P != CAN && *P != SUB) ++P;
            if (P < End) State = *P++ == ESC ? TState::Escape : TState::Ground;
            break;
        case TState::Csi:
            while (P < End && *P >= 0x20 && *P < 0x40) ++P; // parameters, intermediates
            if (P < End && Sequence(*P)) ++P;
            break;
        default:
            if (Sequence(*P)) ++P;
            break;
        }
    }
}

// Runs of text, line ends and whole control sequences, up to an escape that
// needs the state machine.
const std::uint8_t* TSessionLog::Ground(const std::uint8_t* P, const std::uint8_t* End)
{
    if (Lead && Pair(*P)) ++P;
    while (P < End) {
        P = Convert ? Converted(P, End) : Plain(P, End);
        if (P == End) break;
        if (*P >= 0x80) { // a lead whose trail is a control or still to come
            Lead = *P++;
            if (P < End) Pair(*P);
            continue;
        }
        if (*P == ESC) {
            // Full-screen programs send one before nearly every cell.
            if (const std::size_t N = CsiLength(P, End)) {
                P += N;
                continue;
            }
            State = TState::Escape;
            return P + 1;
        }
        Control(*P++);
    }
    return P;
}

// A run of plain bytes, written as they are.
const std::uint8_t* TSessionLog::Plain(const std::uint8_t* P, const std::uint8_t* End)
{
    const std::uint8_t* Run = P;
    P = RunEnd(P, End, false);
    if (P > Run) Put(Run, static_cast<std::size_t>(P - Run));
    return P;
}

// Code page 949 text written as UTF-8: plain bytes and whole pairs, as
// Korean text mixes them, up to a control or a pair not whole before End.
const std::uint8_t* TSessionLog::Converted(const std::uint8_t* P, const std::uint8_t* End)
{
    if (P == End || (ByteClass[*P] & ControlByte)) return P;
    if (LineStart) BeginLine();
    const char16_t* Map = Cp949::PairTable();
    char* Out = Buffer.get() + Used;
    while (P < End) {
        const std::uint8_t B = *P;
        if (B < 0x80) {
            // Korean words are parted by single blanks: a byte at a time
            // until the run turns out long.
            const std::uint8_t* Short = std::min(End, P + 8);
            while (P < Short && !(ByteClass[*P] & (ControlByte | HighByte)))
                *Out++ = static_cast<char>(*P++);
            if (P == Short && P < End && !(ByteClass[*P] & (ControlByte | HighByte))) {
                const std::uint8_t* Run = P;
                P = RunEnd(P, End, true);
                std::memcpy(Out, Run, static_cast<std::size_t>(P - Run));
                Out += P - Run;
            }
            if (P == End || *P < 0x80) break;
        } else if (B == 0x80) { // no lead: a byte of its own
            Out += Utf8Of(Cp949::Replacement, Out);
            ++P;
        } else {
            if (End - P < 2 || (ByteClass[P[1]] & NoTrail)) break;
            Out += Utf8Of(Map[(B - 0x81) * 256 + P[1]], Out);
            P += 2;
        }
    }
    Used = static_cast<std::size_t>(Out - Buffer.get());
    return P;
}

// A byte after ESC, or inside a control sequence. False for a byte of text,
// which cuts the sequence short and is kept.
bool TSessionLog::Sequence(std::uint8_t B)
{
    if (B >= 0x80) {
        State = TState::Ground;
        return false;
    }
    if (B < 0x20) {
        if (B == ESC)
            State = TState::Escape;
        else if (B == CAN || B == SUB)
            State = TState::Ground;
        else
            Control(B); // a terminal carries out a control met inside a sequence
        return true;
    }
    if (B == DEL) return true;
    switch (State) {
    case TState::Escape:
        if (B == '[')
            State = TState::Csi;
        else if (B == ']' || B == 'P' || B == 'X' || B == '^' || B == '_') // OSC DCS SOS PM APC
            State = TState::String;
        else if (B < 0x30) // an intermediate: ESC ( B and the like
            State = TState::EscapeMore;
        else
            State = TState::Ground;
        break;
    case TState::EscapeMore:
        if (B >= 0x30) State = TState::Ground;
        break;
    default:                                   // Csi
        if (B >= 0x40) State = TState::Ground; // the final
        break;
    }
    return true;
}

// LF ends a line and TAB is text; every other control is dropped, a CR
// included: CR LF ends a line as LF does, and a lone CR only moves the
// cursor back over text the log already holds.
void TSessionLog::Control(std::uint8_t B)
{
    if (B != LF && B != TAB) return;
    if (LineStart) BeginLine();
    Buffer[Used++] = static_cast<char>(B);
    if (B == LF) LineStart = true;
}

// The character of Lead and the byte after it, which is its trail unless it
// is a control, which a terminal would carry out: the lead then stands alone.
// True when the byte was taken.
bool TSessionLog::Pair(std::uint8_t Trail)
{
    const bool Taken = !(ByteClass[Trail] & NoTrail);
    char Utf8[3];
    const int N = Utf8Of(Taken ? Cp949::PairToUnicode(Lead, Trail) : Cp949::Replacement, Utf8);
    Put(Utf8, static_cast<std::size_t>(N));
    Lead = 0;
    return Taken;
}

void TSessionLog::BeginLine()
{
    LineStart = false;
    if (!StampLines) return;
    if (!Stamped) {
        const std::tm& T = Time;
        std::memcpy(Stamp, "[0000-00-00 00:00:00] ", StampSize);
        PutDigits(Stamp + 1, T.tm_year + 1900, 4);
        PutDigits(Stamp + 6, T.tm_mon + 1, 2);
        PutDigits(Stamp + 9, T.tm_mday, 2);
        PutDigits(Stamp + 12, T.tm_hour, 2);
        PutDigits(Stamp + 15, T.tm_min, 2);
        PutDigits(Stamp + 18, T.tm_sec, 2);
        Stamped = true;
    }
    std::memcpy(Buffer.get() + Used, Stamp, StampSize);
    Used += StampSize;
}

void TSessionLog::Put(const void* Bytes, std::size_t Len)
{
    if (LineStart) BeginLine();
    std::memcpy(Buffer.get() + Used, Bytes, Len);
    Used += Len;
}

void TSessionLog::Fill()
{
    if (Used < MaxLogBuffered) return;
    if (!RenderErrno) RenderErrno = WriteChunk(Buffer.get(), Used);
    Used = 0;
}

bool TSessionLog::WriteOut()
{
    std::unique_lock<std::mutex> Hold(Lock);
    Changed.wait(Hold, [this] { return Queue.size() < MaxLogQueued; });
    if (const int Errno = WriteErrno) {
        Hold.unlock();
        Fail(Errno);
        return false;
    }
    if (InUsed == 0) return true;
    Queue.push_back({std::move(In), InUsed});
    if (Spares.empty()) {
        In = std::make_unique_for_overwrite<char[]>(InSize);
    } else {
        In = std::move(Spares.back());
        Spares.pop_back();
    }
    InUsed = 0;
    Changed.notify_all();
    return true;
}

void TSessionLog::Write()
{
    // The file can wait; the window and the display server cannot: on a
    // busy machine the writer takes the time they leave.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), WriterNice);
    std::unique_lock<std::mutex> Hold(Lock);
    for (;;) {
        Changed.wait(Hold, [this] { return !Queue.empty() || Quit; });
        if (Queue.empty()) return;
        TChunk Chunk = std::move(Queue.front());
        Queue.pop_front();
        Busy = true;
        const bool Failed = WriteErrno != 0;
        Hold.unlock();
        // After a failure the rest is dropped: the log is closing.
        int Errno = 0;
        if (!Failed) {
            Render(Chunk.Bytes.get(), Chunk.Size);
            if (!RenderErrno && Used) RenderErrno = WriteChunk(Buffer.get(), Used);
            Used = 0;
            Errno = RenderErrno;
        }
        Hold.lock();
        if (Errno && !WriteErrno) WriteErrno = Errno;
        Spares.push_back(std::move(Chunk.Bytes));
        Busy = false;
        Changed.notify_all();
    }
}

// The errno of a failed write, or 0.
int TSessionLog::WriteChunk(const char* Bytes, std::size_t Size) const
{
    // A file whose folder was removed (or that was removed itself) still
    // takes writes, into nothing: no write error would ever tell.
    struct stat St {};
    if (::fstat(Fd, &St) == 0 && St.st_nlink == 0) return ENOENT;
    for (std::size_t Done = 0; Done < Size;) {
        const ssize_t N = ::write(Fd, Bytes + Done, Size - Done);
        if (N < 0 && errno == EINTR) continue;
        if (N <= 0) return N < 0 ? errno : ENOSPC;
        Done += static_cast<std::size_t>(N);
    }
    return 0;
}

void TSessionLog::StopWriter()
{
    if (!Writer.joinable()) return;
    {
        const std::lock_guard<std::mutex> Hold(Lock);
        Quit = true;
        Changed.notify_all();
    }
    Writer.join(); // after the buffer in flight
}

// The writer stopped, the file closed and the buffers given back.
void TSessionLog::Release()
{
    StopWriter();
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
    In.reset();
    Buffer.reset();
    Queue.clear();
    Spares.clear();
    InUsed = Used = 0;
    Lead = 0;
}

void TSessionLog::Fail(int Errno)
{
    Release();
    PendingError = std::strerror(Errno);
}

bool TSessionLog::Flush(std::string& Error)
{
    if (Fd < 0 || WriteOut()) {
        if (PendingError.empty()) return true;
    }
    Error = PendingError;
    PendingError.clear();
    return false;
}

bool TSessionLog::Settle(std::string& Error)
{
    if (!Flush(Error)) return false; // hands the last of it over
    // Waits for the writer to finish; a write that failed closes the log
    // and is told.
    {
        std::unique_lock<std::mutex> Hold(Lock);
        Changed.wait(Hold, [this] { return Queue.empty() && !Busy; });
    }
    return Fd < 0 || WriteOut() || Flush(Error);
}

bool TSessionLog::Close(std::string& Error)
{
    Record(TKind::End, nullptr, 0);
    const bool Written = Settle(Error);
    Release();
    return Written;
}
