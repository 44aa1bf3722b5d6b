#pragma once
// The benchmark's input: deterministic host streams. Each is the same text
// for both terminals; only the Korean ones differ in encoding (code page 949
// for ours, UTF-8 for the peer), "utf8" is that text from a UTF-8 host to
// both, and "utf8mix" the same with one character in twenty one that code
// page 949 lacks or holds in the wrong width. Seven are ordinary output; three
// are dense in escapes, nearly one per character, as full-screen programs draw.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TWorkload {
    std::string Name;
    std::string Ours;      // code page 949
    std::string Peer;      // UTF-8
    std::size_t Chars = 0; // characters of text, for per-character figures
    bool Utf8Host = false; // ours is told that the host speaks UTF-8
};

// The screen the streams are shaped for: line lengths, rows addressed.
struct TGeometry {
    int Cols = 80;
    int Rows = 24;
};

// Characters of code page 949 text outside escape sequences (a double-byte
// pair is one): what per-character figures divide by.
std::size_t TextChars(std::string_view Cp949);

// Every workload is about Bytes long (in our encoding).
std::vector<TWorkload> MakeWorkloads(std::size_t Bytes, TGeometry Screen = {});
