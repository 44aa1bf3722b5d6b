// Korean input beyond the 2-set layout: words typed in each keyboard layout,
// the Hanja table as the host's encoding may take it, and what a conversion
// sends the host in place of a syllable.
#include "term/Hanja.h"
#include "common/Switches.h"
#include "support/ImeRig.h"
#include "term/HanjaConversion.h"
#include "text/Cp949.h"

#include <gtest/gtest.h>

namespace {

const std::string Han = "\xC7\xD1";      // 한
const std::string HanHanja = "\xF9\xDB"; // 韓, the table's first for 한
const std::string Back = "\x08";

std::string Utf8(char32_t U)
{
    if (U < 0x10000)
        return {static_cast<char>(0xE0 | U >> 12), static_cast<char>(0x80 | (U >> 6 & 0x3F)),
                static_cast<char>(0x80 | (U & 0x3F))};
    return {static_cast<char>(0xF0 | U >> 18), static_cast<char>(0x80 | (U >> 12 & 0x3F)),
            static_cast<char>(0x80 | (U >> 6 & 0x3F)), static_cast<char>(0x80 | (U & 0x3F))};
}

std::string Pair(char32_t U)
{
    const std::uint16_t P = Cp949::PairOf(U);
    return {static_cast<char>(P >> 8), static_cast<char>(P & 0xFF)};
}

// The keys of a US keyboard, as a Korean typist presses them for a word in
// each layout, then a space that ends the last syllable.
TEST(HangulLayouts, AWordInEachLayout)
{
    struct TCase {
        const char* Layout;
        const char* Keys;
        std::string Sent;
    };
    const TCase Cases[] = {
        {"2", "gksrnrdj", "\xC7\xD1\xB1\xB9\xBE\xEE"}, // 한국어
        {"3f", "mr2k/", "\xC7\xDF\xB0\xED"},           // 했고: a digit and / are jamo
        {"39", "mr2kv", "\xC7\xDF\xB0\xED"},           // 했고
        {"3s", "mr2kv", "\xC7\xDF\xB0\xED"},           // 했고
        {"ro", "hanja", "\xC7\xD1\xC0\xDA"},           // 한자
        {"3f", "mfs\"", "\xC7\xD1\xA1\xA4"},           // 한·: Shift+' is the layout's ·
        {"3f", "mfs,", "\xC7\xD1,"},                   // a key the layout leaves alone
        {"nonsense", "gks", "\xC7\xD1"},               // read as the 2-set layout
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(std::string(C.Layout) + " " + C.Keys);
        TImeRig R;
        R.Composer->SetLayout(C.Layout);
        ASSERT_TRUE(R.Term->SetHangulMode(true));
        R.Type(C.Keys);
        R.Key(VK::Space, 0, " ");
        EXPECT_EQ(R.Socket.Sent, C.Sent + " ");
        EXPECT_EQ(R.Composer->Layout().Id, HangulLayoutOf(C.Layout).Id);
    }
}

// A profile's value names a layout exactly; a new layout keeps no key of the
// one before.
TEST(HangulLayouts, LayoutOfAProfileValue)
{
    EXPECT_STREQ(HangulLayoutOf("3f").Name, "세벌식 최종");
    EXPECT_STREQ(HangulLayoutOf("").Id, "2");
    EXPECT_STREQ(HangulLayoutOf("3F").Id, "2") << "libhangul's ids are exact";
    const auto H = THangulComposer::Create("39");
    ASSERT_TRUE(H);
    EXPECT_TRUE(H->Compose('1')) << "ㅎ below the 3-set layout's 1";
    H->SetLayout("2");
    EXPECT_EQ(H->Preedit(), "");
    EXPECT_FALSE(H->Compose('1'));
}

TEST(HanjaTable, CandidatesCarryTheirMeaning)
{
    const std::vector<THanja> Hs = HanjaCandidates(U'한', true);
    ASSERT_FALSE(Hs.empty());
    EXPECT_EQ(Hs[0].Char, U'韓');
    EXPECT_EQ(Hs[0].Meaning, "나라 이름 한, 한나라 한");
    EXPECT_TRUE(HanjaCandidates(U'똠', false).empty()) << "a syllable no Hanja is read as";
    EXPECT_TRUE(HanjaCandidates(U'A', false).empty());
    EXPECT_TRUE(HanjaCandidates(U'ㄱ', false).empty());
    EXPECT_EQ(SyllableOf(Han), U'한');
    EXPECT_EQ(SyllableOf("\xA4\xA1"), 0u) << "a lone jamo";
    EXPECT_EQ(SyllableOf(Han + Han), 0u);
}

// Every syllable's list for a code page 949 host is the full list without
// the characters it cannot hold, and only those are left out.
TEST(HanjaTable, Cp949HostIsOfferedOnlyWhatItsCodePageHolds)
{
    std::size_t Cp949 = 0, Beyond = 0;
    for (char32_t S = 0xAC00; S <= 0xD7A3; ++S) {
        const std::vector<THanja> All = HanjaCandidates(S, false);
        const std::vector<THanja> Offered = HanjaCandidates(S, true);
        std::size_t J = 0;
        for (const THanja& H : All) {
            if (!Cp949::PairOf(H.Char)) {
                ++Beyond;
                continue;
            }
            ASSERT_LT(J, Offered.size()) << std::hex << static_cast<unsigned>(S);
            ASSERT_EQ(Offered[J++].Char, H.Char) << std::hex << static_cast<unsigned>(S);
        }
        ASSERT_EQ(J, Offered.size()) << std::hex << static_cast<unsigned>(S);
        Cp949 += Offered.size();
    }
    EXPECT_GT(Cp949, 4000u);
    EXPECT_GT(Beyond, 0u) << "the table holds more than KS X 1001";
}

struct THanjaRig : TImeRig {
    THanjaConversion Hanja{*Term};
    std::u32string Other; // what OnUnicodeChar was handed
    THanjaRig()
    {
        Hanja.OnUnicodeChar = [this](char32_t U) {
            Other += U;
            Input.SendUnicode(*Term, U);
        };
        Term->SetHangulMode(true);
    }
    // 한 composed, then committed by a switch to English as the widget does.
    void CommitBySwitch()
    {
        Type("gks");
        const std::string Before = Scr().CompStr;
        Term->SetHangulMode(false);
        Hanja.Committed(Before);
    }
};

TEST(HanjaConversion, ComposedSyllableIsReplacedByTheChosenHanja)
{
    THanjaRig R;
    R.Type("gks");
    ASSERT_TRUE(R.Hanja.Open());
    ASSERT_GT(R.Hanja.Candidates().size(), 2u);
    const char32_t Third = R.Hanja.Candidates()[2].Char;
    EXPECT_EQ(R.Socket.Sent, "") << "nothing goes out while the list is open";
    EXPECT_EQ(R.Scr().CompStr, Han);
    R.Hanja.Choose(2);
    EXPECT_EQ(R.Socket.Sent, Pair(Third)) << "no Backspace: the host never had 한";
    EXPECT_EQ(R.Scr().CompStr, "");
    EXPECT_FALSE(R.Hanja.IsOpen());
    R.Type("r");
    R.Key(VK::Space, 0, " ");
    EXPECT_EQ(R.Socket.Sent, Pair(Third) + "\xA4\xA1 ") << "the composer starts afresh";
}

TEST(HanjaConversion, CancelLeavesTheSyllableComposing)
{
    THanjaRig R;
    R.Type("gks");
    ASSERT_TRUE(R.Hanja.Open());
    R.Hanja.Cancel();
    EXPECT_EQ(R.Socket.Sent, "");
    EXPECT_EQ(R.Scr().CompStr, Han);
    R.Key(VK::Space, 0, " ");
    EXPECT_EQ(R.Socket.Sent, Han + " ");
}

// A syllable the composer committed with nothing after it: replaced with a
// Backspace first only while the host has said nothing since, and not at all
// once the cursor has moved.
TEST(HanjaConversion, CommittedSyllable)
{
    struct TCase {
        const char* Name;
        const char* HostSays; // fed after the commit
        bool Opens;
        std::string Sent; // after the commit
    };
    const TCase Cases[] = {
        {"host silent", "", true, Back + HanHanja},
        {"host spoke, cursor still", "\x07", true, HanHanja},
        {"host echoed it", "\xC7\xD1", false, ""},
        {"cursor moved back", "\x1b[1;2H\x1b[1;1H", true, HanHanja},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        THanjaRig R;
        R.CommitBySwitch();
        ASSERT_EQ(R.Socket.Take(), Han);
        if (*C.HostSays) {
            R.Hanja.HostSpoke();
            R.Feed(C.HostSays);
        }
        ASSERT_EQ(R.Hanja.Open(), C.Opens);
        if (C.Opens) R.Hanja.Choose(0);
        EXPECT_EQ(R.Socket.Sent, C.Sent);
    }
    THanjaRig R;
    R.CommitBySwitch();
    R.Hanja.Forget(); // a key typed after it
    EXPECT_FALSE(R.Hanja.Open());
}

// A UTF-8 host is offered the candidates beyond code page 949 and gets each
// as its UTF-8 bytes; a code page 949 host is offered none of them.
TEST(HanjaConversion, HostEncodings)
{
    struct TCase {
        const char* Name;
        THostEncoding Host;
        bool Beyond; // choose the first candidate code page 949 lacks
        bool Offered;
    };
    const TCase Cases[] = {
        {"UTF-8 host, 韓", THostEncoding::Utf8, false, true},
        {"UTF-8 host, beyond code page 949", THostEncoding::Utf8, true, true},
        {"code page 949 host, beyond", THostEncoding::Cp949, true, false},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        THanjaRig R;
        Switches.HostEncoding = C.Host;
        R.Type("gks");
        ASSERT_TRUE(R.Hanja.Open());
        const std::vector<THanja>& Hs = R.Hanja.Candidates();
        std::size_t I = 0;
        while (C.Beyond && I < Hs.size() && Cp949::PairOf(Hs[I].Char)) ++I;
        ASSERT_EQ(I < Hs.size(), C.Offered);
        if (!C.Offered) continue;
        const char32_t U = Hs[I].Char;
        R.Hanja.Choose(I);
        EXPECT_EQ(R.Socket.Sent, Utf8(U));
        EXPECT_EQ(R.Other, C.Beyond ? std::u32string{U} : std::u32string{})
            << "only what code page 949 lacks leaves the typed-text path";
    }
}

} // namespace
