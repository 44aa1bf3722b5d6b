// The host's bytes through the session log's Text filter: whatever they are,
// the file holds no escape and no control but LF and TAB, converted text is
// valid UTF-8, and a feed cut in two writes exactly what a whole one does.
#include "Drivers.h"
#include "Scratch.h"

#include "aux/SessionLog.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

// Input header bits.
namespace Flag {
constexpr unsigned Convert = 1, Timestamps = 2;
} // namespace Flag

// Writes Text of the parts, one call each, and gives back the file.
std::string Logged(const std::string& Path, unsigned Flags, const std::uint8_t* Data,
                   std::size_t Size, std::size_t Cut, std::string& Fault)
{
    std::string Error;
    {
        TSessionLog Log;
        Log.Cp949ToUtf8 = Flags & Flag::Convert;
        Log.Timestamps = Flags & Flag::Timestamps;
        Log.Clock = [] { return std::tm{}; }; // the same stamp for both feeds
        if (!Log.Open(Path, true, Error)) {
            Fault = "cannot open " + Path + ": " + Error;
            return {};
        }
        Log.Text(Data, static_cast<int>(Cut));
        Log.Text(Data + Cut, static_cast<int>(Size - Cut));
        if (!Log.Close(Error)) Fault = "cannot write " + Path + ": " + Error;
    }
    std::ifstream In(Path, std::ios::binary);
    std::string Bytes{std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
    std::filesystem::remove(Path);
    return Bytes;
}

bool ValidUtf8(const std::string& S)
{
    for (std::size_t I = 0; I < S.size();) {
        const auto B = static_cast<unsigned char>(S[I]);
        const std::size_t Len = B < 0x80 ? 1 : (B >> 5) == 6 ? 2 : (B >> 4) == 14 ? 3 : 0;
        if (Len == 0 || I + Len > S.size()) return false;
        for (std::size_t K = 1; K < Len; ++K)
            if ((static_cast<unsigned char>(S[I + K]) & 0xC0) != 0x80) return false;
        I += Len;
    }
    return true;
}

} // namespace

std::string FuzzLog(const std::uint8_t* Data, std::size_t Size)
{
    static TScratch Scratch;
    if (Scratch.Dir.empty()) return "no temporary folder";
    if (Size < 3) return {};
    const unsigned Flags = Data[0];
    const std::size_t Cut = (static_cast<std::size_t>(Data[1]) << 8 | Data[2]) % (Size - 2);
    Data += 3;
    Size -= 3;

    std::string Fault;
    const std::string Whole = Logged(Scratch.Dir + "/whole.log", Flags, Data, Size, 0, Fault);
    const std::string Split = Logged(Scratch.Dir + "/split.log", Flags, Data, Size, Cut, Fault);
    if (!Fault.empty()) return Fault;
    if (Whole != Split) return "a feed cut at " + std::to_string(Cut) + " wrote other text";
    for (const char C : Whole)
        if ((static_cast<unsigned char>(C) < 0x20 && C != '\n' && C != '\t') || C == 0x7F)
            return "control " + std::to_string(static_cast<unsigned char>(C)) + " in the text";
    if ((Flags & Flag::Convert) && !ValidUtf8(Whole)) return "converted text is not UTF-8";
    return {};
}
