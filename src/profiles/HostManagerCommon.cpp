// Loading and saving connection profiles.
#include "profiles/HostManagerCommon.h"

#include <climits>
#include <unistd.h>

namespace {

std::int32_t AsStored(TColor C) { return static_cast<std::int32_t>(C); }
TColor AsColor(std::int32_t V) { return static_cast<TColor>(V); }

} // namespace

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
    const std::string& A = Alias;
    const char* G = GlobalSectionName;

    TAliasInfo I;
    // The section lookup ignores case, this comparison does not.
    I.Registered = Doc.SectionExists(A) && Alias != DefaultAliasName;
    I.Alias = Alias;
    I.Address = Doc.ReadString(A, "Address", "Remote Address");
    I.Port = Doc.ReadInteger(A, "Port", 23);
    I.SoftScroll = Doc.ReadBool(A, "SoftScroll", false);
    I.CrossCaret = Doc.ReadBool(A, "CrossCaret", true);
    I.VisualBeep = Doc.ReadBool(A, "VisualBeep", true);
    I.BeepOn = Doc.ReadBool(A, "BeepOn", true);
    I.AutoWrap = Doc.ReadBool(A, "AutoWrap", true);
    I.AutoLF = Doc.ReadBool(A, "AutoLF", false);
    I.AutoCR = Doc.ReadBool(A, "AutoCR", false);
    I.ColorCaret = AsColor(Doc.ReadInteger(A, "ColorCaret", 65535));
    I.ColorBack = AsColor(Doc.ReadInteger(A, "ColorBack", 0));
    I.FontName = Doc.ReadString(A, "FontName", "FixedSys");
    I.FontSize = Doc.ReadInteger(A, "FontSize", 12);
    I.FontColor = AsColor(Doc.ReadInteger(A, "FontColor", 12632256));
    I.ScrollBuffer = Doc.ReadInteger(A, "ScrollBuffer", 1000);
    I.Col = Doc.ReadInteger(A, "Col", 80);
    I.Row = Doc.ReadInteger(A, "Row", 30);
    I.TerminalType = Doc.ReadString(A, "TerminalType", "xterm");
    I.Monochrome = Doc.ReadBool(A, "Monochrome", false);

    I.ShowToolBar = Doc.ReadBool(G, "ShowToolBar", true);
    I.ShowStatusBar = Doc.ReadBool(G, "ShowStatusBar", true);
    I.ShowScrollBar = Doc.ReadBool(G, "ShowScrollBar", true);
    I.ExitOnDisconnect = Doc.ReadBool(G, "ExitOnDisconnect", false);
    I.FastInterrupt = Doc.ReadBool(G, "FastInterrupt", false);
    I.HanEng = Doc.ReadBool(G, "HanEng", false);

    CloseProfileIni(Ini);
    return I;
}

void SaveAliasInfo(const std::string& Path, const TAliasInfo& Info)
{
    std::unique_ptr<TIniFile> Ini = OpenProfileIni(Path);
    Ini->Update([&Info](TIniDocument& D) {
        const std::string& A = Info.Alias;
        D.WriteString(A, "Address", Info.Address);
        D.WriteInteger(A, "Port", Info.Port);
        D.WriteBool(A, "SoftScroll", Info.SoftScroll);
        D.WriteBool(A, "CrossCaret", Info.CrossCaret);
        D.WriteBool(A, "VisualBeep", Info.VisualBeep);
        D.WriteBool(A, "BeepOn", Info.BeepOn);
        D.WriteBool(A, "AutoWrap", Info.AutoWrap);
        D.WriteBool(A, "AutoLF", Info.AutoLF);
        D.WriteBool(A, "AutoCR", Info.AutoCR);
        D.WriteInteger(A, "ColorCaret", AsStored(Info.ColorCaret));
        D.WriteInteger(A, "ColorBack", AsStored(Info.ColorBack));
        D.WriteString(A, "FontName", Info.FontName);
        D.WriteInteger(A, "FontSize", Info.FontSize);
        D.WriteInteger(A, "FontColor", AsStored(Info.FontColor));
        D.WriteInteger(A, "ScrollBuffer", Info.ScrollBuffer);
        D.WriteInteger(A, "Col", Info.Col);
        D.WriteInteger(A, "Row", Info.Row);
        D.WriteString(A, "TerminalType", Info.TerminalType);
        D.WriteBool(A, "Monochrome", Info.Monochrome);
    });
    CloseProfileIni(Ini);
}

void SaveGlobalInfo(const std::string& Path, const TAliasInfo& Info)
{
    std::unique_ptr<TIniFile> Ini = OpenProfileIni(Path);
    Ini->Update([&Info](TIniDocument& D) {
        const char* G = GlobalSectionName;
        D.WriteBool(G, "ShowToolBar", Info.ShowToolBar);
        D.WriteBool(G, "ShowStatusBar", Info.ShowStatusBar);
        D.WriteBool(G, "ShowScrollBar", Info.ShowScrollBar);
        D.WriteBool(G, "ExitOnDisconnect", Info.ExitOnDisconnect);
        D.WriteBool(G, "FastInterrupt", Info.FastInterrupt);
        D.WriteBool(G, "HanEng", Info.HanEng);
    });
    CloseProfileIni(Ini);
}
