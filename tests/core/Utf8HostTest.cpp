// A host that speaks UTF-8: its text through the Telnet engine onto the screen
// (cells as a code page 949 host would leave them, columns as the host counts
// them, malformed input by the Unicode standard's rule), and what keys, typed
// Hangul and pasted text send back to it.
#include "text/Utf8Host.h"
#include "common/VirtualKeys.h"
#include "emulation/Input_VT100.h"
#include "support/RecordingSocket.h"
#include "support/TermFixture.h"
#include "telnet/Telnet.h"
#include "term/HangulComposer.h"
#include "text/Cp949.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>
#include <functional>
#include <locale.h>
#include <random>

namespace {

const std::string R1 = "\x80";     // one-cell replacement
const std::string R2 = "\xA1\x80"; // two-cell replacement
const std::string Han = "\xC7\xD1";
const std::string Iac = "\xFF", Nop = "\xF1";

// A screen behind the Telnet engine, as the main window wires them.
struct TUtf8Rig {
    TTermRig Screen;
    TRecordingSocket Socket;
    TTelnet Telnet;
    explicit TUtf8Rig(THostEncoding E = THostEncoding::Utf8)
    {
        Telnet.Term = Screen.Term.get();
        Switches.HostEncoding = E;
    }
    // Each string is one read from the socket.
    void Receive(std::initializer_list<std::string> Reads)
    {
        for (const std::string& S : Reads)
            Telnet.Receive(reinterpret_cast<const std::uint8_t*>(S.data()),
                           static_cast<int>(S.size()));
    }
    void ReceiveByteByByte(const std::string& S)
    {
        for (const char C : S) Receive({std::string(1, C)});
    }
};

// The same screen from a code page 949 host and a UTF-8 host: every cell,
// colour and part, and the cursor. The UTF-8 side also arrives a byte at a time.
TEST(Utf8Host, SameKoreanScreenAsFromACodePage949Host)
{
    const std::string Utf8 = "\x1b[2J\x1b[H\x1b[1;33m한글 Linux 서버\x1b[0m: 안녕하세요!\r\n"
                             "漢字 韓國語 「인용」 ＡＢＣ ㄱㄴㄷ 각하\x1b[3;10H끝"
                             "\x1b[5;1H\x1b[7m반전\x1b[0m 1234567890\r\n";
    TUtf8Rig Cp949(THostEncoding::Cp949);
    Cp949.Receive({Cp949::FromUtf8(Utf8)});
    for (const bool OneByOne : {false, true}) {
        SCOPED_TRACE(OneByOne ? "a byte per read" : "one read");
        TUtf8Rig U;
        if (OneByOne)
            U.ReceiveByteByByte(Utf8);
        else
            U.Receive({Utf8});
        for (int Row = 1; Row <= 6; ++Row) {
            EXPECT_EQ(U.Screen.RowText(Row), Cp949.Screen.RowText(Row)) << "row " << Row;
            EXPECT_EQ(U.Screen.Parts(Row), Cp949.Screen.Parts(Row)) << "row " << Row;
            for (int Col = 1; Col <= 80; ++Col) {
                EXPECT_EQ(U.Screen.Cell(Col, Row).Fore, Cp949.Screen.Cell(Col, Row).Fore);
                EXPECT_EQ(U.Screen.Cell(Col, Row).Back, Cp949.Screen.Cell(Col, Row).Back);
            }
        }
        EXPECT_EQ(U.Screen.Scr().CurX, Cp949.Screen.Scr().CurX);
        EXPECT_EQ(U.Screen.Scr().CurY, Cp949.Screen.Scr().CurY);
    }
}

// 한 (ED 95 9C) and an emoji (F0 9F 98 80) cut at every byte, across two reads
// and around a Telnet command in the middle of the character.
TEST(Utf8Host, CharacterCutAnywhereWaitsUntilWhole)
{
    struct TCase {
        const char* Name;
        std::string Char, Parts;
    };
    const TCase Cases[] = {{"syllable", "한", "0120"}, {"emoji", "\xF0\x9F\x98\x80", "0340"}};
    for (const TCase& C : Cases) {
        for (std::size_t Cut = 0; Cut <= C.Char.size(); ++Cut) {
            const std::string A = "<" + C.Char.substr(0, Cut), B = C.Char.substr(Cut) + ">";
            for (const bool Command : {false, true}) {
                SCOPED_TRACE(::testing::Message() << C.Name << " cut after " << Cut
                                                  << (Command ? ", IAC NOP there" : ""));
                TUtf8Rig R;
                if (Command)
                    R.Receive({A + Iac, Nop + B});
                else
                    R.Receive({A, B});
                EXPECT_EQ(R.Screen.Shown(1), "<" + C.Char + ">");
                EXPECT_EQ(R.Screen.Parts(1).substr(0, 4), C.Parts);
                EXPECT_EQ(R.Screen.Scr().CurX, 5);
            }
        }
    }
}

// One replacement per maximal subpart: the standard's own example (Table
// 3-8), overlong forms, surrogates, bytes that never start a character, and
// sequences that an escape or a line end cuts short.
TEST(Utf8Host, MalformedInputGivesOneReplacementPerMaximalSubpart)
{
    struct TCase {
        const char* Name;
        std::string In, Row1;
        int CurX;
    };
    const TCase Cases[] = {
        {"Table 3-8",
         "a\xF1\x80\x80\xE1\x80\xC2"
         "b\x80"
         "c\x80\xBF"
         "d",
         "a" + R1 + R1 + R1 + "b" + R1 + "c" + R1 + R1 + "d", 11},
        {"overlong slash, 2 bytes", "\xC0\xAF", R1 + R1, 3},
        {"overlong slash, 3 bytes", "\xE0\x80\xAF", R1 + R1 + R1, 4},
        {"overlong slash, 4 bytes", "\xF0\x80\x80\xAF", R1 + R1 + R1 + R1, 5},
        {"surrogate", "\xED\xA0\x80", R1 + R1 + R1, 4},
        {"past U+10FFFF", "\xF4\x90\x80\x80", R1 + R1 + R1 + R1, 5},
        {"never a lead", "\xF5\xFE\xFF\xFF", R1 + R1 + R1, 4}, // IAC IAC is one 0xFF
        {"lone continuation", "x\x80y", "x" + R1 + "y", 4},
        {"cut by ESC", "\xED\x95\x1b[2Cz", R1 + "  z", 5},
        {"cut by CR LF", "\xE1\x84\r\nz", R1, 2},
        {"U+FFFD itself", "\xEF\xBF\xBD", R1, 2},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TUtf8Rig R;
        R.Receive({C.In});
        EXPECT_EQ(R.Screen.Text(1), C.Row1);
        EXPECT_EQ(R.Screen.Parts(1).find_first_not_of('0'), std::string::npos) << "no pairs";
        EXPECT_EQ(R.Screen.Scr().CurX, C.CurX);
    }
}

// A character takes the cells the host counts for it, so the text after it
// stays in the host's columns.
TEST(Utf8Host, TextKeepsTheHostsColumns)
{
    struct TCase {
        const char* Name;
        std::string In, Shown, Parts; // Shown: the row as UTF-8
        int CurX;
    };
    const TCase Cases[] = {
        // Kept in the screen's table, in the cells the host counts.
        {"emoji", "a😀z", "a😀z", "0340", 5},
        {"CJK outside the code page (U+4E2A)", "a个z", "a个z", "0340", 5},
        {"CJK extension B", "a𠀀z", "a𠀀z", "0340", 5},
        {"narrow outside the code page (U+0101)", "aāz", "aāz", "030", 4},
        // One column to the host, a two-cell pair to the code page: one cell.
        {"middle dot", "a·z", "a·z", "030", 4},
        {"ellipsis, arrow, Greek, Cyrillic", "…→αД|", "…→αД|", "33330", 6},
        // What the host counts as one character is one, over its cells.
        {"combining acute joins its base", "e\u0301z", "e\u0301z", "30", 3},
        {"zero width space joins too", "a\u200Bz", "a\u200Bz", "30", 3},
        {"variation selector", "\u2764\uFE0Fz", "\u2764\uFE0Fz", "30", 3},
        {"flag", "🇰🇷z", "🇰🇷z", "340", 4},
        {"joined emoji", "👨\u200D👩\u200D👧z", "👨\u200D👩\u200D👧z", "3444440", 8},
        {"inserted, the row moves right", "abc\x1b[1;2H\x1b[4h😀", "a😀bc", "03400", 4},
        {"joins a code page 949 pair", "가\u0301z", "가\u0301z", "340", 4},
        {"a mark after a control joins nothing", "a\r\u0301", "a", "0", 1},
        {"a flag's half at the margin stands alone", "\x1b[1;80H🇰🇷", std::string(79, ' ') + "🇰", "",
         2},
        // Code page 949 in its width stays bytes, as from a code page 949 host.
        {"decomposed 한 is composed", "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xABz", "한z", "120", 4},
        {"decomposed 하 then ASCII", "\xE1\x84\x92\xE1\x85\xA1z", "하z", "120", 4},
        {"leading jamo alone", "\xE1\x84\x80z", "ㄱz", "120", 4},
        {"kana the code page holds", "カz", "カz", "120", 4},
        {"box drawing keeps to one cell", "┌─═┐", "\x01\x06\x06\x02", "0000", 5},
    };
    // The same at the xterm level, which acts on every other C0 byte, and a
    // byte per read: a mark joins its base wherever the reads were cut.
    for (const bool Xterm : {false, true})
        for (const bool Bytes : {false, true})
            for (const TCase& C : Cases) {
                SCOPED_TRACE(std::string(C.Name) + (Xterm ? ", xterm level" : "") +
                             (Bytes ? ", a byte per read" : ""));
                TUtf8Rig R;
                Switches.XtermLevel = Xterm;
                if (Bytes)
                    R.ReceiveByteByByte(C.In);
                else
                    R.Receive({C.In});
                EXPECT_EQ(R.Screen.Shown(1), C.Shown);
                EXPECT_EQ(R.Screen.Parts(1).substr(0, C.Parts.size()), C.Parts);
                EXPECT_EQ(R.Screen.Scr().CurX, C.CurX);
            }
}

// What a UTF-8 host wrote is copied back as itself, whatever the code page
// holds: a selection across a row with an emoji, a Chinese character, kana
// and a joined sequence, and a selection starting inside a wide one.
TEST(Utf8Host, CopiedAsWritten)
{
    TUtf8Rig R;
    R.Receive({"a😀个カ·e\u0301👨\u200D👩z"});
    const auto Copy = [&](int From, int To) {
        R.Screen.Scr().SelStart = {From, 1};
        R.Screen.Scr().SelEnd = {To, 1};
        R.Screen.Term->CopySelection();
        return Cp949::ToUtf8Rich(R.Screen.Host.Clipboard.back());
    };
    EXPECT_EQ(Copy(1, 80), "a😀个カ·e\u0301👨\u200D👩z");
    EXPECT_EQ(Copy(3, 5), "个"); // from the emoji's second cell: not half of it
    // Overwritten halves leave no half character behind.
    R.Receive({"\x1b[1;3Hx\x1b[1;4Hy"});
    EXPECT_EQ(R.Screen.Shown(1), "a xy カ·e\u0301👨\u200D👩z");
}

// A host writing ever new characters: the table stays within its bound,
// drops what no line shows any more, and every cell still reads back the
// character written there.
TEST(Utf8Host, TableStaysBoundedAgainstEndlessNewCharacters)
{
    TUtf8Rig R;
    std::string Text;
    const auto Put = [](std::string& Out, char32_t U) {
        Out += static_cast<char>(0xF0 | U >> 18);
        Out += static_cast<char>(0x80 | (U >> 12 & 0x3F));
        Out += static_cast<char>(0x80 | (U >> 6 & 0x3F));
        Out += static_cast<char>(0x80 | (U & 0x3F));
    };
    constexpr char32_t First = 0x20000; // CJK extension B: 2 cells, none in the code page
    constexpr int Count = 200000;
    for (int I = 0; I < Count; ++I) {
        Put(Text, First + static_cast<char32_t>(I));
        if (I % 40 == 39) Text += "\r\n";
        if (Text.size() > 4000) {
            R.Receive({Text});
            Text.clear();
        }
    }
    R.Receive({Text});
    EXPECT_LE(R.Screen.Term->Chars.Size(), TCharTable::Capacity);
    // The last row written holds the last 40 characters, as themselves.
    std::string Last;
    for (int I = Count - 40; I < Count; ++I) Put(Last, First + static_cast<char32_t>(I));
    EXPECT_EQ(R.Screen.Shown(R.Screen.Scr().CurY - 1), Last);
    // Every line kept refers to entries that say what was written there.
    for (const TLine* L = R.Screen.Scr().ScrollBack.First; L; L = L->Next)
        for (int C = 1; C <= 80; C += 2)
            if (L->Cells[C].DbcsPart == cpCluster) {
                const TCluster& Entry = R.Screen.Term->Chars.At(TTerm::ClusterIndex(L->Cells[C]));
                ASSERT_EQ(Entry.Count, 1);
                ASSERT_GE(Entry.CodePoints[0], First);
            }
}

// The Telnet engine's buffer holds a run plus MaxCarry: no cut of any mix of
// held jamo, cut sequences and wide characters writes more.
TEST(Utf8Host, OutputStaysWithinItsBound)
{
    const std::string Pieces[] = {"a",
                                  "\xE1\x84\x92",
                                  "\xE1\x85\xA1",
                                  "\xE1\x86\xAB",
                                  "\xF0\x9F\x98",
                                  "\x80",
                                  "\xED\x95\x9C",
                                  "\xE4\xB8\xAA",
                                  "\xE1",
                                  "\xC2",
                                  "\xE2\x94\x80",
                                  "\x1b"};
    std::mt19937 Random(949);
    int Most = 0;
    for (int Round = 0; Round < 2000; ++Round) {
        std::string In;
        while (In.size() < 40) In += Pieces[Random() % std::size(Pieces)];
        TUtf8Decoder D;
        std::uint8_t Out[64];
        std::vector<TPlacedCluster> Clusters;
        for (std::size_t At = 0; At < In.size();) {
            const int N = static_cast<int>(std::min<std::size_t>(1 + Random() % 4, In.size() - At));
            const int Made =
                D.Decode(reinterpret_cast<const std::uint8_t*>(In.data() + At), N, Out, Clusters);
            ASSERT_LE(Made, N + TUtf8Decoder::MaxCarry) << "round " << Round;
            Most = std::max(Most, Made - N);
            At += static_cast<std::size_t>(N);
        }
    }
    EXPECT_EQ(Most, TUtf8Decoder::MaxCarry) << "the bound is reached";
}

// The generated width table against the C library it was made from.
TEST(Utf8Host, WidthsAreTheHostCLibrarys)
{
    const locale_t Utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    if (!Utf8) GTEST_SKIP() << "no C.UTF-8 locale";
    const locale_t Was = uselocale(Utf8);
    int Differ = 0;
    for (char32_t U = 0x20; U < 0x110000; ++U) {
        if (U >= 0xD800 && U < 0xE000) continue;
        const int W = wcwidth(static_cast<wchar_t>(U));
        if (HostWidth(U) != (W < 0 ? 1 : W) && ++Differ < 5)
            ADD_FAILURE() << std::hex << static_cast<unsigned>(U);
    }
    uselocale(Was);
    freelocale(Utf8);
    EXPECT_EQ(Differ, 0);
}

TEST(Utf8Host, ProfileText)
{
    for (const char* V : {"UTF-8", "utf-8", "Utf8"})
        EXPECT_EQ(HostEncodingOf(V), THostEncoding::Utf8) << V;
    for (const char* V : {"CP949", "", "EUC-KR", "UTF-16", "UTF-8 "})
        EXPECT_EQ(HostEncodingOf(V), THostEncoding::Cp949) << V;
}

// Typed bytes, an X10 mouse press at the xterm level on a grid of 130 rows
// at cell (Col, Row), more typed bytes.
std::function<void(TTermRig&, TI_VT100&)> XtermPress(int Col, int Row, std::string Before,
                                                     std::string After)
{
    return [=](TTermRig& R, TI_VT100& In) {
        Switches.XtermLevel = true;
        Switches.MouseReport = true;
        Switches.MouseTracking = 1000;
        R.Term->SetSize(152, 130);
        for (const char B : Before) In.SendChar(*R.Term, static_cast<std::uint8_t>(B));
        In.MousePress(*R.Term, TMouseButton::Left, 0, (Col - 1) * 8, (Row - 1) * 16);
        for (const char B : After) In.SendChar(*R.Term, static_cast<std::uint8_t>(B));
    };
}

// What the encoder sends, to each kind of host.
TEST(Utf8Host, KeysTypedHangulAndPasteInTheHostsEncoding)
{
    struct TCase {
        const char* Name;
        std::function<void(TTermRig&, TI_VT100&)> Act;
        std::string ToCp949, ToUtf8;
    };
    const auto Paste = [](std::string Cp949Text) {
        return [Cp949Text](TTermRig& R, TI_VT100& In) {
            for (const char B : Cp949Text) In.SendChar(*R.Term, static_cast<std::uint8_t>(B));
            In.HostText.EndText(SessionSocket);
        };
    };
    const TCase Cases[] = {
        {"typing dkssud in Hangul mode, then Space",
         [](TTermRig& R, TI_VT100& In) {
             const auto Composer = THangulComposer::Create();
             R.Term->InputContext = Composer.get();
             R.Term->OnKeyPress = [&](std::uint8_t& Ch) { In.SendChar(*R.Term, Ch); };
             R.Term->SetHangulMode(true);
             // A key as the widget hands it on: the key, then its character.
             const auto Key = [&](std::uint16_t Vk, char Ch) {
                 R.Term->KeyDown(Vk, 0);
                 R.Term->CommitText(std::string(1, Ch));
                 R.Term->SkipKeyPress = false;
             };
             for (const char C : std::string("dkssud"))
                 Key(static_cast<std::uint16_t>(C - 'a' + 'A'), C);
             Key(VK::Space, ' ');
             R.Term->InputContext = nullptr;
         },
         "\xBE\xC8\xB3\xE7 ", "안녕 "},
        {"pasted Korean with a line end", Paste(Cp949::FromUtf8("한글 파일.txt\r")),
         Cp949::FromUtf8("한글 파일.txt\r"), "한글 파일.txt\r"},
        {"pasted replacements", Paste(R1 + R2), R1 + R2, "\uFFFD\uFFFD"},
        // A copy of characters beyond the code page goes to a UTF-8 host as
        // themselves; a code page 949 host gets what the code page can say.
        {"pasted characters beyond the code page",
         [](TTermRig& R, TI_VT100& In) { In.Paste(*R.Term, Cp949::FromUtf8Rich("a😀·个\r")); },
         "a?\xA1\xA4?\r", "a😀·个\r"},
        {"a paste cut after a lead byte", Paste("ab\xC7"), "ab\xC7", "ab\uFFFD"},
        {"a lead byte before a control", Paste("\xC7\r"), "\xC7\r", "\uFFFD\r"},
        {"Ctrl+Left's box character",
         [](TTermRig& R, TI_VT100& In) {
             std::uint16_t Key = VK::Left;
             In.KeyDown(*R.Term, Key, ssCtrl);
         },
         "\xA6\xA7", "├"},
        {"a mouse report past column 94 stays bytes",
         [](TTermRig& R, TI_VT100& In) {
             Switches.MouseReport = true;
             R.Term->SetSize(152, 24);
             In.MousePress(*R.Term, TMouseButton::Left, 0, 150 * 8, 0);
         },
         "\x1b[M \xB7!", "\x1b[M \xB7!"},
        // At the xterm level too; the key after the report is itself, and a
        // character the writer holds half-way is not broken by one.
        {"an xterm report at column 100, then a key", XtermPress(100, 1, "", "a"), "\x1b[M \x84!a",
         "\x1b[M \x84!a"},
        {"an xterm report at row 100, then a key", XtermPress(1, 100, "", "a"),
         "\x1b[M !\x84"
         "a",
         "\x1b[M !\x84"
         "a"},
        {"an xterm report inside a typed character", XtermPress(100, 100, "\xC7", "\xD1"),
         "\xC7\x1b[M \x84\x84\xD1", "\x1b[M \x84\x84\xED\x95\x9C"},
    };
    for (const TCase& C : Cases) {
        for (const THostEncoding E : {THostEncoding::Cp949, THostEncoding::Utf8}) {
            const bool Utf8 = E == THostEncoding::Utf8;
            SCOPED_TRACE(::testing::Message()
                         << C.Name << (Utf8 ? ", UTF-8 host" : ", CP949 host"));
            TTermRig R;
            TRecordingSocket Socket;
            TI_VT100 In;
            Switches.HostEncoding = E;
            R.Term->Scr.CharWidth = 8;
            R.Term->Scr.CharHeight = 16;
            C.Act(R, In);
            EXPECT_EQ(Socket.Sent, Utf8 ? C.ToUtf8 : C.ToCp949);
        }
    }
}

} // namespace
