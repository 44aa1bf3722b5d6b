// Conversions at the edges: every byte accounted for, nothing dropped.
#include "text/Cp949.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp949, PairsDecodeIncludingTheExtendedArea)
{
    EXPECT_EQ(Cp949::PairToUnicode(0xB0, 0xA1), U'\uAC00'); // 가, KS X 1001
    EXPECT_EQ(Cp949::PairToUnicode(0x81, 0x41), U'\uAC02'); // 갂, outside KS X 1001
    EXPECT_EQ(Cp949::PairToUnicode(0xA6, 0xA1), U'\u2500'); // box drawing row
    EXPECT_EQ(Cp949::PairToUnicode(0xB0, 0x20), Cp949::Replacement);
    EXPECT_EQ(Cp949::PairToUnicode(0x41, 0xA1), Cp949::Replacement);
}

TEST(Cp949, TextRoundTripsAndMarksWhatDoesNotConvert)
{
    const std::string Korean = "\xC7\xD1\xB1\xDB abc \x81\x41";
    const std::string Utf8 = Cp949::ToUtf8(Korean);
    EXPECT_EQ(Utf8, "한글 abc 갂");
    EXPECT_EQ(Cp949::FromUtf8(Utf8), Korean);
    EXPECT_EQ(Cp949::ToUtf8("a\x80"
                            "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Cp949::ToUtf8("ab\xB0"), "ab\xEF\xBF\xBD") << "a lead byte at the end";
    EXPECT_EQ(Cp949::FromUtf8("x\xF0\x9F\x98\x80y"), "x?y") << "no such character in the code page";
    EXPECT_EQ(Cp949::FromUtf8("x\xC3y"), "x?y") << "malformed UTF-8";
    EXPECT_EQ(Cp949::FromUtf8(""), "");
}

TEST(Cp949, EveryPairEncodesBackToItself)
{
    int Pairs = 0;
    for (std::uint8_t Lead = 0x81; Lead <= 0xFE; ++Lead)
        for (std::uint8_t Trail = 0x41; Trail <= 0xFE; ++Trail) {
            const std::string Pair{static_cast<char>(Lead), static_cast<char>(Trail)};
            if (Cp949::PairToUnicode(Lead, Trail) == Cp949::Replacement) continue;
            ASSERT_EQ(Cp949::FromUtf8(Cp949::ToUtf8(Pair)), Pair) << int{Lead} << " " << int{Trail};
            ++Pairs;
        }
    EXPECT_EQ(Pairs, 17048) << "KS X 1001 and the extended syllables";
}

} // namespace
