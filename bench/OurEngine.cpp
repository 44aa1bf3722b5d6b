#include "Engines.h"

#include "common/Switches.h"
#include "telnet/Telnet.h"
#include "term/NullCanvas.h"
#include "term/Term.h"

namespace {

class TOurEngine : public TEngine {
public:
    explicit TOurEngine(bool Utf8Host)
    {
        TTelnet::Reset();
        Switches.HostEncoding = Utf8Host ? THostEncoding::Utf8 : THostEncoding::Cp949;
        Term.SetSize(80, 24);
        Term.SetScrollBack(1000);
        Switches.SoftScroll = false;
        Telnet.Term = &Term;
        Telnet.ClearReceiveState();
    }
    // As the window takes a block: a repaint the block owes is held to its
    // end and done once (TermWidget::BeginHostBlock, EndHostBlock).
    void Feed(const std::uint8_t* Bytes, int Len) override
    {
        Term.HoldRedraw = true;
        Telnet.Receive(Bytes, Len);
        Term.HoldRedraw = false;
        if (Term.Scr.RedrawPending) Term.ReDrawScreen();
    }
    std::size_t Allocations() const override { return NewCalls(); }

private:
    TNullCanvas Canvas;
    TTermHost Host;
    TTerm Term{Canvas, Host};
    TTelnet Telnet;
};

} // namespace

std::unique_ptr<TEngine> NewOurEngine(bool Utf8Host)
{
    return std::make_unique<TOurEngine>(Utf8Host);
}
