#pragma once
// Test doubles for the terminal control's seams: a canvas that records every
// call (cells are 8 by 16 pixels) and a host that records beeps, pauses and
// clipboard texts.
#include "term/Canvas.h"
#include "term/TermCommon.h"

#include <string>
#include <vector>

struct TRecordedCall {
    enum TKind {
        Text,
        Cluster,
        PatInvert,
        Frame,
        Lock,
        Unlock,
        Invalidate,
        SetFontColor,
        SetBrushColor,
        SetFontStyle,
        SetFont
    } Kind;
    int X = 0, Y = 0, W = 0, H = 0;
    std::string Bytes;         // Text; Cluster: its code points as UTF-8
    std::string Parts;         // Text: the parts as digits, "0012"
    TColor Fore = 0, Back = 0; // Text: colours in force; PatInvert: Back = brush; Frame: Fore = pen
};

class TRecordingCanvas : public TCanvas {
public:
    int CellWidth = 8, CellHeight = 16;
    bool FailPatInvert = false;
    std::vector<TRecordedCall> Calls;

    void Clear() { Calls.clear(); }
    int Count(TRecordedCall::TKind K) const;
    std::vector<TRecordedCall> Of(TRecordedCall::TKind K) const;

    void SetFont(const TFont& F) override;
    TFontMetrics MeasureFont() override { return {CellWidth, CellHeight}; }
    TColor FontColor() const override { return FFore; }
    void SetFontColor(TColor C) override;
    int FontStyle() const override { return FStyle; }
    void SetFontStyle(int S) override;
    TColor BrushColor() const override { return FBrush; }
    void SetBrushColor(TColor C) override;
    void TextRun(int X, int Y, const TRect& Clip, const std::uint8_t* Bytes,
                 const std::uint8_t* Parts, int Len) override;
    void TextCluster(int X, int Y, const TRect& Clip, const char32_t* CodePoints,
                     int Count) override;
    void ClipText(const TRect*) override {}
    bool PatInvert(int X, int Y, int Width, int Height) override;
    void FrameXor(const TRect& R, TColor Pen) override;
    void Lock() override { Calls.push_back({TRecordedCall::Lock}); }
    void Unlock() override { Calls.push_back({TRecordedCall::Unlock}); }
    void Invalidate() override { Calls.push_back({TRecordedCall::Invalidate}); }
    int LastError() const override { return FailPatInvert ? 6 : 0; }

private:
    TColor FFore = 0, FBrush = 0;
    int FStyle = 0;
};

class TRecordingHost : public TTermHost {
public:
    int Beeps = 0, Focus = 0;
    std::vector<int> Flashes; // each EndFlashAfter's milliseconds
    std::int64_t Now = 0;     // the steady clock, moved by the test
    int Width = 0, Height = 0;
    std::vector<std::string> Clipboard; // every text handed over
    void SetClipboardText(const std::string& T) override { Clipboard.push_back(T); }
    void SystemBeep() override { ++Beeps; }
    void EndFlashAfter(int Ms) override { Flashes.push_back(Ms); }
    std::int64_t SteadyMs() const override { return Now; }
    void SetFocus() override { ++Focus; }
    void ResizeControl(int W, int H) override
    {
        Width = W;
        Height = H;
    }
};
