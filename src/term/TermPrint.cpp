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
    bool Written = true;
    for (int R = 1; R <= Scr.Row && Written; ++R) {
        for (int C = 1; C <= Scr.Col; ++C) {
            Bytes[static_cast<std::size_t>(C - 1)] = Scr.Lines[R]->Cells[C].Ch;
            Parts[static_cast<std::size_t>(C - 1)] = Scr.Lines[R]->Cells[C].DbcsPart;
        }
        Written = Printer.WriteLine(Bytes.data(), Parts.data(), Scr.Col);
    }
    return Printer.Close() && Written;
}
