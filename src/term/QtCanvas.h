#pragma once
// The terminal control's drawing surface on Qt: a persistent image the control
// copies to the screen. Every direct drawing call reports the pixels it changed,
// so the widget copies just those; Invalidate() asks for a real repaint.
#include "term/Canvas.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QStaticText>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

class QPainter;

class QtCanvas : public TCanvas {
public:
    using TDrawnFn = std::function<void(const QRect& Pixels)>;
    using TInvalidateFn = std::function<void()>;

    explicit QtCanvas(TDrawnFn Drawn = {}, TInvalidateFn Invalidated = {});

    TDrawnFn OnDrawn;
    TInvalidateFn OnInvalidate;

    // --- TCanvas
    void SetFont(const TFont& Font) override;
    TFontMetrics MeasureFont() override { return {FCellW, FCellH}; }
    TColor FontColor() const override { return FFore; }
    void SetFontColor(TColor Color) override;
    int FontStyle() const override { return FStyle; }
    void SetFontStyle(int Style) override;
    TColor BrushColor() const override { return FBrush; }
    void SetBrushColor(TColor Color) override;
    void TextRun(int X, int Y, const TRect& Clip, const std::uint8_t* Bytes,
                 const std::uint8_t* Parts, int Len) override;
    void TextCluster(int X, int Y, const TRect& Clip, const char32_t* CodePoints,
                     int Count) override;
    void ClipText(const TRect* R) override;
    bool PatInvert(int X, int Y, int Width, int Height) override;
    void FrameXor(const TRect& R, TColor Pen) override;
    void Lock() override { ++FLocks; }
    void Unlock() override
    {
        if (FLocks > 0) --FLocks;
    }
    void Invalidate() override;
    int LastError() const override { return FLastError; }

    // --- Qt side
    const QImage& Image() const { return FImage; }
    // New size in pixels; the old picture stays where it still fits.
    void Resize(const QSize& Size);
    const QFont& Font() const { return FFont; }
    QString Family() const { return FFont.family(); }
    int CellWidth() const { return FCellW; }
    int CellHeight() const { return FCellH; }
    int LockDepth() const { return FLocks; }

    static QColor ToQColor(TColor Color);
    // The requested face when installed, else the first installed Korean coding face.
    static QString ResolveFamily(const QString& Requested);
    static const QStringList& FallbackFamilies();
    // Points to an even pixel size, so Hangul in the coding faces is exactly two cells.
    static int PixelSizeFor(int Points);
    // Runs of whole cells are copied from pictures of each cell painted once;
    // off, every run is painted (the same pixels, slower).
    bool CacheCells = true;
    // A bound, not a policy: a screen's looks fit many times over. Past it
    // the pictures are forgotten before the next run.
    std::size_t MaxCellBytes = 16u << 20;

private:
    struct TGlyph {
        QString Text;
        QStaticText Laid; // laid out once: drawing it skips the text layout
        qreal Top = 0;    // from the baseline to the top of Laid
        qreal Advance = 0;
        bool Narrow = false; // drawn with FNarrowFont
    };
    // A cell's look: its byte or pair with their parts (and the checker's
    // phase), its colours and the font style.
    struct TCellLook {
        std::uint32_t Bytes;
        TColor Fore, Back;
        int Style;
        bool operator==(const TCellLook&) const = default;
    };
    struct TCellLookHash {
        std::size_t operator()(const TCellLook& L) const
        {
            return std::hash<std::uint64_t>()((std::uint64_t{L.Bytes} << 32 | L.Fore) ^
                                              (std::uint64_t{L.Back} << 24) ^
                                              static_cast<std::uint64_t>(L.Style) << 56);
        }
    };
    void XorRect(const QRect& R, QRgb Color);
    QRect TextArea(const QRect& Asked) const; // within the image and the text clip

    int DrawItem(QPainter& P, int Cx, int Y, const std::uint8_t* Bytes, const std::uint8_t* Parts,
                 int Len);
    void PaintRun(int X, int Y, const QRect& R, const std::uint8_t* Bytes,
                  const std::uint8_t* Parts, int Len);
    void BlitRun(int X, int Y, const QRect& R, const std::uint8_t* Bytes, const std::uint8_t* Parts,
                 int Len);
    QImage PaintCell(int Cx, int Y, const std::uint8_t* Bytes, const std::uint8_t* Parts, int N);
    void ForgetCells();
    const TGlyph& Glyph(char32_t U, int Cells);
    void DrawGlyph(QPainter& P, int X, int Y, int Cells, char32_t U);
    void DrawBox(QPainter& P, const QRect& Cell, unsigned Arms);
    void DrawChecker(QPainter& P, const QRect& Cell);
    void DrawRuleLines(QPainter& P, int X, int Y, int Width);
    void ApplyQtFont();
    void SelectFace(); // FFont and FNarrowFont for FStyle
    void Drawn(const QRect& R);

    QImage FImage;
    // The face by bold (1) and italic (2), and its narrow stand-in.
    struct TFace {
        QFont Font, Narrow;
    };
    std::array<TFace, 4> FFaces;
    int FFace = 0;
    QFont FFont;
    QFont FNarrowFont; // single-cell pictographs that the face draws full-width
    bool FHasNarrow = false;
    TFont FRequested;
    int FCellW = 8, FCellH = 16, FAscent = 13;
    int FUnderlineY = 14, FStrikeY = 9, FLineWidth = 1;
    TColor FFore = 0, FBrush = 0;
    int FStyle = 0;
    int FLocks = 0;
    std::optional<QRect> FTextClip;
    // The number a failed fill reports in the log ("PatBLt Error:" + code),
    // after the desktop error it stands for: an invalid handle (no image to
    // draw on yet).
    static constexpr int ErrorNoSurface = 6;
    int FLastError = 0;
    std::unordered_map<std::uint32_t, TGlyph> FGlyphs; // code point, face and cells
    std::unordered_map<TCellLook, QImage, TCellLookHash> FCells;
    std::size_t FCellBytes = 0;
    // The ASCII cells of FCells in the colours and style of the last run:
    // most of a screen, found without hashing. Forgotten with FCells.
    struct TAsciiLooks {
        TColor Fore = 0, Back = 0;
        int Style = -1; // none yet
        std::array<const QImage*, 0x80> Cells{};
    } FAscii;
    // A run's cells as found in the cache, copied a line of pixels at a time.
    struct TPiece {
        const uchar* From; // the picture's top line, at the first column shown
        int X;             // where it lands, in pixels
        int Bytes;         // of a line shown
        int Stride;        // of the picture
    };
    std::vector<TPiece> FPieces;
};
