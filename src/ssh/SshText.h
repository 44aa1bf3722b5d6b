#pragma once
// Small helpers the SSH session's files share.
#include <libssh/libssh.h>

#include <algorithm>
#include <string>

// A string libssh allocated, freed with it.
struct TSshText {
    char* Text = nullptr;
    TSshText() = default;
    explicit TSshText(char* T) : Text(T) {}
    ~TSshText() { ssh_string_free_char(Text); }
    TSshText(const TSshText&) = delete;
    TSshText& operator=(const TSshText&) = delete;
    std::string Get() const { return Text ? Text : ""; }
};

// Overwrites a secret before its memory is let go.
inline void Wipe(std::string& Secret)
{
    std::fill(Secret.begin(), Secret.end(), '\0');
    Secret.clear();
}
