// Printing the visible screen: one line per row, every column, untrimmed.
#include "term/Printer.h"
#include "term/Term.h"
#include "text/Cp949.h"

#include <array>

bool TTerm::PrintScreen(TPrintChannel& Printer, const std::string& AppTitle) const
{
    if (!Printer.Open(AppTitle + " - Print Screen")) return false;
    TFont Font;
    Font.Name = Cp949::FromUtf8("굴림체");
    Font.Size = 12;
    Printer.SetFont(Font);
    std::array<std::uint8_t, MaxCols> Bytes{}, Parts{};
    std::array<const TCluster*, MaxCols> Clusters{};
    bool Written = true;
    for (int R = 1; R <= Scr.Row && Written; ++R) {
        const TLine& L = *Scr.Lines[R];
        for (int C = 1; C <= Scr.Col; ++C) {
            const auto I = static_cast<std::size_t>(C - 1);
            const TCell& Cell = L.Cells[C];
            Bytes[I] = Cell.Ch;
            Parts[I] = Cell.DbcsPart;
            Clusters[I] = Cell.DbcsPart == cpCluster ? &Chars.At(ClusterIndex(Cell)) : nullptr;
            if (Cell.DbcsPart >= cpCluster && HeadOf(L, C) == 0) { // no longer whole: a blank
                Bytes[I] = ' ';
                Parts[I] = cpSingle;
            }
        }
        Written = Printer.WriteLine(Bytes.data(), Parts.data(), Scr.Col, Clusters.data());
    }
    return Printer.Close() && Written;
}
