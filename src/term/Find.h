#pragma once
// The line list read as text: finding words in the scroll-back and the
// screen, and the links in them. A line the host's text wrapped at the margin
// reads on into the next, and a character is found whole or not at all: the
// two cells of a pair, or the cells of a table character, are one place in
// the text.
#include "term/Term.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A cell of the line list. Line numbers every line the list has held, so a
// place stays right while the oldest lines are recycled.
struct TTextSpot {
    long long Line = 0;
    int Col = 1;
    auto operator<=>(const TTextSpot&) const = default;
};

// From the first cell of the first character to the last cell of the last.
struct TTextSpan {
    TTextSpot From, To;
    bool operator==(const TTextSpan&) const = default;
    bool Covers(TTextSpot S) const { return From <= S && S <= To; }
};

// The number of the line shown in view row Row (1-based), and back: 0 when
// the line is not in view.
long long LineOfRow(const TTerm& Term, int Row);
int RowOfLine(const TTerm& Term, long long Line);

// One line as a person reads it, the lines it wraps into joined: its code
// points, Latin letters in small letters when Folded, and where each starts.
class TLineText {
public:
    // Reads the line L (numbered Line) and those it wraps into; returns the
    // line after the last one read, null at the end of the list.
    const TLine* Read(const TTerm& Term, const TLine* L, long long Line, bool Folded);
    const std::u32string& Text() const { return FText; }
    // The cells of code points [From, To).
    TTextSpan Span(std::size_t From, std::size_t To) const;
    // Code point I begins a character (or is the end): no mark or joined
    // part of the one before it.
    bool StartsCharacter(std::size_t I) const
    {
        return I == 0 || I >= FText.size() || FStarts[I] != FStarts[I - 1];
    }

private:
    void Add(char32_t U, std::uint32_t Cell, bool Folded);

    std::u32string FText;
    // Starts[i]: the first cell of Text[i]'s character, counted from the
    // first line's column 1; one more entry past the end.
    std::vector<std::uint32_t> FStarts;
    long long FLine = 0;
    int FCols = 1;
};

// Latin letters (ASCII, Latin-1 and full-width) as small letters.
char32_t FoldCase(char32_t U);

class TFinder {
public:
    // Every occurrence of Needle in the line list, oldest first; Latin
    // letters match in either case unless ExactCase. The current match stays
    // current when it is found again.
    void Search(const TTerm& Term, std::u32string_view Needle, bool ExactCase);
    void Clear();
    const std::vector<TTextSpan>& Matches() const { return FMatches; }
    // The index of the current match, -1 before the first step.
    int Current() const { return FCurrent; }
    // Steps to the next or previous match, round the ends; the first step
    // goes from From (the view's top when forward, its bottom when back).
    // Returns the new current index, -1 when there are no matches.
    int Step(bool Forward, TTextSpot From);

private:
    std::vector<TTextSpan> FMatches;
    int FCurrent = -1;
};

// The URLs in Text (http://, https://, ftp://, mailto: and www. names) as
// code point ranges [first, last), without the punctuation that ends a
// sentence or closes a bracket the URL did not open.
std::vector<std::pair<std::size_t, std::size_t>> FindUrls(std::u32string_view Text);

struct TLink {
    TTextSpan Span;
    std::string Url; // UTF-8; a www. name with http:// before it
};
// The link the cell at view row Row, column Col is part of.
bool LinkAt(const TTerm& Term, int Row, int Col, TLink& Out);
