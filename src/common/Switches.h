#pragma once
// The program-wide terminal switches shared by the screen, the interpreter, the
// encoder and the session controller. One instance per process.
#include <string>

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

    // Initial values, as restored when a connection closes.
    void Reset();
};

extern TTermSwitches Switches;
