#pragma once
// The image list of the main window's commands: one 18 by 18 glyph for each
// action and for the log button, drawn by code so that the toolbar and the
// menus show the same picture, sharp at the desktop's 1x and 2x scales.
// Only the pictures live here; which action shows which is the window's.
#include <QIcon>
#include <QImage>
#include <QProxyStyle>

enum class TGlyph {
    Connect,
    Disconnect,
    ReqConnect,
    ReqDisconnect,
    FastConnect,
    New,
    Print,
    SaveAlias,
    MakeLink,
    Help,
    Exit,
    Copy,
    Paste,
    CopyAndPaste,
    TitleOnly,
    FormClose,
    FormIcon,
    FormNormalize,
    PopUp,
    About,
    TopMost,
    Option,
    SoftScroll,
    CrossCaret,
    VisualBeep,
    Beep,
    AutoWrap,
    Font,
    BackColor,
    CaretColor,
    ViewToolbar,
    ViewStatusBar,
    LogView,
    Reconnect,
    SessionLog,
    EncodingCp949,
    EncodingUtf8,
    Find,
};
inline constexpr int GlyphCount = static_cast<int>(TGlyph::Find) + 1;

namespace ImageList {

inline constexpr int GlyphSize = 18;

// The glyph on a transparent square of GlyphSize * Scale pixels.
QImage Render(TGlyph Glyph, int Scale);
// The glyph at 1x and 2x; the style derives the disabled picture from them.
QIcon Icon(TGlyph Glyph);

} // namespace ImageList

// Menus ask their style for 16-pixel icons, which would blur the 18-pixel
// glyphs: a menu given this style shows them at their own size.
class TGlyphMenuStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric Metric, const QStyleOption* Option = nullptr,
                    const QWidget* Widget = nullptr) const override;
};
