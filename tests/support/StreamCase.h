#pragma once
// Table-driven byte-stream cases: bytes in; rows, cursor, interpreter log
// lines and beeps out. Each case runs whole and one byte per call.
#include "support/TermFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <set>

struct TRowExpect {
    int Row;
    std::string Text;  // trailing blanks trimmed
    std::string Parts; // prefix of the row's part digits; empty = not checked
};

struct TStreamCase {
    const char* Name;
    std::string Input;
    std::function<void(TTermRig&)> Setup;
    std::vector<TRowExpect> Rows;
    int CurX, CurY;
    std::vector<std::string> Log; // interpreter lines only
    int Beeps = 0;
    std::function<void(TTermRig&)> Check; // further expectations
};

inline void PrintTo(const TStreamCase& C, std::ostream* Os) { *Os << C.Name; }

inline std::vector<std::string> InterpreterLines(const std::vector<std::string>& Log)
{
    static const std::set<std::string> Drawing = {"ReDrawScreen", "Show Caret", "Hide Caret",
                                                  "Paint"};
    std::vector<std::string> Out;
    for (const auto& L : Log)
        if (!Drawing.count(L)) Out.push_back(L);
    return Out;
}

inline void RunStreamCase(const TStreamCase& T)
{
    for (const bool OneByOne : {false, true}) {
        SCOPED_TRACE(OneByOne ? "one byte per call" : "whole");
        TTermRig R;
        if (T.Setup) T.Setup(R);
        const int BeepsBefore = R.Host.Beeps;
        R.Log.clear();
        R.Feed(T.Input, OneByOne);
        for (const auto& E : T.Rows) {
            EXPECT_EQ(R.Text(E.Row), E.Text) << "row " << E.Row;
            if (!E.Parts.empty()) {
                EXPECT_EQ(R.Parts(E.Row).substr(0, E.Parts.size()), E.Parts);
            }
        }
        EXPECT_EQ(R.Scr().CurX, T.CurX);
        EXPECT_EQ(R.Scr().CurY, T.CurY);
        EXPECT_EQ(InterpreterLines(R.Log), T.Log);
        EXPECT_EQ(R.Host.Beeps - BeepsBefore, T.Beeps);
        EXPECT_FALSE(R.Scr().InEscape);
        if (T.Check) T.Check(R);
    }
}

inline std::string Repeat(char C, int N) { return std::string(static_cast<std::size_t>(N), C); }

// Rows 1..Row hold "1".."Row" so moves and scrolls can be read off the screen.
inline void NumberRows(TTermRig& R)
{
    for (int Row = 1; Row <= R.Scr().Row; ++Row) {
        R.Term->GotoXY(1, Row);
        for (char C : std::to_string(Row))
            R.Term->PutChar(static_cast<std::uint8_t>(C), R.Scr().CurFore, 0, R.Scr().CurBack);
    }
}
