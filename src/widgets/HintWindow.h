#pragma once
// A flat hint window: a borderless tool-tip-like window with a chosen
// background colour, font and maximum width, which the owner shows at a
// position of its choosing and hides again. Unlike QToolTip it never hides
// or moves itself.
#include "common/Color.h"

#include <QLabel>

class THintWindow : public QLabel {
    Q_OBJECT
public:
    explicit THintWindow(QWidget* Parent = nullptr);

    void SetColor(TColor Color);
    // Longer texts wrap at this width in pixels.
    void SetMaxWidth(int Width);
    int MaxWidth() const { return FMaxWidth; }

    // Shows Text with its top-left corner at At (global coordinates).
    void ActivateHint(const QPoint& At, const QString& Text);
    void ReleaseHint() { hide(); }

private:
    int FMaxWidth = 300;
};
