#pragma once
// The connection profile record and its store in the INI file beside the
// executable: one section per alias, "_DEFAULT" for bare addresses, and
// "Global" for the program-wide switches.
#include "common/Color.h"
#include "profiles/IniFile.h"

#include <cstdint>
#include <memory>
#include <string>

inline constexpr const char* ProfileIniName = "Brevanix.ini";
inline constexpr const char* DefaultAliasName = "_DEFAULT";
inline constexpr const char* GlobalSectionName = "Global";

// A plain value record. Construction gives every stored field the value a
// load gives for a missing key (ProfileKeys); fields in the order of the
// record the file was designed around.
struct TAliasInfo {
    TAliasInfo();

    bool Registered = false; // has a section of its own and is not _DEFAULT; set by loading
    std::string Alias;
    std::string Address;
    std::int32_t Port;
    bool SoftScroll;
    bool CrossCaret;
    bool VisualBeep;
    bool BeepOn;
    bool AutoWrap;
    bool AutoLF;
    bool AutoCR;
    TColor ColorCaret;
    TColor ColorBack;
    std::string FontName;
    std::int32_t FontSize;
    TColor FontColor;
    bool Monochrome;
    std::int32_t ScrollBuffer;
    std::int32_t Col;
    std::int32_t Row;
    bool ShowToolBar;      // Global
    bool ShowStatusBar;    // Global
    bool ShowScrollBar;    // Global
    bool ExitOnDisconnect; // Global
    bool FastInterrupt;    // Global
    std::string TerminalType;
    bool HanEng;     // Global
    bool XtermLevel; // the emulation: the classic terminal, or xterm
    // "CP949" or "UTF-8": what the host's text is written in.
    std::string HostEncoding;
    std::string Protocol;        // "Telnet" or "SSH"; read it through ProtocolOf
    std::string UserName;        // SSH; empty: the session asks when it connects
    std::string IdentityFile;    // SSH; empty: ssh-agent, then the default keys of ~/.ssh
    std::int32_t ConnectTimeout; // SSH; seconds the handshake may take
    // The session's record: a path template (ExpandLogPath), empty for none.
    std::string LogFile;
    std::string LogMode;     // "Text" or "Raw"; read it through LogModeOf
    std::string LogEncoding; // Text's: "Host" or "UTF-8"; read it through LogEncodingOf
    bool LogTimestamps;
    bool LogAppend;         // else a new file with a counter, never one overwritten
    std::int32_t KeepAlive; // seconds of silence before a probe; 0 for none
    bool AutoReconnect;     // after a drop the user did not ask for
    // Global: the built-in composer's keyboard, "2" (the 2-set layout), "3f",
    // "39", "3s" or "ro"; anything else is read as "2".
    std::string HangulLayout;

    bool operator==(const TAliasInfo&) const = default;
};

enum class TProtocol { Telnet, Ssh };

// "SSH" in any letter case is SSH; anything else, a hand-edited typo
// included, is the Telnet the file has always meant.
TProtocol ProtocolOf(const std::string& ProfileValue);

// Text: what the screen shows, escapes and controls removed; Raw: the bytes
// as they came from the network.
enum class TLogMode { Text, Raw };
// "Raw" in any letter case is Raw; anything else the readable Text.
TLogMode LogModeOf(const std::string& ProfileValue);

// Host: the host's own bytes; Utf8: a code page 949 host's text converted.
enum class TLogEncoding { Host, Utf8 };
// "UTF-8" (also without the dash) in any letter case is UTF-8, as for the
// host's encoding; anything else the host's.
TLogEncoding LogEncodingOf(const std::string& ProfileValue);

// The folder part of an executable's path: everything before the last "/",
// or "/" for an executable in the root.
std::string ExecutableFolder(const std::string& ExePath);
// Folder + "/Brevanix.ini".
std::string ProfileIniPath(const std::string& ExeFolder);
// Beside the executable when the file is there or the folder is writable (a
// copy unpacked in a folder of its own), else ConfigHome + "/brevanix/" +
// the file name (an installed program in a system folder).
std::string ChooseProfileIniPath(const std::string& ExeFolder, const std::string& ConfigHome);
// The file of the running executable, whatever name it was started under;
// ConfigHome is $XDG_CONFIG_HOME or ~/.config, created when it is chosen.
std::string ProfileIniPath();

std::unique_ptr<TIniFile> OpenProfileIni(const std::string& Path); // does not touch the file
void CloseProfileIni(std::unique_ptr<TIniFile>& Ini);

// Loads read the file once, so a record is never a mix of two saves. Saves
// land whole or not at all and throw EProfileWriteError when refused.
TAliasInfo LoadAliasInfo(const std::string& Path, const std::string& Alias);
void SaveAliasInfo(const std::string& Path, const TAliasInfo& Info);
void SaveGlobalInfo(const std::string& Path, const TAliasInfo& Info);
