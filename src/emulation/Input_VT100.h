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
    void MousePress(TTerm& Term, TMouseButton Button, TShiftState Shift, int X, int Y);
    void MouseRelease(TTerm& Term, TMouseButton Button, TShiftState Shift, int X, int Y);

    // What SendText writes goes through it, in the host's encoding.
    THostWriter HostText;

    static int SlotOf(TShiftState Shift);
    const std::string& Entry(std::uint16_t Key, int Slot) const;

private:
    void MouseReport(TTerm& Term, std::uint8_t ButtonByte, TShiftState Shift, int X, int Y);

    using TKeyTable = std::array<TKeyRecord, 256>;
    TKeyTable NormalTable;
    TKeyTable AppTable;
    const TKeyTable* Current = &NormalTable;
};
