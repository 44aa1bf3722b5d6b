#pragma once
// TO_VT100: interprets the host's data bytes on a TTerm. It holds no screen
// state of its own: the escape buffer, cursor and region live in the screen,
// the modes in the program-wide switches, so a sequence split across two runs
// completes with the second.
#include "term/Term.h"

#include <cstdint>
#include <functional>
#include <string_view>

class TI_VT100;

class TO_VT100 {
public:
    // The encoder whose key table ESC = and ESC > switch; may be null.
    TI_VT100* Input = nullptr;

    void Process(TTerm& Term, const std::uint8_t* Buf, int Len);
    // Forgets an escape sequence or window-title string left half-way, as
    // by a host that hung up inside one: the next host starts clean.
    static void ClearEscape(TTerm& Term);
    void ExecSequence(TTerm& Term, std::uint8_t Final);
    void PrintChar(TTerm& Term, std::uint8_t B);
    // Prints the bytes from Buf[I] up to the first control byte the main loop
    // acts on, drawing each row's new cells once; returns the index of the
    // last byte taken.
    int PrintRun(TTerm& Term, const std::uint8_t* Buf, int I, int Len);
    // A character of the screen's table (CharTable.h) at the cursor, in the
    // cells it takes; inside a sequence, or refused by a full table, the
    // replacement it always was (Clusters.cpp).
    void PrintCluster(TTerm& Term, const TCluster& C);
    // Part joins the character just left of the cursor where it stands, when
    // the joined character still fits its row; otherwise it stands alone (a
    // mark is dropped).
    void JoinCluster(TTerm& Term, const TCluster& Part);

    // Reads one decimal parameter of EscBuf from the 1-based position Pos;
    // returns the position of the first character that is not a digit. The
    // value wraps like a 32-bit signed integer.
    static int GetParam(const TTerm& Term, int Pos, int& Value);

    // The part of an operating-system command (a window title, say) that is
    // kept for the log; the rest is consumed up to the terminator.
    static constexpr int MaxOsStringKept = 64;

    // At the xterm level, the window title a host sets with OSC 0 or 2
    // (code page 949 bytes, at most MaxOsStringKept of them).
    std::function<void(std::string_view Title)> OnTitle;

    // Parameters of a control sequence as the xterm level reads them.
    struct TCsi {
        // More than any sequence we act on carries (SGR with a few colours).
        static constexpr int MaxParams = 16;
        char Prefix = 0; // '<', '=', '>' or '?' right after '['
        char Inter = 0;  // the last intermediate byte (space to '/'), if any
        int Count = 0;
        int Value[MaxParams] = {}; // absent ones read 0; capped at 65535
        bool Sub[MaxParams] = {};  // the value followed a ':' (SGR 38:2::r:g:b)
        int Raw(int I) const { return I < Count ? Value[I] : 0; }
        // A count or position: absent and 0 mean 1.
        int AtLeastOne(int I) const { return Raw(I) > 0 ? Raw(I) : 1; }
    };
    static TCsi ParseCsi(const TTerm& Term);

private:
    // --- the xterm level (XtermSequences.cpp, XtermModes.cpp)
    void CollectXterm(TTerm& Term, std::uint8_t B);
    void ControlXterm(TTerm& Term, std::uint8_t B);
    void ExecXterm(TTerm& Term, std::uint8_t Final);
    void EscapeXterm(TTerm& Term, std::uint8_t Final);
    void CsiXterm(TTerm& Term, const TCsi& P, std::uint8_t Final);
    void PrivateCsiXterm(TTerm& Term, const TCsi& P, std::uint8_t Final);
    void ModesXterm(TTerm& Term, const TCsi& P, bool On);
    void PrivateModeXterm(TTerm& Term, int Mode, bool On);
    void RenditionXterm(TTerm& Term, const TCsi& P);
    void Answer(TTerm& Term, std::string_view Bytes);
    void Report(TTerm& Term, const TCsi& P, std::uint8_t Final);
    void Repeat(TTerm& Term, int N);
    void EndStringXterm(TTerm& Term);
    static void Designate(TTerm& Term, int G, char Set);
    static void ShiftTo(TTerm& Term, int Level);
    static void IndexXterm(TTerm& Term);
    static void ReverseIndexXterm(TTerm& Term);
    static void TabXterm(TTerm& Term, int N);
    static void SaveCursorXterm(TTerm& Term);
    static void RestoreCursorXterm(TTerm& Term);
    static void SetPen(TTerm& Term, const TPen& Pen);
    void ResetXterm(TTerm& Term, bool Hard);
    static void GotoXterm(TTerm& Term, int X, int Y); // Y counts from the region in origin mode
    static void EraseXterm(TTerm& Term, int Mode, bool WholeScreen);
    static void EditLinesXterm(TTerm& Term, int N, bool Insert);
    static void EditCharsXterm(TTerm& Term, int N, int Kind);
    static void ScrollXterm(TTerm& Term, int N, bool Up);
    static void RegionXterm(TTerm& Term, const TCsi& P);
    static void AltScreenXterm(TTerm& Term, int Mode, bool On);

    // Buf[I] alone between controls, as a full-screen program writes a
    // cell; false when it must go through PrintRun.
    bool PrintLone(TTerm& Term, const std::uint8_t* Buf, int I);
    void Collect(TTerm& Term, std::uint8_t B);
    // Collects the escape sequence's bytes from Buf[I], the parameter bytes of
    // a control sequence in a tight loop; returns the index of the last byte
    // taken (I - 1 when none).
    int CollectRun(TTerm& Term, const std::uint8_t* Buf, int I, int Len);
    void OsStringByte(TTerm& Term, std::uint8_t B);
    void EndOsString(TTerm& Term);
    void Invalid(TTerm& Term, std::uint8_t Final);
    void SingleEscape(TTerm& Term, std::uint8_t Final);
    void KeypadMode(bool Alternate); // DECKPAM, DECKPNM: the encoder's key table
    void ControlSequence(TTerm& Term, std::uint8_t Final);
    void SetMode(TTerm& Term, std::uint8_t Final);
    static void CursorPosition(TTerm& Term); // CUP, HVP
    void SelectRendition(TTerm& Term);
    static void Rendition(TTerm& Term, int P); // one parameter of SGR
    // The first parameter; After: where it ends in the text, for a sequence
    // not read as it was collected.
    static int FirstParam(const TTerm& Term, int& After);
    // The parameter after the first ';'; Pos: what FirstParam gave in After.
    static int SecondParam(const TTerm& Term, int Pos, int Default);
    static int SecondParamOfText(const TTerm& Term, int Pos, int Default);
    static void SaveCursor(TTerm& Term);
    static void RestoreCursor(TTerm& Term);
    static void EraseInDisplay(TTerm& Term, int N);
    static void InsertLines(TTerm& Term, int N);
    static void DeleteLines(TTerm& Term, int N);
    static void InsertChars(TTerm& Term, int N);
    static void DeleteChars(TTerm& Term, int N);
    static void SetRegion(TTerm& Term, int TopRow, int Pos);
    static void LineFeed(TTerm& Term);
    static void Wrap(TTerm& Term);           // the cursor stands past the last column
    void Store(TTerm& Term, std::uint8_t B); // a translated byte, at the cursor
    static std::uint8_t Translate(std::uint8_t B);
    // At the xterm level, the sign the active character set shows for B that
    // no byte of ours stores (the special graphics' degree, the UK pound);
    // 0 for none.
    static char32_t Sign(std::uint8_t B);
    void PrintSign(TTerm& Term, char32_t U);
    static void Backspace(TTerm& Term);
    static void Tab(TTerm& Term);
};
