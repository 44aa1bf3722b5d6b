// The private-profile text format: value encodings, lookups, limits, edits
// that leave the rest of the file alone, and the file object's I/O.
#include "profiles/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>

namespace {

// ---------------------------------------------------------------- integers

struct TIntCase {
    const char* Text;
    std::optional<std::int32_t> Value;
};

TEST(IniInteger, EncodingsAndRejects)
{
    const std::vector<TIntCase> Cases = {
        {"80", 80},
        {"+80", 80},
        {"-5", -5},
        {"007", 7},
        {"$50", 80},
        {"0x50", 80},
        {"0X50", 80},
        {"$ff", 255},
        {"0xFFFFFFFF", -1},
        {"$80000005", -2147483643},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"$100000000", std::nullopt},
        {"$000000000050", 80}, // leading zeros do not overflow
        {"", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt}, // not longer than two characters: no hex form
        {"0x-5", std::nullopt},
        {"-$10", std::nullopt},
        {"abc", std::nullopt},
        {"12abc", std::nullopt},
        {"1e3", std::nullopt},
        {"1 2", std::nullopt},
        {"$5g", std::nullopt},
    };
    for (const TIntCase& C : Cases) EXPECT_EQ(ParseIniInteger(C.Text), C.Value) << C.Text;
}

// ---------------------------------------------------------------- reading

struct TReadCase {
    const char* Name;
    std::string File;
    std::string Section, Key;
    std::optional<std::string> Value;
};

TEST(IniRead, LookupRules)
{
    const std::vector<TReadCase> Cases = {
        {"Plain", "[a]\nk=v\n", "a", "k", "v"},
        {"SectionCase", "[Alias]\nk=v\n", "ALIAS", "k", "v"},
        {"KeyCase", "[a]\nPort=1\n", "a", "pORT", "1"},
        {"MissingKey", "[a]\nk=v\n", "a", "x", std::nullopt},
        {"MissingSection", "[a]\nk=v\n", "b", "k", std::nullopt},
        {"KeyInOtherSection", "[a]\n[b]\nk=v\n", "a", "k", std::nullopt},
        {"EmptyValue", "[a]\nk=\n", "a", "k", ""},
        {"BlanksStripped", "  [ a ]  \n \t k \t=  v w \t\n", "a", "k", "v w"},
        {"BlanksOnlyValue", "[a]\nk=   \n", "a", "k", ""},
        {"EqualsInValue", "[a]\nk=x=y\n", "a", "k", "x=y"},
        {"CrLf", "[a]\r\nk=v\r\nm=w\r\n", "a", "k", "v"},
        {"CrLfLast", "[a]\r\nk=v\r\nm=w\r\n", "a", "m", "w"},
        {"MixedEnds", "[a]\nk=v\r\nm=w\n", "a", "m", "w"},
        {"NoFinalLineEnd", "[a]\nk=v", "a", "k", "v"},
        {"LoneCrStaysInValue", "[a]\nk=v\rw\n", "a", "k", "v\rw"},
        {"DuplicateKeyFirstWins", "[a]\nk=1\nk=2\n", "a", "k", "1"},
        {"DuplicateSectionMerged", "[a]\nk=1\n[b]\nm=0\n[A]\nm=2\n", "a", "m", "2"},
        {"DuplicateSectionFirstKeyWins", "[a]\nk=1\n[A]\nk=2\n", "a", "k", "1"},
        {"HeaderWithoutBracket", "[abc\nk=v\n", "abc", "k", "v"},
        {"HeaderWithoutBracketBlanks", "[abc  \nk=v\n", "abc", "k", "v"},
        {"NameRunsToLastBracket", "[a]b]\nk=v\n", "a]b", "k", "v"},
        {"TextAfterBracket", "[a] junk\nk=v\n", "a", "k", "v"},
        {"KeyBeforeAnySection", "k=v\n[a]\n", "a", "k", std::nullopt},
        {"CommentLine", "[a]\n;k=v\n", "a", "k", std::nullopt},
        {"LineWithoutEquals", "[a]\nk\n", "a", "k", std::nullopt},
        {"EmptyKeyIgnored", "[a]\n=v\n", "a", "", std::nullopt},
        {"EmptySectionName", "[]\nk=v\n", "", "k", "v"},
        {"NulInValue", std::string("[a]\nk=x\0y\n", 10), "a", "k", std::string("x\0y", 3)},
        {"KoreanSection", "[\xC7\xD1\xB1\xDB]\nk=v\n", "\xC7\xD1\xB1\xDB", "k", "v"},
        // Trail bytes in the letter range: 0x81 0x41 and 0x81 0x61 are two
        // different characters and must not match as "A" and "a" would.
        {"TrailByteNotFolded", "[\x81\x41]\nk=v\n", "\x81\x61", "k", std::nullopt},
        {"TrailByteExact", "[\x81\x41]\nk=v\n", "\x81\x41", "k", "v"},
        {"FoldAfterKorean", "[\xB0\xA1X]\nk=v\n", "\xB0\xA1x", "k", "v"},
        {"LookupNameLineBreak", "[a b]\nk=v\n", "a\nb", "k", "v"},
        // As listed, and as a blank: a lone CR inside a stored name.
        {"StoredNameLoneCr", "[a\rb]\nk\rm=v\n", "a\rb", "k\rm", "v"},
        {"StoredNameLoneCrAsBlank", "[a\rb]\nk\rm=v\n", "a b", "k m", "v"},
    };
    for (const TReadCase& C : Cases)
        EXPECT_EQ(TIniDocument(C.File).Find(C.Section, C.Key), C.Value) << C.Name;
}

TEST(IniRead, ValueLimit)
{
    struct TCase {
        const char* Name;
        std::string Value;
        std::string Expected;
    };
    const std::string Ko = "\xB0\xA1"; // one double-byte character
    const std::vector<TCase> Cases = {
        {"Exactly2047", std::string(2047, 'x'), std::string(2047, 'x')},
        {"2048", std::string(2048, 'x'), std::string(2047, 'x')},
        {"3000", std::string(3000, 'x'), std::string(2047, 'x')},
        {"PairEndsAtLimit", std::string(2045, 'x') + Ko + "yy", std::string(2045, 'x') + Ko},
        // A character cut in half at the limit is dropped whole.
        {"PairAcrossLimit", std::string(2046, 'x') + Ko, std::string(2046, 'x')},
    };
    for (const TCase& C : Cases) {
        const TIniDocument D("[a]\nk=" + C.Value + "\n");
        EXPECT_EQ(D.ReadString("a", "k", ""), C.Expected) << C.Name;
    }
    EXPECT_EQ(TIniDocument("[a]\nk=" + std::string(3000, '1') + "\n").ReadInteger("a", "k", 5), 5);
}

// ---------------------------------------------------------------- sections

TEST(IniSections, ListingAndExistence)
{
    const TIniDocument D("x=1\n[One]\na=1\n[two]\n[ONE]\nb=2\n[]\nc=3\n[Three\n;note\n[four]\nk\n");
    EXPECT_EQ(D.ReadSections(), (std::vector<std::string>{"One", "two", "Three", "four"}));
    EXPECT_TRUE(D.SectionExists("one"));
    EXPECT_FALSE(D.SectionExists("two")) << "a header alone counts as missing";
    EXPECT_FALSE(D.SectionExists("Three")) << "a comment is no key";
    EXPECT_FALSE(D.SectionExists("four")) << "a line without = is no key";
    EXPECT_FALSE(D.SectionExists("five"));
    EXPECT_EQ(D.ReadSection("one"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(TIniDocument().ReadSections().empty());
}

TEST(IniSections, ListLimit)
{
    // Each 99-byte name takes 100 bytes of the 16384-byte list, which also
    // needs one closing NUL: 163 fit, the 164th does not.
    std::string File;
    for (int I = 0; I < 200; ++I) {
        std::string Name = std::to_string(1000 + I);
        Name.resize(99, 'n');
        File += "[" + Name + "]\nk=v\n";
    }
    const auto Names = TIniDocument(File).ReadSections();
    ASSERT_EQ(Names.size(), 163u);
    EXPECT_EQ(Names.front().substr(0, 4), "1000");
    EXPECT_EQ(Names.back().substr(0, 4), "1162");

    // A name of exactly the remaining room fits.
    std::string Two = "[" + std::string(16384 - 2, 'a') + "]\n[b]\n";
    const auto Fit = TIniDocument(Two).ReadSections();
    ASSERT_EQ(Fit.size(), 1u);
    EXPECT_EQ(Fit[0].size(), 16382u);
    EXPECT_TRUE(TIniDocument("[" + std::string(16383, 'a') + "]\n").ReadSections().empty());
}

// ---------------------------------------------------------------- writing

struct TEditCase {
    const char* Name;
    std::string Before;
    std::function<void(TIniDocument&)> Edit;
    std::string After;
};

TEST(IniWrite, EditsTouchOnlyTheirLines)
{
    const std::vector<TEditCase> Cases = {
        {"FirstWriteCreates", "", [](TIniDocument& D) { D.WriteString("a", "k", "v"); },
         "[a]\nk=v\n"},
        {"NewSectionAppended", "[a]\nk=v\n", [](TIniDocument& D) { D.WriteInteger("b", "n", -7); },
         "[a]\nk=v\n[b]\nn=-7\n"},
        {"ReplaceKeepsNeighbours", ";c\n[a]\nx=1\nk=old\ny=2\n[b]\nk=keep\n",
         [](TIniDocument& D) { D.WriteString("A", "K", "new"); },
         ";c\n[a]\nx=1\nk=new\ny=2\n[b]\nk=keep\n"},
        {"NewKeyAfterLastLineOfSection", "[a]\nx=1\n\n[b]\ny=2\n",
         [](TIniDocument& D) { D.WriteBool("a", "z", true); }, "[a]\nx=1\nz=1\n\n[b]\ny=2\n"},
        {"NewKeyInHeaderOnlySection", "[a]\n[b]\n",
         [](TIniDocument& D) { D.WriteBool("a", "z", false); }, "[a]\nz=0\n[b]\n"},
        {"DuplicateKeyFirstReplaced", "[a]\nk=1\nk=2\n",
         [](TIniDocument& D) { D.WriteString("a", "k", "3"); }, "[a]\nk=3\nk=2\n"},
        {"DuplicateSectionKeyInSecondBlock", "[a]\nx=1\n[b]\n[A]\nk=2\n",
         [](TIniDocument& D) { D.WriteString("a", "k", "3"); }, "[a]\nx=1\n[b]\n[A]\nk=3\n"},
        {"CrLfKept", "[a]\r\nk=v\r\n", [](TIniDocument& D) { D.WriteString("a", "m", "w"); },
         "[a]\r\nk=v\r\nm=w\r\n"},
        {"FinalLineEndAdded", "[a]\nk=v", [](TIniDocument& D) { D.WriteString("a", "m", "w"); },
         "[a]\nk=v\nm=w\n"},
        {"EraseAllBlocks", "[a]\nk=1\n[b]\nm=2\n[A]\nn=3\n",
         [](TIniDocument& D) { D.EraseSection("a"); }, "[b]\nm=2\n"},
        {"EraseKeepsLinesBeforeFirstHeader", "top=1\n[a]\nk=1\n",
         [](TIniDocument& D) { D.EraseSection("a"); }, "top=1\n"},
        {"LineBreaksBecomeBlanks", "",
         [](TIniDocument& D) { D.WriteString("s\r\n[x]", "k", "v\r\n[y]\nz=1"); },
         "[s  [x]]\nk=v  [y] z=1\n"},
        {"NameTrimmed", "", [](TIniDocument& D) { D.WriteString("  a\n", " k ", " v "); },
         "[a]\nk= v \n"},
        {"OtherBytesUntouched", "\xFF\x01junk\n[a]\nk=v\n",
         [](TIniDocument& D) { D.WriteString("a", "k", "w"); }, "\xFF\x01junk\n[a]\nk=w\n"},
    };
    for (const TEditCase& C : Cases) {
        TIniDocument D(C.Before);
        C.Edit(D);
        EXPECT_EQ(D.Text(), C.After) << C.Name;
        EXPECT_TRUE(D.Modified()) << C.Name;
    }
}

TEST(IniWrite, UnchangedEditsAreNotModifications)
{
    TIniDocument D("[a]\nk=v\n");
    D.WriteString("A", "K", "v");
    D.EraseSection("missing");
    EXPECT_FALSE(D.Modified());
    EXPECT_EQ(D.Text(), "[a]\nk=v\n");
}

TEST(IniWrite, UnstorableKeyNamesRefused)
{
    for (const char* Key : {"", "  ", "a=b", "[k", ";k"}) {
        TIniDocument D;
        EXPECT_THROW(D.WriteString("a", Key, "v"), std::invalid_argument) << Key;
        EXPECT_EQ(D.Text(), "");
    }
}

// ---------------------------------------------------------------- the file

TEST(IniFileIo, MissingFileReadsEmptyAndFirstWriteCreatesIt)
{
    TTempDir Dir;
    TIniFile Ini(Dir / "t.ini");
    EXPECT_TRUE(Ini.ReadSections().empty());
    EXPECT_EQ(Ini.ReadString("a", "k", "d"), "d");
    EXPECT_FALSE(std::filesystem::exists(Dir / "t.ini")) << "reading must not create the file";

    Ini.WriteString("a", "k", "v");
    EXPECT_EQ(ReadBytes(Dir / "t.ini"), "[a]\nk=v\n");
    Ini.WriteInteger("a", "n", 5);
    Ini.WriteBool("b", "f", true);
    EXPECT_EQ(ReadBytes(Dir / "t.ini"), "[a]\nk=v\nn=5\n[b]\nf=1\n");
    EXPECT_EQ(Ini.ReadInteger("A", "N", 0), 5);
    EXPECT_TRUE(Ini.ReadBool("B", "F", false));
    EXPECT_TRUE(Ini.SectionExists("a"));
    EXPECT_EQ(Ini.ReadSection("a"), (std::vector<std::string>{"k", "n"}));
    Ini.EraseSection("A");
    EXPECT_EQ(ReadBytes(Dir / "t.ini"), "[b]\nf=1\n");
    // Nothing to change: the file is not replaced.
    struct stat Before {
    }, After{};
    ASSERT_EQ(::stat((Dir / "t.ini").c_str(), &Before), 0);
    Ini.EraseSection("gone");
    Ini.WriteBool("b", "F", true);
    ASSERT_EQ(::stat((Dir / "t.ini").c_str(), &After), 0);
    EXPECT_EQ(Before.st_ino, After.st_ino);
    Ini.WriteBool("b", "f", false);
    ASSERT_EQ(::stat((Dir / "t.ini").c_str(), &After), 0);
    EXPECT_NE(Before.st_ino, After.st_ino) << "a change replaces the file";
    // Only the file and its lock file: no temporary left behind.
    EXPECT_EQ(Dir.Entries(), (std::vector<std::string>{"t.ini", "t.ini.lock"}));
}

TEST(IniFileIo, RewriteKeepsPermissions)
{
    TTempDir Dir;
    const std::string Path = Dir / "t.ini";
    WriteBytes(Path, "[a]\nk=v\n");
    ASSERT_EQ(::chmod(Path.c_str(), 0640), 0);
    TIniFile(Path).WriteString("a", "k", "w");
    struct stat St {};
    ASSERT_EQ(::stat(Path.c_str(), &St), 0);
    EXPECT_EQ(St.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadBytes(Path), "[a]\nk=w\n");
}

TEST(IniFileIo, LinkedFileIsWrittenWhereItLives)
{
    TTempDir Dir;
    std::filesystem::create_directory(Dir / "real");
    WriteBytes(Dir / "real/t.ini", "[a]\nk=v\n");
    std::filesystem::create_symlink("real/t.ini", Dir / "t.ini");
    TIniFile(Dir / "t.ini").WriteString("a", "k", "w");
    EXPECT_TRUE(std::filesystem::is_symlink(Dir / "t.ini"));
    EXPECT_EQ(ReadBytes(Dir / "real/t.ini"), "[a]\nk=w\n");
}

TEST(IniFileIo, NonRegularFileInItsPlace)
{
    TTempDir Dir;
    const std::string Fifo = Dir / "fifo.ini";
    ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
    TIniFile Ini(Fifo);
    // Must not block waiting for a writer, and must not be replaced.
    EXPECT_TRUE(Ini.ReadSections().empty());
    EXPECT_THROW(Ini.WriteString("a", "k", "v"), EProfileWriteError);
    struct stat St {};
    ASSERT_EQ(::lstat(Fifo.c_str(), &St), 0);
    EXPECT_TRUE(S_ISFIFO(St.st_mode));
}

} // namespace
