#pragma once
// The terminals the benchmark drives: ours (Telnet engine, interpreter and
// screen on a canvas that draws nothing), libvterm with its screen layer, and
// a floor: the least a byte-at-a-time terminal can do.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class TEngine {
public:
    virtual ~TEngine() = default;
    virtual void Feed(const std::uint8_t* Bytes, int Len) = 0;
    // Heap allocations made so far by this engine.
    virtual std::size_t Allocations() const = 0;
};

std::unique_ptr<TEngine> NewOurEngine(bool Utf8Host = false);
std::unique_ptr<TEngine> NewPeerEngine();
std::unique_ptr<TEngine> NewFloorEngine();
// "ours", "libvterm", "floor"; Utf8Host tells ours what the host writes.
std::unique_ptr<TEngine> NewEngine(std::string_view Name, bool Utf8Host = false);

// Counts of operator new in this process (the bench replaces it).
std::size_t NewCalls();
