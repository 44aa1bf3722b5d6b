// The SSH keys of a profile: absent from the files of profiles that never
// used them, read back once written, and the protocol's name read as the
// session will read it. Line breaks in their texts meet the store's guard
// (ProfileStore.LineBreaksNeverAddALineOrAKey).
#include "profiles/HostManagerCommon.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(SshProfileKeys, WrittenOnlyOnceUsed)
{
    TTempDir Dir;
    const std::string Ini = Dir / "Brevanix.ini";
    TAliasInfo I;
    I.Alias = "host";
    const TAliasInfo Default = LoadAliasInfo(Ini, "host");
    EXPECT_EQ(Default.Protocol, "Telnet");
    EXPECT_EQ(Default.ConnectTimeout, 30);
    SaveAliasInfo(Ini, I);
    const std::string Plain = ReadBytes(Ini);
    for (const char* Key : {"Protocol", "UserName", "IdentityFile", "ConnectTimeout"})
        EXPECT_EQ(Plain.find(Key), std::string::npos) << Key;

    I.Protocol = "SSH";
    I.UserName = "\xB1\xE8 kim"; // Korean
    I.IdentityFile = "/home/k/.ssh/id_work";
    I.ConnectTimeout = 600;
    SaveAliasInfo(Ini, I);
    EXPECT_EQ(ReadBytes(Ini), Plain + "Protocol=SSH\nUserName=\xB1\xE8 kim\n"
                                      "IdentityFile=/home/k/.ssh/id_work\nConnectTimeout=600\n");
    I.Registered = true;
    EXPECT_EQ(LoadAliasInfo(Ini, "host"), I);
}

TEST(SshProtocolOf, OnlySshInAnyCase)
{
    for (const char* V : {"SSH", "ssh", "sSh"}) EXPECT_EQ(ProtocolOf(V), TProtocol::Ssh) << V;
    for (const char* V : {"Telnet", "", "SS", "SSH2", "ssh "})
        EXPECT_EQ(ProtocolOf(V), TProtocol::Telnet) << V;
}

} // namespace
