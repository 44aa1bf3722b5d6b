#pragma once
// The drawing surface of the terminal control. Coordinates are pixels of the
// control, origin top-left. Colours are 0x00BBGGRR.
#include "term/TermCommon.h"

#include <cstdint>

struct TFontMetrics {
    int AveCharWidth = 0; // one cell
    int Height = 0;
};

class TCanvas {
public:
    virtual ~TCanvas() = default;

    // Font: take it, and measure the cell it gives.
    virtual void SetFont(const TFont& Font) = 0;
    virtual TFontMetrics MeasureFont() = 0;

    // Current text colour, text style and brush (background) colour. The
    // control sets them only when they differ, so a getter must be cheap.
    virtual TColor FontColor() const = 0;
    virtual void SetFontColor(TColor Color) = 0;
    virtual int FontStyle() const = 0;
    virtual void SetFontStyle(int Style) = 0;
    virtual TColor BrushColor() const = 0;
    virtual void SetBrushColor(TColor Color) = 0;

    // Opaque, clipped text output: fill Clip with the brush colour, then draw
    // the Len code page 949 bytes from (X, Y), one cell per byte. Parts gives
    // each byte's stored part (0 single, 1 lead, 2 trail) and decides the
    // pairing, never the byte values: a lead followed by a trail is one glyph
    // over their two cells; a lead without its trail and a trail without its
    // lead are each the replacement glyph in one cell. So the same cells give
    // the same pixels whichever run they are drawn in. Nothing is drawn
    // outside Clip.
    virtual void TextRun(int X, int Y, const TRect& Clip, const std::uint8_t* Bytes,
                         const std::uint8_t* Parts, int Len) = 0;
    // Opaque, clipped: fill Clip with the brush colour, then draw the
    // character of Count code points (a base and what joins it: UTF-32) as
    // one glyph from (X, Y) over Clip's cells, in whatever installed face
    // holds it. Nothing is drawn outside Clip.
    virtual void TextCluster(int X, int Y, const TRect& Clip, const char32_t* CodePoints,
                             int Count) = 0;

    // Text output is also limited to R, until it is given none: the caret's
    // lines are repainted from the cells a pixel wide.
    virtual void ClipText(const TRect* R) = 0;

    // Pattern-invert fill (destination XOR brush colour). A negative width or
    // height extends to the left or up. Returns false on failure.
    virtual bool PatInvert(int X, int Y, int Width, int Height) = 0;

    // 1-pixel outline of R (Right and Bottom exclusive) drawn with an XOR pen.
    virtual void FrameXor(const TRect& R, TColor Pen) = 0;

    virtual void Lock() = 0;
    virtual void Unlock() = 0;

    // Ask the window system for a paint request of the whole control.
    virtual void Invalidate() = 0;

    // The platform's error number for the last failed call.
    virtual int LastError() const = 0;
};
