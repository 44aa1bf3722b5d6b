#pragma once
// TLed: the small communication lamp of the status line. Off until a
// connection first sets it; green while connected, red after a disconnect.
#include <QWidget>

class TLed : public QWidget {
    Q_OBJECT
public:
    enum class TState { Off, Green, Red };
    explicit TLed(QWidget* Parent = nullptr);

    TState State() const { return FState; }
    void SetState(TState S);
    QSize sizeHint() const override { return {12, 12}; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    TState FState = TState::Off;
};
