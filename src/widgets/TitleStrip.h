#pragma once
// A one-line strip that stands in for a window's caption while the window is
// reduced to it. The window manager owns the real caption and keeps its
// presses to itself, so this strip takes them instead: it reports presses,
// double clicks, moves, leaving and the context menu to its owner, and drags
// the window like a caption when a press is let through.
#include <QString>
#include <QWidget>

#include <functional>

class TTitleStrip : public QWidget {
    Q_OBJECT
public:
    explicit TTitleStrip(QWidget* Parent = nullptr);

    void SetText(const QString& Text);
    QString Text() const { return FText; }
    QSize sizeHint() const override;

    // A left press at a global position; false keeps the press from dragging.
    std::function<bool(const QPoint& Global)> OnPress;
    std::function<void()> OnDoubleClick;
    std::function<void()> OnHover; // the mouse moved over the strip
    std::function<void()> OnLeave;
    std::function<void(const QPoint& Global)> OnMenu;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    QString FText;
    bool FDragArmed = false;
    QPoint FPressGlobal; // where the drag started
    QPoint FWindowAtPress;
};
