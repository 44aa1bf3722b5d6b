#include "term/Find.h"

#include "text/Cp949.h"

#include <algorithm>

// ---------------------------------------------------------------- lines and rows

namespace {
// The list index of view row 1.
int TopIndex(const TTerm& Term)
{
    const TScrollBack& SB = Term.Scr.ScrollBack;
    return SB.Browsing ? SB.ViewPos : SB.Count - Term.Scr.Row;
}
} // namespace

long long LineOfRow(const TTerm& Term, int Row)
{
    return Term.Scr.ScrollBack.Dropped + TopIndex(Term) + Row - 1;
}

int RowOfLine(const TTerm& Term, long long Line)
{
    const long long Row = Line - Term.Scr.ScrollBack.Dropped - TopIndex(Term) + 1;
    return Row >= 1 && Row <= Term.Scr.Row ? static_cast<int>(Row) : 0;
}

char32_t FoldCase(char32_t U)
{
    if (U >= 'A' && U <= 'Z') return U + 0x20;
    if (U < 0xC0) return U;
    if (U <= 0xDE && U != 0xD7) return U + 0x20;     // À..Þ, not ×
    if (U >= 0xFF21 && U <= 0xFF3A) return U + 0x20; // Ａ..Ｚ
    return U;
}

// ---------------------------------------------------------------- line text

void TLineText::Add(char32_t U, std::uint32_t Cell, bool Folded)
{
    FText.push_back(Folded ? FoldCase(U) : U);
    FStarts.push_back(Cell);
}

const TLine* TLineText::Read(const TTerm& Term, const TLine* L, long long Line, bool Folded)
{
    FText.clear();
    FStarts.clear();
    FLine = Line;
    FCols = Term.Scr.Col;
    std::size_t Kept = 0;  // code points up to the last that is no blank
    std::uint32_t End = 0; // the cell after that one's last
    for (std::uint32_t Base = 0;; Base += static_cast<std::uint32_t>(FCols)) {
        const TCell* Cells = L->Cells.data();
        for (int C = 1; C <= FCols; ++C) {
            const TCell& Cell = Cells[C];
            const std::uint32_t At = Base + static_cast<std::uint32_t>(C - 1);
            int Width = 1;
            if (Cell.DbcsPart == cpSingle) {
                // A line code or a replacement reads as no letter at all.
                Add(Cell.Ch >= 0x20 && Cell.Ch < 0x7F ? Cell.Ch : 0xFFFD, At, Folded);
            } else if (Cell.DbcsPart == cpLead && C < FCols && Cells[C + 1].DbcsPart == cpTrail) {
                Add(Cp949::PairToUnicode(Cell.Ch, Cells[C + 1].Ch), At, Folded);
                Width = 2;
            } else if (Cell.DbcsPart == cpCluster && Term.WholeCluster(*L, C)) {
                const TCluster& K = Term.Chars.At(TTerm::ClusterIndex(Cell));
                // Every code point of it starts at its first cell.
                for (int I = 0; I < K.Count; ++I) Add(K.CodePoints[I], At, Folded);
                Width = K.Cells;
            } else { // half of something: a blank, as drawn
                Add(U' ', At, Folded);
            }
            if (FText.back() != U' ') {
                Kept = FText.size();
                End = At + static_cast<std::uint32_t>(Width);
            }
            C += Width - 1;
        }
        if (!L->Wrapped || !L->Next) break;
        L = L->Next;
    }
    // Blanks after the last character are no text.
    FText.resize(Kept);
    FStarts.resize(Kept);
    FStarts.push_back(End);
    return L->Next;
}

TTextSpan TLineText::Span(std::size_t From, std::size_t To) const
{
    const auto Spot = [&](std::uint32_t Cell) {
        return TTextSpot{FLine + Cell / static_cast<std::uint32_t>(FCols),
                         static_cast<int>(Cell % static_cast<std::uint32_t>(FCols)) + 1};
    };
    return {Spot(FStarts[From]), Spot(FStarts[To] - 1)};
}

// ---------------------------------------------------------------- find

void TFinder::Clear()
{
    FMatches.clear();
    FCurrent = -1;
}

void TFinder::Search(const TTerm& Term, std::u32string_view Needle, bool ExactCase)
{
    const TTextSpan Was =
        FCurrent >= 0 ? FMatches[static_cast<std::size_t>(FCurrent)] : TTextSpan{};
    const bool HadCurrent = FCurrent >= 0;
    Clear();
    if (Needle.empty()) return;
    std::u32string Wanted(Needle);
    if (!ExactCase) std::transform(Wanted.begin(), Wanted.end(), Wanted.begin(), FoldCase);
    TLineText Line;
    const TScrollBack& SB = Term.Scr.ScrollBack;
    long long Number = SB.Dropped;
    for (const TLine* L = SB.First; L;) {
        const TLine* Next = Line.Read(Term, L, Number, !ExactCase);
        const std::u32string& Text = Line.Text();
        for (std::size_t At = Text.find(Wanted); At != std::u32string::npos;
             At = Text.find(Wanted, At + 1)) {
            // Whole characters only: not from or to the middle of a
            // character of several code points.
            const std::size_t End = At + Wanted.size();
            if (!Line.StartsCharacter(At) || !Line.StartsCharacter(End)) continue;
            const TTextSpan Span = Line.Span(At, End);
            FMatches.push_back(Span);
            At = End - 1;
        }
        for (; L != Next; L = L->Next) ++Number;
    }
    if (HadCurrent) {
        const auto It = std::find(FMatches.begin(), FMatches.end(), Was);
        if (It != FMatches.end()) FCurrent = static_cast<int>(It - FMatches.begin());
    }
}

int TFinder::Step(bool Forward, TTextSpot From)
{
    const int N = static_cast<int>(FMatches.size());
    if (N == 0) return FCurrent = -1;
    if (FCurrent >= 0) return FCurrent = (FCurrent + (Forward ? 1 : N - 1)) % N;
    // The first step: the first match at or after From, or the last before it.
    const auto It = std::lower_bound(FMatches.begin(), FMatches.end(), From,
                                     [](const TTextSpan& M, TTextSpot S) { return M.From < S; });
    const int At = static_cast<int>(It - FMatches.begin());
    return FCurrent = Forward ? At % N : (At + N - 1) % N;
}

// ---------------------------------------------------------------- links

namespace {
bool IsAsciiAlnum(char32_t U)
{
    return (U >= '0' && U <= '9') || (U >= 'a' && U <= 'z') || (U >= 'A' && U <= 'Z');
}

// What a URL may hold: printable ASCII but blanks, quotes and angle brackets.
bool IsUrlChar(char32_t U)
{
    if (U <= 0x20 || U >= 0x7F) return false;
    return std::u32string_view(U"\"<>`{}|\\^").find(U) == std::u32string_view::npos;
}

// The length of the scheme (or www.) that Text has at At, 0 for none.
std::size_t SchemeAt(std::u32string_view Text, std::size_t At)
{
    static constexpr std::string_view Schemes[] = {"http://", "https://", "ftp://",
                                                   "mailto:", "www."};
    for (const std::string_view S : Schemes) {
        if (Text.size() - At <= S.size()) continue;
        bool Same = true;
        for (std::size_t I = 0; I < S.size() && Same; ++I)
            Same = FoldCase(Text[At + I]) == static_cast<char32_t>(S[I]);
        if (Same) return S.size();
    }
    return 0;
}

// A closing bracket at the end belongs to the URL only when it closes one
// the URL opened.
bool Unbalanced(std::u32string_view Url, char32_t Open, char32_t Close)
{
    return std::count(Url.begin(), Url.end(), Close) > std::count(Url.begin(), Url.end(), Open);
}
} // namespace

std::vector<std::pair<std::size_t, std::size_t>> FindUrls(std::u32string_view Text)
{
    std::vector<std::pair<std::size_t, std::size_t>> Found;
    for (std::size_t I = 0; I < Text.size(); ++I) {
        if (I > 0 && (IsAsciiAlnum(Text[I - 1]) || Text[I - 1] == '.')) continue;
        const std::size_t Scheme = SchemeAt(Text, I);
        if (Scheme == 0) continue;
        std::size_t End = I + Scheme;
        while (End < Text.size() && IsUrlChar(Text[End])) ++End;
        while (End > I + Scheme) {
            const char32_t Last = Text[End - 1];
            const std::u32string_view Url = Text.substr(I, End - I);
            if (std::u32string_view(U".,;:!?'*").find(Last) != std::u32string_view::npos ||
                (Last == ')' && Unbalanced(Url, '(', ')')) ||
                (Last == ']' && Unbalanced(Url, '[', ']')))
                --End;
            else
                break;
        }
        if (End == I + Scheme) continue;
        Found.emplace_back(I, End);
        I = End - 1;
    }
    return Found;
}

bool LinkAt(const TTerm& Term, int Row, int Col, TLink& Out)
{
    if (Row < 1 || Row > Term.Scr.Row || Col < 1 || Col > Term.Scr.Col) return false;
    // From the line the wrapped text starts in.
    const TLine* Start = Term.Scr.Lines[Row];
    long long Line = LineOfRow(Term, Row);
    while (Start->Prev && Start->Prev->Wrapped) {
        Start = Start->Prev;
        --Line;
    }
    TLineText Text;
    Text.Read(Term, Start, Line, false);
    const TTextSpot Spot{LineOfRow(Term, Row), Col};
    for (const auto& [From, To] : FindUrls(Text.Text())) {
        const TTextSpan Span = Text.Span(From, To);
        if (!Span.Covers(Spot)) continue;
        Out.Span = Span;
        Out.Url.clear();
        if (FoldCase(Text.Text()[From]) == 'w') Out.Url = "http://";
        for (std::size_t I = From; I < To; ++I) Out.Url += static_cast<char>(Text.Text()[I]);
        return true;
    }
    return false;
}
