#pragma once
// The system clipboard as the terminal sees it: code page 949 bytes with
// carriage-return line ends, characters beyond the code page in Cp949's rich
// form (a UTF-8 host's emoji, a foreign text's kana).
//
// Other programs get Unicode text with line feeds. The exact bytes ride along
// under a private format, so a copy pasted back into Brevanix is the same
// bytes, undecodable ones included.
#include <string>

namespace QtClipboard {

inline constexpr const char* Cp949Format = "application/x-brevanix-cp949";

void SetText(const std::string& Cp949);

// The exact bytes when the clipboard holds our private format; otherwise its
// Unicode text converted, with CR LF and LF line ends made CR. Empty when it
// holds no text.
std::string Text();

} // namespace QtClipboard
