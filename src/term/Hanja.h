#pragma once
// The Hanja (한자) a Hangul syllable may be written with, from libhangul's
// table (Debian's libhangul-data), each with its meaning and reading as the
// table gives them ("나라 이름 한"). The table is read on the first look-up
// and kept for the life of the process.
#include <string>
#include <string_view>
#include <vector>

struct THanja {
    char32_t Char;
    std::string Meaning; // UTF-8
};

// The candidates for one syllable (U+AC00..U+D7A3), in the table's order,
// commonest first; with Cp949Only, only those code page 949 holds (the 4,888
// of KS X 1001). Empty for anything else and when the table cannot be read.
std::vector<THanja> HanjaCandidates(char32_t Syllable, bool Cp949Only);

// A syllable and nothing else, in code page 949, as a character; 0 otherwise.
char32_t SyllableOf(std::string_view Cp949Bytes);
