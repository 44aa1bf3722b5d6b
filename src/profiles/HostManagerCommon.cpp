// Loading and saving connection profiles.
#include "profiles/HostManagerCommon.h"

#include "profiles/ProfileKeys.h"

#include <climits>
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

std::string ProfileIniPath()
{
    char Buf[PATH_MAX];
    const ssize_t N = ::readlink("/proc/self/exe", Buf, sizeof Buf - 1);
    if (N <= 0) return ProfileIniPath(".");
    return ProfileIniPath(ExecutableFolder(std::string(Buf, static_cast<std::size_t>(N))));
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
// Writes the keys of one section, in table order.
void SaveKeys(const std::string& Path, const TAliasInfo& Info, TProfileSection Which)
{
    std::unique_ptr<TIniFile> Ini = OpenProfileIni(Path);
    Ini->Update([&](TIniDocument& D) {
        for (const TProfileKey& K : ProfileKeys) {
            if (K.Section != Which) continue;
            const std::string_view Section = SectionOf(K, Info.Alias);
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
