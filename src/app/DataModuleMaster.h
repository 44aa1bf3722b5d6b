#pragma once
// TdmMaster: the data module that holds what several windows share, created
// by the program entry after the main window and living until the program
// ends. For now that is the font dialog.
#include <QObject>

#include <memory>

class TFontDialog;

class TdmMaster : public QObject {
    Q_OBJECT
public:
    explicit TdmMaster(QObject* Parent = nullptr);
    ~TdmMaster() override;

    // A window of its own (no parent), placed over whichever window runs it;
    // made when first asked for, since most sessions never open it.
    TFontDialog& FontDialog1();

private:
    std::unique_ptr<TFontDialog> FFontDialog1;
};

// The one instance while it exists, else nullptr.
extern TdmMaster* dmMaster;
