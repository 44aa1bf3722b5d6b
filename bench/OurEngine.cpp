#include "Engines.h"

#include "common/Switches.h"
#include "telnet/Telnet.h"
#include "term/Term.h"

namespace {

// Takes every call and draws nothing; the getters answer what was set, as the
// control relies on them to skip redundant colour changes.
class TNullCanvas : public TCanvas {
public:
    void SetFont(const TFont&) override {}
    TFontMetrics MeasureFont() override { return {8, 16}; }
    TColor FontColor() const override { return Fore; }
    void SetFontColor(TColor C) override { Fore = C; }
    int FontStyle() const override { return Style; }
    void SetFontStyle(int S) override { Style = S; }
    TColor BrushColor() const override { return Brush; }
    void SetBrushColor(TColor C) override { Brush = C; }
    void TextRun(int, int, const TRect&, const std::uint8_t*, int) override {}
    bool PatInvert(int, int, int, int) override { return true; }
    void FrameXor(const TRect&, TColor) override {}
    void Lock() override {}
    void Unlock() override {}
    void Invalidate() override {}
    int LastError() const override { return 0; }

private:
    TColor Fore = 0, Brush = 0;
    int Style = 0;
};

class TOurEngine : public TEngine {
public:
    TOurEngine()
    {
        TTelnet::Reset();
        Term.SetSize(80, 24);
        Term.SetScrollBack(1000);
        Switches.SoftScroll = false;
        Telnet.Term = &Term;
        Telnet.ClearReceiveState();
    }
    void Feed(const std::uint8_t* Bytes, int Len) override { Telnet.Receive(Bytes, Len); }
    std::size_t Allocations() const override { return NewCalls(); }

private:
    TNullCanvas Canvas;
    TTermHost Host;
    TTerm Term{Canvas, Host};
    TTelnet Telnet;
};

} // namespace

std::unique_ptr<TEngine> NewOurEngine() { return std::make_unique<TOurEngine>(); }
