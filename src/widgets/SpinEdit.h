#pragma once
// A spin edit holding a whole number between a minimum and a maximum. A value
// set from outside the range is brought to the nearest bound (QSpinBox does
// that already); what QSpinBox lacks is telling the owner that the down
// button was pressed, which the host manager uses to apply its own limits.
#include <QSpinBox>

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* Parent = nullptr);

signals:
    // After a step down by the down button, the Down key, Page Down or the
    // wheel: value() is already the lowered value. Typing and stepping up
    // never notify.
    void DownClick();

protected:
    void stepBy(int Steps) override;
};
