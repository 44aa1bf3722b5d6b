// Korean input beyond the 2-set layout: a word typed in each keyboard layout,
// the Hanja a host's encoding is offered, and what a conversion sends the
// host in place of a syllable.
#include "term/Hanja.h"
#include "common/Switches.h"
#include "support/ImeRig.h"
#include "term/HanjaConversion.h"
#include "text/Cp949.h"

#include <gtest/gtest.h>

namespace {

const std::string Han = "\xC7\xD1";      // 한
const std::string HanHanja = "\xF9\xDB"; // 韓, the table's first for 한

// US keyboard keys as a Korean typist presses them, then a space that ends
// the last syllable. The rig starts on the 2-set layout, so every other one
// is switched to.
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
        {"3F", "gks", "\xC7\xD1"},                     // unknown: the 2-set layout
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(std::string(C.Layout) + " " + C.Keys);
        TImeRig R;
        R.Composer->SetLayout(C.Layout);
        ASSERT_TRUE(R.Term->SetHangulMode(true));
        R.Type(C.Keys);
        R.Key(VK::Space, 0, " ");
        EXPECT_EQ(R.Socket.Sent, C.Sent + " ");
    }
}

// Each syllable's list for a code page 949 host is the full list less the
// characters that code page lacks, in the same order.
TEST(HanjaTable, Cp949HostIsOfferedOnlyWhatItsCodePageHolds)
{
    const std::vector<THanja> Hs = HanjaCandidates(U'한', true);
    ASSERT_FALSE(Hs.empty());
    EXPECT_EQ(Hs[0].Char, U'韓');
    EXPECT_EQ(Hs[0].Meaning, "나라 이름 한, 한나라 한");
    std::size_t Beyond = 0;
    for (char32_t S = 0xAC00; S <= 0xD7A3; ++S) {
        std::vector<char32_t> Kept, Offered;
        for (const THanja& H : HanjaCandidates(S, false))
            (Cp949::PairOf(H.Char) ? Kept.push_back(H.Char) : void(++Beyond));
        for (const THanja& H : HanjaCandidates(S, true)) Offered.push_back(H.Char);
        ASSERT_EQ(Offered, Kept) << std::hex << static_cast<unsigned>(S);
    }
    EXPECT_GT(Beyond, 0u) << "the table holds more than KS X 1001";
}

struct THanjaRig : TImeRig {
    THanjaConversion Hanja{*Term};
    THanjaRig()
    {
        Hanja.OnUnicodeChar = [this](char32_t U) { Input.SendUnicode(*Term, U); };
        Term->SetHangulMode(true);
        Type("gks");
    }
};

TEST(HanjaConversion, ComposedSyllableIsReplacedByTheChosenHanja)
{
    THanjaRig R;
    ASSERT_TRUE(R.Hanja.Open());
    R.Hanja.Choose(0);
    EXPECT_EQ(R.Socket.Sent, HanHanja) << "no Backspace: the host never had 한";
    EXPECT_EQ(R.Scr().CompStr, "");
    R.Type("r");
    R.Key(VK::Space, 0, " ");
    EXPECT_EQ(R.Socket.Sent, HanHanja + "\xA4\xA1 ") << "the composer starts afresh";
}

// A syllable a mode switch committed: replaced with a Backspace first only
// while the host has said nothing since, and not at all once the cursor has
// moved or a key followed it.
TEST(HanjaConversion, CommittedSyllable)
{
    struct TCase {
        const char* Name;
        const char* HostSays; // after the commit
        bool KeyFollowed;
        bool Opens;
        std::string Sent; // after the commit
    };
    const TCase Cases[] = {
        {"host silent", "", false, true, "\x08" + HanHanja},
        {"host spoke, cursor still", "\x07", false, true, HanHanja},
        {"host echoed it", "\xC7\xD1", false, false, ""},
        {"a key followed", "", true, false, ""},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        THanjaRig R;
        const std::string Before = R.Scr().CompStr;
        R.Term->SetHangulMode(false);
        R.Hanja.Committed(Before);
        ASSERT_EQ(R.Socket.Take(), Han);
        if (*C.HostSays) {
            R.Hanja.HostSpoke();
            R.Feed(C.HostSays);
        }
        if (C.KeyFollowed) R.Hanja.Forget();
        ASSERT_EQ(R.Hanja.Open(), C.Opens);
        if (C.Opens) R.Hanja.Choose(0);
        EXPECT_EQ(R.Socket.Sent, C.Sent);
    }
}

// A UTF-8 host is offered the candidates code page 949 lacks and gets one as
// its UTF-8 bytes.
TEST(HanjaConversion, Utf8HostGetsACandidateBeyondCodePage949)
{
    THanjaRig R;
    Switches.HostEncoding = THostEncoding::Utf8;
    ASSERT_TRUE(R.Hanja.Open());
    const std::vector<THanja>& Hs = R.Hanja.Candidates();
    std::size_t I = 0;
    while (I < Hs.size() && Cp949::PairOf(Hs[I].Char)) ++I;
    ASSERT_LT(I, Hs.size());
    const char32_t U = Hs[I].Char;
    ASSERT_LT(U, 0x10000u);
    R.Hanja.Choose(I);
    EXPECT_EQ(R.Socket.Sent, std::string({static_cast<char>(0xE0 | U >> 12),
                                          static_cast<char>(0x80 | (U >> 6 & 0x3F)),
                                          static_cast<char>(0x80 | (U & 0x3F))}));
}

} // namespace
