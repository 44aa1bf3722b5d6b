#include "term/QtPrinter.h"

#include "term/QtCanvas.h"
#include "text/Cp949.h"
#include "text/LineCodes.h"

#include <QPrinter>

namespace {

std::function<void(QPrinter&)>& JobHook()
{
    static std::function<void(QPrinter&)> Hook;
    return Hook;
}

// What a stored byte prints as: line codes as their characters; other
// control codes have no printable form.
char32_t SingleByteChar(std::uint8_t B)
{
    if (const char32_t Line = LineCodeChar(B)) return Line;
    return B >= 0x20 && B < 0x7F ? char32_t{B} : Cp949::Replacement;
}

} // namespace

void SetPrintJobHook(std::function<void(QPrinter&)> Hook) { JobHook() = std::move(Hook); }

bool QtPrinter::Open(const std::string& Title)
{
    FPrinter.setDocName(QString::fromStdString(Cp949::ToUtf8(Title)));
    if (JobHook()) JobHook()(FPrinter);
    FY = 0;
    return FPainter.begin(&FPrinter) || Fail();
}

void QtPrinter::SetFont(const TFont& Font)
{
    FFont = QFont(QtCanvas::ResolveFamily(QString::fromStdString(Cp949::ToUtf8(Font.Name))));
    FFont.setPointSize(Font.Size);
    FFont.setKerning(false);
    FPainter.setFont(FFont);
    FPainter.setPen(Qt::black);
    FMetrics.emplace(FFont, &FPrinter);
    FCellW = FMetrics->horizontalAdvance(QLatin1Char('M'));
    FLineH = FMetrics->lineSpacing();
}

bool QtPrinter::WriteLine(const std::uint8_t* Bytes, const std::uint8_t* Parts, int Len,
                          const TCluster* const* Clusters)
{
    if (!FPainter.isActive() || !FMetrics) return false;
    if (FY > 0 && FY + FLineH > FPrinter.height()) {
        if (!FPrinter.newPage()) return Fail();
        FY = 0;
    }
    for (int I = 0; I < Len;) {
        if (Parts[I] >= 3) { // a character of the screen's table, over its cells
            int Cells = 1;
            while (I + Cells < Len && Parts[I + Cells] == 4) ++Cells;
            if (Parts[I] == 3 && Clusters && Clusters[I])
                DrawText(I, Cells,
                         QString::fromUcs4(Clusters[I]->CodePoints.data(), Clusters[I]->Count));
            I += Cells;
            continue;
        }
        // Pairs follow the stored parts, as on screen: a lone half prints
        // as the replacement glyph.
        const bool Pair = Parts[I] == 1 && I + 1 < Len && Parts[I + 1] == 2;
        const char32_t U = Pair            ? Cp949::PairToUnicode(Bytes[I], Bytes[I + 1])
                           : Parts[I] != 0 ? Cp949::Replacement
                                           : SingleByteChar(Bytes[I]);
        // Blank cells stay unpainted: some faces map the space to a glyph
        // that text extraction reads as a control character.
        if (U != U' ' && Bytes[I] != 0) DrawGlyph(I, Pair ? 2 : 1, U);
        I += Pair ? 2 : 1;
    }
    FY += FLineH;
    return true;
}

void QtPrinter::DrawGlyph(int Column, int Cells, char32_t U)
{
    DrawText(Column, Cells, QString::fromUcs4(&U, 1));
}

// Centred over its cells; a glyph wider than them shrinks about its start.
void QtPrinter::DrawText(int Column, int Cells, const QString& Text)
{
    const qreal Area = Cells * FCellW, Advance = FMetrics->horizontalAdvance(Text);
    const QPointF Base(Column * FCellW, FY + FMetrics->ascent());
    if (Advance <= Area) {
        FPainter.drawText(Base + QPointF((Area - Advance) / 2, 0), Text);
        return;
    }
    FPainter.save();
    FPainter.translate(Base);
    FPainter.scale(Area / Advance, Area / Advance);
    FPainter.drawText(QPointF(0, 0), Text);
    FPainter.restore();
}

bool QtPrinter::Close()
{
    const bool Ended = !FPainter.isActive() || FPainter.end();
    return (Ended && FPrinter.printerState() != QPrinter::Error) || Fail();
}

bool QtPrinter::Fail()
{
    const QString Target =
        FPrinter.outputFileName().isEmpty() ? FPrinter.printerName() : FPrinter.outputFileName();
    FError = QStringLiteral("Unable to print to %1").arg(Target);
    if (FPainter.isActive()) FPainter.end();
    return false;
}
