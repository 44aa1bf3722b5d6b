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
    bool UkPound = false; // the xterm level's UK set is active: '#' is the pound
    bool InsertMode = false;
    bool MouseReport = false;
    bool CaretDrawEnabled = true;
    std::string TermTypeName = "xterm";
    std::string LocationText; // CP949 bytes
    THostEncoding HostEncoding = THostEncoding::Cp949;

    // The emulation level, from the profile: off is the classic terminal,
    // on the xterm that full-screen programs expect of TERM=xterm. The
    // interpreter and the encoder ask it wherever the two differ.
    bool XtermLevel = false;
    // Modes an xterm host sets, read by the encoder; never set while
    // XtermLevel is off. MouseReport stays the one test of "reports wanted".
    bool CursorKeysApp = false;  // DECCKM: cursor keys send ESC O x
    bool BracketedPaste = false; // mode 2004
    int MouseTracking = 0;       // 9, 1000, 1002 or 1003; 0 none
    bool MouseSgr = false;       // mode 1006: CSI < b ; x ; y M/m
    bool CaretHidden = false;    // DECTCEM reset: the caret stays hidden between blocks

    // Initial values, as restored when a connection closes.
    void Reset();
};

extern TTermSwitches Switches;
