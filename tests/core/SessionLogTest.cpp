// The session log: the path a template names, the file chosen for it, what
// Text keeps of a host's stream (each case fed whole and one byte at a time,
// which catches every fault at a call's boundary), time stamps, and the
// buffer's writes and their failures on real files.
#include "aux/SessionLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

namespace {

using namespace std::string_literals;

std::tm At(int Y, int Mo, int D, int H, int Mi, int S)
{
    std::tm T{};
    T.tm_year = Y - 1900;
    T.tm_mon = Mo - 1;
    T.tm_mday = D;
    T.tm_hour = H;
    T.tm_min = Mi;
    T.tm_sec = S;
    return T;
}

const std::uint8_t* Data(const std::string& S)
{
    return reinterpret_cast<const std::uint8_t*>(S.data());
}
int Len(const std::string& S) { return static_cast<int>(S.size()); }

TEST(LogPath, PlaceholdersAndHome)
{
    const TLogPlace Place{"db.example.kr", 2323, "\xEA\xB0\x9C\xEB\xB0\x9C", // 개발
                          At(2024, 3, 5, 9, 7, 5), "/home/kim"};
    const struct {
        const char* Template;
        const char* Path;
    } Cases[] = {
        {"~/logs/&H-&P.log", "/home/kim/logs/db.example.kr-2323.log"},
        {"/var/tmp/&A_&Y&M&D_&T.txt", "/var/tmp/개발_20240305_090705.txt"},
        {"~", "/home/kim"},
        {"&h.&p", "/home/kim/db.example.kr.2323"}, // relative: in the home folder
        {"~/a&&b &x &", "/home/kim/a&b &x &"},     // && one "&"; others stay
        {"/l/~/&&H", "/l/~/&H"},                   // "~" only at the start
        {"~kim/x", "/home/kim/~kim/x"},
        {"", ""},
    };
    for (const auto& C : Cases) EXPECT_EQ(ExpandLogPath(C.Template, Place), C.Path) << C.Template;
}

// A host or alias must never add a folder, cut the path or name one.
TEST(LogPath, NamesStayOneName)
{
    const struct {
        std::string Alias, Path;
    } Cases[] = {
        {"a/b", "/l/a_b.log"}, {std::string("a\0b", 3), "/l/a_b.log"},
        {"..", "/l/__.log"},   {".", "/l/_.log"},
        {"..a", "/l/..a.log"},
    };
    for (const auto& C : Cases) {
        TLogPlace Place;
        Place.Alias = C.Alias;
        EXPECT_EQ(ExpandLogPath("/l/&A.log", Place), C.Path) << C.Alias;
    }
    TLogPlace Place;
    Place.Host = "../../etc";
    EXPECT_EQ(ExpandLogPath("/l/&H", Place), "/l/.._.._etc");
}

TEST(LogFile, NeverOverwritesAndAppendsOnlyWhenAsked)
{
    TTempDir Dir;
    WriteBytes(Dir / "s.log", "old\n");
    WriteBytes(Dir / "s-1.log", "old\n");
    WriteBytes(Dir / ".hidden", "old\n");
    std::filesystem::create_directory(Dir / "d.d");
    const struct {
        const char* Asked;
        bool Append;
        const char* Chosen;
        const char* Holds;
    } Cases[] = {
        {"new.log", false, "new.log", "x"},   {"s.log", false, "s-2.log", "x"},
        {".hidden", false, ".hidden-1", "x"}, {"d.d/log", false, "d.d/log", "x"},
        {"d.d/log", false, "d.d/log-1", "x"}, {"s.log", true, "s.log", "old\nx"},
    };
    for (const auto& C : Cases) {
        TSessionLog Log;
        std::string Error;
        ASSERT_TRUE(Log.Open(Dir / C.Asked, C.Append, Error)) << C.Asked << ": " << Error;
        EXPECT_EQ(Log.FileName(), Dir / C.Chosen);
        Log.Raw(Data("x"), 1);
        EXPECT_TRUE(Log.Close(Error));
        EXPECT_EQ(ReadBytes(Dir / C.Chosen), C.Holds) << C.Asked;
    }
    EXPECT_EQ(ReadBytes(Dir / "s.log"), "old\nx");
    EXPECT_EQ(ReadBytes(Dir / "s-1.log"), "old\n");
    struct stat St {};
    ASSERT_EQ(::stat((Dir / "new.log").c_str(), &St), 0);
    EXPECT_EQ(St.st_mode & 0777, 0600u); // what the host showed is its owner's alone
}

// Refused at once with the system's reason, and nothing written afterwards;
// a pipe without a reader must not hold the window either.
TEST(LogFile, RefusalsAreTheSystemsOwn)
{
    TTempDir Dir;
    std::filesystem::create_directory(Dir / "gone");
    std::filesystem::remove(Dir / "gone");
    ASSERT_EQ(::mkfifo((Dir / "fifo").c_str(), 0600), 0);
    const struct {
        std::string Path;
        bool Append;
        int Errno;
    } Cases[] = {
        {Dir / "gone/s.log", false, ENOENT},
        {Dir / "gone/s.log", true, ENOENT},
        {Dir / "fifo", true, ENXIO},
        {Dir.Path(), true, EISDIR},
    };
    for (const auto& C : Cases) {
        TSessionLog Log;
        std::string Error;
        EXPECT_FALSE(Log.Open(C.Path, C.Append, Error)) << C.Path;
        EXPECT_EQ(Error, std::strerror(C.Errno)) << C.Path;
        EXPECT_FALSE(Log.IsOpen());
        Log.Text(Data("x\n"), 2);
        Log.Raw(Data("x\n"), 2);
        EXPECT_TRUE(Log.Flush(Error));
    }
}

struct TTextCase {
    const char* Name;
    std::string In, Out;
};

// Text fed to a log whole, then one byte per call: both must give Out.
void ExpectText(const TTextCase* Cases, std::size_t N, bool Convert)
{
    TTempDir Dir;
    for (const TTextCase* C = Cases; C != Cases + N; ++C) {
        for (const bool Whole : {true, false}) {
            const std::string Path = Dir / (std::string(C->Name) + (Whole ? "-whole" : "-bytes"));
            std::string Error;
            {
                TSessionLog Log;
                Log.Cp949ToUtf8 = Convert;
                ASSERT_TRUE(Log.Open(Path, false, Error)) << Error;
                if (Whole)
                    Log.Text(Data(C->In), Len(C->In));
                else
                    for (const char& B : C->In) Log.Text(Data(std::string(1, B)), 1);
                EXPECT_TRUE(Log.Close(Error));
            }
            EXPECT_EQ(ReadBytes(Path), C->Out) << C->Name << (Whole ? " whole" : " bytewise");
        }
    }
}

TEST(LogText, KeepsWhatTheScreenShows)
{
    const TTextCase Cases[] = {
        {"crlf", "ab\r\ncd\n", "ab\ncd\n"},
        {"lone-cr", "50%\r100%\r\n", "50%100%\n"},
        {"sgr", "\x1b[1;31mred\x1b[0m plain\x1b[m\n", "red plain\n"},
        {"private-csi", "\x1b[?1049h\x1b[2J\x1b[1;1Hx", "x"},
        {"esc-one-byte",
         "\x1b"
         "7a\x1b"
         "8b\x1b=c",
         "abc"},
        {"esc-intermediate", "\x1b(Bx\x1b)0y\x1b#8z", "xyz"},
        {"osc-bel", "\x1b]0;title: long enough to span words\x07x", "x"},
        {"osc-st", "\x1b]2;t\x1b\\x", "x"},
        {"dcs-apc-pm-sos",
         "\x1bPq#0\x1b\\a\x1b_g\x1b\\b\x1b^m\x07"
         "c\x1bXs\x1b\\d",
         "abcd"},
        {"string-ended-by-escape", "\x1b]0;t\x1b[1mx", "x"},
        {"controls-and-del",
         "a\0b\x07"
         "c\x08"
         "d\x7f\x0e\x0f\x1c"
         "e\n"s,
         "abcde\n"},
        {"tab-kept", "a\tb\n", "a\tb\n"},
        {"can-aborts",
         "\x1b[12\x18x\x1b]0;t\x1a"
         "y",
         "xy"},
        {"control-inside-csi", "\x1b[1\n2mX", "\nX"},
        {"in-long-runs", "0123456789abcdef\x1b[7mghijklmnopqrstu\x7fvwxyz0123\x1b[m45678\n",
         "0123456789abcdefghijklmnopqrstuvwxyz012345678\n"},
        {"cp949", "\xB0\xA1\x1b[m\xB3\xAA \xC7\xD1\xB1\xDB\r\n",
         "\xB0\xA1\xB3\xAA \xC7\xD1\xB1\xDB\n"},
        {"utf8-c1-lookalike",
         "\xE2\x80\x9B"
         "x\xEA\xB0\x80\n",
         "\xE2\x80\x9B"
         "x\xEA\xB0\x80\n"},
        {"text-cuts-a-sequence", "\x1b\xB0\xA1", "\xB0\xA1"},
        {"csi-across-4096", std::string(4094, 'a') + "\x1b[1mb", std::string(4094, 'a') + "b"},
    };
    ExpectText(Cases, std::size(Cases), false);
}

TEST(LogText, Cp949HostWrittenAsUtf8)
{
    const TTextCase Cases[] = {
        {"hangul", "\xB0\xA1\xB3\xAA\n", "가나\n"},
        {"mixed", "x\xB0\xA1y \xC7\xD1\x1b[1m\xB1\xDB!", "x가y 한글!"},
        {"lead-before-control", "\xB0\n\xB0\x1b[mA",
         "\xEF\xBF\xBD\n\xEF\xBF\xBD"
         "A"},
        {"lead-at-the-end", "a\xB0", "a\xEF\xBF\xBD"},
        {"symbols", "\xA1\xA4\xA1\xD9", "·☆"},
        {"long-run-then-pair", "0123456789abcdef\xB0\xA1", "0123456789abcdef가"},
        {"pair-across-4096", std::string(4095, 'a') + "\xB0\xA1", std::string(4095, 'a') + "가"},
    };
    ExpectText(Cases, std::size(Cases), true);
}

TEST(LogText, TimestampsOpenEveryLine)
{
    TTempDir Dir;
    TSessionLog Log;
    Log.Timestamps = true;
    int Asked = 0;
    Log.Clock = [&] {
        ++Asked;
        return At(2024, 12, 31, 23, 59, 58 + (Asked > 1));
    };
    std::string Error;
    ASSERT_TRUE(Log.Open(Dir / "t.log", false, Error));
    const std::string First = "a\r\nb\x1b[m";
    Log.Text(Data(First), Len(First));
    Log.Text(Data("c\n\n\x1b[2J"), 7); // an empty line too; a sequence alone opens none
    EXPECT_EQ(Asked, 2);
    std::string Lines;
    for (int I = 0; I < 1000; ++I) Lines += "line\n";
    Log.Text(Data(Lines), Len(Lines));
    EXPECT_EQ(Asked, 3); // once per call, not per line
    Log.Raw(Data("raw\n"), 4);
    EXPECT_TRUE(Log.Close(Error));
    const std::string Got = ReadBytes(Dir / "t.log");
    const std::string Head = "[2024-12-31 23:59:58] a\n[2024-12-31 23:59:58] bc\n"
                             "[2024-12-31 23:59:59] \n[2024-12-31 23:59:59] line\n";
    const std::string Tail = "[2024-12-31 23:59:59] line\nraw\n"; // Raw as received
    EXPECT_EQ(Got.substr(0, Head.size()), Head);
    EXPECT_EQ(Got.substr(Got.size() - Tail.size()), Tail);
    EXPECT_EQ(Got.size(), Head.size() - 27 + 1000 * 27 + 4);
}

TEST(LogBuffer, WritesOnlyOnFlushUntilItsBound)
{
    TTempDir Dir;
    const std::string Path = Dir / "b.log";
    TSessionLog Log;
    std::string Error;
    ASSERT_TRUE(Log.Open(Path, false, Error));
    std::string Every;
    for (int B = 0; B < 256; ++B) Every += static_cast<char>(B);
    Log.Raw(Data(Every), Len(Every));
    Log.Text(Data("text\n"), 5);
    EXPECT_EQ(ReadBytes(Path), "");
    EXPECT_TRUE(Log.Settle(Error));
    EXPECT_EQ(ReadBytes(Path), Every + "text\n");

    // One call far past what the log may hold is written while it runs,
    // not kept whole.
    const std::string Flood((MaxLogQueued + 3) * MaxLogBuffered, 'x');
    Log.Raw(Data(Flood), Len(Flood));
    // At most the buffers waiting for the writer, the one it writes and the
    // one filling are not on disk yet.
    EXPECT_GE(ReadBytes(Path).size(), Flood.size() - (MaxLogQueued + 2) * MaxLogBuffered);
    EXPECT_TRUE(Log.Close(Error));
    EXPECT_EQ(ReadBytes(Path).size(), Every.size() + 5 + Flood.size());
}

TEST(LogBuffer, AWriteErrorClosesTheLog)
{
    // The writer's failure, of a Flush's buffer or of one a call handed over
    // past the bound, is told once when waited for, then nothing more.
    for (const std::size_t Size : {std::size_t{10}, MaxLogBuffered}) {
        TSessionLog Log;
        std::string Error;
        ASSERT_TRUE(Log.Open("/dev/full", true, Error)) << Error;
        const std::string Bytes(Size, 'x');
        Log.Raw(Data(Bytes), Len(Bytes));
        EXPECT_FALSE(Log.Settle(Error)) << Size;
        EXPECT_EQ(Error, std::strerror(ENOSPC));
        EXPECT_FALSE(Log.IsOpen());
        Log.Text(Data("more\n"), 5);
        Error.clear();
        EXPECT_TRUE(Log.Flush(Error));
        EXPECT_TRUE(Log.Close(Error));
        EXPECT_EQ(Error, "");
    }
}

// Writes to a file whose folder was removed succeed into nothing: the log
// must notice that its file is gone rather than go on in silence.
TEST(LogBuffer, AFolderRemovedMidSessionStopsTheLog)
{
    TTempDir Dir;
    const std::string Folder = Dir / "logs";
    std::filesystem::create_directory(Folder);
    TSessionLog Log;
    std::string Error;
    ASSERT_TRUE(Log.Open(Folder + "/s.log", false, Error));
    Log.Text(Data("one\n"), 4);
    EXPECT_TRUE(Log.Flush(Error));
    std::filesystem::remove_all(Folder);
    Log.Text(Data("two\n"), 4);
    EXPECT_FALSE(Log.Settle(Error));
    EXPECT_EQ(Error, std::strerror(ENOENT));
    EXPECT_FALSE(Log.IsOpen());
}

TEST(LogBuffer, ReopeningOrDestroyingWritesWhatWasBuffered)
{
    TTempDir Dir;
    std::string Error;
    {
        TSessionLog Log;
        ASSERT_TRUE(Log.Open(Dir / "a.log", false, Error));
        Log.Text(Data("one\n"), 4);
        ASSERT_TRUE(Log.Open(Dir / "a.log", false, Error));
        EXPECT_EQ(Log.FileName(), Dir / "a-1.log");
        Log.Text(Data("two\n"), 4);
    }
    EXPECT_EQ(ReadBytes(Dir / "a.log"), "one\n");
    EXPECT_EQ(ReadBytes(Dir / "a-1.log"), "two\n");
}

} // namespace
