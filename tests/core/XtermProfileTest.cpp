// The emulation level in the profile: a key that appears in a profile's
// section once the profile uses it, and stays to say so when turned off.
#include "profiles/HostManagerCommon.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(XtermLevelKey, WrittenOnceUsedAndReadBack)
{
    TTempDir Dir;
    const std::string Ini = Dir / "Brevanix.ini";
    TAliasInfo I;
    I.Alias = "host";
    EXPECT_FALSE(I.XtermLevel);
    SaveAliasInfo(Ini, I);
    EXPECT_EQ(ReadBytes(Ini).find("XtermLevel"), std::string::npos);
    I.XtermLevel = true;
    SaveAliasInfo(Ini, I);
    EXPECT_NE(ReadBytes(Ini).find("\nXtermLevel=1\n"), std::string::npos);
    EXPECT_TRUE(LoadAliasInfo(Ini, "host").XtermLevel);
    I.XtermLevel = false;
    SaveAliasInfo(Ini, I);
    EXPECT_NE(ReadBytes(Ini).find("\nXtermLevel=0\n"), std::string::npos);
    EXPECT_FALSE(LoadAliasInfo(Ini, "host").XtermLevel);
}

} // namespace
