#include "Engines.h"

#include <vterm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int Rows = 24, Cols = 80, ScrollBackLines = 1000;

// libvterm as an application would run it: the screen layer, damage merged
// per scroll and flushed once per block, and lines leaving the top kept in a
// scroll-back ring of the same depth as ours.
class TPeerEngine : public TEngine {
public:
    TPeerEngine() : Ring(static_cast<std::size_t>(ScrollBackLines * Cols))
    {
        static VTermAllocatorFunctions Allocator = {&TPeerEngine::Malloc, &TPeerEngine::Free};
        Vt = vterm_new_with_allocator(Rows, Cols, &Allocator, this);
        vterm_set_utf8(Vt, 1);
        Screen = vterm_obtain_screen(Vt);
        static const VTermScreenCallbacks Callbacks = [] {
            VTermScreenCallbacks C{};
            C.damage = &TPeerEngine::Damage;
            C.sb_pushline = &TPeerEngine::PushLine;
            return C;
        }();
        vterm_screen_set_callbacks(Screen, &Callbacks, this);
        vterm_screen_set_damage_merge(Screen, VTERM_DAMAGE_SCROLL);
        vterm_screen_reset(Screen, 1);
    }
    ~TPeerEngine() override { vterm_free(Vt); }

    void Feed(const std::uint8_t* Bytes, int Len) override
    {
        vterm_input_write(Vt, reinterpret_cast<const char*>(Bytes), static_cast<std::size_t>(Len));
        vterm_screen_flush_damage(Screen);
    }
    std::size_t Allocations() const override { return Mallocs; }

private:
    static void* Malloc(std::size_t Size, void* User)
    {
        ++static_cast<TPeerEngine*>(User)->Mallocs;
        return std::calloc(1, Size); // libvterm expects zeroed memory
    }
    static void Free(void* Ptr, void*) { std::free(Ptr); }
    static int Damage(VTermRect R, void* User)
    {
        auto* Self = static_cast<TPeerEngine*>(User);
        Self->Damaged.start_row = std::min(Self->Damaged.start_row, R.start_row);
        Self->Damaged.end_row = std::max(Self->Damaged.end_row, R.end_row);
        return 1;
    }
    static int PushLine(int N, const VTermScreenCell* Cells, void* User)
    {
        auto* Self = static_cast<TPeerEngine*>(User);
        std::memcpy(&Self->Ring[static_cast<std::size_t>(Self->Next * Cols)], Cells,
                    sizeof(VTermScreenCell) * static_cast<std::size_t>(std::min(N, Cols)));
        Self->Next = (Self->Next + 1) % ScrollBackLines;
        return 1;
    }

    VTerm* Vt = nullptr;
    VTermScreen* Screen = nullptr;
    std::vector<VTermScreenCell> Ring;
    int Next = 0;
    VTermRect Damaged{Rows, 0, Cols, 0};
    std::size_t Mallocs = 0;
};

} // namespace

std::unique_ptr<TEngine> NewPeerEngine() { return std::make_unique<TPeerEngine>(); }
