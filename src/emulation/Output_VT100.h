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

    // Reads one decimal parameter of EscBuf from the 1-based position Pos;
    // returns the position of the first character that is not a digit. The
    // value wraps like a 32-bit signed integer.
    static int GetParam(const TTerm& Term, int Pos, int& Value);

    // The part of an operating-system command (a window title, say) that is
    // kept for the log; the rest is consumed up to the terminator.
    static constexpr int MaxOsStringKept = 64;

private:
    void Collect(TTerm& Term, std::uint8_t B);
    void OsStringByte(TTerm& Term, std::uint8_t B);
    static void EndOsString(TTerm& Term);
    void Invalid(TTerm& Term, std::uint8_t Final);
    void SingleEscape(TTerm& Term, std::uint8_t Final);
    void ControlSequence(TTerm& Term, std::uint8_t Final);
    void SetMode(TTerm& Term, std::uint8_t Final);
    void SelectRendition(TTerm& Term);
    static int SecondParam(const TTerm& Term, int Pos, int Default);
    static void SaveCursor(TTerm& Term);
    static void RestoreCursor(TTerm& Term);
    static void EraseInDisplay(TTerm& Term, int N);
    static void InsertLines(TTerm& Term, int N);
    static void DeleteLines(TTerm& Term, int N);
    static void InsertChars(TTerm& Term, int N);
    static void DeleteChars(TTerm& Term, int N);
    static void SetRegion(TTerm& Term, int TopRow, int Pos);
    static void LineFeed(TTerm& Term);
    static void Wrap(TTerm& Term); // the cursor stands past the last column
    static std::uint8_t Translate(std::uint8_t B);
    static void Backspace(TTerm& Term);
    static void Tab(TTerm& Term);
};
