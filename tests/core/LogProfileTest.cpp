// The session log's and the link's keys of a profile: absent from the files
// of profiles that never used them, read back once written, and the log's
// choices read as the window will read them.
#include "profiles/HostManagerCommon.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(LogProfileKeys, WrittenOnlyOnceUsed)
{
    TTempDir Dir;
    const std::string Ini = Dir / "Brevanix.ini";
    TAliasInfo I;
    I.Alias = "host";
    const TAliasInfo Default = LoadAliasInfo(Ini, "host");
    EXPECT_EQ(Default.LogFile, "");
    EXPECT_EQ(Default.LogMode, "Text");
    EXPECT_EQ(Default.LogEncoding, "Host");
    EXPECT_EQ(Default.KeepAlive, 0);
    EXPECT_FALSE(Default.LogTimestamps || Default.LogAppend || Default.AutoReconnect);
    SaveAliasInfo(Ini, I);
    const std::string Plain = ReadBytes(Ini);
    for (const char* Key : {"LogFile", "LogMode", "LogEncoding", "LogTimestamps", "LogAppend",
                            "KeepAlive", "AutoReconnect"})
        EXPECT_EQ(Plain.find(Key), std::string::npos) << Key;

    I.LogFile = "~/\xB7\xCE\xB1\xD7/&H-&Y&M&D.log"; // a Korean folder
    I.LogMode = "Raw";
    I.LogEncoding = "UTF-8";
    I.LogTimestamps = true;
    I.LogAppend = true;
    I.KeepAlive = 60;
    I.AutoReconnect = true;
    SaveAliasInfo(Ini, I);
    EXPECT_EQ(ReadBytes(Ini), Plain + "LogFile=~/\xB7\xCE\xB1\xD7/&H-&Y&M&D.log\nLogMode=Raw\n"
                                      "LogEncoding=UTF-8\nLogTimestamps=1\nLogAppend=1\n"
                                      "KeepAlive=60\nAutoReconnect=1\n");
    I.Registered = true;
    EXPECT_EQ(LoadAliasInfo(Ini, "host"), I);
}

TEST(LogProfileValues, ReadAsTheWindowReadsThem)
{
    for (const char* V : {"Raw", "RAW", "raw"}) EXPECT_EQ(LogModeOf(V), TLogMode::Raw) << V;
    for (const char* V : {"Text", "", "Ra", "Raw ", "Rawer", "Binary"})
        EXPECT_EQ(LogModeOf(V), TLogMode::Text) << V;
    for (const char* V : {"UTF-8", "utf-8", "UTF8", "Utf8"})
        EXPECT_EQ(LogEncodingOf(V), TLogEncoding::Utf8) << V;
    for (const char* V : {"Host", "", "CP949", "UTF-16", "UTF-8 "})
        EXPECT_EQ(LogEncodingOf(V), TLogEncoding::Host) << V;
}

} // namespace
