// INI text: what a reader lists must be readable, serialising keeps the text,
// everything read can be written back and reads back the same, and a file
// edit leaves exactly what the same edit in memory gives.
#include "Drivers.h"
#include "Scratch.h"

#include "profiles/IniFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Lookups are linear in the lines: bound the keys looked up per document.
constexpr std::size_t MaxEntries = 256;

struct TEntry {
    std::string Section, Key, Value;
};

std::string Quote(std::string_view S)
{
    std::string Out = "\"";
    for (const char C : S) {
        const auto B = static_cast<unsigned char>(C);
        if (B >= 0x20 && B < 0x7F && C != '"' && C != '\\') {
            Out += C;
        } else {
            char Hex[8];
            std::snprintf(Hex, sizeof Hex, "\\x%02X", B);
            Out += Hex;
        }
    }
    return Out + "\"";
}

bool HasLineBreak(std::string_view S) { return S.find_first_of("\r\n") != std::string_view::npos; }

// What a written value reads back as: line breaks become blanks, and blanks
// at either end do not survive.
std::string WrittenValue(std::string_view V)
{
    std::string Out(V);
    for (char& C : Out)
        if (C == '\r' || C == '\n') C = ' ';
    const auto Blank = [](char C) { return C == ' ' || C == '\t' || C == '\r'; };
    while (!Out.empty() && Blank(Out.back())) Out.pop_back();
    std::size_t Lead = 0;
    while (Lead < Out.size() && Blank(Out[Lead])) ++Lead;
    return Out.substr(Lead);
}

// Every listed section's keys, each with the value a lookup by the listed
// names gives.
std::string Entries(const TIniDocument& D, std::vector<TEntry>& Out)
{
    for (const std::string& S : D.ReadSections()) {
        const std::vector<std::string> Keys = D.ReadSection(S);
        if (D.SectionExists(S) == Keys.empty())
            return "SectionExists disagrees with the key list of section " + Quote(S);
        for (const std::string& K : Keys) {
            if (Out.size() >= MaxEntries) return {};
            std::optional<std::string> V = D.Find(S, K);
            if (!V) return "listed key " + Quote(K) + " of section " + Quote(S) + " cannot be read";
            Out.push_back({S, K, std::move(*V)});
        }
    }
    return {};
}

std::string ReadAll(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// The same edits through the file object and on a document in memory.
std::string CheckFile(std::string_view Input, const std::vector<TEntry>& Read)
{
    static TScratch Scratch;
    if (Scratch.Dir.empty()) return "no temporary folder";
    const std::string Path = Scratch.Dir + "/profile.ini";
    {
        std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
        Out.write(Input.data(), static_cast<std::streamsize>(Input.size()));
        if (!Out) return "cannot write the temporary file";
    }
    TIniFile File(Path);
    if (File.Load().Text() != TIniDocument(Input).Text()) return "the file reads back differently";

    const auto Edit = [&Read](TIniDocument& D) {
        for (std::size_t I = 0; I < Read.size() && I < 8; ++I)
            D.WriteString(Read[I].Section, Read[I].Key, Read[I].Value + "'");
        D.WriteInteger("Fuzz", "Entries", static_cast<std::int32_t>(Read.size()));
    };
    TIniDocument Memory(Input);
    Edit(Memory);
    try {
        File.Update(Edit);
    } catch (const std::exception& E) {
        return std::string("file update refused: ") + E.what();
    }
    // An edit that changes nothing leaves the file alone.
    const std::string Expected = Memory.Modified() ? Memory.Text() : std::string(Input);
    if (ReadAll(Path) != Expected)
        return "the file after an edit differs from the same edit in memory";
    return {};
}

std::uint32_t Fnv1a(const std::uint8_t* Data, std::size_t Size)
{
    std::uint32_t H = 2166136261u;
    for (std::size_t I = 0; I < Size; ++I) H = (H ^ Data[I]) * 16777619u;
    return H;
}

} // namespace

std::string FuzzIni(const std::uint8_t* Data, std::size_t Size)
{
    const std::string_view Input(reinterpret_cast<const char*>(Data), Size);
    const TIniDocument Parsed(Input);

    // Serialising keeps every byte; only a missing final line end is added.
    const std::string Text = Parsed.Text();
    const bool EndAdded = !Input.empty() && Input.back() != '\n';
    if (Text != std::string(Input) + (EndAdded ? "\n" : ""))
        return "serialising changes the text: " + Quote(Text);
    if (TIniDocument(Text).Text() != Text) return "a second parse changes the text";

    std::vector<TEntry> Read;
    if (std::string E = Entries(Parsed, Read); !E.empty()) return E;

    // Everything read can be written back, and reads back as written.
    TIniDocument Rebuilt;
    for (const TEntry& En : Read) {
        try {
            Rebuilt.WriteString(En.Section, En.Key, En.Value);
        } catch (const std::invalid_argument&) {
            return "key " + Quote(En.Key) + " read from the text is refused on writing";
        }
        const std::optional<std::string> Back = Rebuilt.Find(En.Section, En.Key);
        if (!Back || *Back != WrittenValue(En.Value))
            return "key " + Quote(En.Key) + " of section " + Quote(En.Section) + " written as " +
                   Quote(En.Value) + " reads back as " + (Back ? Quote(*Back) : "nothing");
    }
    const std::string RebuiltText = Rebuilt.Text();
    if (RebuiltText.find('\r') != std::string::npos) return "a written line holds a CR";
    std::vector<TEntry> Again;
    if (std::string E = Entries(TIniDocument(RebuiltText), Again); !E.empty())
        return "after rewriting: " + E;
    for (const TEntry& En : Again)
        if (HasLineBreak(En.Section) || HasLineBreak(En.Key) || HasLineBreak(En.Value))
            return "a rewritten name or value holds a line break";

    // The file round trip costs a few system calls: one input in sixteen.
    if (Fnv1a(Data, Size) % 16 == 0)
        if (std::string E = CheckFile(Input, Read); !E.empty()) return E;
    return {};
}
