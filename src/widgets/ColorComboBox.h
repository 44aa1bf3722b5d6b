#pragma once
// A combo box of named colours that reports the chosen one as a TColor
// (0x00BBGGRR). A value set from outside that is not one of the names
// (a colour picked elsewhere, a system colour) is shown as a custom entry at
// the end of the list, so showing a profile never loses its colour.
#include "common/Color.h"

#include <QComboBox>

class TColorComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TColorComboBox(QWidget* Parent = nullptr);

    TColor Color() const;
    void SetColor(TColor Color);

    // The named colours offered: the sixteen of the classic desktop palette.
    static constexpr int NamedCount = 16;

signals:
    // Whenever the selected colour changes, by the user or by SetColor.
    void ColorChanged(TColor Color);
};
