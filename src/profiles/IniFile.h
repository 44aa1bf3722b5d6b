#pragma once
// The private-profile text format: a "[Name]" line opens a section, a
// "Key=Value" line holds one value. Text is code page 949 bytes, never
// converted. Section and key names match without regard to ASCII letter case.
//
// Reading rules of this format:
// - Lines end with LF or CR LF. A rewrite keeps every line it does not change
//   byte for byte; added lines follow the first line's style (LF in a new file).
// - Blanks (space, tab, CR) around names and values are stripped on reading,
//   so a value's own leading or trailing blanks do not survive a round trip.
// - A header line without "]" names its section with the rest of the line;
//   otherwise the name runs to the last "]" on the line, so any name without a
//   line break round-trips.
// - A CR inside a name compares as a blank, as a line break in a requested
//   name is taken for one.
// - A section name that occurs more than once is one section; within it the
//   first occurrence of a key wins, and a write replaces that occurrence.
// - Lines before the first header, lines starting with ";", and lines without
//   "=" hold no key; they are kept as they are.
// - A value comes back as at most 2047 bytes; a double-byte character cut in
//   half at that limit is dropped whole.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A store write that the file system refused. what() is the text the user is
// shown.
class EProfileWriteError : public std::runtime_error {
public:
    explicit EProfileWriteError(const std::string& FileName);
    const std::string& FileName() const noexcept { return Name; }

private:
    std::string Name;
};

// True when the file takes A and B for one section or key name: ASCII letter
// case is ignored, a double-byte character must match exactly.
bool SameIniName(std::string_view A, std::string_view B);
// A section or key name as the file stores it and reads it back: line breaks
// become blanks, blanks around it go. A name typed by a user is compared and
// shown in this form, or "web " would silently replace [web].
std::string IniName(std::string_view Name);

// Integer text: signed decimal, "$" hex, or "0x"/"0X" hex longer than two
// characters. Hex names the 32-bit pattern, so "$80000005" is negative.
std::optional<std::int32_t> ParseIniInteger(std::string_view Text);

// One snapshot of the file's text, read and edited in memory.
class TIniDocument {
public:
    static constexpr std::size_t ValueLimit = 2047;        // a 2048-byte buffer
    static constexpr std::size_t SectionListLimit = 16384; // NUL after each, one more at the end

    TIniDocument() = default;
    explicit TIniDocument(std::string_view Bytes);
    std::string Text() const;

    std::optional<std::string> Find(std::string_view Section, std::string_view Key) const;
    std::string ReadString(std::string_view Section, std::string_view Key,
                           std::string_view Default) const;
    std::int32_t ReadInteger(std::string_view Section, std::string_view Key,
                             std::int32_t Default) const;
    bool ReadBool(std::string_view Section, std::string_view Key, bool Default) const;
    // Names in file order, each once as first spelled, as many as fit the list
    // limit. An empty name is left out: in a NUL-separated list it would end
    // the list.
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSection(std::string_view Section) const; // key names
    // A header with no key under it counts as missing.
    bool SectionExists(std::string_view Section) const;

    // CR and LF in names and values are written as blanks: a line break
    // must never split a line of the file, and a name maps the same way when
    // looked up, so the record stays reachable under the name it was given.
    void WriteString(std::string_view Section, std::string_view Key, std::string_view Value);
    void WriteInteger(std::string_view Section, std::string_view Key, std::int32_t Value);
    void WriteBool(std::string_view Section, std::string_view Key, bool Value);
    void EraseSection(std::string_view Section);

    bool Modified() const { return Changed; }

private:
    enum class TKind : unsigned char { Other, Section, Key };
    // One line, classified once: a 10 MB line must not be rescanned per lookup.
    struct TLine {
        std::string Raw; // without the LF; a CR before it stays
        TKind Kind = TKind::Other;
        std::size_t NamePos = 0, NameLen = 0, ValuePos = 0, ValueLen = 0;
        std::string_view Name() const { return std::string_view(Raw).substr(NamePos, NameLen); }
        std::string_view Value() const { return std::string_view(Raw).substr(ValuePos, ValueLen); }
    };
    static TLine MakeLine(std::string Raw);

    std::vector<TLine> Lines;
    bool CrLf = false; // the first line's style, for lines we add
    bool Changed = false;
};

// The INI file object. It holds only the path: every call goes to the file.
// Reads take one snapshot of the file and need no lock, as writes never change
// a file in place. Each write operation takes an exclusive lock on
// "<file>.lock" (the INI itself is replaced on every write, so a lock on it
// would guard a stale inode), reads the file, edits it, writes the result to a
// temporary file in the same folder, syncs it and renames it over the old one:
// the operation lands whole or not at all.
class TIniFile {
public:
    explicit TIniFile(std::string FileName);
    const std::string& FileName() const { return Name; }

    // A missing, unreadable or non-regular file reads as empty.
    TIniDocument Load() const;
    // One locked read-modify-write; the file is written only when Edit
    // changed something. Refused, with EProfileWriteError and the file as it
    // was, when the lock file cannot be made, the file exists but cannot be
    // read or written, or any step of the replacement fails.
    void Update(const std::function<void(TIniDocument&)>& Edit);

    std::string ReadString(std::string_view Section, std::string_view Key,
                           std::string_view Default) const;
    std::int32_t ReadInteger(std::string_view Section, std::string_view Key,
                             std::int32_t Default) const;
    bool ReadBool(std::string_view Section, std::string_view Key, bool Default) const;
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSection(std::string_view Section) const;
    bool SectionExists(std::string_view Section) const;

    void WriteString(std::string_view Section, std::string_view Key, std::string_view Value);
    void WriteInteger(std::string_view Section, std::string_view Key, std::int32_t Value);
    void WriteBool(std::string_view Section, std::string_view Key, bool Value);
    void EraseSection(std::string_view Section);

private:
    std::string Name;
};
