#pragma once
// The program-wide terminal switches shared by the screen, the interpreter, the
// encoder and the session controller. One instance per process.
#include <string>

// What the host's text is written in. The screen keeps code page 949 either
// way; a UTF-8 host is converted where its text enters and keys leave.
enum class THostEncoding : unsigned char { Cp949, Utf8 };

struct TTermSwitches {
    bool AutoCR = false;
    bool AutoLF = false;
    bool AutoWrap = true;
    bool SoftScroll = false;
    bool MetaBit = false;
    bool LineDrawing = false;
    bool InsertMode = false;
    bool MouseReport = false;
    bool CaretDrawEnabled = true;
    std::string TermTypeName = "xterm";
    std::string LocationText; // CP949 bytes
    THostEncoding HostEncoding = THostEncoding::Cp949;

    // Initial values, as restored when a connection closes.
    void Reset();
};

extern TTermSwitches Switches;
