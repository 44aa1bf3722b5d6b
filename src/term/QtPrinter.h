#pragma once
// The printer channel on Qt: one job on a QPrinter, painted with QPainter.
// Each cell's glyph is placed in its own column (a double-byte pair across
// two), so columns line up on paper whatever the face's own advances, and
// blank cells are not drawn at all. Pages start as the lines fill them.
#include "term/Printer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>

#include <functional>
#include <optional>

class QPrinter;

class QtPrinter : public TPrintChannel {
public:
    explicit QtPrinter(QPrinter& Printer) : FPrinter(Printer) {}

    bool Open(const std::string& Title) override;
    void SetFont(const TFont& Font) override;
    bool WriteLine(const std::uint8_t* Bytes, const std::uint8_t* Parts, int Len,
                   const TCluster* const* Clusters) override;
    bool Close() override;

    // What failed, for the user; empty while nothing did.
    const QString& ErrorText() const { return FError; }

private:
    bool Fail();
    void DrawGlyph(int Column, int Cells, char32_t U);
    void DrawText(int Column, int Cells, const QString& Text);

    QPrinter& FPrinter;
    QPainter FPainter;
    QFont FFont;
    std::optional<QFontMetricsF> FMetrics;
    qreal FCellW = 1, FLineH = 1, FY = 0;
    QString FError;
};

// Called with the printer just before each job starts. Tests only: they
// send each job to a file of its own. An empty function removes it.
void SetPrintJobHook(std::function<void(QPrinter&)> Hook);
