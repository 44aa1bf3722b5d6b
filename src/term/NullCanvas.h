#pragma once
// A canvas that draws nothing, for a terminal with no screen (benchmarks and
// fuzzing). The getters answer what was set: the control skips colour changes
// by asking them.
#include "term/Canvas.h"

class TNullCanvas : public TCanvas {
public:
    void SetFont(const TFont&) override {}
    TFontMetrics MeasureFont() override { return {8, 16}; }
    TColor FontColor() const override { return FFore; }
    void SetFontColor(TColor C) override { FFore = C; }
    int FontStyle() const override { return FStyle; }
    void SetFontStyle(int S) override { FStyle = S; }
    TColor BrushColor() const override { return FBrush; }
    void SetBrushColor(TColor C) override { FBrush = C; }
    void TextRun(int, int, const TRect&, const std::uint8_t*, const std::uint8_t*, int) override {}
    void TextCluster(int, int, const TRect&, const char32_t*, int) override {}
    void ClipText(const TRect*) override {}
    bool PatInvert(int, int, int, int) override { return true; }
    void FrameXor(const TRect&, TColor) override {}
    void Lock() override {}
    void Unlock() override {}
    void Invalidate() override {}
    int LastError() const override { return 0; }

private:
    TColor FFore = 0, FBrush = 0;
    int FStyle = 0;
};
