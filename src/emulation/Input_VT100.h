#pragma once
// TI_VT100: keys, typed characters and mouse buttons to host bytes, written
// to SessionSocket as they are (no Telnet escaping, no CR translation).
#include "emulation/InputCommon.h"
#include "term/Term.h"
#include "text/Utf8Host.h"

#include <array>
#include <cstdint>
#include <string_view>

class TI_VT100 {
public:
    TI_VT100();

    // "vt52" (exactly) selects the application table, anything else the normal one.
    void SetKeyMap(std::string_view Name);
    bool ApplicationKeys() const { return Current == &AppTable; }

    std::uint16_t KeyDown(TTerm& Term, std::uint16_t& Key, TShiftState Shift);
    void SendChar(TTerm& Term, std::uint8_t B);
    void SendText(TTerm& Term, const std::uint8_t* Bytes, int Len);
    // A character typed past code page 949 (a Hanja only a UTF-8 host is
    // offered), through HostText as itself.
    void SendUnicode(TTerm& Term, char32_t U);
    void MousePress(TTerm& Term, TMouseButton Button, TShiftState Shift, int X, int Y);
    void MouseRelease(TTerm& Term, TMouseButton Button, TShiftState Shift, int X, int Y);
    // Pointer motion: reported only to an xterm host that asked for it (1002
    // while the button is held, 1003 always), once per cell.
    void MouseMove(TTerm& Term, TShiftState Shift, int X, int Y);
    // Clipboard text typed to the host; between ESC [ 200 ~ and ESC [ 201 ~
    // when the host asked for bracketed paste.
    void Paste(TTerm& Term, std::string_view Text);

    // What SendText writes goes through it, in the host's encoding.
    THostWriter HostText;

    static int SlotOf(TShiftState Shift);
    const std::string& Entry(std::uint16_t Key, int Slot) const;

    // The bytes xterm sends for a key, or the key's table entry for keys
    // xterm has no sequence of its own for (Ctrl+C).
    const std::string& XtermEntry(std::uint16_t Key, TShiftState Shift);

private:
    enum class TMouse { Press, Release, Motion };
    void MouseReport(TTerm& Term, std::uint8_t ButtonByte, TShiftState Shift, int X, int Y);
    // A mouse report's bytes, past HostText: its positions are bytes, not
    // text, and a character HostText holds half-way must not meet them.
    static void SendReport(const std::uint8_t* Bytes, int Len);
    void XtermMouse(TTerm& Term, TMouse Kind, TShiftState Shift, int X, int Y);

    std::string FXterm;             // the last sequence XtermEntry built
    bool FButtonHeld = false;       // a press was reported and its release not yet
    int FLastCol = 0, FLastRow = 0; // the cell of the last report

    using TKeyTable = std::array<TKeyRecord, 256>;
    TKeyTable NormalTable;
    TKeyTable AppTable;
    const TKeyTable* Current = &NormalTable;
};
