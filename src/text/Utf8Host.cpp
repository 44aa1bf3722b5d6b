#include "text/Utf8Host.h"

#include "text/Cp949.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct TWidthRange {
    char32_t First, Last;
};
#include "text/HostWidths.inc"

bool InRanges(const TWidthRange* Begin, const TWidthRange* End, char32_t U)
{
    const TWidthRange* R = std::upper_bound(
        Begin, End, U, [](char32_t V, const TWidthRange& X) { return V < X.First; });
    return R != Begin && U <= (R - 1)->Last;
}

// Box drawing (U+2500..U+257F) takes one column on a UTF-8 host, and
// full-screen programs draw their frames with it, so it keeps to one cell: the
// single-byte line codes the screen draws as lines (C0 codes the interpreter
// prints, not acts on), by the shape of the character, its weight and dashes
// aside. Legend: - horizontal, | vertical, r 7 L J corners, E 3 T W tees
// (left, right, top, bottom), + cross, . none (the diagonals).
constexpr char32_t FirstBox = 0x2500;
constexpr std::string_view BoxShapes =
    "--||--||--||rrrr7777LLLLJJJJEEEEEEEE33333333TTTTTTTTWWWWWWWW"
    "++++++++++++++++--||-|rrr777LLLJJJEEE333TTTWWW+++r7JL..."
    "-|-|-|-|-|-|";
static_assert(BoxShapes.size() == 0x80);

constexpr std::uint8_t LineCode(char Shape)
{
    switch (Shape) {
    case 'r': return 0x01;
    case '7': return 0x02;
    case 'L': return 0x03;
    case 'J': return 0x04;
    case '|': return 0x05;
    case '-': return 0x06;
    case '+': return 0x11;
    case 'W': return 0x15;
    case 'T': return 0x16;
    case '3': return 0x17;
    case 'E': return 0x19;
    default: return 0;
    }
}
static_assert([] {
    for (const char Shape : BoxShapes)
        if (const std::uint8_t C = LineCode(Shape); C && !(BoxLineCodes >> C & 1u)) return false;
    return true;
}());

// Hangul syllable composition from conjoining jamo (the Unicode standard, 3.12).
constexpr char32_t SBase = 0xAC00, LBase = 0x1100, VBase = 0x1161, TBase = 0x11A7;
constexpr int LCount = 19, VCount = 21, TCount = 28;
// A leading consonant alone is shown as the compatibility jamo of its sound.
constexpr char16_t CompatibilityL[LCount] = {0x3131, 0x3132, 0x3134, 0x3137, 0x3138, 0x3139, 0x3141,
                                             0x3142, 0x3143, 0x3145, 0x3146, 0x3147, 0x3148, 0x3149,
                                             0x314A, 0x314B, 0x314C, 0x314D, 0x314E};

bool IsL(char32_t U) { return U - LBase < static_cast<char32_t>(LCount); }
bool IsV(char32_t U) { return U - VBase < static_cast<char32_t>(VCount); }
bool IsT(char32_t U) { return U - TBase - 1 < static_cast<char32_t>(TCount - 1); }

int PutUtf8(std::uint8_t* Out, char32_t U)
{
    if (U < 0x80) {
        Out[0] = static_cast<std::uint8_t>(U);
        return 1;
    }
    if (U < 0x800) {
        Out[0] = static_cast<std::uint8_t>(0xC0 | U >> 6);
        Out[1] = static_cast<std::uint8_t>(0x80 | (U & 0x3F));
        return 2;
    }
    if (U < 0x10000) {
        Out[0] = static_cast<std::uint8_t>(0xE0 | U >> 12);
        Out[1] = static_cast<std::uint8_t>(0x80 | (U >> 6 & 0x3F));
        Out[2] = static_cast<std::uint8_t>(0x80 | (U & 0x3F));
        return 3;
    }
    Out[0] = static_cast<std::uint8_t>(0xF0 | U >> 18);
    Out[1] = static_cast<std::uint8_t>(0x80 | (U >> 12 & 0x3F));
    Out[2] = static_cast<std::uint8_t>(0x80 | (U >> 6 & 0x3F));
    Out[3] = static_cast<std::uint8_t>(0x80 | (U & 0x3F));
    return 4;
}

} // namespace

THostEncoding HostEncodingOf(std::string_view V)
{
    std::string Upper(V.substr(0, 8));
    for (char& C : Upper)
        if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
    return Upper == "UTF-8" || Upper == "UTF8" ? THostEncoding::Utf8 : THostEncoding::Cp949;
}

int HostWidth(char32_t U)
{
    if (U >= 0x20 && U < 0x7F) return 1;
    if (InRanges(std::begin(ZeroWidth), std::end(ZeroWidth), U)) return 0;
    if (InRanges(std::begin(DoubleWidth), std::end(DoubleWidth), U)) return 2;
    return 1;
}

// ---------------------------------------------------------------- host to screen

namespace {
constexpr char32_t Zwj = 0x200D;
bool IsRegionalIndicator(char32_t U) { return U >= 0x1F1E6 && U <= 0x1F1FF; }

// The pairs of code page 949 for the characters a host counts as two columns:
// only those keep their pair. A pair for a one-column character (`·`, `…`,
// Greek) would push the rest of its line one cell right.
const std::uint16_t* WidePairs()
{
    static const std::vector<std::uint16_t> Table = [] {
        const std::uint16_t* Pairs = Cp949::PairsOfBmp();
        std::vector<std::uint16_t> T(Pairs, Pairs + 0x10000);
        for (char32_t U = 0x80; U < 0x10000; ++U)
            if (T[U] && HostWidth(U) != 2) T[U] = 0;
        return T;
    }();
    return Table.data();
}
} // namespace

void TUtf8Decoder::Clear()
{
    Partial = 0;
    Need = 0;
    Held = 0;
    After = TAfter::Nothing;
}

void TUtf8Decoder::PutBytes(std::uint8_t*& Q, const std::uint8_t* Bytes, int N)
{
    for (int I = 0; I < N; ++I) *Q++ = Bytes[I];
    After = TAfter::Text;
}

void TUtf8Decoder::PutCluster(const TCluster& C, std::uint8_t*& Q, bool Joins)
{
    Placed->push_back({static_cast<int>(Q - Start), C, Joins});
}

// One whole character; a leading jamo, or a syllable that a final jamo may
// still join, is held back instead. What the host counts as part of the
// character before (a mark or selector, what follows a joiner, a flag's
// second half) goes to the screen as a join, which the screen makes where that
// character stands: the same whether the two came in one block or two.
void TUtf8Decoder::Put(char32_t U, std::uint8_t*& Q)
{
    if (Held) {
        if (IsL(Held) && IsV(U)) {
            Held = SBase + ((Held - LBase) * VCount + (U - VBase)) * TCount;
            return;
        }
        if (!IsL(Held) && IsT(U)) {
            U = Held + (U - TBase);
            Held = 0;
        } else {
            PutHeld(Q);
        }
    }
    if (U < 0x80) { // ASCII, controls included: nothing joins a control
        const std::uint8_t Byte = static_cast<std::uint8_t>(U);
        PutBytes(Q, &Byte, 1);
        if (U < 0x20 || U == 0x7F) After = TAfter::Nothing;
        return;
    }
    if (U == Cp949::Replacement) { // the replacement it always was, in one cell
        *Q++ = NarrowReplacement;
        After = TAfter::Nothing;
        return;
    }
    const int Width = HostWidth(U);
    const bool Joins =
        After != TAfter::Nothing && (Width == 0 || After == TAfter::Joiner ||
                                     (After == TAfter::Regional && IsRegionalIndicator(U)));
    if (Joins || Width == 0) { // a mark with nothing to join is dropped
        if (Joins) {
            TCluster C;
            C.Add(U);
            C.Cells = static_cast<std::uint8_t>(Width);
            PutCluster(C, Q, true);
            After = U == Zwj ? TAfter::Joiner : TAfter::Text;
        }
        return;
    }
    After = IsRegionalIndicator(U) ? TAfter::Regional : TAfter::Text;
    if (IsL(U)) {
        Held = U;
        return;
    }
    if (U - FirstBox < BoxShapes.size()) {
        if (const std::uint8_t Code = LineCode(BoxShapes[U - FirstBox])) {
            *Q++ = Code;
            After = TAfter::Nothing;
            return;
        }
    }
    if (const std::uint16_t Pair = U < 0x10000 ? Wide[U] : 0) {
        const std::uint8_t Bytes[2] = {static_cast<std::uint8_t>(Pair >> 8),
                                       static_cast<std::uint8_t>(Pair)};
        PutBytes(Q, Bytes, 2);
        return;
    }
    TCluster C;
    C.Add(U);
    C.Cells = static_cast<std::uint8_t>(Width);
    PutCluster(C, Q, false);
}

void TUtf8Decoder::PutHeld(std::uint8_t*& Q)
{
    const char32_t U = IsL(Held) ? char32_t{CompatibilityL[Held - LBase]} : Held;
    Held = 0;
    const std::uint16_t Pair = Wide[U]; // every syllable and jamo is there
    const std::uint8_t Bytes[2] = {static_cast<std::uint8_t>(Pair >> 8),
                                   static_cast<std::uint8_t>(Pair)};
    PutBytes(Q, Bytes, 2);
}

// ASCII and whole three-byte characters the code page holds as a pair of
// their width (Hangul and Hanja: most of a Korean text) in a tight loop;
// returns where it stopped. A lead byte outside E1..ED, box drawing, a cut or
// malformed sequence and the last two bytes are left to the general path, as
// is a mark or joiner that may follow.
const std::uint8_t* TUtf8Decoder::Plain(const std::uint8_t* P, const std::uint8_t* End,
                                        std::uint8_t*& Q)
{
    // Locals: a store through a byte pointer may alias Q and Wide, which the
    // compiler would then reload for every byte.
    std::uint8_t* O = Q;
    const std::uint16_t* const Map = Wide;
    char32_t Last = 0;
    int LastN = -1;
    while (P + 2 < End) {
        const unsigned B = P[0];
        if (B < 0x80) {
            *O++ = static_cast<std::uint8_t>(B);
            Last = B;
            LastN = 1;
            ++P;
            continue;
        }
        const unsigned C1 = P[1], C2 = P[2];
        if (B - 0xE1 > 0xED - 0xE1 || ((C1 | C2 << 8) & 0xC0C0) != 0x8080 ||
            (B == 0xED && C1 >= 0xA0))
            break;
        const char32_t U = (B & 0x0F) << 12 | (C1 & 0x3F) << 6 | (C2 & 0x3F);
        const std::uint16_t Pair = Map[U];
        if (!Pair || U - FirstBox < BoxShapes.size()) break;
        O[0] = static_cast<std::uint8_t>(Pair >> 8);
        O[1] = static_cast<std::uint8_t>(Pair);
        Last = U;
        LastN = 2;
        O += 2;
        P += 3;
    }
    if (LastN > 0) // a control is no text a mark could join
        After = Last < 0x20 || Last == 0x7F ? TAfter::Nothing : TAfter::Text;
    Q = O;
    return P;
}

int TUtf8Decoder::Decode(const std::uint8_t* In, int Len, std::uint8_t* Out,
                         std::vector<TPlacedCluster>& Clusters)
{
    if (!Wide) Wide = WidePairs();
    Clusters.clear();
    Start = Out;
    Placed = &Clusters;
    const std::uint8_t* P = In;
    const std::uint8_t* const End = In + Len;
    std::uint8_t* Q = Out;
    while (P < End) {
        if (Need == 0 && Held == 0 && (P = Plain(P, End, Q)) == End) break;
        const std::uint8_t B = *P;
        if (Need > 0) {
            if (B >= Lo && B <= Hi) {
                Partial = Partial << 6 | (B & 0x3Fu);
                Lo = 0x80;
                Hi = 0xBF;
                ++P;
                if (--Need == 0) Put(Partial, Q);
                continue;
            }
            // The subpart ends here: one replacement, and B starts afresh.
            Need = 0;
            if (Held) PutHeld(Q);
            *Q++ = NarrowReplacement;
            After = TAfter::Nothing;
            continue;
        }
        ++P;
        if (B < 0x80) {
            Put(B, Q);
            continue;
        }
        // The lead byte fixes the length and the range of the first
        // continuation byte, which shuts out overlong forms and surrogates.
        Lo = 0x80;
        Hi = 0xBF;
        if (B >= 0xC2 && B <= 0xDF) {
            Need = 1;
            Partial = B & 0x1Fu;
        } else if (B >= 0xE0 && B <= 0xEF) {
            Need = 2;
            Partial = B & 0x0Fu;
            if (B == 0xE0) Lo = 0xA0;
            if (B == 0xED) Hi = 0x9F;
        } else if (B >= 0xF0 && B <= 0xF4) {
            Need = 3;
            Partial = B & 0x07u;
            if (B == 0xF0) Lo = 0x90;
            if (B == 0xF4) Hi = 0x8F;
        } else { // a continuation byte on its own, C0, C1 or F5..FF
            if (Held) PutHeld(Q);
            *Q++ = NarrowReplacement;
            After = TAfter::Nothing;
        }
    }
    return static_cast<int>(Q - Out);
}

// ---------------------------------------------------------------- keys to host

namespace {
// A byte that can follow a lead byte in code page 949; 0x80 is none, but it
// ends the wide replacement, which goes back as one U+FFFD.
bool IsTrail(std::uint8_t B)
{
    return (B >= 0x41 && B <= 0x5A) || (B >= 0x61 && B <= 0x7A) || (B >= 0x80 && B <= 0xFE);
}
} // namespace

void THostWriter::Write(TSessionEndpoint& Socket, const std::uint8_t* Bytes, int Len)
{
    if (Switches.HostEncoding != THostEncoding::Utf8) {
        Socket.Write(Bytes, static_cast<std::size_t>(Len));
        return;
    }
    // Usually one write, as the bytes came; a long text goes in a few.
    std::uint8_t Buf[510];
    int N = 0;
    for (int I = 0; I < Len; ++I) {
        if (N > static_cast<int>(sizeof Buf) - 6) {
            Socket.Write(Buf, static_cast<std::size_t>(N));
            N = 0;
        }
        const std::uint8_t B = Bytes[I];
        if (Lead) {
            const std::uint8_t L = Lead;
            Lead = 0;
            if (IsTrail(B)) {
                N += PutUtf8(Buf + N, Cp949::PairToUnicode(L, B));
                continue;
            }
            N += PutUtf8(Buf + N, Cp949::Replacement);
        }
        if (B < 0x80)
            Buf[N++] = B;
        else if (B == NarrowReplacement || B == 0xFF)
            N += PutUtf8(Buf + N, Cp949::Replacement);
        else
            Lead = B;
    }
    if (N > 0) Socket.Write(Buf, static_cast<std::size_t>(N));
}

void THostWriter::EndText(TSessionEndpoint* Socket)
{
    if (!Lead) return;
    Lead = 0;
    std::uint8_t Buf[3];
    if (Socket) Socket->Write(Buf, static_cast<std::size_t>(PutUtf8(Buf, Cp949::Replacement)));
}

void THostWriter::WriteChar(TSessionEndpoint& Socket, char32_t U)
{
    if (Switches.HostEncoding != THostEncoding::Utf8) {
        const std::uint16_t Pair = Cp949::PairOf(U);
        const std::uint8_t Bytes[2] = {static_cast<std::uint8_t>(Pair >> 8),
                                       static_cast<std::uint8_t>(Pair & 0xFF)};
        if (Pair > 0xFF) Socket.Write(Bytes, 2);
        return;
    }
    EndText(&Socket);
    std::uint8_t Buf[4];
    Socket.Write(Buf, static_cast<std::size_t>(PutUtf8(Buf, U)));
}
