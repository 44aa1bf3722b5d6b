// The time to find a word in a full scroll-back: 20,000 lines of 152 columns
// of Korean and ASCII text, searched for a Korean word on one line, for an
// ASCII word on every tenth (either case) and for a word that is nowhere.
//
//   brevanix_findbench [--lines N] [--runs N]
#include "common/Switches.h"
#include "emulation/Output_VT100.h"
#include "term/Find.h"
#include "term/NullCanvas.h"
#include "term/Term.h"
#include "text/Cp949.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Line I of the text: Korean words and ASCII, 152 columns, wrapped by the
// host's own line breaks; one line holds the marker.
std::string Line(int I, int Marker)
{
    static const std::string Words[] = {Cp949::FromUtf8("서버 "),
                                        Cp949::FromUtf8("접속 "),
                                        "kernel: ",
                                        "eth0 ",
                                        Cp949::FromUtf8("한글 로그 "),
                                        "[12345.678] ",
                                        "usb 1-1: ",
                                        Cp949::FromUtf8("완료 ")};
    std::string S = I % 10 == 0 ? "ERROR " : "";
    if (I == Marker) S += Cp949::FromUtf8("마커줄 ");
    for (int K = I; S.size() < 146; ++K) S += Words[static_cast<std::size_t>(K) % std::size(Words)];
    S.resize(146);
    if (Cp949::IsLead(static_cast<std::uint8_t>(S.back()))) S.back() = ' ';
    return S + "\r\n";
}

double Milliseconds(const TTerm& Term, const std::u32string& Needle, std::size_t& Found)
{
    TFinder F;
    const auto T0 = std::chrono::steady_clock::now();
    F.Search(Term, Needle, false);
    const auto T1 = std::chrono::steady_clock::now();
    Found = F.Matches().size();
    return std::chrono::duration<double, std::milli>(T1 - T0).count();
}

} // namespace

int main(int argc, char* argv[])
{
    int Lines = 20000, Runs = 15;
    for (int I = 1; I + 1 < argc; I += 2) {
        if (!std::strcmp(argv[I], "--lines")) Lines = std::max(1, std::atoi(argv[I + 1]));
        if (!std::strcmp(argv[I], "--runs")) Runs = std::max(1, std::atoi(argv[I + 1]));
    }
    TNullCanvas Canvas;
    TTermHost Host;
    TTerm Term(Canvas, Host);
    Term.SetScrollBack(Lines);
    Term.SetSize(152, 24);
    TO_VT100 Vt;
    for (int I = 0; I < Lines; ++I) {
        const std::string L = Line(I, Lines / 2);
        Vt.Process(Term, reinterpret_cast<const std::uint8_t*>(L.data()),
                   static_cast<int>(L.size()));
    }
    std::printf("%d lines of %d columns in the list\n", Term.Scr.ScrollBack.Count, Term.Scr.Col);
    std::printf("%-24s %8s %10s %10s\n", "search", "matches", "median ms", "worst ms");
    const struct {
        const char* Name;
        std::u32string Needle;
    } Searches[] = {{"Korean word, one line", U"마커줄"},
                    {"ASCII word, every 10th", U"error"},
                    {"nowhere", U"nowhere"}};
    for (const auto& S : Searches) {
        std::vector<double> Ms;
        std::size_t Found = 0;
        for (int R = 0; R < Runs; ++R) Ms.push_back(Milliseconds(Term, S.Needle, Found));
        std::sort(Ms.begin(), Ms.end());
        std::printf("%-24s %8zu %10.1f %10.1f\n", S.Name, Found, Ms[Ms.size() / 2], Ms.back());
    }
    return 0;
}
