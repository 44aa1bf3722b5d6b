#pragma once
// The session's record in a file: what the host sent, either as received
// (Raw) or as the text the screen shows (Text: escape sequences and controls
// removed, line breaks kept, optionally converted to UTF-8 and stamped with
// the time). Nothing the user types passes here, so a password the host does
// not echo never reaches the file. Calls only append to a bounded buffer; the
// window flushes it on a timer and at disconnect. No Qt, no threads.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

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

// Bytes the log holds before a call flushes them itself. The window flushes
// once a second; a flood of 100 MB/s or more reaches this first and is then
// written in few large writes, while a window's memory stays a few MiB.
inline constexpr std::size_t MaxLogBuffered = 4u << 20;

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

    // Writes what is buffered. A write that fails (disk full, folder gone,
    // permission) gives false with the system's text and closes the log:
    // nothing more is written and nothing is kept in memory. A failure met
    // by a call's own flush is reported by the next Flush. True when closed.
    bool Flush(std::string& Error);
    // Flush, then close.
    bool Close(std::string& Error);

private:
    enum class TState : std::uint8_t { Ground, Escape, EscapeMore, Csi, String };

    const std::uint8_t* Ground(const std::uint8_t* P, const std::uint8_t* End);
    const std::uint8_t* Plain(const std::uint8_t* P, const std::uint8_t* End);
    const std::uint8_t* Converted(const std::uint8_t* P, const std::uint8_t* End);
    bool Sequence(std::uint8_t B);
    void Control(std::uint8_t B);
    bool Pair(std::uint8_t Trail);
    void BeginLine();
    void Put(const void* Bytes, std::size_t Len);
    void Fill(); // flushes past MaxLogBuffered
    bool WriteOut();
    void Fail(int Errno);

    int Fd = -1;
    std::string Name;
    std::unique_ptr<char[]> Buffer; // MaxLogBuffered and one call's slice
    std::size_t Used = 0;
    std::string PendingError; // a failed write not yet reported
    TState State = TState::Ground;
    std::uint8_t Lead = 0; // a lead byte whose trail is still to come
    bool LineStart = true; // the next byte written opens a line
    char Stamp[22] = {};   // this Text call's time stamp, once made
    bool Stamped = false;
};
