// The connection profile store: defaults and encodings of each key, round
// trips, and the guarantees that keep the user's profiles whole: refused and
// interrupted writes, several processes saving at once, line breaks in values,
// malformed files.
#include "common/GridLimits.h"
#include "profiles/HostManagerCommon.h"
#include "profiles/ProfileKeys.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <sys/resource.h>

// Readable failure messages for whole records.
static void PrintTo(const TAliasInfo& I, std::ostream* Os)
{
    *Os << "{Registered " << I.Registered << " Alias '" << I.Alias << "' Address '" << I.Address
        << "' Port " << I.Port << " Bools " << I.SoftScroll << I.CrossCaret << I.VisualBeep
        << I.BeepOn << I.AutoWrap << I.AutoLF << I.AutoCR << I.Monochrome << " Colors "
        << I.ColorCaret << "/" << I.ColorBack << "/" << I.FontColor << " Font '" << I.FontName
        << "' " << I.FontSize << " Scroll " << I.ScrollBuffer << " " << I.Col << "x" << I.Row
        << " Type '" << I.TerminalType << "' Host '" << I.HostEncoding << "' " << I.Protocol << " '"
        << I.UserName << "' '" << I.IdentityFile << "' " << I.ConnectTimeout << " Log '"
        << I.LogFile << "' " << I.LogMode << " " << I.LogEncoding << " " << I.LogTimestamps
        << I.LogAppend << " Keep " << I.KeepAlive << " " << I.AutoReconnect << " Global "
        << I.ShowToolBar << I.ShowStatusBar << I.ShowScrollBar << I.ExitOnDisconnect
        << I.FastInterrupt << I.HanEng << " " << I.HangulLayout << "}";
}

namespace {

std::string Lines(std::initializer_list<const char*> L)
{
    std::string S;
    for (const char* Line : L) S += std::string(Line) + "\n";
    return S;
}

// Every per-alias value away from its default, with Korean text and a system colour.
TAliasInfo SampleRecord()
{
    TAliasInfo I;
    I.Alias = "\xBC\xAD\xB9\xF6 1"; // "server 1" in Korean
    I.Address = "host.example.org";
    I.Port = 2323;
    I.SoftScroll = true;
    I.CrossCaret = false;
    I.VisualBeep = false;
    I.BeepOn = false;
    I.AutoWrap = false;
    I.AutoLF = true;
    I.AutoCR = true;
    I.ColorCaret = 0x000000FF;
    I.ColorBack = 0x80000005; // system colour, index 5
    I.FontName = "\xB1\xBC\xB8\xB2\xC3\xBC";
    I.FontSize = 14;
    I.FontColor = 0x00FFFFFF;
    I.Monochrome = true;
    I.ScrollBuffer = 5000;
    I.Col = 132;
    I.Row = 50;
    I.TerminalType = "vt220";
    I.HostEncoding = "UTF-8";
    return I;
}

struct ProfileStore : ::testing::Test {
    TTempDir Dir;
    std::string Ini = Dir / "Brevanix.ini";
};

// ---------------------------------------------------------------- path and object

TEST(ProfilePath, BesideTheExecutable)
{
    EXPECT_EQ(ExecutableFolder("/opt/brevanix/bin/brevanix"), "/opt/brevanix/bin");
    EXPECT_EQ(ExecutableFolder("/brevanix"), "/");
    EXPECT_EQ(ProfileIniPath("/opt/brevanix/bin"), "/opt/brevanix/bin/Brevanix.ini");
    EXPECT_EQ(ProfileIniPath("/"), "/Brevanix.ini");
    // The running test program stands in for the executable.
    const std::string Exe = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(ProfileIniPath(), Exe.substr(0, Exe.rfind('/')) + "/Brevanix.ini");
}

// An installed program's folder is not the user's to write: the file then
// lives in the user's configuration folder, unless it is already beside.
TEST(ProfilePath, ConfigFolderWhenTheProgramFolderIsNotWritable)
{
    TTempDir Dir;
    const std::string Folder = Dir / "bin", Home = Dir / "config";
    std::filesystem::create_directory(Folder);
    EXPECT_EQ(ChooseProfileIniPath(Folder, Home), Folder + "/Brevanix.ini");
    EXPECT_EQ(ChooseProfileIniPath(Dir / "gone", Home), Home + "/brevanix/Brevanix.ini");
    if (::geteuid() != 0) { // root writes into any folder
        WriteBytes(Folder + "/Brevanix.ini", "[a]\nPort=1\n");
        std::filesystem::permissions(Folder, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        EXPECT_EQ(ChooseProfileIniPath(Folder, Home), Folder + "/Brevanix.ini");
        std::filesystem::permissions(Folder, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
    }
}

TEST_F(ProfileStore, OpenDoesNotTouchTheFileAndCloseClears)
{
    std::unique_ptr<TIniFile> F = OpenProfileIni(Ini);
    ASSERT_TRUE(F);
    EXPECT_EQ(F->FileName(), Ini);
    EXPECT_TRUE(Dir.Entries().empty());
    CloseProfileIni(F);
    EXPECT_FALSE(F);
    CloseProfileIni(F); // already clear: left so
    EXPECT_FALSE(F);
}

// ---------------------------------------------------------------- loading

TEST_F(ProfileStore, NoFileGivesTheDefaults)
{
    const TAliasInfo I = LoadAliasInfo(Ini, "anything");
    EXPECT_FALSE(I.Registered);
    EXPECT_EQ(I.Alias, "anything");
    EXPECT_EQ(I.Address, "Remote Address");
    EXPECT_EQ(I.Port, 23);
    EXPECT_EQ(I.ColorCaret, 65535u);
    EXPECT_EQ(I.ColorBack, 0u);
    EXPECT_EQ(I.FontName, "FixedSys");
    EXPECT_EQ(I.FontSize, 12);
    EXPECT_EQ(I.FontColor, 12632256u);
    EXPECT_EQ(I.ScrollBuffer, 1000);
    EXPECT_EQ(I.Col, 80);
    EXPECT_EQ(I.Row, 30);
    EXPECT_EQ(I.TerminalType, "xterm");
    EXPECT_EQ(I.HostEncoding, "CP949");
    for (bool B : {I.CrossCaret, I.VisualBeep, I.BeepOn, I.AutoWrap, I.ShowToolBar, I.ShowStatusBar,
                   I.ShowScrollBar})
        EXPECT_TRUE(B);
    for (bool B : {I.SoftScroll, I.AutoLF, I.AutoCR, I.Monochrome, I.ExitOnDisconnect,
                   I.FastInterrupt, I.HanEng})
        EXPECT_FALSE(B);
    EXPECT_TRUE(Dir.Entries().empty()) << "a load creates nothing";
}

TEST_F(ProfileStore, RegisteredFollowsTheSectionAndExactDefaultName)
{
    WriteBytes(Ini, Lines({"[_DEFAULT]", "Address=d.example", "[bare]", "[Other]", "Port=1"}));
    struct TCase {
        const char* Alias;
        bool Registered;
        const char* Address;
    };
    const std::vector<TCase> Cases = {
        {"_DEFAULT", false, "d.example"},  // exists, but is the default profile
        {"_default", true, "d.example"},   // lookup ignores case, the name test does not
        {"bare", false, "Remote Address"}, // a header alone counts as missing
        {"other", true, "Remote Address"}, {"absent", false, "Remote Address"},
    };
    for (const TCase& C : Cases) {
        const TAliasInfo I = LoadAliasInfo(Ini, C.Alias);
        EXPECT_EQ(I.Registered, C.Registered) << C.Alias;
        EXPECT_EQ(I.Alias, C.Alias);
        EXPECT_EQ(I.Address, C.Address) << C.Alias;
    }
    EXPECT_FALSE(LoadAliasInfo(Dir / "none.ini", "_DEFAULT").Registered);
}

TEST_F(ProfileStore, ValueEncodings)
{
    struct TCase {
        const char* Line;
        std::function<void(const TAliasInfo&)> Check;
    };
    const std::vector<TCase> Cases = {
        {"Port=0x50", [](const TAliasInfo& I) { EXPECT_EQ(I.Port, 80); }},
        {"Port=$50", [](const TAliasInfo& I) { EXPECT_EQ(I.Port, 80); }},
        {"Port=abc", [](const TAliasInfo& I) { EXPECT_EQ(I.Port, 23); }},
        {"Port=", [](const TAliasInfo& I) { EXPECT_EQ(I.Port, 23); }},
        {"Port=-1", [](const TAliasInfo& I) { EXPECT_EQ(I.Port, -1); }}, // not range-tested
        {"SoftScroll=2", [](const TAliasInfo& I) { EXPECT_TRUE(I.SoftScroll); }},
        {"SoftScroll=yes", [](const TAliasInfo& I) { EXPECT_FALSE(I.SoftScroll); }},
        {"CrossCaret=yes", [](const TAliasInfo& I) { EXPECT_TRUE(I.CrossCaret); }},
        {"CrossCaret=0", [](const TAliasInfo& I) { EXPECT_FALSE(I.CrossCaret); }},
        {"Address=", [](const TAliasInfo& I) { EXPECT_EQ(I.Address, ""); }},
        {"TerminalType=", [](const TAliasInfo& I) { EXPECT_EQ(I.TerminalType, ""); }},
        {"ColorBack=-2147483643", [](const TAliasInfo& I) { EXPECT_EQ(I.ColorBack, 0x80000005u); }},
        {"ColorBack=$80000005", [](const TAliasInfo& I) { EXPECT_EQ(I.ColorBack, 0x80000005u); }},
        {"FontColor=junk", [](const TAliasInfo& I) { EXPECT_EQ(I.FontColor, 12632256u); }},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Line);
        WriteBytes(Ini, Lines({"[a]", C.Line}));
        C.Check(LoadAliasInfo(Ini, "a"));
    }
}

TEST_F(ProfileStore, LongValueReadsBackAs2047)
{
    TAliasInfo I;
    I.Alias = "long";
    I.Address = std::string(3000, 'h');
    SaveAliasInfo(Ini, I);
    EXPECT_EQ(LoadAliasInfo(Ini, "long").Address, std::string(2047, 'h'));
}

// ---------------------------------------------------------------- saving

TEST_F(ProfileStore, RoundTripOfAllNineteenValues)
{
    TAliasInfo Saved = SampleRecord();
    // Carried along, but only SaveGlobalInfo stores these.
    Saved.ShowToolBar = false;
    Saved.HanEng = true;
    SaveAliasInfo(Ini, Saved);

    TAliasInfo Expected = Saved;
    Expected.Registered = true;
    Expected.ShowToolBar = true;
    Expected.HanEng = false;
    EXPECT_EQ(LoadAliasInfo(Ini, Saved.Alias), Expected);
    EXPECT_EQ(OpenProfileIni(Ini)->ReadSection(Saved.Alias).size(), 20u);
    EXPECT_FALSE(OpenProfileIni(Ini)->SectionExists(GlobalSectionName));
}

TEST_F(ProfileStore, FileTextOfASave)
{
    SaveAliasInfo(Ini, SampleRecord());
    EXPECT_EQ(ReadBytes(Ini), Lines({"[\xBC\xAD\xB9\xF6 1]",
                                     "Address=host.example.org",
                                     "Port=2323",
                                     "SoftScroll=1",
                                     "CrossCaret=0",
                                     "VisualBeep=0",
                                     "BeepOn=0",
                                     "AutoWrap=0",
                                     "AutoLF=1",
                                     "AutoCR=1",
                                     "ColorCaret=255",
                                     "ColorBack=-2147483643",
                                     "FontName=\xB1\xBC\xB8\xB2\xC3\xBC",
                                     "FontSize=14",
                                     "FontColor=16777215",
                                     "ScrollBuffer=5000",
                                     "Col=132",
                                     "Row=50",
                                     "TerminalType=vt220",
                                     "Monochrome=1",
                                     "HostEncoding=UTF-8"}));
}

TEST_F(ProfileStore, GlobalSwitchesComeFromTheirOwnSection)
{
    TAliasInfo G;
    G.ShowToolBar = false;
    G.ShowStatusBar = false;
    G.ShowScrollBar = true;
    G.ExitOnDisconnect = true;
    G.FastInterrupt = true;
    G.HanEng = true;
    G.Alias = "ignored";
    SaveGlobalInfo(Ini, G);
    EXPECT_EQ(ReadBytes(Ini),
              Lines({"[Global]", "ShowToolBar=0", "ShowStatusBar=0", "ShowScrollBar=1",
                     "ExitOnDisconnect=1", "FastInterrupt=1", "HanEng=1"}));
    for (const char* Alias : {"ignored", "_DEFAULT", "x"}) {
        const TAliasInfo I = LoadAliasInfo(Ini, Alias);
        EXPECT_FALSE(I.ShowToolBar);
        EXPECT_FALSE(I.ShowStatusBar);
        EXPECT_TRUE(I.ShowScrollBar);
        EXPECT_TRUE(I.ExitOnDisconnect);
        EXPECT_TRUE(I.FastInterrupt);
        EXPECT_TRUE(I.HanEng);
        EXPECT_FALSE(I.Registered) << "Global is no alias of " << Alias;
    }
}

TEST_F(ProfileStore, ResavingReplacesValuesAndKeepsTheRest)
{
    const std::string Before = Lines(
        {"; hand-made", "[Keep]", "Address=k", "[A]", "Address=old", "Custom=stays", "Port=99"});
    WriteBytes(Ini, Before);
    TAliasInfo I;
    I.Alias = "a";
    I.Address = "new";
    SaveAliasInfo(Ini, I);
    const std::string After = ReadBytes(Ini);
    EXPECT_EQ(After.substr(0, 35), "; hand-made\n[Keep]\nAddress=k\n[A]\nAd") << After;
    EXPECT_NE(After.find("Custom=stays\n"), std::string::npos);
    const auto F = OpenProfileIni(Ini);
    EXPECT_EQ(F->ReadSections(), (std::vector<std::string>{"Keep", "A"}));
    EXPECT_EQ(F->ReadSection("a").size(), 21u);
    const TAliasInfo L = LoadAliasInfo(Ini, "a");
    EXPECT_EQ(L.Address, "new");
    EXPECT_EQ(L.Port, 23);
    EXPECT_EQ(LoadAliasInfo(Ini, "Keep").Address, "k");
}

TEST_F(ProfileStore, EraseThroughTheFileObject)
{
    TAliasInfo I = SampleRecord();
    SaveAliasInfo(Ini, I);
    I.Alias = "second";
    SaveAliasInfo(Ini, I);
    auto F = OpenProfileIni(Ini);
    F->EraseSection(SampleRecord().Alias);
    EXPECT_EQ(F->ReadSections(), (std::vector<std::string>{"second"}));
    CloseProfileIni(F);
    EXPECT_FALSE(LoadAliasInfo(Ini, SampleRecord().Alias).Registered);
    EXPECT_TRUE(LoadAliasInfo(Ini, "second").Registered);
}

// ---------------------------------------------------------------- line breaks

TEST_F(ProfileStore, LineBreaksNeverAddALineOrAKey)
{
    WriteBytes(Ini, Lines({"[Global]", "HanEng=0"}));
    TAliasInfo I;
    I.Alias = "evil\r\n[Global]";
    I.Address = "x\r\nHanEng=1\r\n[other]\nPort=1";
    I.FontName = "a\nb";
    I.TerminalType = "\r\n";
    SaveAliasInfo(Ini, I);

    const std::string T = ReadBytes(Ini);
    EXPECT_EQ(std::count(T.begin(), T.end(), '\n'), 2 + 1 + 20) << T;
    EXPECT_EQ(T.find('\r'), std::string::npos);
    const auto F = OpenProfileIni(Ini);
    EXPECT_EQ(F->ReadSections(), (std::vector<std::string>{"Global", "evil  [Global]"}));
    EXPECT_EQ(F->ReadSection("Global"), (std::vector<std::string>{"HanEng"}));
    EXPECT_EQ(F->ReadSection(I.Alias).size(), 20u);
    EXPECT_FALSE(F->SectionExists("other"));

    // CR and LF are stored as blanks; the record is found under its own name.
    const TAliasInfo L = LoadAliasInfo(Ini, I.Alias);
    EXPECT_TRUE(L.Registered);
    EXPECT_FALSE(L.HanEng);
    EXPECT_EQ(L.Address, "x  HanEng=1  [other] Port=1");
    EXPECT_EQ(L.FontName, "a b");
    EXPECT_EQ(L.TerminalType, "");
    EXPECT_EQ(L.Port, 23);
}

// ---------------------------------------------------------------- malformed files

TEST_F(ProfileStore, MalformedFilesLoad)
{
    std::string Binary(256 * 1024, '\0');
    std::mt19937 Gen(5);
    for (char& C : Binary) C = static_cast<char>(Gen() & 0xFF);
    const std::string Huge(10 * 1024 * 1024, 'z');

    struct TCase {
        const char* Name;
        std::string File;
        std::function<void(const TAliasInfo&)> Check;
    };
    const std::vector<TCase> Cases = {
        {"BinaryBytes", Binary,
         [](const TAliasInfo& I) {
             EXPECT_FALSE(I.Registered);
             EXPECT_EQ(I.Port, 23);
         }},
        {"BinaryThenSection", Binary + "\n[a]\nPort=81\n",
         [](const TAliasInfo& I) { EXPECT_EQ(I.Port, 81); }},
        {"TenMegabyteValue", "[a]\nAddress=" + Huge + "\nPort=81\n",
         [](const TAliasInfo& I) {
             EXPECT_EQ(I.Address, std::string(2047, 'z'));
             EXPECT_EQ(I.Port, 81);
         }},
        {"TenMegabyteLineWithoutEquals", "[a]\n" + Huge + "\nPort=81\n",
         [](const TAliasInfo& I) { EXPECT_EQ(I.Port, 81); }},
        {"TenMegabyteHeader", "[" + Huge + "\n[a]\nPort=81\n",
         [](const TAliasInfo& I) { EXPECT_EQ(I.Port, 81); }},
        {"HeaderWithoutBracket", "[a\nPort=81\n",
         [](const TAliasInfo& I) {
             EXPECT_TRUE(I.Registered);
             EXPECT_EQ(I.Port, 81);
         }},
        {"DuplicateKeysFirstWins", "[a]\nPort=81\nPort=82\n",
         [](const TAliasInfo& I) { EXPECT_EQ(I.Port, 81); }},
        {"DuplicateSectionsMerged", "[a]\nPort=81\n[b]\n[A]\nPort=90\nCol=100\n",
         [](const TAliasInfo& I) {
             EXPECT_EQ(I.Port, 81);
             EXPECT_EQ(I.Col, 100);
         }},
        {"CrLf", "[a]\r\nAddress=h\r\nPort=81\r\n[Global]\r\nHanEng=1\r\n",
         [](const TAliasInfo& I) {
             EXPECT_EQ(I.Address, "h");
             EXPECT_EQ(I.Port, 81);
             EXPECT_TRUE(I.HanEng);
         }},
        {"Lf", "[a]\nAddress=h\nPort=81\n",
         [](const TAliasInfo& I) {
             EXPECT_EQ(I.Address, "h");
             EXPECT_EQ(I.Port, 81);
         }},
        {"BlanksAroundValues", "[a]\n  Address =  h  \nPort\t=\t81\n",
         [](const TAliasInfo& I) {
             EXPECT_EQ(I.Address, "h");
             EXPECT_EQ(I.Port, 81);
         }},
        {"EmptyFile", "", [](const TAliasInfo& I) { EXPECT_FALSE(I.Registered); }},
        {"OnlyLineEnds", "\n\r\n\n", [](const TAliasInfo& I) { EXPECT_FALSE(I.Registered); }},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        WriteBytes(Ini, C.File);
        const TAliasInfo I = LoadAliasInfo(Ini, "a");
        C.Check(I);
        EXPECT_EQ(I.Alias, "a");
        const std::vector<std::string> Listed = OpenProfileIni(Ini)->ReadSections();
        // The 10 MB name overflows the list, which then ends before "a".
        const bool Overflow = std::string_view(C.Name) == "TenMegabyteHeader";
        EXPECT_EQ(std::count(Listed.begin(), Listed.end(), "a"), I.Registered && !Overflow ? 1 : 0);
        // A save into the damaged file keeps every byte that is not ours.
        TAliasInfo S;
        S.Alias = "zz-new";
        SaveAliasInfo(Ini, S);
        const std::string After = ReadBytes(Ini);
        const TAliasInfo Saved = LoadAliasInfo(Ini, "zz-new");
        TAliasInfo Expected = S;
        Expected.Registered = true;
        Expected.HanEng = std::string_view(C.Name) == "CrLf"; // the one file with a Global section
        EXPECT_EQ(Saved, Expected);
        EXPECT_EQ(After.compare(0, C.File.size(), C.File), 0) << "bytes not ours were changed";
    }
}

// A hand-edited file may hold any number: applied, each is brought into its
// key's range, and the port is left for the connection to refuse.
TEST(ProfileRange, NumbersFromTheFileAreMadeSafe)
{
    struct TCase {
        const char* Name;
        std::int32_t TAliasInfo::*Field;
        std::int32_t Stored, Applied;
    };
    const TCase Cases[] = {
        {"ColZero", &TAliasInfo::Col, 0, 80},
        {"ColHuge", &TAliasInfo::Col, 500, MaxCols},
        {"RowNegative", &TAliasInfo::Row, -5, 30},
        {"ScrollBufferHuge", &TAliasInfo::ScrollBuffer, 2147483647, MaxScrollBuffer},
        {"ScrollBufferNotAboveRow", &TAliasInfo::ScrollBuffer, 10, 31},
        {"FontSizeZero", &TAliasInfo::FontSize, 0, 12},
        {"FontSizeHuge", &TAliasInfo::FontSize, 4000, MaxFontSize},
        {"PortLeftAlone", &TAliasInfo::Port, 70000, 70000},
        {"InRangeKept", &TAliasInfo::Col, 132, 132},
        {"ConnectTimeoutZero", &TAliasInfo::ConnectTimeout, 0, 30},
        {"ConnectTimeoutADay", &TAliasInfo::ConnectTimeout, 86400, MaxConnectTimeout},
        {"KeepAliveNegative", &TAliasInfo::KeepAlive, -30, 0},
        {"KeepAliveADay", &TAliasInfo::KeepAlive, 86400, MaxKeepAlive},
        {"KeepAliveOffKept", &TAliasInfo::KeepAlive, 0, 0},
    };
    for (const TCase& C : Cases) {
        TAliasInfo I;
        I.*C.Field = C.Stored;
        BringIntoRange(I);
        EXPECT_EQ(I.*C.Field, C.Applied) << C.Name;
    }
}

// ---------------------------------------------------------------- refused writes

enum class TOp { SaveAlias, SaveGlobal, Erase };

void RunOp(TOp Op, const std::string& Path)
{
    TAliasInfo I = SampleRecord();
    switch (Op) {
    case TOp::SaveAlias: SaveAliasInfo(Path, I); break;
    case TOp::SaveGlobal: SaveGlobalInfo(Path, I); break;
    case TOp::Erase: OpenProfileIni(Path)->EraseSection("Keep"); break;
    }
}

std::string RefusalText(TOp Op, const std::string& Path)
{
    try {
        RunOp(Op, Path);
    } catch (const EProfileWriteError& E) {
        if (E.FileName() != Path) return "wrong path: " + E.FileName();
        return E.what();
    }
    return "no error";
}

struct TRefusalCase {
    const char* Name;
    bool AsNobody; // permission bits only bind when not root
    // Prepares the folder and gives the INI path to write.
    std::function<std::string(TTempDir&)> Prepare;
};

// The lock file may be created by a refused write; it holds nothing.
std::vector<std::string> EntriesBesideLock(const TTempDir& Dir)
{
    auto Names = Dir.Entries();
    std::erase(Names, "Brevanix.ini.lock");
    return Names;
}

const std::string Existing = Lines({"[Keep]", "Address=keep.example", "Port=2222"});

TEST(ProfileRefusedWrite, LeavesEverythingAsItWas)
{
    const std::vector<TRefusalCase> Cases = {
        {"FolderMissing", false, [](TTempDir& D) { return D / "no-such-folder/Brevanix.ini"; }},
        {"ParentIsAFile", false,
         [](TTempDir& D) {
             WriteBytes(D / "plain", "x");
             return D / "plain/Brevanix.ini";
         }},
        {"PathIsAFolder", false,
         [](TTempDir& D) {
             std::filesystem::create_directory(D / "Brevanix.ini");
             return D / "Brevanix.ini";
         }},
        {"ReadOnlyFolder", true,
         [](TTempDir& D) {
             WriteBytes(D / "Brevanix.ini", Existing);
             ::chmod((D / "Brevanix.ini").c_str(), 0644);
             ::chmod(D.Path().c_str(), 0555);
             return D / "Brevanix.ini";
         }},
        {"ReadOnlyFolderLockFileThere", true, // refused at the temporary file
         [](TTempDir& D) {
             WriteBytes(D / "Brevanix.ini", Existing);
             WriteBytes(D / "Brevanix.ini.lock", "");
             ::chmod((D / "Brevanix.ini").c_str(), 0666);
             ::chmod((D / "Brevanix.ini.lock").c_str(), 0666);
             ::chmod(D.Path().c_str(), 0555);
             return D / "Brevanix.ini";
         }},
        {"ReadOnlyFileInWritableFolder", true,
         [](TTempDir& D) {
             WriteBytes(D / "Brevanix.ini", Existing);
             ::chmod((D / "Brevanix.ini").c_str(), 0444);
             ::chmod(D.Path().c_str(), 0777);
             return D / "Brevanix.ini";
         }},
        {"OthersFileAndLockFile", true,
         [](TTempDir& D) {
             WriteBytes(D / "Brevanix.ini", Existing);
             WriteBytes(D / "Brevanix.ini.lock", "");
             ::chmod((D / "Brevanix.ini").c_str(), 0644);
             ::chmod((D / "Brevanix.ini.lock").c_str(), 0644);
             ::chmod(D.Path().c_str(), 0777);
             return D / "Brevanix.ini";
         }},
    };
    for (const TRefusalCase& C : Cases) {
        for (TOp Op : {TOp::SaveAlias, TOp::SaveGlobal, TOp::Erase}) {
            SCOPED_TRACE(std::string(C.Name) + " op " + std::to_string(static_cast<int>(Op)));
            TTempDir Dir;
            const std::string Path = C.Prepare(Dir);
            const std::string Before = ReadBytes(Path);
            const auto EntriesBefore = EntriesBesideLock(Dir);
            std::string Text;
            if (C.AsNobody) {
                // The folder must be reachable for the unprivileged child.
                const auto Mode = std::filesystem::status(Dir.Path()).permissions();
                std::filesystem::permissions(Dir.Path(),
                                             std::filesystem::perms::others_read |
                                                 std::filesystem::perms::others_exec,
                                             std::filesystem::perm_options::add);
                const TChildResult R = RunInChild([&] {
                    if (!DropRootPrivileges()) return std::string("could not drop privileges");
                    return RefusalText(Op, Path);
                });
                std::filesystem::permissions(Dir.Path(), Mode);
                ASSERT_TRUE(R.Exited && R.Code == 0) << R.Code << " " << R.Output;
                Text = R.Output;
            } else {
                Text = RefusalText(Op, Path);
            }
            EXPECT_EQ(Text, "Unable to write to " + Path);
            EXPECT_EQ(ReadBytes(Path), Before);
            EXPECT_EQ(EntriesBesideLock(Dir), EntriesBefore) << "nothing left beside the file";
        }
    }
}

TEST(ProfileRefusedWrite, ErrorIsARuntimeErrorWithThePathOnly)
{
    const EProfileWriteError E("/x/Brevanix.ini");
    const std::runtime_error& R = E;
    EXPECT_STREQ(R.what(), "Unable to write to /x/Brevanix.ini");
}

// ---------------------------------------------------------------- interrupted writes

TEST(ProfileInterruptedWrite, OldFileStaysValid)
{
    // Big enough that rewriting it crosses the file-size limit part-way.
    std::string Seed;
    for (int N = 0; N < 20; ++N)
        Seed += "[alias" + std::to_string(N) + "]\nAddress=host" + std::to_string(N) +
                "\nPort=" + std::to_string(1000 + N) + "\n";
    struct TCase {
        const char* Name;
        bool IgnoreSignal; // false: the process is killed in the middle of the write
    };
    for (const TCase& C : {TCase{"WriteFails", true}, TCase{"ProcessKilled", false}}) {
        SCOPED_TRACE(C.Name);
        TTempDir Dir;
        const std::string Ini = Dir / "Brevanix.ini";
        WriteBytes(Ini, Seed);
        ASSERT_GT(Seed.size(), 256u);
        const TChildResult R = RunInChild([&] {
            if (C.IgnoreSignal) std::signal(SIGXFSZ, SIG_IGN);
            const rlimit Limit{128, 128};
            if (::setrlimit(RLIMIT_FSIZE, &Limit) != 0) return std::string("setrlimit failed");
            TAliasInfo I = SampleRecord();
            I.Alias = "alias3";
            try {
                SaveAliasInfo(Ini, I);
            } catch (const EProfileWriteError& E) {
                return std::string(E.what());
            }
            return std::string("saved");
        });
        if (C.IgnoreSignal) {
            EXPECT_TRUE(R.Exited);
            EXPECT_EQ(R.Output, "Unable to write to " + Ini);
            EXPECT_EQ(Dir.Entries(),
                      (std::vector<std::string>{"Brevanix.ini", "Brevanix.ini.lock"}));
        } else {
            EXPECT_FALSE(R.Exited);
            EXPECT_EQ(R.Code, SIGXFSZ);
        }
        EXPECT_EQ(ReadBytes(Ini), Seed);
        const TAliasInfo L = LoadAliasInfo(Ini, "alias3");
        EXPECT_EQ(L.Address, "host3");
        EXPECT_EQ(L.Port, 1003);
        EXPECT_EQ(L.FontName, "FixedSys") << "no part of the refused save landed";
        // The store stays usable after a torn temporary.
        TAliasInfo After;
        After.Alias = "alias3";
        After.Port = 7;
        SaveAliasInfo(Ini, After);
        EXPECT_EQ(LoadAliasInfo(Ini, "alias3").Port, 7);
        EXPECT_EQ(LoadAliasInfo(Ini, "alias19").Port, 1019);
    }
}

// ---------------------------------------------------------------- several processes

// Every field of save number N is derived from N, so a record mixed from two
// saves is caught.
TAliasInfo Generation(const std::string& Alias, int N)
{
    const std::string S = std::to_string(N);
    TAliasInfo I;
    I.Registered = true;
    I.Alias = Alias;
    I.Address = "host-" + S + ".example";
    I.Port = N;
    I.SoftScroll = N % 2 == 0;
    I.CrossCaret = N % 3 == 0;
    I.VisualBeep = N % 5 == 0;
    I.BeepOn = N % 7 == 0;
    I.AutoWrap = N % 2 == 1;
    I.AutoLF = N % 3 == 1;
    I.AutoCR = N % 5 == 1;
    I.ColorCaret = static_cast<TColor>(N * 3);
    I.ColorBack = 0x80000000u | static_cast<TColor>(N % 31);
    I.FontName = "\xB1\xBC\xB8\xB2" + S;
    I.FontSize = N + 1;
    I.FontColor = static_cast<TColor>(N * 5);
    I.Monochrome = N % 4 == 0;
    I.ScrollBuffer = N + 2;
    I.Col = N + 3;
    I.Row = N + 4;
    I.TerminalType = "vt" + S;
    return I;
}

// What a load gives for an alias not saved yet.
TAliasInfo AliasNamed(const std::string& Alias)
{
    TAliasInfo I;
    I.Alias = Alias;
    return I;
}

TEST(ProfileConcurrency, TwoProcessesSavingLoseNothing)
{
    // A hundred saves each, started together, interleave a few hundred
    // times: without the lock a read-modify-write from a stale copy shows up
    // long before that.
    constexpr int Saves = 100;
    TTempDir Dir;
    const std::string Ini = Dir / "Brevanix.ini";
    const std::vector<std::string> Aliases = {"first", "second"};

    int Gate[2];
    ASSERT_EQ(::pipe(Gate), 0);
    std::vector<pid_t> Children;
    for (const std::string& Alias : Aliases) {
        const pid_t Pid = ::fork();
        ASSERT_GE(Pid, 0);
        if (Pid == 0) {
            ::close(Gate[1]);
            char B;
            while (::read(Gate[0], &B, 1) < 0 && errno == EINTR) {
            }
            int Code = 0;
            try {
                for (int N = 1; N <= Saves; ++N) SaveAliasInfo(Ini, Generation(Alias, N));
            } catch (...) {
                Code = 1;
            }
            ::_exit(Code);
        }
        Children.push_back(Pid);
    }
    ::close(Gate[0]);
    ::close(Gate[1]); // both start now

    // Load while they save: every load sees one whole save, never an older
    // one than the last load saw (a lost update), nor a mix of two.
    int Loads = 0, Torn = 0, Regressed = 0, Overlap = 0;
    std::string FirstFault;
    std::map<std::string, int> Last;
    std::vector<int> Status(Children.size(), -1);
    std::size_t Running = Children.size();
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (Running > 0) {
        int MidRun = 0;
        for (const std::string& Alias : Aliases) {
            const TAliasInfo L = LoadAliasInfo(Ini, Alias);
            ++Loads;
            const int N = L.Registered ? L.Port : 0;
            const TAliasInfo Whole = N ? Generation(Alias, N) : AliasNamed(Alias);
            if (!(L == Whole) && Torn++ == 0 && FirstFault.empty())
                FirstFault = "torn: " + Alias + " port " + std::to_string(L.Port);
            if (N < Last[Alias] && Regressed++ == 0 && FirstFault.empty())
                FirstFault = "lost: " + Alias + " went from " + std::to_string(Last[Alias]) +
                             " back to " + std::to_string(N);
            Last[Alias] = std::max(Last[Alias], N);
            MidRun += N > 0 && N < Saves;
        }
        Overlap += MidRun == 2;
        for (std::size_t C = 0; C < Children.size(); ++C) {
            if (Status[C] != -1) continue;
            int S = 0;
            if (::waitpid(Children[C], &S, WNOHANG) == Children[C]) {
                Status[C] = S;
                --Running;
            }
        }
        if (Running > 0 && std::chrono::steady_clock::now() > Deadline) {
            for (std::size_t C = 0; C < Children.size(); ++C)
                if (Status[C] == -1) {
                    ::kill(Children[C], SIGKILL);
                    ::waitpid(Children[C], &Status[C], 0);
                }
            FAIL() << "savers did not finish";
        }
    }
    for (int S : Status) EXPECT_TRUE(WIFEXITED(S) && WEXITSTATUS(S) == 0) << S;
    EXPECT_EQ(Torn + Regressed, 0) << "of " << Loads << " loads; first: " << FirstFault;
    EXPECT_GT(Overlap, 0) << "the writers never ran side by side";

    for (const std::string& Alias : Aliases)
        EXPECT_EQ(LoadAliasInfo(Ini, Alias), Generation(Alias, Saves));
    const auto F = OpenProfileIni(Ini);
    auto Names = F->ReadSections();
    std::sort(Names.begin(), Names.end()); // whichever saved first comes first
    EXPECT_EQ(Names, Aliases);
    for (const std::string& Alias : Aliases) EXPECT_EQ(F->ReadSection(Alias).size(), 20u);
    EXPECT_EQ(Dir.Entries(), (std::vector<std::string>{"Brevanix.ini", "Brevanix.ini.lock"}));
}

} // namespace
