#pragma once
// The benchmark's input: six deterministic host streams. Each is the same
// text for both terminals; the Korean one differs in encoding (code page 949
// for ours, UTF-8 for the peer), and "utf8" is that text from a UTF-8 host to
// both.
#include <cstddef>
#include <string>
#include <vector>

struct TWorkload {
    std::string Name;
    std::string Ours;      // code page 949
    std::string Peer;      // UTF-8
    std::size_t Chars = 0; // characters of text, for per-character figures
    bool Utf8Host = false; // ours is told that the host speaks UTF-8
};

// Every workload is about Bytes long (in our encoding).
std::vector<TWorkload> MakeWorkloads(std::size_t Bytes);
