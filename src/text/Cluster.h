#pragma once
// One character as a host counts it, when code page 949 cannot be its
// storage: its code points (a base and what joins it) and the cells it takes.
#include <array>
#include <cstdint>
#include <string>

struct TCluster {
    // Longer sequences (a family of joined emoji) are rare; the rest of one
    // is shown as separate characters.
    static constexpr int MaxCodePoints = 8;
    // No character takes more cells than this; more are refused.
    static constexpr int MaxCells = 8;
    std::array<char32_t, MaxCodePoints> CodePoints{};
    std::uint8_t Count = 0;
    std::uint8_t Cells = 1;
    bool operator==(const TCluster&) const = default;
    // Appends a code point; false when the cluster is full.
    bool Add(char32_t U)
    {
        if (Count == MaxCodePoints) return false;
        CodePoints[Count++] = U;
        return true;
    }
    // Appends Other's code points and cells; false, and unchanged, when they
    // do not all fit.
    bool Append(const TCluster& Other)
    {
        if (Count + Other.Count > MaxCodePoints || Cells + Other.Cells > MaxCells) return false;
        for (int I = 0; I < Other.Count; ++I) CodePoints[Count++] = Other.CodePoints[I];
        Cells = static_cast<std::uint8_t>(Cells + Other.Cells);
        return true;
    }
    std::string Utf8() const;
};
