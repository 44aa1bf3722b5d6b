// Printing the screen through the printer channel: what one job holds, and
// that a failing printer still gets its job closed.
#include "support/TermFixture.h"
#include "term/Printer.h"
#include "text/Cp949.h"

#include <gtest/gtest.h>

namespace {

// Keeps every call; fails Open, or the line numbered FailLine (1-based).
struct TRecordingPrinter : TPrintChannel {
    bool OpenOk = true;
    int FailLine = 0;
    std::vector<std::string> Calls;
    std::vector<std::string> Lines, Parts;
    TFont Font;

    bool Open(const std::string& Title) override
    {
        Calls.push_back("Open " + Title);
        return OpenOk;
    }
    void SetFont(const TFont& F) override
    {
        Calls.push_back("SetFont");
        Font = F;
    }
    bool WriteLine(const std::uint8_t* Bytes, const std::uint8_t* P, int Len,
                   const TCluster* const*) override
    {
        Calls.push_back("WriteLine");
        Lines.emplace_back(reinterpret_cast<const char*>(Bytes), static_cast<std::size_t>(Len));
        std::string Digits;
        for (int I = 0; I < Len; ++I) Digits += static_cast<char>('0' + P[I]);
        Parts.push_back(Digits);
        return static_cast<int>(Lines.size()) != FailLine;
    }
    bool Close() override
    {
        Calls.push_back("Close");
        return true;
    }
};

} // namespace

TEST(PrintScreen, OneJobOfEveryRowUntrimmed)
{
    TTermRig Rig;
    Rig.Feed(Cp949::FromUtf8("first 한글 row\r\n\r\n   indented\x1b[24;75Hlast"));
    TRecordingPrinter P;
    ASSERT_TRUE(Rig.Term->PrintScreen(P, "Brevanix"));
    EXPECT_EQ(P.Calls.front(), "Open Brevanix - Print Screen");
    EXPECT_EQ(P.Calls[1], "SetFont");
    EXPECT_EQ(P.Calls.back(), "Close");
    EXPECT_EQ(P.Font.Name, Cp949::FromUtf8("굴림체"));
    EXPECT_EQ(P.Font.Size, 12);
    ASSERT_EQ(P.Lines.size(), 24u);
    for (int R = 1; R <= 24; ++R) {
        EXPECT_EQ(P.Lines[static_cast<std::size_t>(R - 1)], Rig.RowText(R)) << R;
        EXPECT_EQ(P.Parts[static_cast<std::size_t>(R - 1)], Rig.Parts(R)) << R;
    }
    EXPECT_EQ(P.Lines[1], std::string(80, ' '));
}

TEST(PrintScreen, FailuresStillCloseTheJob)
{
    TTermRig Rig;
    TRecordingPrinter Refused;
    Refused.OpenOk = false;
    EXPECT_FALSE(Rig.Term->PrintScreen(Refused, "Brevanix"));
    EXPECT_EQ(Refused.Calls.size(), 1u); // nothing after a refused start

    TRecordingPrinter Broken;
    Broken.FailLine = 3;
    EXPECT_FALSE(Rig.Term->PrintScreen(Broken, "Brevanix"));
    EXPECT_EQ(Broken.Lines.size(), 3u);
    EXPECT_EQ(Broken.Calls.back(), "Close");
}
