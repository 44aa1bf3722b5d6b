// The host manager's behaviour: loading and showing a profile, the change
// handlers that keep AliasInfo in step with the controls, and Add, Delete,
// Yes and Save. The controls are built in FromHostManagerLayout.cpp.
#include "app/FromHostManager.h"

#include "app/DataModuleMaster.h"
#include "common/GridLimits.h"
#include "term/HangulComposer.h"
#include "text/Cp949.h"
#include "text/Utf8Host.h"
#include "widgets/ColorComboBox.h"
#include "widgets/FontDialog.h"
#include "widgets/SpinEdit.h"

#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>

#include <algorithm>
#include <climits>
#include <memory>

namespace {

// Profile texts are code page 949 bytes; the controls hold Unicode.
QString Text(const std::string& Cp949Bytes)
{
    return QString::fromStdString(Cp949::ToUtf8(Cp949Bytes));
}
std::string Bytes(const QString& Unicode) { return Cp949::FromUtf8(Unicode.toStdString()); }

// The list item keeps the section name's own bytes, so a name that does not
// decode still loads and deletes the section it came from.
std::string ItemBytes(const QListWidgetItem* Item)
{
    return Item->data(Qt::UserRole).toByteArray().toStdString();
}

enum class TPortText { Number, Empty, TooLarge, NotDigits };

// Only the ASCII digits count: QChar::isDigit would let other scripts' digits
// through to a conversion that refuses them.
TPortText ParsePort(const QString& Text, std::int32_t& Value)
{
    if (Text.isEmpty()) return TPortText::Empty;
    long long V = 0;
    bool TooLarge = false;
    for (const QChar C : Text) {
        if (C < QLatin1Char('0') || C > QLatin1Char('9')) return TPortText::NotDigits;
        V = V * 10 + (C.unicode() - '0');
        if (V > INT32_MAX) {
            TooLarge = true;
            V = INT32_MAX; // keep scanning for a non-digit, which wins
        }
    }
    if (TooLarge) return TPortText::TooLarge;
    Value = static_cast<std::int32_t>(V);
    return TPortText::Number;
}

constexpr std::int32_t TelnetPort = 23, SshPort = 22;

// The log combos' items, by index, as the profile stores them.
const char* const LogModes[] = {"Text", "Raw"};
const char* const LogEncodings[] = {"Host", "UTF-8"};

// The layout combo holds HangulLayouts in their order; an unknown value in
// the file shows as the 2-set layout it is read as.
int LayoutIndex(const std::string& Id)
{
    return static_cast<int>(&HangulLayoutOf(Id) - HangulLayouts.data());
}
const char* LayoutId(int Index) { return HangulLayouts[static_cast<std::size_t>(Index)].Id; }

constexpr int EscapeKey = 27;
constexpr int EnterKey = '\r';

// The down button's limits, by tag.
struct TSpinLimit {
    int Tag;
    std::int32_t TAliasInfo::*Field;
    std::int32_t Min, Max;
};
constexpr TSpinLimit SpinLimits[] = {
    {1, &TAliasInfo::Col, 10, MaxCols},
    {2, &TAliasInfo::Row, 10, MaxRows},
    {4, &TAliasInfo::ScrollBuffer, INT32_MIN, 1000},
};

// _DEFAULT first, so that FormActivate opens it; the others as the desktop
// sorts names: by the locale's collation, without regard to case, numbers
// by value ("host2" before "host10").
void SortAliases(std::vector<std::pair<QString, std::string>>& Rows)
{
    QCollator Order;
    Order.setCaseSensitivity(Qt::CaseInsensitive);
    Order.setNumericMode(true);
    const auto IsDefault = [](const auto& Row) {
        return SameIniName(Row.second, DefaultAliasName);
    };
    std::stable_sort(Rows.begin(), Rows.end(), [&](const auto& A, const auto& B) {
        if (IsDefault(A) != IsDefault(B)) return IsDefault(A);
        return Order.compare(A.first, B.first) < 0;
    });
}

} // namespace

TfrmHostManager::TfrmHostManager(QWidget* Parent, const std::string& IniPath) : QDialog(Parent)
{
    setObjectName(QStringLiteral("frmHostManager"));
    BuildControls();
    ConnectHandlers();
    FormCreate(IniPath);
}

int TfrmHostManager::Tag(const QObject* Control)
{
    return Control ? Control->property("Tag").toInt() : 0;
}

void TfrmHostManager::ConnectHandlers()
{
    for (QLineEdit* E : {edAlias, edAddress, edPort, edUserName, edIdentityFile, edLogFile})
        connect(E, &QLineEdit::textChanged, this, [this, E] { EditChange(E); });
    connect(edAddress, &QLineEdit::returnPressed, this, [this] { edAddressKeyPress(EnterKey); });
    for (const TSwitch& S : FSwitches)
        connect(S.Box, &QCheckBox::toggled, this, [this, B = S.Box] { CheckBoxChange(B); });
    for (TColorComboBox* C : {clrColorCaret, clrColorBack})
        connect(C, &TColorComboBox::ColorChanged, this, [this, C] { ChangeColor(C); });
    for (QComboBox* C : {cbxTerminalType, cbxHostEncoding, cbxProtocol, cbxLogMode, cbxLogEncoding,
                         cbxHangulLayout})
        connect(C, &QComboBox::currentTextChanged, this, [this, C] { cbxComboBoxChange(C); });
    for (TSpinEdit* S : {spinCol, spinRow, spinScrollBuffer})
        connect(S, &TSpinEdit::DownClick, this, [this, S] { SpinChange(S); });
    connect(spinKeepAlive, &QSpinBox::valueChanged, this, [this](int Seconds) {
        if (!FShowing) AliasInfo.KeepAlive = Seconds;
    });
    connect(lbxAlias, &QListWidget::itemSelectionChanged, this, &TfrmHostManager::lbxAliasClick);
    // A click on the row already selected changes no selection, yet it is how
    // a user throws unsaved edits away. A click on another row loads twice,
    // on press and on release: a re-read of one small file.
    connect(lbxAlias, &QListWidget::itemClicked, this, &TfrmHostManager::lbxAliasClick);
    connect(lbxAlias, &QListWidget::itemDoubleClicked, this, &TfrmHostManager::lbxAliasDblClick);
    lbxAlias->installEventFilter(this);
    connect(btnFont, &QPushButton::clicked, this, &TfrmHostManager::btnFontClick);
    connect(btnIdentityFile, &QPushButton::clicked, this, &TfrmHostManager::btnIdentityFileClick);
    connect(btnLogFile, &QPushButton::clicked, this, &TfrmHostManager::btnLogFileClick);
    connect(ToolbarButton971, &QPushButton::clicked, this, &TfrmHostManager::ToolbarButton971Click);
    connect(ToolbarButton976, &QPushButton::clicked, this, &TfrmHostManager::ToolbarButton976Click);
    connect(btnOK, &QPushButton::clicked, this, &TfrmHostManager::btnOKClick);
    connect(btnNo, &QPushButton::clicked, this,
            [this] { done(static_cast<int>(TModalResult::mrNo)); });
    connect(btnSaveGlobal, &QPushButton::clicked, this, &TfrmHostManager::btnSaveGlobalClick);
}

void TfrmHostManager::FormCreate(const std::string& IniPath)
{
    ProfileIniPath = IniPath.empty() ? ::ProfileIniPath() : IniPath;
    ShowSshRows();
    ShowLogChoices();
}

TModalResult TfrmHostManager::ShowCentredOn(QWidget* MainWindow)
{
    CenterOverWindow(MainWindow, this);
    return static_cast<TModalResult>(RunModal(*this));
}

TAliasInfo TfrmHostManager::LoadAlias(const std::string& Alias) const
{
    return LoadAliasInfo(ProfileIniPath, Alias);
}

void TfrmHostManager::SaveAlias(const TAliasInfo& Info) { SaveAliasInfo(ProfileIniPath, Info); }

void TfrmHostManager::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    if (!Event->spontaneous()) FormActivate();
}

void TfrmHostManager::FormActivate()
{
    pgProperties->setCurrentWidget(tsGeneral);
    RefreshAliasList();
    spinCol->setMaximum(MaxCols);
    spinRow->setMaximum(MaxRows);
    AliasInfo = LoadAlias(ItemBytes(lbxAlias->item(0))); // never empty: _DEFAULT is always there
    ShowAliasInfo(AliasInfo);
}

void TfrmHostManager::RefreshAliasList()
{
    std::unique_ptr<TIniFile> Ini = OpenProfileIni(ProfileIniPath);
    std::vector<std::string> Names = Ini->ReadSections();
    const auto Is = [](const char* Name) {
        return [Name](const std::string& S) { return SameIniName(S, Name); };
    };
    if (std::none_of(Names.begin(), Names.end(), Is(DefaultAliasName)))
        Names.emplace_back(DefaultAliasName);
    std::erase_if(Names, Is(GlobalSectionName));
    std::vector<std::pair<QString, std::string>> Rows;
    for (std::string& N : Names) Rows.emplace_back(Text(N), std::move(N));
    SortAliases(Rows);

    lbxAlias->setUpdatesEnabled(false);
    lbxAlias->clear();
    for (const auto& [Shown, Raw] : Rows) {
        auto* Item = new QListWidgetItem(Shown, lbxAlias);
        Item->setData(Qt::UserRole, QByteArray::fromStdString(Raw));
        Item->setSizeHint(QSize(0, 16));
    }
    lbxAlias->setUpdatesEnabled(true);
    CloseProfileIni(Ini);
}

bool TfrmHostManager::Listed(const std::string& Alias) const
{
    for (int I = 0; I < lbxAlias->count(); ++I)
        if (SameIniName(ItemBytes(lbxAlias->item(I)), Alias)) return true;
    return false;
}

void TfrmHostManager::ShowAliasInfo(const TAliasInfo& Info)
{
    // AliasInfo already holds Info: the change handlers would only repeat it,
    // and a hand-edited port such as "-1" must not raise the digit message.
    const QScopedValueRollback<bool> Showing(FShowing, true);
    edAlias->setText(Text(Info.Alias));
    edAddress->setText(Text(Info.Address));
    edPort->setText(QString::number(Info.Port));
    for (const TSwitch& S : FSwitches) S.Box->setChecked(Info.*S.Field);
    clrColorCaret->SetColor(Info.ColorCaret);
    clrColorBack->SetColor(Info.ColorBack);
    btnFont->SetFontChoice({Text(Info.FontName), Info.FontSize, Info.FontColor});
    spinScrollBuffer->setValue(Info.ScrollBuffer);
    spinCol->setValue(Info.Col);
    spinRow->setValue(Info.Row);
    cbxTerminalType->setCurrentText(Text(Info.TerminalType));
    // Only two choices: a hand-edited value shows as what it means.
    cbxHostEncoding->setCurrentIndex(HostEncodingOf(Info.HostEncoding) == THostEncoding::Utf8 ? 1
                                                                                              : 0);
    cbxProtocol->setCurrentIndex(ProtocolOf(Info.Protocol) == TProtocol::Ssh ? 1 : 0);
    edUserName->setText(Text(Info.UserName));
    edIdentityFile->setText(Text(Info.IdentityFile));
    edLogFile->setText(Text(Info.LogFile));
    cbxLogMode->setCurrentIndex(LogModeOf(Info.LogMode) == TLogMode::Raw ? 1 : 0);
    cbxLogEncoding->setCurrentIndex(LogEncodingOf(Info.LogEncoding) == TLogEncoding::Utf8 ? 1 : 0);
    spinKeepAlive->setValue(Info.KeepAlive);
    cbxHangulLayout->setCurrentIndex(LayoutIndex(Info.HangulLayout));
}

void TfrmHostManager::CollectAliasInfo()
{
    AliasInfo.Alias = Bytes(edAlias->text());
    AliasInfo.Address = Bytes(edAddress->text());
    std::int32_t Port = 0;
    if (ParsePort(edPort->text(), Port) == TPortText::Number) AliasInfo.Port = Port;
    for (const TSwitch& S : FSwitches) AliasInfo.*S.Field = S.Box->isChecked();
    AliasInfo.ColorCaret = clrColorCaret->Color();
    AliasInfo.ColorBack = clrColorBack->Color();
    const TFontChoice& Font = btnFont->FontChoice();
    AliasInfo.FontName = Bytes(Font.Face);
    AliasInfo.FontSize = Font.Size;
    AliasInfo.FontColor = Font.Color;
    AliasInfo.ScrollBuffer = spinScrollBuffer->value();
    AliasInfo.Col = spinCol->value();
    AliasInfo.Row = spinRow->value();
    AliasInfo.TerminalType = Bytes(cbxTerminalType->currentText());
    AliasInfo.HostEncoding = Bytes(cbxHostEncoding->currentText());
    AliasInfo.Protocol = Bytes(cbxProtocol->currentText());
    AliasInfo.UserName = Bytes(edUserName->text());
    AliasInfo.IdentityFile = Bytes(edIdentityFile->text());
    AliasInfo.LogFile = Bytes(edLogFile->text());
    AliasInfo.LogMode = LogModes[cbxLogMode->currentIndex()];
    AliasInfo.LogEncoding = LogEncodings[cbxLogEncoding->currentIndex()];
    AliasInfo.KeepAlive = spinKeepAlive->value();
    AliasInfo.HangulLayout = LayoutId(cbxHangulLayout->currentIndex());
}

void TfrmHostManager::EditChange(QObject* Sender)
{
    if (FShowing) return;
    auto* Edit = qobject_cast<QLineEdit*>(Sender);
    switch (Tag(Sender)) {
    case 1: AliasInfo.Alias = Bytes(Edit->text()); break;
    case 2: AliasInfo.Address = Bytes(Edit->text()); break;
    case 3: {
        std::int32_t Port = 0;
        QString Refusal;
        switch (ParsePort(Edit->text(), Port)) {
        case TPortText::Number: AliasInfo.Port = Port; return;
        case TPortText::Empty: return; // mid-edit; Add and Yes refuse an empty port
        case TPortText::NotDigits: Refusal = QStringLiteral("숫자만 허용 됩니다."); break;
        case TPortText::TooLarge:
            Refusal = QStringLiteral("Port 는 2147483647 이하의 숫자만 허용 됩니다.");
            break;
        }
        ShowDialog(Refusal, TMsgDlgType::mtError, mbOK, this);
        Edit->setText(QString::number(AliasInfo.Port));
        break;
    }
    case 4: AliasInfo.UserName = Bytes(Edit->text()); break;
    case 5: AliasInfo.IdentityFile = Bytes(Edit->text()); break;
    case 6: AliasInfo.LogFile = Bytes(Edit->text()); break;
    default: break;
    }
}

void TfrmHostManager::CheckBoxChange(QObject* Sender)
{
    if (FShowing) return;
    for (const TSwitch& S : FSwitches)
        if (Tag(S.Box) == Tag(Sender)) AliasInfo.*S.Field = S.Box->isChecked();
}

void TfrmHostManager::ChangeColor(QObject* Sender)
{
    if (FShowing) return;
    const TColor Color = qobject_cast<TColorComboBox*>(Sender)->Color();
    if (Tag(Sender) == 1) AliasInfo.ColorCaret = Color;
    if (Tag(Sender) == 2) AliasInfo.ColorBack = Color;
}

void TfrmHostManager::cbxComboBoxChange(QObject* Sender)
{
    if (Tag(Sender) == 3) ShowSshRows(); // a profile being shown included
    if (Tag(Sender) == 4) ShowLogChoices();
    if (FShowing) return;
    const auto* Combo = qobject_cast<QComboBox*>(Sender);
    if (Tag(Sender) == 4) AliasInfo.LogMode = LogModes[Combo->currentIndex()];
    if (Tag(Sender) == 5) AliasInfo.LogEncoding = LogEncodings[Combo->currentIndex()];
    if (Tag(Sender) == 6) AliasInfo.HangulLayout = LayoutId(Combo->currentIndex());
    if (Tag(Sender) == 1) AliasInfo.TerminalType = Bytes(Combo->currentText());
    if (Tag(Sender) == 2) AliasInfo.HostEncoding = Bytes(Combo->currentText());
    if (Tag(Sender) == 3) {
        AliasInfo.Protocol = Bytes(Combo->currentText());
        FollowProtocolPort();
    }
}

bool TfrmHostManager::SshChosen() const { return cbxProtocol->currentIndex() == 1; }

void TfrmHostManager::ShowSshRows()
{
    for (QWidget* W : FSshRows) W->setVisible(SshChosen());
}

void TfrmHostManager::ShowLogChoices()
{
    const bool Text = cbxLogMode->currentIndex() == 0;
    cbxLogEncoding->setEnabled(Text);
    ckbLogTimestamps->setEnabled(Text);
}

void TfrmHostManager::FollowProtocolPort()
{
    // Only the well-known ports follow: a port of the user's own stays.
    std::int32_t Port = 0;
    if (ParsePort(edPort->text(), Port) != TPortText::Number) return;
    const std::int32_t From = SshChosen() ? TelnetPort : SshPort;
    if (Port == From) edPort->setText(QString::number(SshChosen() ? SshPort : TelnetPort));
}

void TfrmHostManager::SpinChange(QObject* Sender)
{
    auto* Spin = qobject_cast<TSpinEdit*>(Sender);
    for (const TSpinLimit& L : SpinLimits) {
        if (L.Tag != Tag(Sender)) continue;
        AliasInfo.*L.Field = std::clamp(Spin->value(), L.Min, L.Max);
        Spin->setValue(AliasInfo.*L.Field);
    }
}

void TfrmHostManager::lbxAliasClick()
{
    const QList<QListWidgetItem*> Selected = lbxAlias->selectedItems();
    if (Selected.isEmpty()) return;
    AliasInfo = LoadAlias(ItemBytes(Selected.front()));
    ShowAliasInfo(AliasInfo);
}

void TfrmHostManager::lbxAliasDblClick()
{
    const QList<QListWidgetItem*> Selected = lbxAlias->selectedItems();
    if (Selected.isEmpty() || Selected.front()->text().isEmpty()) return;
    lbxAliasClick();
    btnOKClick();
}

void TfrmHostManager::lbxAliasKeyPress(char Key)
{
    if (Key == EnterKey) lbxAliasDblClick();
}

void TfrmHostManager::edAddressKeyPress(char Key)
{
    if (Key == EnterKey) btnOKClick();
}

void TfrmHostManager::FormKeyPress(char Key)
{
    if (Key == EscapeKey) done(static_cast<int>(TModalResult::mrCancel));
}

void TfrmHostManager::reject() { done(static_cast<int>(TModalResult::mrCancel)); }

void TfrmHostManager::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Escape) {
        FormKeyPress(EscapeKey);
        return;
    }
    QDialog::keyPressEvent(Event);
}

bool TfrmHostManager::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == lbxAlias && Event->type() == QEvent::KeyPress) {
        const int Key = static_cast<QKeyEvent*>(Event)->key();
        if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
            lbxAliasKeyPress(EnterKey);
            return true;
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

void TfrmHostManager::btnFontClick()
{
    std::unique_ptr<TFontDialog> Own; // only when no data module exists
    TFontDialog* Dialog = dmMaster ? &dmMaster->FontDialog1() : nullptr;
    if (!Dialog) Dialog = (Own = std::make_unique<TFontDialog>()).get();
    Dialog->SetChoice(btnFont->FontChoice());
    if (Dialog->Execute(this)) btnFont->SetFontChoice(Dialog->Choice());
}

void TfrmHostManager::btnIdentityFileClick()
{
    QFileDialog Dialog(this, QStringLiteral("키 파일 선택"));
    Dialog.setObjectName(QStringLiteral("OpenDialog1"));
    Dialog.setOption(QFileDialog::DontUseNativeDialog); // one the modal hook can answer
    Dialog.setFileMode(QFileDialog::ExistingFile);
    const QString Ssh = QDir::homePath() + QStringLiteral("/.ssh");
    Dialog.setDirectory(QDir(Ssh).exists() ? Ssh : QDir::homePath());
    if (RunModal(Dialog) != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return;
    edIdentityFile->setText(Dialog.selectedFiles().front());
}

void TfrmHostManager::btnLogFileClick()
{
    QString Template = edLogFile->text();
    if (PromptLogFile(Template, this)) edLogFile->setText(Template);
}

bool TfrmHostManager::Store(const std::function<void()>& Write)
{
    try {
        Write();
        return true;
    } catch (const EProfileWriteError& E) {
        ShowDialog(QString::fromLocal8Bit(E.what()), TMsgDlgType::mtError, mbOK, this);
        return false;
    }
}

void TfrmHostManager::ToolbarButton971Click()
{
    // Compared, asked about and stored as the file will read the name back.
    // A name of blanks alone would be stored under a header the file reads
    // back as nameless, and so never listed again.
    const std::string Name = IniName(Bytes(edAlias->text()));
    if (Name.empty()) {
        ShowDialog(QStringLiteral("접속을 구분하기 위한 이름을\r입력하세요."),
                   TMsgDlgType::mtInformation, mbOK, this);
        return;
    }
    // Another window connects through a new process started with "-a" and
    // the alias: "-reverse" there is an option the toolkit takes for itself.
    if (Name.front() == '-') {
        ShowDialog(QStringLiteral("Alias 는 '-' 로 시작할 수 없습니다."), TMsgDlgType::mtError,
                   mbOK, this);
        return;
    }
    if (edAddress->text().isEmpty() || edPort->text().isEmpty()) {
        ShowDialog(QStringLiteral("Address 와 Port는 필히 입력하세요."), TMsgDlgType::mtError, mbOK,
                   this);
        return;
    }
    if (Listed(Name) &&
        ShowDialog(Text(Name) + QStringLiteral("는 List에 있습니다.") + QStringLiteral("\r") +
                       QStringLiteral("덮어 쓰시겠습니까?"),
                   TMsgDlgType::mtConfirmation, mbYes | mbNo, this) != TModalResult::mrYes)
        return;
    edAlias->setText(Text(Name)); // the name the list will show
    CollectAliasInfo();
    AliasInfo.Alias = Name;
    if (Store([this] { SaveAlias(AliasInfo); })) RefreshAliasList();
}

void TfrmHostManager::ToolbarButton976Click()
{
    const QList<QListWidgetItem*> Selected = lbxAlias->selectedItems();
    if (Selected.isEmpty()) return;
    const std::string Alias = ItemBytes(Selected.front());
    if (ShowDialog(QStringLiteral("\"") + Selected.front()->text() +
                       QStringLiteral("\"를 삭제 하시겠습니까?"),
                   TMsgDlgType::mtConfirmation, mbYes | mbNo, this) != TModalResult::mrYes)
        return;
    const bool Erased = Store([&] {
        std::unique_ptr<TIniFile> Ini = OpenProfileIni(ProfileIniPath);
        Ini->EraseSection(Alias);
        CloseProfileIni(Ini);
    });
    if (Erased) RefreshAliasList();
}

void TfrmHostManager::btnOKClick()
{
    // An emptied port edit is no port, though Port still holds the last one.
    if (!AliasInfo.Address.empty() && AliasInfo.Port != 0 && !edPort->text().isEmpty()) {
        CollectAliasInfo();
        done(static_cast<int>(TModalResult::mrOk));
        return;
    }
    ShowDialog(QStringLiteral("기본적으로 주소 와 접속 Port를\r정의 해야 합니다."),
               TMsgDlgType::mtInformation, mbOK, this);
}

void TfrmHostManager::btnSaveGlobalClick()
{
    CollectAliasInfo();
    if (Store([this] { SaveGlobalInfo(ProfileIniPath, AliasInfo); })) RefreshAliasList();
}
