#pragma once
// TShellLink: a desktop shortcut that starts a program with arguments, kept
// in a freedesktop Desktop Entry file (".desktop") rather than a shell-link
// file. It reads and writes that one file and nothing else; texts are UTF-8,
// the file's own encoding, and the caller converts profile texts first.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
using TShortCut = std::uint16_t; // virtual key | Shift 0x2000 | Ctrl 0x4000 | Alt 0x8000

class TShellLink {
public:
    // Path buffers of the shortcut platform held 260 characters: a longer
    // text is cut to this on load and refused on save.
    static constexpr std::size_t MaxText = 260;

    TShellLink() = default;
    virtual ~TShellLink() = default;

    // Loads the shortcut at FileName at once when switched on.
    bool AutoLoad() const { return FAutoLoad; }
    virtual void SetAutoLoad(bool Value);
    // The arguments after the program, as one command line quoted the way a
    // desktop entry quotes (QuoteArgument), so a word may hold blanks.
    std::string Arguments;
    std::string Description;
    TShortCut HotKey = 0;
    // The shortcut file itself; with AutoLoad a new value loads it.
    const std::string& FileName() const { return FFileName; }
    virtual void SetFileName(const std::string& Value);
    std::string IconFile;
    std::int32_t IconIndex() const { return FIconIndex; }
    virtual void SetIconIndex(std::int32_t Value); // a negative value is ignored
    std::string LinkName;                          // the program started
    TWindowState ShowCommand = TWindowState::wsNormal;
    std::string WorkingDirectory;

    // True when FileName was read as a shortcut; otherwise Clear and false.
    bool Load();
    // True when the whole file was written; a refused or failed save leaves
    // whatever was at FileName untouched.
    bool Save();
    virtual void Clear();

    // The platform's numbers, kept in the file so a replaced shortcut keeps them.
    virtual TWindowState ShowCmdToWindowState(int ShowCmd) const;
    virtual TShortCut HotKeyToShortCut(std::uint16_t HotKey) const;
    virtual std::uint16_t ShortCutToHotKey(TShortCut ShortCut) const;
    static int WindowStateToShowCmd(TWindowState State);

private:
    bool FAutoLoad = true;
    std::string FFileName;
    std::int32_t FIconIndex = 0;
};

// One argument quoted for a desktop entry's Exec line: unchanged when it
// holds no reserved character, else in double quotes with " ` $ \ escaped.
std::string QuoteArgument(const std::string& Arg);
// The reverse over a whole command line; nothing when a quote is left open.
std::optional<std::vector<std::string>> SplitArguments(const std::string& Line);

// A shortcut name the user typed becomes a file name in the desktop folder:
// true when Name + ".desktop" is one plain file name there (no "/", no
// control character, not "." or "..", no leading "." or "-", at most 255
// bytes), so it can neither leave the folder nor hide or pose as an option.
bool IsShortcutName(const std::string& Name);

// The user's desktop folder: XDG_DESKTOP_DIR from the XDG user-dirs file,
// else from the environment, else "$HOME/Desktop". Empty when there is no
// home folder to put it under.
std::string DesktopFolder();
