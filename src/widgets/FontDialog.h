#pragma once
// The font dialog: face, size in points and colour, as one choice. Qt's own
// font dialog has no colour, so this one embeds it as a widget and adds a row
// with a colour combo box. Also the button that keeps such a choice and shows
// its caption in it.
#include "common/Color.h"

#include <QDialog>
#include <QPushButton>

class QFontDialog;
class TColorComboBox;

struct TFontChoice {
    QString Face;  // as stored, which may be a face this machine lacks
    int Size = 12; // points
    TColor Color = 0;
    bool operator==(const TFontChoice&) const = default;
};

class TFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFontDialog(QWidget* Parent = nullptr);

    void SetChoice(const TFontChoice& Choice);
    TFontChoice Choice() const;

    // Runs the dialog modally over Owner (RunModal); true on OK. Choice()
    // then holds the user's choice.
    bool Execute(QWidget* Owner);

    QFontDialog* FontPicker = nullptr;
    TColorComboBox* ColorPicker = nullptr;

private:
    // A face the machine lacks is shown as its fallback; unless the user
    // picks another face, the stored name is given back, not the fallback's.
    QString FRequestedFace;
    QString FShownFace;
};

// A push button that keeps a font choice and draws its caption in it: face,
// size and colour. A face the machine lacks is drawn in its fallback but kept
// under its own name.
class TFontButton : public QPushButton {
    Q_OBJECT
public:
    explicit TFontButton(const QString& Caption, QWidget* Parent = nullptr);

    void SetFontChoice(const TFontChoice& Choice);
    const TFontChoice& FontChoice() const { return FChoice; }

private:
    TFontChoice FChoice;
};
