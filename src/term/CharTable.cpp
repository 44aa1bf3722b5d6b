#include "term/CharTable.h"

std::size_t TCharTable::THash::operator()(const TCluster& C) const
{
    std::size_t H = C.Cells;
    for (int I = 0; I < C.Count; ++I)
        H = H * 0x100000001B3ull ^ C.CodePoints[static_cast<std::size_t>(I)];
    return H;
}

int TCharTable::Intern(const TCluster& Cluster,
                       const std::function<void(std::vector<bool>& InUse)>& Mark)
{
    if (const auto It = Lookup.find(Cluster); It != Lookup.end()) return It->second;
    if (Free.empty() && static_cast<int>(Entries.size()) == Capacity && !Collect(Mark)) return -1;
    std::uint16_t At;
    if (!Free.empty()) {
        At = Free.back();
        Free.pop_back();
        Entries[At] = Cluster;
    } else {
        At = static_cast<std::uint16_t>(Entries.size());
        Entries.push_back(Cluster);
    }
    Lookup.emplace(Cluster, At);
    return At;
}

// Drops every entry no cell refers to; false when none could be.
bool TCharTable::Collect(const std::function<void(std::vector<bool>&)>& Mark)
{
    if (++AskedSinceCollect < CollectEvery || !Mark) return false;
    AskedSinceCollect = 0;
    std::vector<bool> InUse(Entries.size(), false);
    Mark(InUse);
    for (std::size_t I = 0; I < Entries.size(); ++I) {
        if (InUse[I]) continue;
        Lookup.erase(Entries[I]);
        Free.push_back(static_cast<std::uint16_t>(I));
    }
    // Plenty freed: the next ones may collect again at once when needed.
    if (Free.size() >= CollectEvery) AskedSinceCollect = CollectEvery;
    return !Free.empty();
}

void TCharTable::Clear()
{
    Entries.clear();
    Free.clear();
    Lookup.clear();
    AskedSinceCollect = CollectEvery;
}
