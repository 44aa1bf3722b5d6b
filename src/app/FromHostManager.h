#pragma once
// TfrmHostManager: the modal dialog in which the user picks the profile to
// connect with and maintains the profile file: it lists the aliases, shows one
// on its tabs, adds, overwrites and deletes them, and saves the program-wide
// switches. The main window creates it for one use; unshown, it also serves
// as a loader of a named alias.
#include "profiles/HostManagerCommon.h"
#include "widgets/Dialogs.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class TColorComboBox;
class TFontButton;
class TSpinEdit;

class TfrmHostManager : public QDialog {
    Q_OBJECT
public:
    // An empty IniPath means the file beside the executable.
    explicit TfrmHostManager(QWidget* Parent = nullptr, const std::string& IniPath = {});

    // Places the dialog over MainWindow and runs it modally (RunModal).
    // mrOk only through Yes; No gives mrNo, Esc or the close box mrCancel.
    // AliasInfo holds the working profile afterwards in every case.
    TModalResult ShowCentredOn(QWidget* MainWindow);
    // Works on a dialog that was never shown.
    TAliasInfo LoadAlias(const std::string& Alias) const;

    std::string ProfileIniPath;
    TAliasInfo AliasInfo; // what the controls show and edit

    QListWidget* lbxAlias = nullptr;
    QLineEdit* edAlias = nullptr;
    QTabWidget* pgProperties = nullptr;
    QWidget* tsGeneral = nullptr;
    QLineEdit* edAddress = nullptr;
    QLineEdit* edPort = nullptr;
    QComboBox* cbxProtocol = nullptr;
    QLineEdit* edUserName = nullptr;     // shown for SSH only
    QLineEdit* edIdentityFile = nullptr; // shown for SSH only
    QPushButton* btnIdentityFile = nullptr;
    TSpinEdit* spinCol = nullptr;
    TSpinEdit* spinRow = nullptr;
    TSpinEdit* spinScrollBuffer = nullptr;
    QComboBox* cbxTerminalType = nullptr;
    QComboBox* cbxHostEncoding = nullptr;
    QCheckBox* ckbSoftScroll = nullptr;
    QCheckBox* ckbCrossCaret = nullptr;
    QCheckBox* ckbVisualBeep = nullptr;
    QCheckBox* ckbBeepOn = nullptr;
    QCheckBox* ckbAutoWrap = nullptr;
    QWidget* tsColor = nullptr;
    TFontButton* btnFont = nullptr;
    TColorComboBox* clrColorCaret = nullptr;
    TColorComboBox* clrColorBack = nullptr;
    QCheckBox* cbxMonochrome = nullptr;
    QWidget* tbExtendedOption = nullptr;
    QCheckBox* ckbAutoLF = nullptr;
    QCheckBox* ckbAutoCR = nullptr;
    QCheckBox* ckbXtermLevel = nullptr;
    QWidget* tsLog = nullptr;
    QLineEdit* edLogFile = nullptr;
    QPushButton* btnLogFile = nullptr;
    QComboBox* cbxLogMode = nullptr;     // Text, Raw
    QComboBox* cbxLogEncoding = nullptr; // the host's, UTF-8; Text's only
    QCheckBox* ckbLogTimestamps = nullptr;
    QCheckBox* ckbLogAppend = nullptr;
    TSpinEdit* spinKeepAlive = nullptr;
    QCheckBox* ckbAutoReconnect = nullptr;
    QWidget* TabSheet1 = nullptr;
    QCheckBox* ckbToolBar = nullptr;
    QCheckBox* ckbStatusBar = nullptr;
    QCheckBox* ckbScrollbar = nullptr;
    QCheckBox* ckbExitOnDisconnect = nullptr;
    QCheckBox* ckbFastInterrupt = nullptr;
    QCheckBox* ckbHanEngToggle = nullptr;
    QComboBox* cbxHangulLayout = nullptr; // HangulLayouts, by their Korean names
    QPushButton* btnSaveGlobal = nullptr;
    QPushButton* ToolbarButton971 = nullptr; // Add
    QPushButton* ToolbarButton976 = nullptr; // Delete
    QPushButton* btnOK = nullptr;
    QPushButton* btnNo = nullptr;

    void RefreshAliasList();
    void ShowAliasInfo(const TAliasInfo& Info);
    void CollectAliasInfo();
    void SaveAlias(const TAliasInfo& Info);

    void FormCreate(const std::string& IniPath);
    void FormActivate();
    void FormKeyPress(char Key);
    void lbxAliasClick();
    void lbxAliasDblClick();
    void lbxAliasKeyPress(char Key);
    void EditChange(QObject* Sender);
    void edAddressKeyPress(char Key);
    void CheckBoxChange(QObject* Sender);
    void ChangeColor(QObject* Sender);
    void cbxComboBoxChange(QObject* Sender);
    void SpinChange(QObject* Sender);
    void btnFontClick();
    void btnIdentityFileClick();
    void btnLogFileClick();
    void ToolbarButton971Click();
    void ToolbarButton976Click();
    void btnOKClick();
    void btnSaveGlobalClick();

    // The numeric tag that tells controls sharing a handler apart.
    static int Tag(const QObject* Control);

protected:
    void showEvent(QShowEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void reject() override; // the close box: no connection

private:
    struct TSwitch {
        QCheckBox* Box;
        bool TAliasInfo::*Field;
    };
    std::vector<TSwitch> FSwitches; // every check box, with its tag set
    std::vector<QWidget*> FSshRows; // the user and key file rows, labels included

    void BuildControls(); // FromHostManagerLayout.cpp
    void ConnectHandlers();
    bool Listed(const std::string& Alias) const;
    bool SshChosen() const;
    void ShowSshRows();
    // The encoding and the time stamps are Text's: off for Raw.
    void ShowLogChoices();
    // Moves the port between the protocols' well-known ones as the protocol changes.
    void FollowProtocolPort();
    // Runs a write to the file; a refused write is shown and gives false.
    bool Store(const std::function<void()>& Write);

    bool FShowing = false; // ShowAliasInfo is filling the controls
};
