#pragma once
// Key records: what the encoder sends for a key in each modifier combination.
#include "common/VirtualKeys.h"
#include "term/TermCommon.h"

#include <array>
#include <cstdint>
#include <string>

// One string per modifier combination (slot); empty = no bytes.
struct TKeyRecord {
    std::array<std::string, 8> Slots;
};
