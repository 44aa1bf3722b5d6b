#include "support/RecordingCanvas.h"

#include "text/Cluster.h"

#include <algorithm>

int TRecordingCanvas::Count(TRecordedCall::TKind K) const
{
    return static_cast<int>(std::count_if(Calls.begin(), Calls.end(),
                                          [K](const TRecordedCall& C) { return C.Kind == K; }));
}

std::vector<TRecordedCall> TRecordingCanvas::Of(TRecordedCall::TKind K) const
{
    std::vector<TRecordedCall> Out;
    std::copy_if(Calls.begin(), Calls.end(), std::back_inserter(Out),
                 [K](const TRecordedCall& C) { return C.Kind == K; });
    return Out;
}

void TRecordingCanvas::SetFont(const TFont&) { Calls.push_back({TRecordedCall::SetFont}); }

void TRecordingCanvas::SetFontColor(TColor C)
{
    FFore = C;
    Calls.push_back({TRecordedCall::SetFontColor, 0, 0, 0, 0, {}, {}, C, 0});
}

void TRecordingCanvas::SetFontStyle(int S)
{
    FStyle = S;
    Calls.push_back({TRecordedCall::SetFontStyle});
}

void TRecordingCanvas::SetBrushColor(TColor C)
{
    FBrush = C;
    Calls.push_back({TRecordedCall::SetBrushColor, 0, 0, 0, 0, {}, {}, 0, C});
}

void TRecordingCanvas::TextCluster(int X, int Y, const TRect& Clip, const char32_t* CodePoints,
                                   int Count)
{
    TCluster Cluster;
    for (int I = 0; I < Count; ++I) Cluster.Add(CodePoints[I]);
    TRecordedCall C{TRecordedCall::Cluster, X, Y, Clip.Right - Clip.Left, Clip.Bottom - Clip.Top,
                    Cluster.Utf8()};
    C.Fore = FFore;
    C.Back = FBrush;
    Calls.push_back(C);
}

void TRecordingCanvas::TextRun(int X, int Y, const TRect& Clip, const std::uint8_t* Bytes,
                               const std::uint8_t* Parts, int Len)
{
    TRecordedCall C{
        TRecordedCall::Text,
        X,
        Y,
        Clip.Right - Clip.Left,
        Clip.Bottom - Clip.Top,
        std::string(reinterpret_cast<const char*>(Bytes), static_cast<std::size_t>(Len))};
    for (int I = 0; I < Len; ++I) C.Parts += static_cast<char>('0' + Parts[I]);
    C.Fore = FFore;
    C.Back = FBrush;
    Calls.push_back(std::move(C));
}

bool TRecordingCanvas::PatInvert(int X, int Y, int Width, int Height)
{
    Calls.push_back({TRecordedCall::PatInvert, X, Y, Width, Height, {}, {}, 0, FBrush});
    return !FailPatInvert;
}

void TRecordingCanvas::FrameXor(const TRect& R, TColor Pen)
{
    Calls.push_back(
        {TRecordedCall::Frame, R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top, {}, {}, Pen, 0});
}
