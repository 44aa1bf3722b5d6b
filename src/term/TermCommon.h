#pragma once
// Types shared by the terminal control, its drawing surface and its host.
#include "common/Color.h"

#include <cstdint>
#include <string>

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool Empty() const { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0; }
    bool operator==(const TRect&) const = default;
};

struct TPoint {
    int X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};

// Modifier and button set of a key or mouse event; ssDouble marks the press
// of a double-click.
enum TShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = unsigned;

enum class TMouseButton { Left, Right, Middle };

enum TFontStyle : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TFont {
    std::string Name = "Fixedsys";
    int Size = 12; // points
    TColor Color = 0x008080;
    int Style = 0;     // TFontStyle bits
    int Charset = 129; // Hangul
    bool operator==(const TFont&) const = default;
};

enum class TCaret { None, Block, Underline, Cross_Block, Cross_Underline };

// The environment the terminal control lives in: window system services that
// the control needs but must not reach directly. Every member has a harmless
// default so a test double overrides only what it observes.
class TTermHost {
public:
    virtual ~TTermHost() = default;
    virtual void SetFocus() {}
    virtual void ResizeControl(int /*Width*/, int /*Height*/) {}
    virtual void SystemBeep() {}
    // Ends a visual bell's flash Milliseconds from now with a paint request,
    // from the event loop: the window never sleeps for a bell.
    virtual void EndFlashAfter(int /*Milliseconds*/) {}
    // Milliseconds of a steady clock, for the bell's pace.
    virtual std::int64_t SteadyMs() const;
    virtual void SetClipboardText(const std::string& /*Cp949*/) {}
};

// The vertical scroll bar the main window may link to the scroll-back.
class TScrollBarLink {
public:
    virtual ~TScrollBarLink() = default;
    virtual bool Visible() const = 0;
    virtual void SetMax(int Max) = 0;
    virtual void SetPosition(int Position) = 0;
};
