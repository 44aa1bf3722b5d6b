#include "aux/XShelLnk.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <pwd.h>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view Group = "[Desktop Entry]";
constexpr std::string_view Extension = ".desktop";
// Our own keys: the Desktop Entry format has no hot key, show command or
// icon number, and a replaced shortcut must keep them.
constexpr const char* KeyHotKey = "X-Brevanix-HotKey";
constexpr const char* KeyShowCommand = "X-Brevanix-ShowCommand";
constexpr const char* KeyIconIndex = "X-Brevanix-IconIndex";

bool IsContinuation(char C) { return (static_cast<unsigned char>(C) & 0xC0) == 0x80; }

std::size_t Characters(std::string_view S)
{
    std::size_t N = 0;
    for (const char C : S) N += !IsContinuation(C);
    return N;
}

// The first MaxText characters, never a character cut in half.
std::string Cut(std::string S)
{
    std::size_t N = 0;
    for (std::size_t I = 0; I < S.size(); ++I)
        if (!IsContinuation(S[I]) && N++ == TShellLink::MaxText) {
            S.resize(I);
            break;
        }
    return S;
}

// The escapes of a Desktop Entry string value.
std::string EscapeValue(std::string_view S)
{
    std::string Out;
    for (std::size_t I = 0; I < S.size(); ++I) {
        switch (S[I]) {
        case '\\': Out += "\\\\"; break;
        case '\n': Out += "\\n"; break;
        case '\t': Out += "\\t"; break;
        case '\r': Out += "\\r"; break;
        case ' ': Out += I == 0 ? "\\s" : " "; break; // a leading blank would be trimmed
        default: Out += S[I];
        }
    }
    return Out;
}

std::string UnescapeValue(std::string_view S)
{
    std::string Out;
    for (std::size_t I = 0; I < S.size(); ++I) {
        if (S[I] != '\\' || I + 1 == S.size()) {
            Out += S[I];
            continue;
        }
        switch (S[++I]) {
        case 's': Out += ' '; break;
        case 'n': Out += '\n'; break;
        case 't': Out += '\t'; break;
        case 'r': Out += '\r'; break;
        case '\\': Out += '\\'; break;
        default: Out += '\\', Out += S[I];
        }
    }
    return Out;
}

// Exec's field codes: "%%" is a literal percent sign, the others expand to
// files or URLs a shortcut never passes.
std::string DoublePercents(const std::string& S)
{
    std::string Out;
    for (const char C : S) Out += C == '%' ? std::string("%%") : std::string(1, C);
    return Out;
}

std::string ExpandFieldCodes(std::string_view S)
{
    std::string Out;
    for (std::size_t I = 0; I < S.size(); ++I) {
        if (S[I] != '%')
            Out += S[I];
        else if (I + 1 < S.size() && S[++I] == '%')
            Out += '%';
    }
    return Out;
}

std::string_view Trim(std::string_view S)
{
    const auto First = S.find_first_not_of(" \t");
    if (First == std::string_view::npos) return {};
    return S.substr(First, S.find_last_not_of(" \t") - First + 1);
}

// The keys of the [Desktop Entry] group; nothing when the file has none.
std::optional<std::map<std::string, std::string>> ReadEntry(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    if (!In) return std::nullopt;
    std::map<std::string, std::string> Keys;
    bool InGroup = false, Seen = false;
    for (std::string Line; std::getline(In, Line);) {
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        const std::string_view L = Trim(Line);
        if (L.empty() || L.front() == '#') continue;
        if (L.front() == '[') {
            InGroup = L == Group;
            Seen = Seen || InGroup;
            continue;
        }
        const auto Eq = L.find('=');
        if (InGroup && Eq != std::string_view::npos)
            Keys.emplace(Trim(L.substr(0, Eq)), Trim(L.substr(Eq + 1)));
    }
    if (!Seen) return std::nullopt;
    return Keys;
}

template <typename T> T Number(const std::map<std::string, std::string>& Keys, const char* Key)
{
    T Value{};
    const auto It = Keys.find(Key);
    if (It != Keys.end())
        std::from_chars(It->second.data(), It->second.data() + It->second.size(), Value);
    return Value;
}

bool WriteAll(int Fd, const std::string& Text)
{
    std::size_t Done = 0;
    while (Done < Text.size()) {
        const ssize_t N = ::write(Fd, Text.data() + Done, Text.size() - Done);
        if (N < 0 && errno == EINTR) continue;
        if (N <= 0) return false;
        Done += static_cast<std::size_t>(N);
    }
    return true;
}

// Through a file beside the target that is renamed over it at the end: a
// desktop never sees half a launcher. Executable, so desktops that ask for
// it take the file as a trusted launcher.
bool WriteAtomically(const std::string& Path, const std::string& Text)
{
    const auto Slash = Path.rfind('/');
    const std::string Folder = Slash == std::string::npos ? "./" : Path.substr(0, Slash + 1);
    std::string Temp = Folder + ".brevanix-XXXXXX";
    const int Fd = ::mkostemp(Temp.data(), O_CLOEXEC);
    if (Fd < 0) return false;
    const mode_t Mask = ::umask(0);
    ::umask(Mask);
    bool Ok = WriteAll(Fd, Text) && ::fchmod(Fd, 0755 & ~Mask) == 0 && ::fsync(Fd) == 0;
    Ok = ::close(Fd) == 0 && Ok;
    Ok = Ok && ::rename(Temp.c_str(), Path.c_str()) == 0;
    if (!Ok) ::unlink(Temp.c_str());
    return Ok;
}

std::string HomeFolder()
{
    const char* Home = std::getenv("HOME");
    if (Home && Home[0] == '/') return Home;
    const passwd* Pw = ::getpwuid(::getuid());
    return Pw && Pw->pw_dir && Pw->pw_dir[0] == '/' ? Pw->pw_dir : "";
}

// XDG_DESKTOP_DIR="$HOME/..." or "/..." in the user-dirs file; empty else.
std::string UserDirsDesktop(const std::string& File, const std::string& Home)
{
    std::ifstream In(File);
    std::string Found;
    for (std::string Line; std::getline(In, Line);) {
        const std::string_view L = Trim(Line);
        constexpr std::string_view Key = "XDG_DESKTOP_DIR=\"";
        if (!L.starts_with(Key) || !L.ends_with('"') || L.size() <= Key.size()) continue;
        const std::string_view V = L.substr(Key.size(), L.size() - Key.size() - 1);
        if (V.starts_with("$HOME") && (V.size() == 5 || V[5] == '/'))
            Found = Home + std::string(V.substr(5));
        else if (V.starts_with('/'))
            Found = V;
    }
    return Found;
}

} // namespace

void TShellLink::SetAutoLoad(bool Value)
{
    const bool Switched = Value && !FAutoLoad;
    FAutoLoad = Value;
    if (Switched) Load();
}

void TShellLink::SetFileName(const std::string& Value)
{
    if (Value == FFileName) return;
    FFileName = Value;
    if (FAutoLoad) Load();
}

void TShellLink::SetIconIndex(std::int32_t Value)
{
    if (Value >= 0) FIconIndex = Value;
}

void TShellLink::Clear()
{
    Arguments.clear();
    Description.clear();
    IconFile.clear();
    LinkName.clear();
    WorkingDirectory.clear();
    HotKey = 0;
    FIconIndex = 0;
    ShowCommand = TWindowState::wsNormal;
}

bool TShellLink::Load()
{
    const auto Keys = FFileName.empty() ? std::nullopt : ReadEntry(FFileName);
    const auto Text = [&](const char* Key) {
        const auto It = Keys->find(Key);
        return It == Keys->end() ? std::string() : Cut(UnescapeValue(It->second));
    };
    const auto Words = Keys && Text("Type") == "Application"
                           ? SplitArguments(ExpandFieldCodes(Text("Exec")))
                           : std::nullopt;
    if (!Words || Words->empty()) {
        Clear();
        return false;
    }
    LinkName = Cut(Words->front());
    std::string Args;
    for (std::size_t I = 1; I < Words->size(); ++I)
        Args += (I > 1 ? " " : "") + QuoteArgument((*Words)[I]);
    Arguments = Cut(Args);
    Description = Text("Comment");
    WorkingDirectory = Text("Path");
    IconFile = Text("Icon");
    FIconIndex = std::max(0, Number<std::int32_t>(*Keys, KeyIconIndex));
    HotKey = HotKeyToShortCut(Number<std::uint16_t>(*Keys, KeyHotKey));
    ShowCommand = ShowCmdToWindowState(Number<int>(*Keys, KeyShowCommand));
    return true;
}

bool TShellLink::Save()
{
    for (const std::string* T :
         {&FFileName, &Arguments, &Description, &IconFile, &LinkName, &WorkingDirectory})
        if (Characters(*T) > MaxText) return false;
    const auto Args = SplitArguments(Arguments);
    if (FFileName.empty() || LinkName.empty() || !Args) return false;
    std::string Exec = QuoteArgument(LinkName);
    for (const std::string& A : *Args) Exec += " " + QuoteArgument(A);

    std::string Name = FFileName.substr(FFileName.rfind('/') + 1);
    if (Name.ends_with(Extension) && Name.size() > Extension.size())
        Name.resize(Name.size() - Extension.size());
    std::ostringstream F;
    F << Group << "\nType=Application\nVersion=1.0\nName=" << EscapeValue(Name) << '\n';
    if (!Description.empty()) F << "Comment=" << EscapeValue(Description) << '\n';
    F << "Exec=" << EscapeValue(DoublePercents(Exec)) << '\n';
    if (!WorkingDirectory.empty()) F << "Path=" << EscapeValue(WorkingDirectory) << '\n';
    if (!IconFile.empty()) F << "Icon=" << EscapeValue(IconFile) << '\n';
    F << "Terminal=false\n"
      << KeyIconIndex << '=' << FIconIndex << '\n'
      << KeyHotKey << '=' << ShortCutToHotKey(HotKey) << '\n'
      << KeyShowCommand << '=' << WindowStateToShowCmd(ShowCommand) << '\n';
    return WriteAtomically(FFileName, F.str());
}

TWindowState TShellLink::ShowCmdToWindowState(int ShowCmd) const
{
    switch (ShowCmd) {
    case 2:                                    // shown minimised
    case 6:                                    // minimise
    case 7: return TWindowState::wsMinimized;  // shown minimised, not activated
    case 3:                                    // shown maximised
    case 10: return TWindowState::wsMaximized; // default
    default: return TWindowState::wsNormal;
    }
}

int TShellLink::WindowStateToShowCmd(TWindowState State)
{
    switch (State) {
    case TWindowState::wsMinimized: return 7;
    case TWindowState::wsMaximized: return 3;
    default: return 1;
    }
}

// The platform word: virtual key in the low byte, Shift 0x01, Ctrl 0x02 and
// Alt 0x04 in the high byte.
TShortCut TShellLink::HotKeyToShortCut(std::uint16_t Word) const
{
    return static_cast<TShortCut>((Word & 0xFF) | ((Word >> 8) & 0x07) << 13);
}

std::uint16_t TShellLink::ShortCutToHotKey(TShortCut ShortCut) const
{
    return static_cast<std::uint16_t>((ShortCut & 0xFF) | ((ShortCut >> 13) & 0x07) << 8);
}

std::string QuoteArgument(const std::string& Arg)
{
    constexpr std::string_view Reserved = " \t\n\"'\\><~|&;$*?#()`";
    bool Plain = !Arg.empty();
    for (const char C : Arg)
        Plain = Plain && Reserved.find(C) == std::string_view::npos &&
                static_cast<unsigned char>(C) >= 0x20 && C != 0x7F;
    if (Plain) return Arg;
    std::string Out = "\"";
    for (const char C : Arg) {
        if (C == '"' || C == '`' || C == '$' || C == '\\') Out += '\\';
        Out += C;
    }
    return Out + '"';
}

std::optional<std::vector<std::string>> SplitArguments(const std::string& Line)
{
    std::vector<std::string> Words;
    std::string Word;
    bool InWord = false;
    for (std::size_t I = 0; I < Line.size(); ++I) {
        const char C = Line[I];
        if (C == ' ' || C == '\t' || C == '\n') {
            if (InWord) Words.push_back(std::move(Word));
            Word.clear();
            InWord = false;
            continue;
        }
        InWord = true;
        if (C == '"') {
            for (++I; I < Line.size() && Line[I] != '"'; ++I) {
                if (Line[I] == '\\' && I + 1 < Line.size() &&
                    std::string_view("\"`$\\").find(Line[I + 1]) != std::string_view::npos)
                    ++I;
                Word += Line[I];
            }
            if (I == Line.size()) return std::nullopt;
        } else if (C == '\'') {
            const auto End = Line.find('\'', I + 1);
            if (End == std::string::npos) return std::nullopt;
            Word += Line.substr(I + 1, End - I - 1);
            I = End;
        } else if (C == '\\' && I + 1 < Line.size()) {
            Word += Line[++I];
        } else {
            Word += C;
        }
    }
    if (InWord) Words.push_back(std::move(Word));
    return Words;
}

bool IsShortcutName(const std::string& Name)
{
    if (Name.empty() || Name == "." || Name == ".." || Name.front() == '.' || Name.front() == '-' ||
        Name.size() + Extension.size() > 255)
        return false;
    for (const char C : Name)
        if (C == '/' || static_cast<unsigned char>(C) < 0x20 || C == 0x7F) return false;
    return true;
}

std::string DesktopFolder()
{
    const std::string Home = HomeFolder();
    if (Home.empty()) return {};
    const char* Xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string Config = Xdg && Xdg[0] == '/' ? Xdg : Home + "/.config";
    std::string Folder = UserDirsDesktop(Config + "/user-dirs.dirs", Home);
    const char* Env = std::getenv("XDG_DESKTOP_DIR");
    if (Folder.empty() && Env && Env[0] == '/') Folder = Env;
    if (Folder.empty()) Folder = Home + "/Desktop";
    while (Folder.size() > 1 && Folder.back() == '/') Folder.pop_back();
    return Folder == "/" ? std::string() : Folder;
}
