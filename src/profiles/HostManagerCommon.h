#pragma once
// The connection profile record and its store in the INI file beside the
// executable: one section per alias, "_DEFAULT" for bare addresses, and
// "Global" for the program-wide switches.
#include "profiles/IniFile.h"
#include "term/TermCommon.h"

#include <cstdint>
#include <memory>
#include <string>

inline constexpr const char* ProfileIniName = "Brevanix.ini";
inline constexpr const char* DefaultAliasName = "_DEFAULT";
inline constexpr const char* GlobalSectionName = "Global";

// A plain value record; the member values are those a load gives for missing keys.
struct TAliasInfo {
    bool Registered = false; // has a section of its own and is not _DEFAULT; set by loading
    std::string Alias;
    std::string Address = "Remote Address";
    std::int32_t Port = 23;
    bool SoftScroll = false;
    bool CrossCaret = true;
    bool VisualBeep = true;
    bool BeepOn = true;
    bool AutoWrap = true;
    bool AutoLF = false;
    bool AutoCR = false;
    TColor ColorCaret = 65535; // yellow
    TColor ColorBack = 0;      // black
    std::string FontName = "FixedSys";
    std::int32_t FontSize = 12;
    TColor FontColor = 12632256; // silver
    bool Monochrome = false;
    std::int32_t ScrollBuffer = 1000;
    std::int32_t Col = 80;
    std::int32_t Row = 30;
    bool ShowToolBar = true;       // Global
    bool ShowStatusBar = true;     // Global
    bool ShowScrollBar = true;     // Global
    bool ExitOnDisconnect = false; // Global
    bool FastInterrupt = false;    // Global
    std::string TerminalType = "xterm";
    bool HanEng = false; // Global

    bool operator==(const TAliasInfo&) const = default;
};

// The folder part of an executable's path: everything before the last "/",
// or "/" for an executable in the root.
std::string ExecutableFolder(const std::string& ExePath);
// Folder + "/Brevanix.ini".
std::string ProfileIniPath(const std::string& ExeFolder);
// Beside the running executable, whatever name it was started under.
std::string ProfileIniPath();

std::unique_ptr<TIniFile> OpenProfileIni(const std::string& Path); // does not touch the file
void CloseProfileIni(std::unique_ptr<TIniFile>& Ini);

// Loads read the file once, so a record is never a mix of two saves. Saves
// land whole or not at all and throw EProfileWriteError when refused.
TAliasInfo LoadAliasInfo(const std::string& Path, const std::string& Alias);
void SaveAliasInfo(const std::string& Path, const TAliasInfo& Info);
void SaveGlobalInfo(const std::string& Path, const TAliasInfo& Info);
