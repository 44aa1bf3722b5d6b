#pragma once
// The boundary with a host that writes UTF-8. Its text becomes code page 949
// before the interpreter sees it, and the encoder's code page 949 bytes become
// UTF-8 just before they reach the socket, so the screen, the clipboard and
// the key tables never learn which of the two the host speaks (the switch
// HostEncoding says it). Escape sequences and control bytes are ASCII, which
// both encodings share, and pass through untouched.
#include "common/SessionSocket.h"
#include "common/Switches.h"
#include "text/Cluster.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// The profile's text as the switch's value: "UTF-8" (also without the dash,
// in any letter case) is UTF-8, anything else the default, code page 949.
THostEncoding HostEncodingOf(std::string_view ProfileValue);

// The columns a Linux host's C library gives a character in a UTF-8 locale:
// 0 for combining marks and the like, 2 for wide and full-width characters, 1
// for everything else, unassigned code points included.
int HostWidth(char32_t U);

// What the screen stores for a character code page 949 cannot hold: one cell
// for a narrow character (a byte no pair starts with) and two for a wide one
// (a lead byte with a trail no pair has). Both are drawn and copied as U+FFFD.
inline constexpr std::uint8_t NarrowReplacement = 0x80;
inline constexpr std::uint16_t WideReplacement = 0xA180;

// The C0 codes a UTF-8 host's box characters become, one bit per code: the
// line codes the screen stores and draws as lines. The interpreter prints them
// at both emulation levels; a code page 949 host's own C0 bytes are no concern
// of this set.
inline constexpr std::uint32_t BoxLineCodes =
    0x7Eu /* 0x01..0x06 */ | 1u << 0x11 | 1u << 0x15 | 1u << 0x16 | 1u << 0x17 | 1u << 0x19;

// A character the screen keeps in its table (CharTable.h), and where it
// stands among the bytes a call wrote: before Out[Offset]. One that Joins is
// part of the character written just before it (a combining mark, a variation
// selector, what follows a joiner, a flag's second half), which the screen
// joins in place.
struct TPlacedCluster {
    int Offset = 0;
    TCluster Cluster;
    bool Joins = false;
};

// UTF-8 to what the screen stores, in as many cells as the host counts. Text
// code page 949 holds in the host's width becomes its bytes; any other
// character, and a sequence the host counts as one (a base and its combining
// marks, a flag, emoji joined by U+200D), becomes a cluster placed between
// them, for the screen's table; what joins the character before it comes as a
// join. Malformed input gives one narrow replacement per maximal subpart (the
// Unicode standard, section 3.9). A sequence cut by the end of the input waits
// for the next call, as does a syllable spelled in conjoining jamo (file names
// from some systems are) until no further jamo can join it.
class TUtf8Decoder {
public:
    // Out bytes a call may write beyond its input's length: a syllable and a
    // cut sequence carried over from the call before.
    static constexpr int MaxCarry = 3;

    // Converts In[0..Len) into Out, which holds Len + MaxCarry bytes, and
    // Clusters (emptied first); returns the number of bytes written.
    int Decode(const std::uint8_t* In, int Len, std::uint8_t* Out,
               std::vector<TPlacedCluster>& Clusters);
    // Forgets a cut sequence and a waiting syllable.
    void Clear();
    bool Idle() const { return Need == 0 && Held == 0; }

private:
    const std::uint8_t* Plain(const std::uint8_t* P, const std::uint8_t* End, std::uint8_t*& Q);
    void Put(char32_t U, std::uint8_t*& Q);
    void PutHeld(std::uint8_t*& Q);
    void PutCluster(const TCluster& C, std::uint8_t*& Q, bool Joins);
    void PutBytes(std::uint8_t*& Q, const std::uint8_t* Bytes, int N);

    // What the last character written leaves for the next to join: nothing
    // (none yet, a control, a replacement), text, a joiner, or the first half
    // of a flag. Kept from call to call, as the screen keeps the character.
    enum class TAfter : std::uint8_t { Nothing, Text, Joiner, Regional };

    char32_t Partial = 0;        // the bits of the sequence so far
    int Need = 0;                // continuation bytes still to come
    std::uint8_t Lo = 0, Hi = 0; // the range the next one must be in
    char32_t Held = 0;           // a leading jamo or a syllable without a final
    TAfter After = TAfter::Nothing;
    const std::uint16_t* Wide = nullptr; // the pairs of two-column characters, once needed
    // This call's output: the start of Out and the clusters.
    std::uint8_t* Start = nullptr;
    std::vector<TPlacedCluster>* Placed = nullptr;
};

// The host's text on its way to the interpreter: handed on as it is for a code
// page 949 host, converted in a buffer of fixed size for a UTF-8 one.
class THostReader {
public:
    // Input bytes converted per call of Process.
    static constexpr int Chunk = 4097;

    // Process takes runs of bytes; Print a placed cluster, in its place among
    // them.
    template <class TProcess, class TPrint>
    void Feed(const std::uint8_t* In, int Len, TProcess&& Process, TPrint&& Print)
    {
        if (Switches.HostEncoding != THostEncoding::Utf8) {
            Process(In, Len);
            return;
        }
        for (int Done = 0; Done < Len;) {
            const int N = Len - Done < Chunk ? Len - Done : Chunk;
            const int Made = Decoder.Decode(In + Done, N, Out.data(), Clusters);
            int From = 0;
            for (const TPlacedCluster& C : Clusters) {
                if (C.Offset > From) Process(Out.data() + From, C.Offset - From);
                Print(C);
                From = C.Offset;
            }
            if (Made > From) Process(Out.data() + From, Made - From);
            Done += N;
        }
    }
    void Clear() { Decoder.Clear(); }
    bool Idle() const { return Decoder.Idle(); }

private:
    TUtf8Decoder Decoder;
    std::array<std::uint8_t, Chunk + TUtf8Decoder::MaxCarry> Out{};
    std::vector<TPlacedCluster> Clusters;
};

// The encoder's bytes on their way to the host. For a UTF-8 host a double-byte
// character becomes its UTF-8 form; a lead byte whose trail comes with the
// next call waits for it.
class THostWriter {
public:
    void Write(TSessionEndpoint& Socket, const std::uint8_t* Bytes, int Len);
    // A lead byte still waiting goes as U+FFFD: the text it belonged to ended
    // without its trail (a paste of a selection cut in a character's middle).
    void EndText(TSessionEndpoint* Socket);
    // One character as itself, past code page 949: the UTF-8 host is offered
    // Hanja the screen's code page lacks. A code page 949 host gets the
    // character's pair, and nothing for one it has no pair for.
    void WriteChar(TSessionEndpoint& Socket, char32_t U);

private:
    std::uint8_t Lead = 0;
};
