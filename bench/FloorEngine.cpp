#include "Engines.h"

#include <array>
#include <cstring>

namespace {

// The least a terminal does per byte: store a printable byte in a cell,
// return on CR, scroll a ring of rows on LF. No escapes, colours or Telnet.
class TFloorEngine : public TEngine {
public:
    void Feed(const std::uint8_t* Bytes, int Len) override
    {
        for (int I = 0; I < Len; ++I) {
            const std::uint8_t B = Bytes[I];
            if (B >= 32) {
                if (X < 80)
                    Grid[static_cast<std::size_t>((Top + Y) % 24)][static_cast<std::size_t>(X++)] =
                        B;
            } else if (B == '\r') {
                X = 0;
            } else if (B == '\n') {
                if (Y < 23) {
                    ++Y;
                } else {
                    Top = (Top + 1) % 24;
                    std::memset(Grid[static_cast<std::size_t>((Top + 23) % 24)].data(), ' ', 80);
                }
            }
        }
    }
    std::size_t Allocations() const override { return 0; }

private:
    std::array<std::array<std::uint8_t, 80>, 24> Grid{};
    int X = 0, Y = 0, Top = 0;
};

} // namespace

std::unique_ptr<TEngine> NewFloorEngine() { return std::make_unique<TFloorEngine>(); }

std::unique_ptr<TEngine> NewEngine(std::string_view Name, bool Utf8Host)
{
    if (Name == "ours") return NewOurEngine(Utf8Host);
    if (Name == "libvterm") return NewPeerEngine();
    if (Name == "floor") return NewFloorEngine();
    return nullptr;
}
