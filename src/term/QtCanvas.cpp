#include "term/QtCanvas.h"

#include "text/Cp949.h"
#include "text/LineCodes.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

// Box glyphs as arm weights: 2 bits each for up, right, down, left
// (0 none, 1 light, 2 heavy).
constexpr std::uint8_t Arms(std::string_view Urdl)
{
    return static_cast<std::uint8_t>((Urdl[0] - '0') | (Urdl[1] - '0') << 2 | (Urdl[2] - '0') << 4 |
                                     (Urdl[3] - '0') << 6);
}

constexpr std::uint8_t StoredChecker = 0x0A;

// U+2500..U+254B, everything code page 949 has in the block (row 6). Dashed
// lines are drawn solid.
constexpr char32_t FirstBox = 0x2500, LastBox = 0x254B;
constexpr std::string_view UnicodeBoxTable =
    "0101020210102020010102021010202001010202101020200110021001200220"
    "0011001200210022110012002100220010011002200120021110121021101120"
    "2120221012202220101110122011102120212012102220220111011202110212"
    "0121012202210222110111021201120221012102220122021111111212111212"
    "211111212121211222111122122122121222212222212222";
static_assert(UnicodeBoxTable.size() == (LastBox - FirstBox + 1) * 4);

std::uint8_t UnicodeBoxArms(char32_t U)
{
    if (U < FirstBox || U > LastBox) return 0;
    return Arms(UnicodeBoxTable.substr((U - FirstBox) * 4, 4));
}

// The line codes the interpreter stores draw as the box characters they stand for.
std::uint8_t StoredBoxArms(std::uint8_t B) { return UnicodeBoxArms(LineCodeChar(B)); }

// The code page 437 pictographs of the C0 codes that are not line drawing.
constexpr char16_t Cp437Controls[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};
constexpr char32_t HouseDel = 0x2302; // 0x7F

// A cell's line of pixels: a few dozen bytes, where a call per line would
// cost more than the copy. The usual widths are copied inline.
inline void CopyRow(uchar* Dst, const uchar* Src, int Bytes)
{
    if (Bytes == 32)
        std::memcpy(Dst, Src, 32);
    else if (Bytes == 64)
        std::memcpy(Dst, Src, 64);
    else
        std::memcpy(Dst, Src, static_cast<std::size_t>(Bytes));
}

QRect ToQRect(const TRect& R) { return QRect(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top); }

// System colour numbers to the nearest palette role.
QPalette::ColorRole SystemRole(unsigned Index)
{
    switch (Index) {
    case 0: return QPalette::Button;          // scroll bar
    case 1: return QPalette::Dark;            // desktop
    case 2: return QPalette::Highlight;       // active caption
    case 3: return QPalette::Mid;             // inactive caption
    case 4: return QPalette::Window;          // menu
    case 5: return QPalette::Base;            // window background
    case 6: return QPalette::Shadow;          // window frame
    case 7: return QPalette::WindowText;      // menu text
    case 8: return QPalette::Text;            // window text
    case 9: return QPalette::HighlightedText; // caption text
    case 12: return QPalette::Mid;            // application workspace
    case 13: return QPalette::Highlight;
    case 14: return QPalette::HighlightedText;
    case 15: return QPalette::Button;          // button face
    case 16: return QPalette::Dark;            // button shadow
    case 17: return QPalette::PlaceholderText; // grey text
    case 18: return QPalette::ButtonText;
    case 19: return QPalette::Text;     // inactive caption text
    case 20: return QPalette::Light;    // button highlight
    case 21: return QPalette::Shadow;   // 3-D dark shadow
    case 22: return QPalette::Midlight; // 3-D light
    case 23: return QPalette::ToolTipText;
    case 24: return QPalette::ToolTipBase;
    case 26: return QPalette::Link; // hot light
    case 27: return QPalette::Highlight;
    case 29: return QPalette::Highlight; // menu highlight
    default: return QPalette::Window;
    }
}

} // namespace

QtCanvas::QtCanvas(TDrawnFn Drawn, TInvalidateFn Invalidated)
    : OnDrawn(std::move(Drawn)), OnInvalidate(std::move(Invalidated))
{
    SetFont(TFont{});
}

QColor QtCanvas::ToQColor(TColor Color)
{
    if ((Color & 0xFF000000u) == 0x80000000u)
        return QGuiApplication::palette().color(QPalette::Active, SystemRole(Color & 0xFFu));
    return QColor(static_cast<int>(Color & 0xFF), static_cast<int>((Color >> 8) & 0xFF),
                  static_cast<int>((Color >> 16) & 0xFF));
}

const QStringList& QtCanvas::FallbackFamilies()
{
    static const QStringList Families{"NanumGothicCoding", "D2Coding", "Noto Sans Mono CJK KR",
                                      "DejaVu Sans Mono"};
    return Families;
}

// QFont() never fails: fontconfig quietly substitutes a face whose cells do
// not fit Hangul, so ask the database instead.
QString QtCanvas::ResolveFamily(const QString& Requested)
{
    if (!Requested.isEmpty() && QFontDatabase::hasFamily(Requested)) return Requested;
    for (const QString& F : FallbackFamilies())
        if (QFontDatabase::hasFamily(F)) return F;
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

int QtCanvas::PixelSizeFor(int Points)
{
    // A negative size is a pixel height, as font records store it.
    const double Px = Points < 0 ? -Points : (Points == 0 ? 12 : Points) * 96.0 / 72.0;
    return std::max(2, 2 * static_cast<int>(std::lround(Px / 2)));
}

void QtCanvas::SetFont(const TFont& Font)
{
    FRequested = Font;
    FStyle = Font.Style;
    ApplyQtFont();
    const QFontMetricsF M(FFont);
    FCellW = std::max(1, static_cast<int>(std::ceil(M.horizontalAdvance(QLatin1Char('M')))));
    FCellH = std::max(1, static_cast<int>(std::ceil(M.height())));
    FAscent = std::min(FCellH, static_cast<int>(std::lround(M.ascent())));
    FLineWidth = std::max(1, static_cast<int>(std::lround(M.lineWidth())));
    FUnderlineY = std::clamp(FAscent + static_cast<int>(std::lround(M.underlinePos())), 0,
                             FCellH - FLineWidth);
    FStrikeY = std::clamp(FAscent - static_cast<int>(std::lround(M.strikeOutPos())), 0,
                          FCellH - FLineWidth);
}

void QtCanvas::ApplyQtFont()
{
    const QString Name = QString::fromStdString(Cp949::ToUtf8(FRequested.Name));
    QFont F(ResolveFamily(Name));
    F.setPixelSize(PixelSizeFor(FRequested.Size));
    F.setKerning(false);
    const QString Narrow = FallbackFamilies().back();
    FHasNarrow = F.family() != Narrow && QFontDatabase::hasFamily(Narrow);
    for (int I = 0; I < 4; ++I) {
        TFace& Face = FFaces[static_cast<std::size_t>(I)];
        Face.Font = F;
        Face.Font.setBold(I & 1);
        Face.Font.setItalic(I & 2);
        Face.Narrow = Face.Font;
        if (FHasNarrow) Face.Narrow.setFamily(Narrow);
    }
    FGlyphs.clear();
    ForgetCells();
    SelectFace();
}

void QtCanvas::SelectFace()
{
    FFace = (FStyle & fsBold ? 1 : 0) | (FStyle & fsItalic ? 2 : 0);
    FFont = FFaces[static_cast<std::size_t>(FFace)].Font;
    FNarrowFont = FFaces[static_cast<std::size_t>(FFace)].Narrow;
}

void QtCanvas::SetFontColor(TColor Color) { FFore = Color; }

// Runs switch renditions often: the faces and their glyphs are all kept, so a
// change of style only picks another face. The cells stay as measured.
void QtCanvas::SetFontStyle(int Style)
{
    if (Style == FStyle) return;
    FStyle = Style;
    SelectFace();
}

void QtCanvas::SetBrushColor(TColor Color) { FBrush = Color; }

void QtCanvas::Resize(const QSize& Size)
{
    if (Size == FImage.size()) return;
    if (Size.isEmpty()) {
        FImage = QImage();
        return;
    }
    QImage Next(Size, QImage::Format_RGB32);
    Next.fill(Qt::black);
    if (!FImage.isNull()) {
        QPainter P(&Next);
        P.drawImage(0, 0, FImage);
    }
    FImage = std::move(Next);
}

void QtCanvas::Invalidate()
{
    if (OnInvalidate) OnInvalidate();
}

void QtCanvas::Drawn(const QRect& R)
{
    if (OnDrawn && !R.isEmpty()) OnDrawn(R);
}

const QtCanvas::TGlyph& QtCanvas::Glyph(char32_t U, int Cells)
{
    const std::uint32_t Key = static_cast<std::uint32_t>(U) << 4 |
                              static_cast<std::uint32_t>(FFace) << 2 |
                              static_cast<std::uint32_t>(Cells);
    auto It = FGlyphs.find(Key);
    if (It == FGlyphs.end()) {
        TGlyph G;
        G.Text = QString::fromUcs4(&U, 1);
        G.Advance = QFontMetricsF(FFont).horizontalAdvance(G.Text);
        // The coding faces draw the code page 949 arrows and signs full-width;
        // in one cell a narrow face's glyph reads better than a squeezed one.
        if (FHasNarrow && G.Advance > Cells * FCellW + 0.5) {
            const QFontMetricsF Narrow(FNarrowFont);
            const qreal A = Narrow.horizontalAdvance(G.Text);
            if (Narrow.inFontUcs4(U) && A < G.Advance) {
                G.Advance = A;
                G.Narrow = true;
            }
        }
        const QFont& Face = G.Narrow ? FNarrowFont : FFont;
        G.Laid.setTextFormat(Qt::PlainText);
        G.Laid.setText(G.Text);
        G.Laid.setPerformanceHint(QStaticText::AggressiveCaching);
        G.Laid.prepare(QTransform(), Face);
        G.Top = QFontMetricsF(Face).ascent();
        It = FGlyphs.emplace(Key, std::move(G)).first;
    }
    return It->second;
}

// One glyph centred over its cells. A wider one shrinks about the cell
// centre: squeezed only sideways it would be a sliver.
void QtCanvas::DrawGlyph(QPainter& P, int X, int Y, int Cells, char32_t U)
{
    const TGlyph& G = Glyph(U, Cells);
    const qreal Area = Cells * FCellW;
    if (G.Narrow) P.setFont(FNarrowFont);
    if (G.Advance > Area + 0.5) {
        const qreal Scale = Area / G.Advance;
        P.save();
        P.translate(X, Y + FCellH / 2.0);
        P.scale(Scale, Scale);
        P.drawText(QPointF(0, FAscent - FCellH / 2.0), G.Text);
        P.restore();
    } else {
        const int Dx = static_cast<int>(std::lround((Area - G.Advance) / 2));
        P.drawStaticText(QPointF(X + Dx, Y + FAscent - G.Top), G.Laid);
    }
    if (G.Narrow) P.setFont(FFont);
}

// Lines from the cell centre to its edges. Each arm reaches across the
// thickest crossing arm, so joins have no notch whatever the weights.
void QtCanvas::DrawBox(QPainter& P, const QRect& Cell, unsigned A)
{
    const int Light = std::max(1, (FCellH + 8) / 16), Heavy = 2 * Light + 1;
    const auto Width = [&](unsigned W) { return W == 0 ? 0 : W == 1 ? Light : Heavy; };
    const int Tu = Width(A & 3), Tr = Width(A >> 2 & 3), Td = Width(A >> 4 & 3),
              Tl = Width(A >> 6 & 3);
    const int Cx = Cell.left() + Cell.width() / 2, Cy = Cell.top() + Cell.height() / 2;
    const int Tv = std::max(Tu, Td), Th = std::max(Tl, Tr);
    const QColor C = ToQColor(FFore);
    if (Tu) {
        const int Band = Th ? Th : Tu;
        P.fillRect(QRect(Cx - Tu / 2, Cell.top(), Tu, Cy - Band / 2 + Band - Cell.top()), C);
    }
    if (Td) {
        const int Y0 = Cy - (Th ? Th : Td) / 2;
        P.fillRect(QRect(Cx - Td / 2, Y0, Td, Cell.bottom() + 1 - Y0), C);
    }
    if (Tl) {
        const int Band = Tv ? Tv : Tl;
        P.fillRect(QRect(Cell.left(), Cy - Tl / 2, Cx - Band / 2 + Band - Cell.left(), Tl), C);
    }
    if (Tr) {
        const int X0 = Cx - (Tv ? Tv : Tr) / 2;
        P.fillRect(QRect(X0, Cy - Tr / 2, Cell.right() + 1 - X0, Tr), C);
    }
}

// A pixel checker anchored to the image, so neighbouring cells tile seamlessly.
void QtCanvas::DrawChecker(QPainter& P, const QRect& Cell)
{
    P.setBrushOrigin(0, 0);
    P.fillRect(Cell, QBrush(ToQColor(FFore), Qt::Dense4Pattern));
}

// Underline and strike-out span the whole run, not glyph by glyph, so cells
// wider than their glyphs leave no gaps.
void QtCanvas::DrawRuleLines(QPainter& P, int X, int Y, int Width)
{
    const QColor C = ToQColor(FFore);
    if (FStyle & fsUnderline) P.fillRect(QRect(X, Y + FUnderlineY, Width, FLineWidth), C);
    if (FStyle & fsStrikeOut) P.fillRect(QRect(X, Y + FStrikeY, Width, FLineWidth), C);
}

// One cell's picture, or a pair's over two: a glyph, a box or the checker.
// Returns the bytes it took.
int QtCanvas::DrawItem(QPainter& P, int Cx, int Y, const std::uint8_t* Bytes,
                       const std::uint8_t* Parts, int Len)
{
    const std::uint8_t B = Bytes[0];
    if (Parts[0] == 1 && Len > 1 && Parts[1] == 2) {
        const char32_t U = Cp949::PairToUnicode(B, Bytes[1]);
        if (const unsigned A = UnicodeBoxArms(U))
            DrawBox(P, QRect(Cx, Y, 2 * FCellW, FCellH), A);
        else
            DrawGlyph(P, Cx, Y, 2, U);
        return 2;
    }
    if (Parts[0] != 0 || B >= 0x80) // half a pair, or 0x80: never a blank
        DrawGlyph(P, Cx, Y, 1, Cp949::Replacement);
    else if (B > 0x20 && B < 0x7F)
        DrawGlyph(P, Cx, Y, 1, B);
    else if (B == 0x7F)
        DrawGlyph(P, Cx, Y, 1, HouseDel);
    else if (const unsigned A = StoredBoxArms(B))
        DrawBox(P, QRect(Cx, Y, FCellW, FCellH), A);
    else if (B == StoredChecker)
        DrawChecker(P, QRect(Cx, Y, FCellW, FCellH));
    else if (B > 0 && B < 0x20)
        DrawGlyph(P, Cx, Y, 1, Cp437Controls[B]);
    return 1;
}

void QtCanvas::ClipText(const TRect* R)
{
    FTextClip = R ? std::optional<QRect>(ToQRect(*R)) : std::nullopt;
}

QRect QtCanvas::TextArea(const QRect& Asked) const
{
    return Asked.intersected(FImage.rect()).intersected(FTextClip.value_or(FImage.rect()));
}

void QtCanvas::TextRun(int X, int Y, const TRect& Clip, const std::uint8_t* Bytes,
                       const std::uint8_t* Parts, int Len)
{
    const QRect Asked = ToQRect(Clip);
    const QRect R = TextArea(Asked);
    if (R.isEmpty()) return;
    // Runs of whole cells (every run the terminal draws, whole or clipped)
    // come from the cell cache; anything else, and colours the desktop may
    // change, is painted.
    if (CacheCells && Bytes && Parts && QRect(X, Y, Len * FCellW, FCellH).contains(Asked) &&
        (FFore & 0xFF000000u) != 0x80000000u && (FBrush & 0xFF000000u) != 0x80000000u)
        BlitRun(X, Y, R, Bytes, Parts, Len);
    else
        PaintRun(X, Y, R, Bytes, Parts, Len);
    Drawn(R);
}

// A character the code page cannot hold, from whatever installed face has it
// (fontconfig's fallback for the terminal's face): one code point through the
// glyph cache, a sequence (a base and its marks, joined emoji) laid out whole,
// scaled down when wider than its cells and centred in them.
void QtCanvas::TextCluster(int X, int Y, const TRect& Clip, const char32_t* CodePoints, int Count)
{
    const QRect Asked = ToQRect(Clip);
    const QRect R = TextArea(Asked);
    if (R.isEmpty() || Count < 1) return;
    QPainter P(&FImage);
    P.setClipRect(R);
    P.fillRect(R, ToQColor(FBrush));
    P.setFont(FFont);
    P.setPen(ToQColor(FFore));
    const int Cells = std::max(1, Asked.width() / std::max(FCellW, 1));
    if (Count == 1) {
        DrawGlyph(P, X, Y, Cells, CodePoints[0]);
    } else {
        const QString Text = QString::fromUcs4(CodePoints, Count);
        const qreal Area = Asked.width();
        const qreal Advance = QFontMetricsF(FFont).horizontalAdvance(Text);
        P.save();
        if (Advance > Area + 0.5) {
            const qreal Scale = Area / Advance;
            P.translate(X, Y + FCellH / 2.0);
            P.scale(Scale, Scale);
            P.drawText(QPointF(0, FAscent - FCellH / 2.0), Text);
        } else {
            P.drawText(QPointF(X + (Area - Advance) / 2, Y + FAscent), Text);
        }
        P.restore();
    }
    if (FStyle & (fsUnderline | fsStrikeOut)) DrawRuleLines(P, X, Y, Asked.width());
    Drawn(R);
}

void QtCanvas::PaintRun(int X, int Y, const QRect& R, const std::uint8_t* Bytes,
                        const std::uint8_t* Parts, int Len)
{
    QPainter P(&FImage);
    P.setClipRect(R);
    P.fillRect(R, ToQColor(FBrush));
    P.setFont(FFont);
    P.setPen(ToQColor(FFore));
    for (int I = 0; I < Len && Bytes && Parts;) {
        const int Cx = X + I * FCellW;
        if (Cx > R.right()) break;
        I += DrawItem(P, Cx, Y, Bytes + I, Parts + I, Len - I);
    }
    if (FStyle & (fsUnderline | fsStrikeOut)) DrawRuleLines(P, X, Y, Len * FCellW);
}

// Each cell's picture is painted once per look (bytes, colours, style) and
// copied from then on: a full repaint costs a few copies per cell instead of
// a painter and a glyph each. The checker's pattern is anchored to the image,
// so its two phases are two looks.
void QtCanvas::BlitRun(int X, int Y, const QRect& R, const std::uint8_t* Bytes,
                       const std::uint8_t* Parts, int Len)
{
    // Never halfway through a run: every picture it found stays alive until
    // it is copied.
    if (FCellBytes > MaxCellBytes) ForgetCells();
    if (FAscii.Fore != FFore || FAscii.Back != FBrush || FAscii.Style != FStyle) {
        FAscii.Cells.fill(nullptr);
        FAscii.Fore = FFore;
        FAscii.Back = FBrush;
        FAscii.Style = FStyle;
    }
    FPieces.clear();
    const QImage* Last = nullptr;
    TCellLook LastLook{};
    for (int I = 0; I < Len;) {
        const int Cx = X + I * FCellW;
        if (Cx > R.right()) break;
        const int N = Parts[I] == 1 && I + 1 < Len && Parts[I + 1] == 2 ? 2 : 1;
        // Every cell picture is N cells by one row of 32-bit pixels
        // (PaintCell): its size without asking the image, once a cell.
        const int CellWidth = N * FCellW;
        if (Cx + CellWidth <= R.left()) { // clipped away
            I += N;
            continue;
        }
        const std::uint8_t B = Bytes[I];
        const std::uint32_t Phase =
            N == 1 && Parts[I] == 0 && B == StoredChecker ? ((Cx ^ Y) & 1) + 1 : 0;
        const bool Ascii = N == 1 && Parts[I] == 0 && B < 0x80 && Phase == 0;
        const QImage* Cell = Ascii ? FAscii.Cells[B] : nullptr;
        if (!Cell) {
            const TCellLook Look{B | (N == 2 ? Bytes[I + 1] << 8 : 0) | Parts[I] << 16 |
                                     (N == 2 ? 2u : 0u) << 18 | Phase << 20,
                                 FFore, FBrush, FStyle};
            if (!Last || !(Look == LastLook)) { // a row of blanks asks for one look
                auto It = FCells.find(Look);
                if (It == FCells.end())
                    It = FCells.emplace(Look, PaintCell(Cx, Y, Bytes + I, Parts + I, N)).first;
                Last = &It->second;
                LastLook = Look;
            }
            Cell = Last;
            if (Ascii) FAscii.Cells[B] = Cell;
        }
        const int Left = std::max(Cx, R.left());
        const int Right = std::min(Cx + CellWidth, R.right() + 1);
        FPieces.push_back(
            {Cell->constBits() + (Left - Cx) * 4, Left, (Right - Left) * 4, CellWidth * 4});
        I += N;
    }
    // Line by line across the run: the image is written in order, a cache
    // line at a time, rather than a cell's column of lines after another.
    uchar* const Bits = FImage.bits();
    const qsizetype Stride = FImage.bytesPerLine();
    const int Top = std::max(Y, R.top());
    const int Bottom = std::min(Y + FCellH, R.bottom() + 1);
    for (int Py = Top; Py < Bottom; ++Py) {
        uchar* const Line = Bits + Py * Stride;
        const int Down = Py - Y;
        for (const TPiece& P : FPieces) CopyRow(Line + P.X * 4, P.From + Down * P.Stride, P.Bytes);
    }
}

QImage QtCanvas::PaintCell(int Cx, int Y, const std::uint8_t* Bytes, const std::uint8_t* Parts,
                           int N)
{
    const int Width = N * FCellW;
    FCellBytes += static_cast<std::size_t>(Width) * static_cast<std::size_t>(FCellH) * 4;
    QImage Cell(Width, FCellH, QImage::Format_RGB32);
    QPainter P(&Cell);
    P.translate(-Cx, -Y); // the checker and every glyph land as in the image
    const QRect Area(Cx, Y, Width, FCellH);
    P.setClipRect(Area);
    P.fillRect(Area, ToQColor(FBrush));
    P.setFont(FFont);
    P.setPen(ToQColor(FFore));
    DrawItem(P, Cx, Y, Bytes, Parts, N);
    if (FStyle & (fsUnderline | fsStrikeOut)) DrawRuleLines(P, Cx, Y, Width);
    return Cell;
}

void QtCanvas::ForgetCells()
{
    FCells.clear();
    FAscii.Style = -1;
    FCellBytes = 0;
}

bool QtCanvas::PatInvert(int X, int Y, int Width, int Height)
{
    if (FImage.isNull()) {
        FLastError = ErrorNoSurface;
        return false;
    }
    if (Width < 0) {
        X += Width;
        Width = -Width;
    }
    if (Height < 0) {
        Y += Height;
        Height = -Height;
    }
    const QRect R = QRect(X, Y, Width, Height).intersected(FImage.rect());
    if (R.isEmpty()) return true;
    XorRect(R, ToQColor(FBrush).rgb());
    Drawn(R);
    return true;
}

// The pixels themselves: a caret is a few thin rectangles drawn on every
// move, and a painter for each cost more than the XOR.
void QtCanvas::XorRect(const QRect& R, QRgb Color)
{
    const QRect Clipped = R.intersected(FImage.rect());
    const QRgb Bits = Color & 0x00FFFFFFu; // an opaque image stays opaque
    for (int Y = Clipped.top(); Y <= Clipped.bottom(); ++Y) {
        auto* Line = reinterpret_cast<QRgb*>(FImage.scanLine(Y));
        for (int X = Clipped.left(); X <= Clipped.right(); ++X) Line[X] ^= Bits;
    }
}

void QtCanvas::FrameXor(const TRect& R, TColor Pen)
{
    const QRect Box = ToQRect(R).normalized();
    const QRect Visible = Box.intersected(FImage.rect());
    if (Visible.isEmpty()) return;
    const int W = Box.width(), H = Box.height();
    // Four edges that do not overlap: a corner XORed twice would vanish.
    QRect Edges[4] = {QRect(Box.left(), Box.top(), W, 1)};
    int N = 1;
    if (H > 1) Edges[N++] = QRect(Box.left(), Box.bottom(), W, 1);
    if (H > 2) {
        Edges[N++] = QRect(Box.left(), Box.top() + 1, 1, H - 2);
        if (W > 1) Edges[N++] = QRect(Box.right(), Box.top() + 1, 1, H - 2);
    }
    const QRgb C = ToQColor(Pen).rgb();
    for (int I = 0; I < N; ++I) XorRect(Edges[I], C);
    Drawn(Visible);
}
