#pragma once
// The product's name and version as the windows show them. The leading blank
// is part of the text: titles join it after " - ".
inline constexpr const char* ProductTitle = " Brevanix v1.3.1";
