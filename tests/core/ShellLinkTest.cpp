// The desktop shortcut over Desktop Entry files: round trips, the platform
// conversions, a replaced shortcut, refusals that write nothing, the desktop
// folder, and a written file started by a real launcher. Every file written
// here passes desktop-file-validate.
#include "aux/XShelLnk.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

namespace {

// desktop-file-validate's complaints about Path; empty when it accepts the file.
std::string Validate(const std::string& Path)
{
    std::string Out;
    FILE* P = ::popen(("desktop-file-validate '" + Path + "' 2>&1; echo rc=$?").c_str(), "r");
    if (!P) return "cannot run desktop-file-validate";
    char Buf[512];
    while (std::fgets(Buf, sizeof Buf, P)) Out += Buf;
    ::pclose(P);
    return Out == "rc=0\n" ? std::string() : Out;
}

bool Executable(const std::string& Path)
{
    struct stat St {};
    return ::stat(Path.c_str(), &St) == 0 && (St.st_mode & S_IXUSR);
}

// A shortcut with every property away from its default.
TShellLink Sample(const std::string& File)
{
    TShellLink L;
    L.SetAutoLoad(false);
    L.SetFileName(File);
    L.LinkName = "/opt/bre vanix/bin/brevanix";
    L.Arguments = "-a " + QuoteArgument("a b\"c$d%e\\f 한글");
    L.Description = "서버 접속 \"quoted\" 100% \\ back\ttab";
    L.HotKey = 0x4000 | 0x8000 | 'K';
    L.IconFile = "/opt/bre vanix/share/brevanix.png";
    L.SetIconIndex(3);
    L.ShowCommand = TWindowState::wsMaximized;
    L.WorkingDirectory = "/opt/bre vanix/bin";
    return L;
}

void ExpectSame(const TShellLink& A, const TShellLink& B)
{
    EXPECT_EQ(A.Arguments, B.Arguments);
    EXPECT_EQ(A.Description, B.Description);
    EXPECT_EQ(A.HotKey, B.HotKey);
    EXPECT_EQ(A.IconFile, B.IconFile);
    EXPECT_EQ(A.IconIndex(), B.IconIndex());
    EXPECT_EQ(A.LinkName, B.LinkName);
    EXPECT_EQ(A.ShowCommand, B.ShowCommand);
    EXPECT_EQ(A.WorkingDirectory, B.WorkingDirectory);
}

} // namespace

TEST(ShellLink, SaveThenLoadGivesBackEveryProperty)
{
    TTempDir Dir;
    for (const TWindowState State :
         {TWindowState::wsNormal, TWindowState::wsMinimized, TWindowState::wsMaximized}) {
        TShellLink Written = Sample(Dir / "서버 1.desktop");
        Written.ShowCommand = State;
        ASSERT_TRUE(Written.Save());
        EXPECT_EQ(Validate(Written.FileName()), "");
        EXPECT_TRUE(Executable(Written.FileName()));
        TShellLink Read;
        Read.SetFileName(Written.FileName()); // AutoLoad
        ExpectSame(Read, Written);
    }
    EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"서버 1.desktop"}); // no temporary left
}

TEST(ShellLink, PlatformConversions)
{
    const TShellLink L;
    // Platform word (modifiers Shift 1, Ctrl 2, Alt 4 in the high byte) and shortcut.
    const struct {
        std::uint16_t Word;
        TShortCut Short;
    } Keys[] = {{0x0041, 0x0041}, {0x0141, 0x2041}, {0x0241, 0x4041},
                {0x0441, 0x8041}, {0x0770, 0xE070}, {0x0000, 0x0000}};
    for (const auto& K : Keys) {
        EXPECT_EQ(L.HotKeyToShortCut(K.Word), K.Short) << K.Word;
        EXPECT_EQ(L.ShortCutToHotKey(K.Short), K.Word) << K.Short;
    }
    EXPECT_EQ(L.HotKeyToShortCut(0x0841), 0x0041); // other modifier bits are dropped
    EXPECT_EQ(L.HotKeyToShortCut(0xF941), 0x2041);

    using enum TWindowState;
    const TWindowState Shown[] = {wsNormal, wsNormal, wsMinimized, wsMaximized,
                                  wsNormal, wsNormal, wsMinimized, wsMinimized,
                                  wsNormal, wsNormal, wsMaximized, wsNormal};
    for (int Cmd = 0; Cmd < 12; ++Cmd) EXPECT_EQ(L.ShowCmdToWindowState(Cmd), Shown[Cmd]) << Cmd;
    EXPECT_EQ(TShellLink::WindowStateToShowCmd(wsNormal), 1);
    EXPECT_EQ(TShellLink::WindowStateToShowCmd(wsMinimized), 7);
    EXPECT_EQ(TShellLink::WindowStateToShowCmd(wsMaximized), 3);
}

TEST(ShellLink, ReplacedShortcutKeepsDescriptionHotKeyAndShowCommand)
{
    TTempDir Dir;
    TShellLink Old = Sample(Dir / "host.desktop");
    ASSERT_TRUE(Old.Save());

    TShellLink New;
    New.SetFileName(Old.FileName()); // loads what is there
    New.LinkName = "/usr/bin/brevanix";
    New.Arguments = "-a _DEFAULT";
    New.IconFile = "/usr/share/icons/brevanix.png";
    New.SetIconIndex(0);
    New.WorkingDirectory = "/usr/bin";
    ASSERT_TRUE(New.Save());
    EXPECT_EQ(Validate(New.FileName()), "");

    TShellLink Read;
    Read.SetFileName(New.FileName());
    EXPECT_EQ(Read.Description, Old.Description);
    EXPECT_EQ(Read.HotKey, Old.HotKey);
    EXPECT_EQ(Read.ShowCommand, Old.ShowCommand);
    ExpectSame(Read, New);
}

TEST(ShellLink, FailedLoadClears)
{
    TTempDir Dir;
    WriteBytes(Dir / "other.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org/\n");
    WriteBytes(Dir / "open.desktop", "[Desktop Entry]\nType=Application\nExec=\"a b\n");
    WriteBytes(Dir / "none.desktop", "Exec=/bin/true\n");
    for (const char* Name : {"other.desktop", "open.desktop", "none.desktop", "missing.desktop"}) {
        TShellLink L = Sample(Dir / Name);
        EXPECT_FALSE(L.Load()) << Name;
        ExpectSame(L, TShellLink()); // the defaults
    }
    TShellLink L;
    L.SetIconIndex(-1);
    EXPECT_EQ(L.IconIndex(), 0);
}

TEST(ShellLink, TextsBeyond260CharactersAreRefused)
{
    TTempDir Dir;
    const std::string Longest = [] {
        std::string S;
        for (int I = 0; I < 260; ++I) S += "가";
        return S;
    }();
    TShellLink L = Sample(Dir / "long.desktop");
    L.Description = Longest;
    ASSERT_TRUE(L.Save());
    for (std::string TShellLink::*Field :
         {&TShellLink::Description, &TShellLink::Arguments, &TShellLink::LinkName,
          &TShellLink::IconFile, &TShellLink::WorkingDirectory}) {
        TShellLink Over = Sample(Dir / "over.desktop");
        Over.*Field = "/" + Longest;
        EXPECT_FALSE(Over.Save());
    }
    EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"long.desktop"});
    ASSERT_TRUE(L.Load());
    EXPECT_EQ(L.Description, Longest);
}

TEST(ShellLink, DesktopFolder)
{
    TTempDir Dir;
    TScopedEnv Env;
    Env.Set("HOME", Dir.Path());
    Env.Set("XDG_CONFIG_HOME", Dir / "config");
    std::filesystem::create_directories(Dir / "config");
    const struct {
        const char* UserDirs; // nullptr: no file
        std::optional<std::string> Env;
        std::string Expected;
    } Rows[] = {
        {nullptr, std::nullopt, Dir / "Desktop"},
        {nullptr, "/srv/desk", "/srv/desk"},
        {"XDG_DESKTOP_DIR=\"$HOME/바탕 화면\"\n", "/srv/desk", Dir / "바탕 화면"},
        {"XDG_DESKTOP_DIR=\"/\"\n", std::nullopt, ""}, // never the root folder
    };
    for (const auto& R : Rows) {
        std::filesystem::remove(Dir / "config/user-dirs.dirs");
        if (R.UserDirs) WriteBytes(Dir / "config/user-dirs.dirs", R.UserDirs);
        Env.Set("XDG_DESKTOP_DIR", R.Env);
        EXPECT_EQ(DesktopFolder(), R.Expected) << (R.UserDirs ? R.UserDirs : "no file");
    }
}

// The written file started by GLib's launcher: the alias reaches the program
// as one argument, byte for byte, in the working directory of the shortcut.
TEST(ShellLink, LauncherPassesTheAliasAsOneArgument)
{
    if (std::system("command -v gio >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gio";
    TTempDir Dir;
    std::filesystem::create_directories(Dir / "work dir");
    const std::string StandIn = Dir / "stand in.sh";
    WriteBytes(StandIn, "#!/bin/sh\n{ pwd; printf '[%s]\\n' \"$@\"; } > \"$0.tmp\"\n"
                        "mv \"$0.tmp\" \"$0.out\"\n");
    std::filesystem::permissions(StandIn, std::filesystem::perms::owner_all);
    const std::string Alias = "a b\"c$d%e\\f 한글 %U 'q' `id` ;x";

    TShellLink L;
    L.SetFileName(Dir / "launch.desktop");
    L.LinkName = StandIn;
    L.Arguments = "-a " + QuoteArgument(Alias);
    L.WorkingDirectory = Dir / "work dir";
    ASSERT_TRUE(L.Save());
    EXPECT_EQ(Validate(L.FileName()), "");
    ASSERT_EQ(std::system(("gio launch '" + L.FileName() + "' >/dev/null 2>&1").c_str()), 0);

    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ReadBytes(StandIn + ".out").empty() && std::chrono::steady_clock::now() < Deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadBytes(StandIn + ".out"), Dir / "work dir\n[-a]\n[" + Alias + "]\n");
}
