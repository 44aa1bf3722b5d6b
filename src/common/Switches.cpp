#include "common/Switches.h"

TTermSwitches Switches;

void TTermSwitches::Reset()
{
    AutoCR = false;
    AutoLF = false;
    AutoWrap = true;
    SoftScroll = false;
    MetaBit = false;
    LineDrawing = false;
    UkPound = false;
    InsertMode = false;
    MouseReport = false;
    CaretDrawEnabled = true;
    TermTypeName = "xterm";
    // "여기" in code page 949.
    LocationText = "\xBF\xA9\xB1\xE2";
    HostEncoding = THostEncoding::Cp949;
    XtermLevel = false;
    CursorKeysApp = false;
    BracketedPaste = false;
    MouseTracking = 0;
    MouseSgr = false;
    CaretHidden = false;
}
