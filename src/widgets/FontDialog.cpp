#include "widgets/FontDialog.h"

#include "term/QtCanvas.h"
#include "widgets/ColorComboBox.h"
#include "widgets/Dialogs.h"

#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QFont ShownFont(const TFontChoice& C)
{
    QFont F(QtCanvas::ResolveFamily(C.Face));
    F.setPointSize(std::max(1, C.Size));
    return F;
}
} // namespace

TFontDialog::TFontDialog(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("FontDialog1"));
    setWindowTitle(QStringLiteral("Font"));

    FontPicker = new QFontDialog(this);
    FontPicker->setObjectName(QStringLiteral("FontPicker"));
    FontPicker->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    FontPicker->setWindowFlags(Qt::Widget); // a page of this dialog, not a window
    FontPicker->setSizeGripEnabled(false);

    auto* ColorLabel = new QLabel(QStringLiteral("&Color :"), this);
    ColorPicker = new TColorComboBox(this);
    ColorPicker->setObjectName(QStringLiteral("ColorPicker"));
    ColorLabel->setBuddy(ColorPicker);
    auto* ColorRow = new QHBoxLayout;
    ColorRow->addWidget(ColorLabel);
    ColorRow->addWidget(ColorPicker, 1);
    ColorRow->addStretch(1);

    auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(FontPicker, 1);
    Layout->addLayout(ColorRow);
    Layout->addWidget(Buttons);
}

void TFontDialog::SetChoice(const TFontChoice& Choice)
{
    const QFont F = ShownFont(Choice);
    FontPicker->setCurrentFont(F);
    FRequestedFace = Choice.Face;
    FShownFace = FontPicker->currentFont().family();
    ColorPicker->SetColor(Choice.Color);
}

TFontChoice TFontDialog::Choice() const
{
    const QFont F = FontPicker->currentFont();
    TFontChoice C;
    C.Face = F.family() == FShownFace ? FRequestedFace : F.family();
    C.Size = F.pointSize();
    C.Color = ColorPicker->Color();
    return C;
}

bool TFontDialog::Execute(QWidget* Owner)
{
    const bool OnTop = Owner && (Owner->window()->windowFlags() & Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowStaysOnTopHint, OnTop);
    adjustSize();
    CenterOverWindow(Owner, this);
    return RunModal(*this) == QDialog::Accepted;
}

TFontButton::TFontButton(const QString& Caption, QWidget* Parent) : QPushButton(Caption, Parent) {}

void TFontButton::SetFontChoice(const TFontChoice& Choice)
{
    FChoice = Choice;
    QFont F = ShownFont(Choice);
    // The terminal's own rounding, so the caption looks as the screen will.
    F.setPixelSize(QtCanvas::PixelSizeFor(Choice.Size));
    setFont(F);
    QPalette P = palette();
    P.setColor(QPalette::ButtonText, QtCanvas::ToQColor(Choice.Color));
    setPalette(P);
}
