#include "widgets/SpinEdit.h"

TSpinEdit::TSpinEdit(QWidget* Parent) : QSpinBox(Parent) {}

void TSpinEdit::stepBy(int Steps)
{
    QSpinBox::stepBy(Steps);
    if (Steps < 0) emit DownClick();
}
