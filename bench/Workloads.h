#pragma once
// The benchmark's input: five deterministic host streams. Each is the same
// text for both terminals; only the Korean one differs in encoding (code page
// 949 for ours, UTF-8 for the peer).
#include <cstddef>
#include <string>
#include <vector>

struct TWorkload {
    std::string Name;
    std::string Ours;      // code page 949
    std::string Peer;      // UTF-8
    std::size_t Chars = 0; // characters of text, for per-character figures
};

// Every workload is about Bytes long (in our encoding).
std::vector<TWorkload> MakeWorkloads(std::size_t Bytes);
