#pragma once
// The session's record in a file: what the host sent, either as received
// (Raw) or as the text the screen shows (Text: escape sequences and controls
// removed, line breaks kept, optionally converted to UTF-8 and stamped with
// the time). Nothing the user types passes here, so a password the host does
// not echo never reaches the file. Calls only copy what they are given, with
// the time, into a bounded buffer; a full buffer, and the window's flush once
// a second, go to a writer thread of the log's own, which makes the text and
// writes it. So neither the filter nor the file system's pace (a slow disk,
// the kernel holding back a writer of many dirty pages) costs the window's
// receive path more than a copy. No Qt.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What a log path's placeholders stand for. Texts are UTF-8, the file
// system's; the caller converts profile texts (code page 949) first.
struct TLogPlace {
    std::string Host;
    std::int32_t Port = 0;
    std::string Alias;
    std::tm Time{}; // local time of the connection
    std::string Home;
};

// The template with &H host, &P port, &A alias, &Y &M &D the date (4, 2 and
// 2 digits), &T the time (HHMMSS) and && a literal "&" replaced; another
// "&" stays as it is. A leading "~" is the home folder, and a path that is
// still relative is taken in the home folder: the window's working folder is
// wherever the desktop happened to start it.
std::string ExpandLogPath(const std::string& Template, const TLogPlace& Place);

// Bytes the log gathers before a call hands them to the writer itself. The
// window flushes once a second; a flood of 100 MB/s or more reaches this
// first and is then written in few large writes.
inline constexpr std::size_t MaxLogBuffered = 1u << 20;
// Buffers handed over and not yet written before a call waits for the
// writer: the slack that lets the file lag a flood by a few seconds'
// worth of a slow disk, and the bound on the log's memory (about this many
// MiB, and one more filling).
inline constexpr int MaxLogQueued = 8;

// Counters tried after NAME.EXT before Open gives up: ten thousand logs of
// one name in one folder mean a template without a date or time in it.
inline constexpr int MaxLogCounter = 9999;

class TSessionLog {
public:
    TSessionLog();
    ~TSessionLog(); // flushes what it can and closes
    TSessionLog(const TSessionLog&) = delete;
    TSessionLog& operator=(const TSessionLog&) = delete;

    // Text's choices (Raw keeps the bytes whatever they say); set them
    // before the first Text call.
    bool Timestamps = false; // "[YYYY-MM-DD HH:MM:SS] " before each line
    // A code page 949 host's text written as UTF-8: on only for such a host
    // with LogEncoding UTF-8, since a UTF-8 host's text is UTF-8 already.
    bool Cp949ToUtf8 = false;
    // Local time now; asked at most once per Text call.
    std::function<std::tm()> Clock;

    // With Append, Path itself, created when missing. Otherwise Path when no
    // such file exists, else the first free NAME-1.EXT, NAME-2.EXT, ...;
    // an existing file is never overwritten, not even one created between
    // the test and the open. False with the system's text in Error. A log
    // already open is closed first.
    bool Open(const std::string& Path, bool Append, std::string& Error);
    bool IsOpen() const { return Fd >= 0; }
    const std::string& FileName() const { return Name; } // the file chosen

    // The bytes as the network gave them.
    void Raw(const std::uint8_t* Bytes, int Len);
    // The host's data after Telnet's commands were taken out, in the host's
    // encoding (code page 949 or UTF-8). A sequence, a CR LF or a character
    // split between calls is joined again.
    void Text(const std::uint8_t* Bytes, int Len);

    // Hands what is buffered to the writer. A write that failed (disk full,
    // folder gone, permission) gives false with the system's text and closes
    // the log: nothing more is written and nothing is kept in memory. A
    // failure is reported by the Flush after it. True when closed.
    bool Flush(std::string& Error);
    // Flush, and wait until that is written: false (the log then closed)
    // when a write failed.
    bool Settle(std::string& Error);
    // Everything written and the writer stopped, then the file closed.
    bool Close(std::string& Error);

private:
    enum class TState : std::uint8_t { Ground, Escape, EscapeMore, Csi, String };
    // What a call handed over, as the writer finds it: this head, then Len
    // bytes. End finishes a character cut off by the end of the session.
    enum class TKind : std::uint8_t { Raw, Text, End };
    struct THead {
        TKind Kind;
        bool Timestamps, Cp949ToUtf8; // the choices as they were at the call
        int Len;
        std::tm Time; // of a Text call with time stamps
    };
    void Record(TKind Kind, const std::uint8_t* Bytes, int Len);
    void Render(const char* Records, std::size_t Size); // on the writer thread
    void RenderText(const std::uint8_t* P, const std::uint8_t* End);

    const std::uint8_t* Ground(const std::uint8_t* P, const std::uint8_t* End);
    const std::uint8_t* Plain(const std::uint8_t* P, const std::uint8_t* End);
    const std::uint8_t* Converted(const std::uint8_t* P, const std::uint8_t* End);
    bool Sequence(std::uint8_t B);
    void Control(std::uint8_t B);
    bool Pair(std::uint8_t Trail);
    void BeginLine();
    void Put(const void* Bytes, std::size_t Len);
    void Fill();     // the writer writes its text out past MaxLogBuffered
    bool WriteOut(); // hands the calls' buffer to the writer
    void Fail(int Errno);
    void Release();
    void Write(); // the writer thread's loop
    int WriteChunk(const char* Bytes, std::size_t Size) const;
    void StopWriter();

    int Fd = -1;
    std::string Name;
    // The calls' side: their records, MaxLogBuffered and one slice's.
    std::unique_ptr<char[]> In;
    std::size_t InUsed = 0;
    // The writer's side, guarded by Lock: buffers handed over, oldest first;
    // emptied ones for the next fill; whether one is being written; the
    // errno of a write that failed.
    struct TChunk {
        std::unique_ptr<char[]> Bytes;
        std::size_t Size = 0;
    };
    std::deque<TChunk> Queue;
    std::vector<std::unique_ptr<char[]>> Spares;
    bool Busy = false, Quit = false;
    int WriteErrno = 0;
    std::mutex Lock;
    std::condition_variable Changed;
    std::thread Writer;
    std::string PendingError; // a failed write not yet reported
    // The writer's own: the text made, and the filter's state.
    std::unique_ptr<char[]> Buffer; // MaxLogBuffered and one slice's output
    std::size_t Used = 0;
    int RenderErrno = 0;                      // the writer's first failure while it renders
    bool StampLines = false, Convert = false; // the record's choices
    std::tm Time{};                           // and its time
    TState State = TState::Ground;
    std::uint8_t Lead = 0; // a lead byte whose trail is still to come
    bool LineStart = true; // the next byte written opens a line
    char Stamp[22] = {};   // this Text call's time stamp, once made
    bool Stamped = false;
};
