// The private-profile text format and its file: parsing, lookups, edits, and
// the locked, atomic replacement of the file on every write.
#include "profiles/IniFile.h"

#include "text/Cp949.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

EProfileWriteError::EProfileWriteError(const std::string& FileName)
    : std::runtime_error("Unable to write to " + FileName), Name(FileName)
{
}

namespace {

// ---------------------------------------------------------------- text rules

bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\r'; }

std::string_view TrimBlanks(std::string_view S)
{
    while (!S.empty() && IsBlank(S.front())) S.remove_prefix(1);
    while (!S.empty() && IsBlank(S.back())) S.remove_suffix(1);
    return S;
}

char FoldAscii(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

// A requested name has its line breaks made blanks (CleanName); a name in the
// file may still hold a lone CR, and must compare the same way or a name the
// reader lists could not be looked up.
char NameByte(char C) { return C == '\r' || C == '\n' ? ' ' : C; }

// Letter case is folded for single-byte characters only: the trail byte of a
// double-byte character may fall in the ASCII letter range, and two different
// Korean characters must not match.
std::string FoldName(std::string_view S)
{
    std::string Out(S);
    for (std::size_t I = 0; I < Out.size(); ++I) {
        Out[I] = NameByte(Out[I]);
        if (Cp949::IsLead(static_cast<std::uint8_t>(Out[I]))) {
            if (++I < Out.size()) Out[I] = NameByte(Out[I]); // the trail keeps its case
        } else {
            Out[I] = FoldAscii(Out[I]);
        }
    }
    return Out;
}

bool SameName(std::string_view A, std::string_view B)
{
    if (A.size() != B.size()) return false;
    for (std::size_t I = 0; I < A.size(); ++I) {
        const char X = NameByte(A[I]), Y = NameByte(B[I]);
        if (Cp949::IsLead(static_cast<std::uint8_t>(X))) {
            if (X != Y) return false;
            ++I;
            if (I < A.size() && NameByte(A[I]) != NameByte(B[I])) return false;
        } else if (FoldAscii(X) != FoldAscii(Y)) {
            return false;
        }
    }
    return true;
}

std::string WithoutLineBreaks(std::string_view S)
{
    std::string Out(S);
    for (char& C : Out)
        if (C == '\r' || C == '\n') C = ' ';
    return Out;
}

// A name as it is written to the file and as it is compared.
std::string CleanName(std::string_view S)
{
    const std::string Flat = WithoutLineBreaks(S);
    return std::string(TrimBlanks(Flat));
}

std::string_view LimitValue(std::string_view V)
{
    if (V.size() <= TIniDocument::ValueLimit) return V;
    std::size_t End = 0;
    while (End < TIniDocument::ValueLimit) {
        const std::size_t Step = Cp949::IsLead(static_cast<std::uint8_t>(V[End])) ? 2 : 1;
        if (End + Step > TIniDocument::ValueLimit) break;
        End += Step;
    }
    return V.substr(0, End);
}

enum class TLineKind { Other, Section, Key };

struct TParsed {
    TLineKind Kind = TLineKind::Other;
    std::string_view Name;
    std::string_view Value;
};

TParsed Classify(std::string_view Line)
{
    const std::string_view T = TrimBlanks(Line);
    if (T.empty() || T.front() == ';') return {};
    if (T.front() == '[') {
        std::string_view Body = T.substr(1);
        const std::size_t Close = Body.rfind(']');
        if (Close != std::string_view::npos) Body = Body.substr(0, Close);
        return {TLineKind::Section, TrimBlanks(Body), {}};
    }
    const std::size_t Eq = T.find('=');
    if (Eq == std::string_view::npos) return {};
    const std::string_view Key = TrimBlanks(T.substr(0, Eq));
    if (Key.empty()) return {};
    return {TLineKind::Key, Key, TrimBlanks(T.substr(Eq + 1))};
}

bool IsHex(char C)
{
    return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

int HexValue(char C)
{
    if (C <= '9') return C - '0';
    return FoldAscii(C) - 'a' + 10;
}

// ---------------------------------------------------------------- file access

struct TFileDescriptor {
    int Fd = -1;
    TFileDescriptor() = default;
    explicit TFileDescriptor(int F) : Fd(F) {}
    ~TFileDescriptor()
    {
        if (Fd >= 0) ::close(Fd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
};

enum class TReadResult { Ok, Missing, Failed };

TReadResult ReadWholeFile(const std::string& Path, std::string& Bytes, struct stat& Info)
{
    // Non-blocking open: a FIFO in the file's place must not hang the program.
    TFileDescriptor F(::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (F.Fd < 0) return errno == ENOENT ? TReadResult::Missing : TReadResult::Failed;
    if (::fstat(F.Fd, &Info) != 0 || !S_ISREG(Info.st_mode)) return TReadResult::Failed;
    Bytes.clear();
    char Buf[65536];
    for (;;) {
        const ssize_t N = ::read(F.Fd, Buf, sizeof Buf);
        if (N < 0) {
            if (errno == EINTR) continue;
            return TReadResult::Failed;
        }
        if (N == 0) break;
        Bytes.append(Buf, static_cast<std::size_t>(N));
    }
    return TReadResult::Ok;
}

bool WriteAll(int Fd, const std::string& Bytes)
{
    std::size_t Done = 0;
    while (Done < Bytes.size()) {
        const ssize_t N = ::write(Fd, Bytes.data() + Done, Bytes.size() - Done);
        if (N < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        Done += static_cast<std::size_t>(N);
    }
    return true;
}

std::string FolderOf(const std::string& Path)
{
    const std::size_t Slash = Path.rfind('/');
    if (Slash == std::string::npos) return ".";
    if (Slash == 0) return "/";
    return Path.substr(0, Slash);
}

// Makes the rename itself durable; file systems that cannot sync a folder
// still keep the file whole, so a failure here is not a refused write.
void SyncFolder(const std::string& Path)
{
    TFileDescriptor D(::open(FolderOf(Path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (D.Fd >= 0) ::fsync(D.Fd);
}

// Writes beside the old file and renames over it, so a crash, a full disk or
// a file-size limit leaves either the old file or the new one, never a torn one.
void ReplaceFile(const std::string& Path, const std::string& Bytes, const struct stat* Old)
{
    std::string Temp;
    int Fd = -1;
    for (int N = 0; N < 100 && Fd < 0; ++N) {
        Temp = Path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(N);
        Fd = ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd < 0 && errno != EEXIST) break;
    }
    if (Fd < 0) throw EProfileWriteError(Path);

    if (Old) {
        // Keep the old file's permissions and owner where we may.
        if (::fchmod(Fd, Old->st_mode & 07777) != 0) {
            // a file system without modes: the new file keeps its own
        }
        if (::fchown(Fd, Old->st_uid, Old->st_gid) != 0) {
            // another user's file: the new one is ours
        }
    }
    bool Ok = WriteAll(Fd, Bytes) && ::fsync(Fd) == 0;
    Ok = (::close(Fd) == 0) && Ok;
    Ok = Ok && ::rename(Temp.c_str(), Path.c_str()) == 0;
    if (!Ok) {
        ::unlink(Temp.c_str());
        throw EProfileWriteError(Path);
    }
    SyncFolder(Path);
}

// Exclusive advisory lock for one read-modify-write. The lock file is never
// removed: removing it would let two writers hold locks on different inodes.
class TWriteLock {
public:
    explicit TWriteLock(const std::string& IniPath)
    {
        const std::string LockPath = IniPath + ".lock";
        Fd.Fd = ::open(LockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (Fd.Fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))
            Fd.Fd = ::open(LockPath.c_str(), O_RDONLY | O_CLOEXEC); // another user's lock file
        if (Fd.Fd < 0) throw EProfileWriteError(IniPath);
        while (::flock(Fd.Fd, LOCK_EX) != 0)
            if (errno != EINTR) throw EProfileWriteError(IniPath);
    }

private:
    TFileDescriptor Fd;
};

} // namespace

bool SameIniName(std::string_view A, std::string_view B) { return SameName(A, B); }

std::string IniName(std::string_view Name) { return CleanName(Name); }

// ---------------------------------------------------------------- integers

std::optional<std::int32_t> ParseIniInteger(std::string_view Text)
{
    std::string_view Hex;
    bool IsHexText = false;
    if (Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
        Hex = Text.substr(2);
        IsHexText = true;
    } else if (!Text.empty() && Text[0] == '$') {
        Hex = Text.substr(1);
        IsHexText = true;
    }
    if (IsHexText) {
        if (Hex.empty()) return std::nullopt;
        std::uint64_t V = 0;
        for (char C : Hex) {
            if (!IsHex(C)) return std::nullopt;
            V = V * 16 + static_cast<std::uint64_t>(HexValue(C));
            if (V > 0xFFFFFFFFu) return std::nullopt;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(V));
    }

    bool Negative = false;
    if (!Text.empty() && (Text[0] == '-' || Text[0] == '+')) {
        Negative = Text[0] == '-';
        Text.remove_prefix(1);
    }
    if (Text.empty()) return std::nullopt;
    std::int64_t V = 0;
    for (char C : Text) {
        if (C < '0' || C > '9') return std::nullopt;
        V = V * 10 + (C - '0');
        if (V > 2147483648LL) return std::nullopt;
    }
    if (Negative) V = -V;
    if (V > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(V);
}

// ---------------------------------------------------------------- document

TIniDocument::TLine TIniDocument::MakeLine(std::string Raw)
{
    TLine L;
    L.Raw = std::move(Raw);
    const TParsed P = Classify(L.Raw);
    if (P.Kind == TLineKind::Other) return L;
    L.Kind = P.Kind == TLineKind::Section ? TKind::Section : TKind::Key;
    L.NamePos = static_cast<std::size_t>(P.Name.data() - L.Raw.data());
    L.NameLen = P.Name.size();
    if (P.Kind == TLineKind::Key) {
        L.ValuePos = static_cast<std::size_t>(P.Value.data() - L.Raw.data());
        L.ValueLen = P.Value.size();
    }
    return L;
}

TIniDocument::TIniDocument(std::string_view Bytes)
{
    // Lines keep their own CR: lines we do not write keep their bytes.
    bool EolKnown = false;
    while (!Bytes.empty()) {
        const std::size_t Lf = Bytes.find('\n');
        const std::string_view Line = Bytes.substr(0, Lf);
        if (!EolKnown && Lf != std::string_view::npos) {
            CrLf = !Line.empty() && Line.back() == '\r';
            EolKnown = true;
        }
        Lines.push_back(MakeLine(std::string(Line)));
        if (Lf == std::string_view::npos) break;
        Bytes.remove_prefix(Lf + 1);
    }
}

std::string TIniDocument::Text() const
{
    std::size_t Size = 0;
    for (const TLine& L : Lines) Size += L.Raw.size() + 1;
    std::string Out;
    Out.reserve(Size);
    for (const TLine& L : Lines) {
        Out += L.Raw;
        Out += '\n';
    }
    return Out;
}

std::optional<std::string> TIniDocument::Find(std::string_view Section, std::string_view Key) const
{
    const std::string S = CleanName(Section);
    const std::string K = CleanName(Key);
    bool In = false;
    for (const TLine& L : Lines) {
        if (L.Kind == TKind::Section)
            In = SameName(L.Name(), S);
        else if (In && L.Kind == TKind::Key && SameName(L.Name(), K))
            return std::string(LimitValue(L.Value()));
    }
    return std::nullopt;
}

std::string TIniDocument::ReadString(std::string_view Section, std::string_view Key,
                                     std::string_view Default) const
{
    if (auto V = Find(Section, Key)) return std::move(*V);
    return std::string(LimitValue(Default));
}

std::int32_t TIniDocument::ReadInteger(std::string_view Section, std::string_view Key,
                                       std::int32_t Default) const
{
    const auto V = Find(Section, Key);
    if (!V) return Default;
    return ParseIniInteger(*V).value_or(Default);
}

bool TIniDocument::ReadBool(std::string_view Section, std::string_view Key, bool Default) const
{
    return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

std::vector<std::string> TIniDocument::ReadSections() const
{
    std::vector<std::string> Names;
    std::unordered_set<std::string> Seen;
    std::size_t Used = 1; // the list's closing NUL
    for (const TLine& L : Lines) {
        if (L.Kind != TKind::Section || L.NameLen == 0) continue;
        if (!Seen.insert(FoldName(L.Name())).second) continue;
        if (Used + L.NameLen + 1 > SectionListLimit) break;
        Used += L.NameLen + 1;
        Names.emplace_back(L.Name());
    }
    return Names;
}

std::vector<std::string> TIniDocument::ReadSection(std::string_view Section) const
{
    const std::string S = CleanName(Section);
    std::vector<std::string> Keys;
    std::unordered_set<std::string> Seen;
    bool In = false;
    for (const TLine& L : Lines) {
        if (L.Kind == TKind::Section)
            In = SameName(L.Name(), S);
        else if (In && L.Kind == TKind::Key && Seen.insert(FoldName(L.Name())).second)
            Keys.emplace_back(L.Name());
    }
    return Keys;
}

bool TIniDocument::SectionExists(std::string_view Section) const
{
    const std::string S = CleanName(Section);
    bool In = false;
    for (const TLine& L : Lines) {
        if (L.Kind == TKind::Section)
            In = SameName(L.Name(), S);
        else if (In && L.Kind == TKind::Key)
            return true;
    }
    return false;
}

void TIniDocument::WriteString(std::string_view Section, std::string_view Key,
                               std::string_view Value)
{
    const std::string S = CleanName(Section);
    const std::string K = CleanName(Key);
    // Our own key names are fixed; one of these would not read back as a key.
    if (K.empty() || K.front() == '[' || K.front() == ';' || K.find('=') != std::string::npos)
        throw std::invalid_argument("INI key name not storable: " + K);
    const std::string V = WithoutLineBreaks(Value);
    const auto Ended = [](std::string L, bool Cr) { return Cr ? L + "\r" : L; };

    bool In = false;
    bool InFirstBlock = false;
    bool SectionSeen = false;
    std::size_t InsertAt = 0; // after the last non-blank line of the first block
    for (std::size_t I = 0; I < Lines.size(); ++I) {
        const TLine& L = Lines[I];
        if (L.Kind == TKind::Section) {
            In = SameName(L.Name(), S);
            InFirstBlock = In && !SectionSeen;
            if (InFirstBlock) {
                SectionSeen = true;
                InsertAt = I + 1;
            }
            continue;
        }
        if (!In) continue;
        if (L.Kind == TKind::Key && SameName(L.Name(), K)) {
            // The file's spelling of the key stays.
            std::string Replacement =
                Ended(std::string(L.Name()) + "=" + V, !L.Raw.empty() && L.Raw.back() == '\r');
            if (L.Raw != Replacement) {
                Lines[I] = MakeLine(std::move(Replacement));
                Changed = true;
            }
            return;
        }
        if (InFirstBlock && !TrimBlanks(L.Raw).empty()) InsertAt = I + 1;
    }
    TLine New = MakeLine(Ended(K + "=" + V, CrLf));
    if (SectionSeen) {
        Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(InsertAt), std::move(New));
    } else {
        Lines.push_back(MakeLine(Ended("[" + S + "]", CrLf)));
        Lines.push_back(std::move(New));
    }
    Changed = true;
}

void TIniDocument::WriteInteger(std::string_view Section, std::string_view Key, std::int32_t Value)
{
    WriteString(Section, Key, std::to_string(Value));
}

void TIniDocument::WriteBool(std::string_view Section, std::string_view Key, bool Value)
{
    WriteString(Section, Key, Value ? "1" : "0");
}

void TIniDocument::EraseSection(std::string_view Section)
{
    // Every block of the name goes, or a duplicate would bring the section back.
    const std::string S = CleanName(Section);
    std::vector<TLine> Kept;
    Kept.reserve(Lines.size());
    bool In = false;
    for (TLine& L : Lines) {
        if (L.Kind == TKind::Section) In = SameName(L.Name(), S);
        if (In)
            Changed = true;
        else
            Kept.push_back(std::move(L));
    }
    Lines = std::move(Kept);
}

// ---------------------------------------------------------------- file

TIniFile::TIniFile(std::string FileName) : Name(std::move(FileName)) {}

TIniDocument TIniFile::Load() const
{
    std::string Bytes;
    struct stat Info {};
    if (ReadWholeFile(Name, Bytes, Info) != TReadResult::Ok) return {};
    return TIniDocument(Bytes);
}

void TIniFile::Update(const std::function<void(TIniDocument&)>& Edit)
{
    TWriteLock Lock(Name);
    std::string Bytes;
    struct stat Info {};
    const TReadResult R = ReadWholeFile(Name, Bytes, Info);
    // A file we cannot read must not be replaced by one holding only our keys.
    if (R == TReadResult::Failed) throw EProfileWriteError(Name);
    // Renaming over a read-only file would succeed; its owner meant no.
    if (R == TReadResult::Ok && ::faccessat(AT_FDCWD, Name.c_str(), W_OK, AT_EACCESS) != 0)
        throw EProfileWriteError(Name);

    TIniDocument Doc(Bytes);
    Edit(Doc);
    if (!Doc.Modified()) return;
    // A linked file is replaced where it lives, so the link stays.
    std::string Target = Name;
    struct stat Link {};
    if (::lstat(Name.c_str(), &Link) == 0 && S_ISLNK(Link.st_mode)) {
        char* Real = ::realpath(Name.c_str(), nullptr);
        if (!Real) throw EProfileWriteError(Name);
        Target = Real;
        std::free(Real);
    }
    try {
        ReplaceFile(Target, Doc.Text(), R == TReadResult::Ok ? &Info : nullptr);
    } catch (const EProfileWriteError&) {
        throw EProfileWriteError(Name); // the user knows the file by this name
    }
}

std::string TIniFile::ReadString(std::string_view Section, std::string_view Key,
                                 std::string_view Default) const
{
    return Load().ReadString(Section, Key, Default);
}

std::int32_t TIniFile::ReadInteger(std::string_view Section, std::string_view Key,
                                   std::int32_t Default) const
{
    return Load().ReadInteger(Section, Key, Default);
}

bool TIniFile::ReadBool(std::string_view Section, std::string_view Key, bool Default) const
{
    return Load().ReadBool(Section, Key, Default);
}

std::vector<std::string> TIniFile::ReadSections() const { return Load().ReadSections(); }

std::vector<std::string> TIniFile::ReadSection(std::string_view Section) const
{
    return Load().ReadSection(Section);
}

bool TIniFile::SectionExists(std::string_view Section) const
{
    return Load().SectionExists(Section);
}

void TIniFile::WriteString(std::string_view Section, std::string_view Key, std::string_view Value)
{
    Update([&](TIniDocument& D) { D.WriteString(Section, Key, Value); });
}

void TIniFile::WriteInteger(std::string_view Section, std::string_view Key, std::int32_t Value)
{
    Update([&](TIniDocument& D) { D.WriteInteger(Section, Key, Value); });
}

void TIniFile::WriteBool(std::string_view Section, std::string_view Key, bool Value)
{
    Update([&](TIniDocument& D) { D.WriteBool(Section, Key, Value); });
}

void TIniFile::EraseSection(std::string_view Section)
{
    Update([&](TIniDocument& D) { D.EraseSection(Section); });
}
