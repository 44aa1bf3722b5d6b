// Finding text in the line list and the links in it: whole characters, lines
// the host wrapped, the order of steps, places that hold while lines recycle.
#include "term/Find.h"
#include "support/TermFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u32string U32(const std::string& Utf8)
{
    std::u32string Out;
    for (std::size_t I = 0; I < Utf8.size();) {
        const auto B = static_cast<unsigned char>(Utf8[I]);
        const int N = B < 0x80 ? 1 : B < 0xE0 ? 2 : B < 0xF0 ? 3 : 4;
        char32_t U = N == 1 ? B : B & (0x3F >> (N - 1));
        for (int K = 1; K < N; ++K) U = U << 6 | (static_cast<unsigned char>(Utf8[I + K]) & 0x3F);
        Out += U;
        I += static_cast<std::size_t>(N);
    }
    return Out;
}

// Where each match starts, as "line:column" from the list's first line.
std::string Starts(const TFinder& F)
{
    std::string S;
    for (const TTextSpan& M : F.Matches())
        S += std::to_string(M.From.Line) + ":" + std::to_string(M.From.Col) + " ";
    return S;
}

} // namespace

// Code points, not bytes: a pair's trail byte is no letter, a pair is found
// whole, case is folded only when asked, and a word wrapped at the margin is
// one word while a line break ends it.
TEST(Find, WholeCharactersAndWrappedLines)
{
    TTermRig R;
    // Row 1: 갂 (0x81 0x41: its trail is "A") and 한글; row 2: ERROR, error,
    // Ｅｒｒｏｒ; "wrapped" across the margin of row 3; "abc", then "def" on a
    // line of its own.
    R.Feed("\x81\x41 " + Cp949::FromUtf8("한글") + "\r\nERROR error " +
           Cp949::FromUtf8("Ｅｒｒｏｒ") + "\r\n" + std::string(77, '.') + "wrapped\r\nabc\r\ndef");
    struct TCase {
        const char* Needle;
        bool Exact;
        std::string Found;
    } Cases[] = {
        {"A", true, ""}, // no half of 갂
        {"갂", true, "0:1 "},
        {"한글", true, "0:4 "},
        {"error", false, "1:1 1:7 "}, // full-width letters are other letters
        {"ｅｒｒｏｒ", false, "1:13 "},
        {"error", true, "1:7 "},
        {"wrapped", false, "2:78 "},
        {"abcdef", false, ""},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Needle);
        TFinder F;
        F.Search(*R.Term, U32(C.Needle), C.Exact);
        EXPECT_EQ(Starts(F), C.Found);
    }
    TFinder F;
    F.Search(*R.Term, U"wrapped", false);
    ASSERT_EQ(F.Matches().size(), 1u);
    EXPECT_EQ(F.Matches()[0].To, (TTextSpot{3, 4})); // "ped" went on in the next line
    F.Search(*R.Term, U32("한"), false);
    ASSERT_EQ(F.Matches().size(), 1u);
    EXPECT_EQ(F.Matches()[0].To, (TTextSpot{0, 5})); // both cells of the pair
}

// Steps go in order and round the ends; the first one starts from the view.
// A new search keeps the current match current.
TEST(Find, StepsInOrderRoundTheEnds)
{
    TTermRig R;
    R.Feed("x one\r\ny\r\nx two\r\nz\r\nx three");
    TFinder F;
    F.Search(*R.Term, U"x", false);
    ASSERT_EQ(F.Matches().size(), 3u);
    std::string Forward, Back;
    for (int I = 0; I < 4; ++I) Forward += std::to_string(F.Step(true, {1, 1}));
    EXPECT_EQ(Forward, "1201"); // from line 1: the match on line 2 first
    F.Clear();
    F.Search(*R.Term, U"x", false);
    for (int I = 0; I < 4; ++I) Back += std::to_string(F.Step(false, {3, 1}));
    EXPECT_EQ(Back, "1021"); // back from line 3: the one on line 2 first
    R.Feed("\r\nx four");
    F.Search(*R.Term, U"x", false);
    EXPECT_EQ(F.Current(), 1);
    EXPECT_EQ(F.Matches().size(), 4u);
}

// A match keeps its line number while output scrolls it up and the oldest
// lines are recycled, so its highlight follows the text to its new row.
TEST(Find, MatchesFollowTheTextAsOutputScrolls)
{
    TTermRig R;
    R.Term->SetScrollBack(10); // the list holds the screen and one line more
    std::string Lines;
    for (int I = 0; I < 23; ++I) Lines += "\r\n";
    R.Feed(Lines + "marker\r\n"); // written on row 24, then scrolled once
    TFinder F;
    F.Search(*R.Term, U"marker", false);
    ASSERT_EQ(F.Matches().size(), 1u);
    const long long Line = F.Matches()[0].From.Line;
    EXPECT_EQ(RowOfLine(*R.Term, Line), 23);
    R.Feed("a\r\nb\r\nc\r\n");
    EXPECT_GT(R.Scr().ScrollBack.Dropped, 0); // the oldest lines recycled
    EXPECT_EQ(RowOfLine(*R.Term, Line), 20);
    F.Search(*R.Term, U"marker", false);
    ASSERT_EQ(F.Matches().size(), 1u);
    EXPECT_EQ(F.Matches()[0].From.Line, Line);
    EXPECT_EQ(LineOfRow(*R.Term, 20), Line);
}

// What reads as a URL, and where it ends.
TEST(Find, UrlsInText)
{
    const struct {
        const char* Text;
        std::string Urls;
    } Cases[] = {
        {"see https://example.com/a.", "https://example.com/a|"},
        {"(https://x.org/wiki/Foo_(bar))", "https://x.org/wiki/Foo_(bar)|"},
        {"[http://a.kr/b]", "http://a.kr/b|"},
        {"mailto:kim@example.kr, ftp://host/f.txt;", "mailto:kim@example.kr|ftp://host/f.txt|"},
        {"www.naver.com에서 HTTP://A.B/", "www.naver.com|HTTP://A.B/|"},
        {"\"https://q.kr/?a=1&b=2\"", "https://q.kr/?a=1&b=2|"},
        {"xhttp://no http:// www. a.www.b", ""},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Text);
        const std::u32string Text = U32(C.Text);
        std::string Urls;
        for (const auto& [From, To] : FindUrls(Text)) {
            for (std::size_t I = From; I < To; ++I) Urls += static_cast<char>(Text[I]);
            Urls += '|';
        }
        EXPECT_EQ(Urls, C.Urls);
    }
}

// A URL the host wrapped at the margin is one link from either of its rows,
// a www. name opens over http, and a cell outside it is no link.
TEST(Find, LinkOverWrappedRows)
{
    TTermRig R;
    R.Feed(std::string(70, '-') + " www.example.com/wrapped/path, then text");
    TLink L;
    ASSERT_TRUE(LinkAt(*R.Term, 2, 3, L));
    EXPECT_EQ(L.Url, "http://www.example.com/wrapped/path");
    EXPECT_EQ(L.Span, (TTextSpan{{0, 72}, {1, 19}}));
    TLink Same;
    ASSERT_TRUE(LinkAt(*R.Term, 1, 72, Same));
    EXPECT_EQ(Same.Span, L.Span);
    EXPECT_FALSE(LinkAt(*R.Term, 2, 20, L)); // the comma after it
    EXPECT_FALSE(LinkAt(*R.Term, 1, 71, L));
}
