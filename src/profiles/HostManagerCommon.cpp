// Loading and saving connection profiles.
#include "profiles/HostManagerCommon.h"

#include "profiles/ProfileKeys.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <string_view>
#include <type_traits>
#include <unistd.h>
#include <variant>

namespace {
std::string_view SectionOf(const TProfileKey& K, const std::string& Alias)
{
    return K.Section == TProfileSection::Global ? std::string_view(GlobalSectionName)
                                                : std::string_view(Alias);
}

// The default in the field's own type.
template <class T> T DefaultOf(const TProfileKey& K)
{
    if constexpr (std::is_same_v<T, std::string>)
        return std::get<const char*>(K.Default);
    else
        return std::get<T>(K.Default);
}
} // namespace

TAliasInfo::TAliasInfo()
{
    for (const TProfileKey& K : ProfileKeys)
        std::visit(
            [&](auto Field) {
                using T = std::remove_reference_t<decltype(this->*Field)>;
                this->*Field = DefaultOf<T>(K);
            },
            K.Field);
}

namespace {
// ASCII letters in either case; the C library's toupper would follow the locale.
bool SameLetters(const std::string& V, std::string_view Upper)
{
    if (V.size() != Upper.size()) return false;
    for (std::size_t I = 0; I < V.size(); ++I) {
        const char C = V[I] >= 'a' && V[I] <= 'z' ? static_cast<char>(V[I] - 'a' + 'A') : V[I];
        if (C != Upper[I]) return false;
    }
    return true;
}
} // namespace

TProtocol ProtocolOf(const std::string& V)
{
    return SameLetters(V, "SSH") ? TProtocol::Ssh : TProtocol::Telnet;
}

TLogMode LogModeOf(const std::string& V)
{
    return SameLetters(V, "RAW") ? TLogMode::Raw : TLogMode::Text;
}

TLogEncoding LogEncodingOf(const std::string& V)
{
    return SameLetters(V, "UTF-8") || SameLetters(V, "UTF8") ? TLogEncoding::Utf8
                                                             : TLogEncoding::Host;
}

std::string ExecutableFolder(const std::string& ExePath)
{
    const std::size_t Slash = ExePath.rfind('/');
    if (Slash == std::string::npos) return ".";
    if (Slash == 0) return "/";
    return ExePath.substr(0, Slash);
}

std::string ProfileIniPath(const std::string& ExeFolder)
{
    if (!ExeFolder.empty() && ExeFolder.back() == '/') return ExeFolder + ProfileIniName;
    return ExeFolder + "/" + ProfileIniName;
}

std::string ChooseProfileIniPath(const std::string& ExeFolder, const std::string& ConfigHome)
{
    const std::string Beside = ProfileIniPath(ExeFolder);
    if (::access(Beside.c_str(), F_OK) == 0 || ::access(ExeFolder.c_str(), W_OK) == 0)
        return Beside;
    return ProfileIniPath(ConfigHome + "/brevanix");
}

namespace {
std::string ConfigHome()
{
    const char* Xdg = std::getenv("XDG_CONFIG_HOME");
    if (Xdg && Xdg[0] == '/') return Xdg; // a relative value is to be ignored
    const char* Home = std::getenv("HOME");
    if (!Home || Home[0] != '/') {
        const passwd* Pw = ::getpwuid(::getuid());
        Home = Pw ? Pw->pw_dir : "/tmp";
    }
    return std::string(Home) + "/.config";
}
} // namespace

std::string ProfileIniPath()
{
    char Buf[PATH_MAX];
    const ssize_t N = ::readlink("/proc/self/exe", Buf, sizeof Buf - 1);
    const std::string Folder =
        N > 0 ? ExecutableFolder(std::string(Buf, static_cast<std::size_t>(N))) : ".";
    const std::string Home = ConfigHome();
    const std::string Path = ChooseProfileIniPath(Folder, Home);
    if (Path != ProfileIniPath(Folder)) {
        // A folder we cannot make shows later as a refused write.
        std::error_code Ignored;
        std::filesystem::create_directories(Home + "/brevanix", Ignored);
    }
    return Path;
}

std::unique_ptr<TIniFile> OpenProfileIni(const std::string& Path)
{
    return std::make_unique<TIniFile>(Path);
}

void CloseProfileIni(std::unique_ptr<TIniFile>& Ini) { Ini.reset(); }

TAliasInfo LoadAliasInfo(const std::string& Path, const std::string& Alias)
{
    std::unique_ptr<TIniFile> Ini = OpenProfileIni(Path);
    const TIniDocument Doc = Ini->Load();
    TAliasInfo I;
    // The section lookup ignores case, this comparison does not.
    I.Registered = Doc.SectionExists(Alias) && Alias != DefaultAliasName;
    I.Alias = Alias;
    for (const TProfileKey& K : ProfileKeys) {
        const std::string_view Section = SectionOf(K, Alias);
        std::visit(
            [&](auto Field) {
                using T = std::remove_reference_t<decltype(I.*Field)>;
                const T Default = DefaultOf<T>(K);
                if constexpr (std::is_same_v<T, std::string>)
                    I.*Field = Doc.ReadString(Section, K.Name, Default);
                else if constexpr (std::is_same_v<T, bool>)
                    I.*Field = Doc.ReadBool(Section, K.Name, Default);
                else
                    I.*Field = static_cast<T>(
                        Doc.ReadInteger(Section, K.Name, static_cast<std::int32_t>(Default)));
            },
            K.Field);
    }
    CloseProfileIni(Ini);
    return I;
}

namespace {
bool IsDefault(const TProfileKey& K, const TAliasInfo& Info)
{
    return std::visit(
        [&](auto Field) {
            using T = std::remove_cvref_t<decltype(Info.*Field)>;
            return Info.*Field == DefaultOf<T>(K);
        },
        K.Field);
}

// Writes the keys of one section, in table order.
void SaveKeys(const std::string& Path, const TAliasInfo& Info, TProfileSection Which)
{
    std::unique_ptr<TIniFile> Ini = OpenProfileIni(Path);
    Ini->Update([&](TIniDocument& D) {
        for (const TProfileKey& K : ProfileKeys) {
            if (K.Section != Which) continue;
            const std::string_view Section = SectionOf(K, Info.Alias);
            if (K.Added && !D.Find(Section, K.Name) && IsDefault(K, Info)) continue;
            std::visit(
                [&](auto Field) {
                    const auto& V = Info.*Field;
                    using T = std::remove_cvref_t<decltype(V)>;
                    if constexpr (std::is_same_v<T, std::string>)
                        D.WriteString(Section, K.Name, V);
                    else if constexpr (std::is_same_v<T, bool>)
                        D.WriteBool(Section, K.Name, V);
                    else // a colour is stored as its signed 32-bit pattern
                        D.WriteInteger(Section, K.Name, static_cast<std::int32_t>(V));
                },
                K.Field);
        }
    });
    CloseProfileIni(Ini);
}
} // namespace

void SaveAliasInfo(const std::string& Path, const TAliasInfo& Info)
{
    SaveKeys(Path, Info, TProfileSection::Alias);
}

void SaveGlobalInfo(const std::string& Path, const TAliasInfo& Info)
{
    SaveKeys(Path, Info, TProfileSection::Global);
}
