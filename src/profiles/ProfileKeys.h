#pragma once
// The profile's INI keys in one table: the section each lives in, its key
// name, the record field it fills, the value a missing key gives and, for the
// numbers, the range a working terminal needs. Loading, saving, the record's
// defaults, the host manager and the applying of a profile all read it, so a
// key is named, defaulted and bounded in exactly one place.
#include "common/Color.h"

#include <array>
#include <cstdint>
#include <string>
#include <variant>

struct TAliasInfo;

enum class TProfileSection { Alias, Global };

// Inclusive bounds of a number; Min > Max means unbounded.
struct TProfileRange {
    std::int32_t Min = 1, Max = 0;
    bool Bounded() const { return Min <= Max; }
    bool Holds(std::int32_t V) const { return !Bounded() || (V >= Min && V <= Max); }
};

// A field and its default share the alternative's index.
using TProfileField = std::variant<std::string TAliasInfo::*, std::int32_t TAliasInfo::*,
                                   TColor TAliasInfo::*, bool TAliasInfo::*>;
using TProfileDefault = std::variant<const char*, std::int32_t, TColor, bool>;

struct TProfileKey {
    const char* Name; // also the section name's key in the file
    TProfileSection Section;
    TProfileField Field;
    TProfileDefault Default;
    TProfileRange Range{};
    // A key newer than the file format: written only when it is away from its
    // default or its section holds it already, so a profile that never used
    // it keeps exactly the keys it always had.
    bool Added = false;
};

// Lines of scroll-back a profile may ask for. A line record holds 153 cells of
// 12 bytes (1.8 KB), so this caps one window's scroll-back near 37 MB; the
// host manager offers up to 5000, a hand-edited file may say anything.
inline constexpr std::int32_t MaxScrollBuffer = 20000;
// Points. Beyond this a 152 x 130 grid would need an image of several
// gigabytes.
inline constexpr std::int32_t MaxFontSize = 72;

// Seconds an SSH handshake may take. Ten minutes outlasts any host that still
// answers; a larger number would only keep a window waiting on one that never
// will.
inline constexpr std::int32_t MaxConnectTimeout = 600;

// Seconds of silence before a keepalive. An hour is past the idle limit of
// any firewall or NAT that drops a quiet connection, which is what the
// probes are for; a negative value is no keepalive.
inline constexpr std::int32_t MaxKeepAlive = 3600;

// Every key, in the order a load reads and a save writes them: the alias keys
// first, then the program-wide ones of "Global".
extern const std::array<TProfileKey, 39> ProfileKeys;

// The key of a field; nullptr for a field that is not stored (Registered, Alias).
const TProfileKey* ProfileKeyOf(const TProfileField& Field);

// Makes the numbers of a profile, which come from a file anyone may edit,
// safe to apply: a value below its key's range takes the key's default, one
// above it the range's maximum, and the scroll-back stays above Row. The port
// is left as it is: a connection to an impossible port fails with a message.
void BringIntoRange(TAliasInfo& Info);
