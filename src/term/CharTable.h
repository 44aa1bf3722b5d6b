#pragma once
// TCharTable: the characters a cell cannot hold as code page 949 bytes,
// beside the screen. A UTF-8 host writes characters code page 949 lacks
// (emoji, simplified Chinese, kana), holds only in the wrong width (`·`, `…`,
// Greek: one column to the host, a two-cell pair to us), or spells as several
// code points it counts as one (a base and its combining marks, a flag, a
// joined emoji); the xterm level's DEC signs are such characters too. The
// cell keeps its 12 bytes and code page 949 text its pairs: such a character
// is stored once here, and its cells refer to it by index (TCell's Ch and
// Ext, DbcsPart 3 for its first cell and 4 for the ones it spans after).
// Selection, copy, print and drawing read it back from here.
//
// The table is bounded whatever a host sends: at Capacity entries it drops
// those no cell refers to any longer; when every one is still on screen or in
// the scroll-back, a new character is refused and shown as U+FFFD.
#include "text/Cluster.h"

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

class TCharTable {
public:
    // Indexes are 16 bits: the cell's Ch and Ext.
    static constexpr int Capacity = 0x10000;
    // After a collection that freed less than this, new characters are
    // refused until this many more were asked for: a screen holding tens of
    // thousands of distinct characters must not rescan itself for each new one.
    static constexpr int CollectEvery = 4096;

    // The index of Cluster, added when new; -1 when the table is full of
    // characters still in use. InUse marks every index the screen still
    // refers to (called only when the table is full).
    int Intern(const TCluster& Cluster, const std::function<void(std::vector<bool>& InUse)>& Mark);
    const TCluster& At(int Index) const { return Entries[static_cast<std::size_t>(Index)]; }
    int Size() const { return static_cast<int>(Entries.size()) - static_cast<int>(Free.size()); }
    void Clear();

private:
    struct THash {
        std::size_t operator()(const TCluster& C) const;
    };
    bool Collect(const std::function<void(std::vector<bool>&)>& Mark);

    std::vector<TCluster> Entries;
    std::vector<std::uint16_t> Free; // indexes dropped, for reuse
    std::unordered_map<TCluster, std::uint16_t, THash> Lookup;
    int AskedSinceCollect = CollectEvery;
};
