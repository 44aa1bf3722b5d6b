// The host manager against a real INI file in a private folder: what it lists
// and shows, every flow that writes the file or answers the user, and the
// widget-set pieces it is built from. Every modal dialog is answered through
// the modal hook.
#include "app/DataModuleMaster.h"
#include "app/FromHostManager.h"
#include "support/TempDir.h"
#include "term/QtCanvas.h"
#include "text/Cp949.h"
#include "widgets/ColorComboBox.h"
#include "widgets/Dialogs.h"
#include "widgets/FontDialog.h"
#include "widgets/HintWindow.h"
#include "widgets/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <functional>

namespace {

std::string Ko(const char* Utf8) { return Cp949::FromUtf8(Utf8); }
// A message as the box shows it: our texts break lines with CR.
QString Shown(const QString& Text) { return QString(Text).replace(QLatin1Char('\r'), '\n'); }

using TReply = QMessageBox::StandardButton;

// Answers every modal dialog: message boxes from a queue of replies, the host
// manager and the font dialog by the functions the test gives.
class TAnswers {
public:
    TAnswers()
    {
        SetModalHook([this](QDialog& D) { Answer(D); });
    }
    ~TAnswers() { SetModalHook({}); }
    TAnswers(const TAnswers&) = delete;
    TAnswers& operator=(const TAnswers&) = delete;

    QStringList Messages; // every message box's text, in order
    QList<TReply> Replies;
    std::function<void(TfrmHostManager&)> OnHostManager;
    std::function<void(TFontDialog&)> OnFontDialog;
    std::function<void(QFileDialog&)> OnFileDialog;

private:
    void Answer(QDialog& D)
    {
        if (auto* Box = qobject_cast<QMessageBox*>(&D)) {
            Messages << Box->text();
            const TReply Reply = Replies.isEmpty() ? QMessageBox::Ok : Replies.takeFirst();
            if (QAbstractButton* B = Box->button(Reply)) B->click();
        } else if (auto* F = qobject_cast<TfrmHostManager*>(&D)) {
            if (OnHostManager) OnHostManager(*F);
        } else if (auto* Font = qobject_cast<TFontDialog*>(&D)) {
            if (OnFontDialog) OnFontDialog(*Font);
        } else if (auto* Files = qobject_cast<QFileDialog*>(&D)) {
            if (OnFileDialog) OnFileDialog(*Files);
        }
    }
};

QStringList ListItems(const TfrmHostManager& F)
{
    QStringList Items;
    for (int I = 0; I < F.lbxAlias->count(); ++I) Items << F.lbxAlias->item(I)->text();
    return Items;
}

QStringList Sections(const std::string& Ini)
{
    QStringList Names;
    for (const std::string& S : TIniFile(Ini).ReadSections())
        Names << QString::fromStdString(Cp949::ToUtf8(S));
    return Names;
}

void Select(TfrmHostManager& F, const QString& Alias)
{
    const auto Found = F.lbxAlias->findItems(Alias, Qt::MatchExactly);
    QVERIFY(!Found.isEmpty());
    F.lbxAlias->setCurrentItem(Found.front());
}

// The desktop's locale for one test; the tests otherwise run in C.
struct TScopedLocale {
    QLocale Before;
    explicit TScopedLocale(const QLocale& L) { QLocale::setDefault(L); }
    ~TScopedLocale() { QLocale::setDefault(Before); }
    TScopedLocale(const TScopedLocale&) = delete;
    TScopedLocale& operator=(const TScopedLocale&) = delete;
};

// The three SSH controls the General tab shows: all or none.
int SshControlsShown(const TfrmHostManager& F)
{
    const std::initializer_list<const QWidget*> Controls = {F.edUserName, F.edIdentityFile,
                                                            F.btnIdentityFile};
    int N = 0;
    for (const QWidget* W : Controls) N += W->isVisibleTo(F.tsGeneral);
    return N;
}

const char* const SshIni =
    "[git]\nAddress=g\nPort=22\nProtocol=SSH\nUserName=kim\nIdentityFile=/k\n"
    "[lab]\nAddress=l\nPort=23\nProtocol=ssh\n"
    "[web]\nAddress=w\n"
    "[odd]\nAddress=o\nProtocol=rlogin\n";

const char* const WebIni = "[web]\nAddress=old.example\nPort=2323\nRow=40\n";
const QString NeedAddress =
    Shown(QStringLiteral("기본적으로 주소 와 접속 Port를\r정의 해야 합니다."));

} // namespace

class HostManagerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempDir> Dir;
    std::string Ini;

    void WriteIni(const char* Text) { WriteBytes(Ini, Text); }

private slots:
    void init()
    {
        Dir = std::make_unique<TTempDir>();
        Ini = *Dir / "Brevanix.ini";
    }
    void cleanup() { Dir.reset(); }

    void noFileShowsTheDefaultProfile()
    {
        TfrmHostManager F(nullptr, Ini);
        QCOMPARE(F.LoadAlias("web").Address, "Remote Address"); // unshown, it loads
        F.show();
        QCOMPARE(ListItems(F), QStringList{"_DEFAULT"});
        QVERIFY(F.lbxAlias->selectedItems().isEmpty());
        QCOMPARE(F.pgProperties->currentWidget(), F.tsGeneral);
        QCOMPARE(F.edAddress->text(), "Remote Address");
        QCOMPARE(F.edPort->text(), "23");
        QCOMPARE(F.spinRow->value(), 30);
        QCOMPARE(F.spinCol->maximum(), 152);
        QCOMPARE(F.spinRow->maximum(), 130);
        QCOMPARE(F.btnFont->FontChoice(), (TFontChoice{"FixedSys", 12, 0x00C0C0C0}));
        QCOMPARE(F.clrColorCaret->Color(), TColor{0x0000FFFF});
    }

    // Showing a profile is no edit: a hand-written port that the edit would
    // refuse when typed is shown as it is, without a message.
    void showingAProfileAsksNothing()
    {
        WriteIni("[_DEFAULT]\nPort=-1\nCol=500\n");
        TAnswers A;
        TfrmHostManager F(nullptr, Ini);
        F.show();
        QVERIFY(A.Messages.isEmpty());
        QCOMPARE(F.edPort->text(), "-1");
        QCOMPARE(F.spinCol->value(), 152); // the spin edit brings it to its bound
        QCOMPARE(F.AliasInfo.Col, 500);    // until the controls are collected
    }

    void listsSectionsSortedWithoutGlobal_data()
    {
        QTest::addColumn<QString>("Text");
        QTest::addColumn<QStringList>("Items");
        QTest::newRow("only Global") << "[Global]\nHanEng=1\n" << QStringList{"_DEFAULT"};
        QTest::newRow("any case") << "[gLoBaL]\nA=1\n[_default]\nPort=1\n[web]\nPort=1\n"
                                  << QStringList{"_default", "web"};
        QTest::newRow("sorted") << "[zeta]\nA=1\n[Alpha]\nA=1\n[beta]\nA=1\n"
                                << QStringList{"_DEFAULT", "Alpha", "beta", "zeta"};
        // By code point "1" came before "_DEFAULT" and opened first, "host10"
        // before "host2", Latin before Korean and a Hanja before any Hangul;
        // Korean sorts a Hanja by its reading (漢 is 한).
        QTest::newRow("Korean collation")
            << "[host10]\nA=1\n[漢]\nA=1\n[_DEFAULT]\nAddress=bare\n[192.168.0.5]\nA=1\n"
               "[_x]\nA=1\n[host2]\nA=1\n[하]\nA=1\n[가나]\nA=1\n"
            << QStringList{"_DEFAULT", "_x", "192.168.0.5", "가나", "하", "漢", "host2", "host10"};
    }
    // The controls show the first item, whatever the file's order.
    void listsSectionsSortedWithoutGlobal()
    {
        QFETCH(QString, Text);
        QFETCH(QStringList, Items);
        const TScopedLocale Korean(QLocale(QLocale::Korean, QLocale::SouthKorea));
        WriteBytes(Ini, Ko(Text.toUtf8().constData()));
        TfrmHostManager F(nullptr, Ini);
        F.show();
        QCOMPARE(ListItems(F), Items);
        QCOMPARE(F.edAlias->text(), Items.first());
    }

    // A click on the selected row throws the unsaved edits away.
    void clickOnTheSelectedAliasReloadsIt()
    {
        WriteIni(WebIni);
        TfrmHostManager F(nullptr, Ini);
        F.show();
        Select(F, "web");
        F.edAddress->setText("edited.example");
        const QRect R = F.lbxAlias->visualItemRect(F.lbxAlias->currentItem());
        QTest::mouseClick(F.lbxAlias->viewport(), Qt::LeftButton, {}, R.center());
        QCOMPARE(F.edAddress->text(), "old.example");
        QCOMPARE(F.AliasInfo.Address, "old.example");
    }

    void yesHandsTheProfileOver_data()
    {
        QTest::addColumn<QString>("Text");
        QTest::addColumn<QString>("Action");
        QTest::addColumn<QString>("Address");
        QTest::newRow("no file, Yes at once") << ""
                                              << "Yes"
                                              << "Remote Address";
        QTest::newRow("Enter in address") << WebIni << "Enter in address"
                                          << "Remote Address";
        QTest::newRow("double click") << WebIni << "double click"
                                      << "old.example";
        QTest::newRow("Enter in list") << WebIni << "Enter in list"
                                       << "old.example";
    }
    void yesHandsTheProfileOver()
    {
        QFETCH(QString, Text);
        QFETCH(QString, Action);
        QFETCH(QString, Address);
        if (!Text.isEmpty()) WriteIni(Text.toUtf8().constData());
        const std::string Before = ReadBytes(Ini);
        TAnswers A;
        A.OnHostManager = [&](TfrmHostManager& F) {
            if (Action == "Yes") F.btnOK->click();
            if (Action == "Enter in address") QTest::keyClick(F.edAddress, Qt::Key_Return);
            if (Action.endsWith("list") || Action == "double click") {
                Select(F, "web");
                QCOMPARE(F.edAddress->text(), "old.example");
            }
            if (Action == "Enter in list") QTest::keyClick(F.lbxAlias, Qt::Key_Return);
            if (Action == "double click") {
                const QRect R = F.lbxAlias->visualItemRect(F.lbxAlias->currentItem());
                QTest::mouseClick(F.lbxAlias->viewport(), Qt::LeftButton, {}, R.center());
                QTest::mouseDClick(F.lbxAlias->viewport(), Qt::LeftButton, {}, R.center());
            }
        };
        TfrmHostManager F(nullptr, Ini);
        QCOMPARE(F.ShowCentredOn(nullptr), TModalResult::mrOk);
        QCOMPARE(QString::fromStdString(F.AliasInfo.Address), Address);
        QCOMPARE(ReadBytes(Ini), Before); // Yes writes nothing
        QVERIFY(A.Messages.isEmpty());
    }

    void closingOtherwiseStillHandsTheProfileOver_data()
    {
        QTest::addColumn<QString>("Action");
        QTest::addColumn<TModalResult>("Result");
        QTest::newRow("Esc") << "Esc" << TModalResult::mrCancel;
        QTest::newRow("No") << "No" << TModalResult::mrNo;
        QTest::newRow("close box") << "close" << TModalResult::mrCancel;
    }
    void closingOtherwiseStillHandsTheProfileOver()
    {
        QFETCH(QString, Action);
        QFETCH(TModalResult, Result);
        TAnswers A;
        A.OnHostManager = [&](TfrmHostManager& F) {
            F.edAddress->setText("changed.example");
            F.ckbSoftScroll->setChecked(true);
            if (Action == "Esc") QTest::keyClick(F.edAddress, Qt::Key_Escape);
            if (Action == "No") F.btnNo->click();
            if (Action == "close") F.close();
            QVERIFY(!F.isVisible());
        };
        QWidget Main;
        Main.setGeometry(100, 100, 800, 600);
        TfrmHostManager F(nullptr, Ini);
        QCOMPARE(F.ShowCentredOn(&Main), Result);
        QCOMPARE(F.AliasInfo.Address, "changed.example");
        QVERIFY(F.AliasInfo.SoftScroll);
        QVERIFY(!QFile::exists(QString::fromStdString(Ini)));
    }

    void yesWithoutAddressOrPortStaysOpen_data()
    {
        QTest::addColumn<QString>("Address");
        QTest::addColumn<QString>("Port");
        QTest::newRow("no address") << ""
                                    << "23";
        QTest::newRow("port 0") << "host"
                                << "0";
        QTest::newRow("port emptied") << "host"
                                      << "";
    }
    void yesWithoutAddressOrPortStaysOpen()
    {
        QFETCH(QString, Address);
        QFETCH(QString, Port);
        TAnswers A;
        TfrmHostManager F(nullptr, Ini);
        F.show();
        F.edAddress->setText(Address);
        F.edPort->setText(Port);
        F.btnOK->click();
        QCOMPARE(A.Messages, QStringList{NeedAddress});
        QVERIFY(F.isVisible());
        QCOMPARE(F.result(), 0);
    }

    void portEditTakesDigitsOnly_data()
    {
        QTest::addColumn<bool>("Replace"); // type over the old text
        QTest::addColumn<QString>("Keys");
        QTest::addColumn<QString>("Message");
        QTest::addColumn<QString>("Text");
        QTest::addColumn<int>("Port");
        QTest::newRow("letter") << false << "a"
                                << "숫자만 허용 됩니다."
                                << "23" << 23;
        QTest::newRow("digits") << true << "8080"
                                << ""
                                << "8080" << 8080;
        QTest::newRow("too large") << true << "2147483648"
                                   << "Port 는 2147483647 이하의 숫자만 허용 됩니다."
                                   << "214748364" << 214748364;
        QTest::newRow("emptied") << true << ""
                                 << ""
                                 << "" << 23;
    }
    void portEditTakesDigitsOnly()
    {
        QFETCH(bool, Replace);
        QFETCH(QString, Keys);
        QFETCH(QString, Message);
        QFETCH(QString, Text);
        QFETCH(int, Port);
        TAnswers A;
        TfrmHostManager F(nullptr, Ini);
        F.show();
        F.edPort->setFocus();
        F.edPort->end(false);
        if (Replace) {
            F.edPort->selectAll();
            QTest::keyClick(F.edPort, Qt::Key_Backspace);
        }
        QTest::keyClicks(F.edPort, Keys);
        QCOMPARE(A.Messages, Message.isEmpty() ? QStringList{} : QStringList{Message});
        QCOMPARE(F.edPort->text(), Text);
        QCOMPARE(F.AliasInfo.Port, Port);
    }

    void downButtonLimitsTheSpin_data()
    {
        QTest::addColumn<QString>("Spin");
        QTest::addColumn<int>("Start");
        QTest::addColumn<int>("After");
        QTest::newRow("scroll buffer 5000") << "spinScrollBuffer" << 5000 << 1000;
        QTest::newRow("scroll buffer 300") << "spinScrollBuffer" << 300 << 299;
        QTest::newRow("col 5") << "spinCol" << 5 << 10;
        QTest::newRow("col 152") << "spinCol" << 152 << 151;
        QTest::newRow("row 130") << "spinRow" << 130 << 129;
    }
    void downButtonLimitsTheSpin()
    {
        QFETCH(QString, Spin);
        QFETCH(int, Start);
        QFETCH(int, After);
        TfrmHostManager F(nullptr, Ini);
        F.show();
        auto* S = F.findChild<TSpinEdit*>(Spin);
        S->setValue(Start);
        QTest::keyClick(S, Qt::Key_Down);
        QCOMPARE(S->value(), After);
        const auto Field = Spin == "spinCol"   ? &TAliasInfo::Col
                           : Spin == "spinRow" ? &TAliasInfo::Row
                                               : &TAliasInfo::ScrollBuffer;
        QCOMPARE(F.AliasInfo.*Field, After);
    }

    void typingOrUpLeavesTheFieldToCollect()
    {
        TfrmHostManager F(nullptr, Ini);
        F.show();
        QSignalSpy Downs(F.spinScrollBuffer, &TSpinEdit::DownClick);
        QTest::keyClick(F.spinScrollBuffer, Qt::Key_Up);
        QCOMPARE(F.spinScrollBuffer->value(), 1001);
        F.spinScrollBuffer->selectAll();
        QTest::keyClicks(F.spinScrollBuffer, "777");
        QCOMPARE(F.spinScrollBuffer->value(), 777);
        QCOMPARE(Downs.count(), 0);
        QCOMPARE(F.AliasInfo.ScrollBuffer, 1000);
        F.btnOK->click();
        QCOMPARE(F.result(), int(TModalResult::mrOk));
        QCOMPARE(F.AliasInfo.ScrollBuffer, 777);
    }

    void addRefusesWithoutNameAddressOrPort_data()
    {
        QTest::addColumn<QString>("Alias");
        QTest::addColumn<QString>("Address");
        QTest::addColumn<QString>("Port");
        QTest::addColumn<QString>("Message");
        const QString NoName = Shown("접속을 구분하기 위한 이름을\r입력하세요.");
        const QString NoAddress = "Address 와 Port는 필히 입력하세요.";
        QTest::newRow("empty name") << ""
                                    << "host"
                                    << "23" << NoName;
        QTest::newRow("blank name") << "  "
                                    << "host"
                                    << "23" << NoName;
        QTest::newRow("empty address") << "web"
                                       << ""
                                       << "23" << NoAddress;
        QTest::newRow("empty port") << "web"
                                    << "host"
                                    << "" << NoAddress;
        const QString Dash = "Alias 는 '-' 로 시작할 수 없습니다.";
        QTest::newRow("leading dash") << "-reverse"
                                      << "host"
                                      << "23" << Dash;
        QTest::newRow("dash after blanks") << " \t-x"
                                           << "host"
                                           << "23" << Dash;
    }
    void addRefusesWithoutNameAddressOrPort()
    {
        QFETCH(QString, Alias);
        QFETCH(QString, Address);
        QFETCH(QString, Port);
        QFETCH(QString, Message);
        TAnswers A;
        TfrmHostManager F(nullptr, Ini);
        F.show();
        F.edAlias->setText(Alias);
        F.edAddress->setText(Address);
        F.edPort->setText(Port);
        F.ToolbarButton971->click();
        QCOMPARE(A.Messages, QStringList{Message});
        QVERIFY(!QFile::exists(QString::fromStdString(Ini)));
    }

    void addAsksBeforeOverwriting_data()
    {
        QTest::addColumn<QString>("Text");
        QTest::addColumn<QString>("Alias");
        QTest::addColumn<int>("Reply"); // 0: no question expected
        QTest::addColumn<QStringList>("Sections");
        QTest::newRow("other case, Yes")
            << WebIni << "WEB" << int(QMessageBox::Yes) << QStringList{"web"};
        QTest::newRow("other case, No")
            << WebIni << "WEB" << int(QMessageBox::No) << QStringList{"web"};
        QTest::newRow("_DEFAULT") << ""
                                  << "_DEFAULT" << int(QMessageBox::Yes) << QStringList{"_DEFAULT"};
        QTest::newRow("Global") << ""
                                << "Global" << 0 << QStringList{"Global"};
        // The file reads names without the blanks around them.
        QTest::newRow("blanks around, Yes")
            << WebIni << "web " << int(QMessageBox::Yes) << QStringList{"web"};
        QTest::newRow("blanks around, No")
            << WebIni << "\tweb" << int(QMessageBox::No) << QStringList{"web"};
        QTest::newRow("blank before _DEFAULT")
            << ""
            << " _DEFAULT" << int(QMessageBox::Yes) << QStringList{"_DEFAULT"};
    }
    void addAsksBeforeOverwriting()
    {
        QFETCH(QString, Text);
        QFETCH(QString, Alias);
        QFETCH(int, Reply);
        QFETCH(QStringList, Sections);
        if (!Text.isEmpty()) WriteIni(Text.toUtf8().constData());
        const std::string Before = ReadBytes(Ini);
        TAnswers A;
        if (Reply) A.Replies << TReply(Reply);
        TfrmHostManager F(nullptr, Ini);
        F.show();
        F.edAlias->setText(Alias);
        F.edAddress->setText("new.example");
        F.ToolbarButton971->click();
        const QString Question = Alias.trimmed() + "는 List에 있습니다.\n덮어 쓰시겠습니까?";
        QCOMPARE(A.Messages, Reply ? QStringList{Question} : QStringList{});
        if (Reply == QMessageBox::No) {
            QCOMPARE(ReadBytes(Ini), Before);
            return;
        }
        QCOMPARE(::Sections(Ini), Sections);
        QCOMPARE(LoadAliasInfo(Ini, Alias.toStdString()).Address, "new.example");
        QVERIFY(!ListItems(F).contains("Global"));
        QCOMPARE(F.edAlias->text(), Alias.trimmed()); // the name it was stored under
        QCOMPARE(QString::fromStdString(F.AliasInfo.Alias), Alias.trimmed());
    }

    // The file's value shows as one of the two choices; a choice goes into
    // AliasInfo at once and into the file with Add.
    void encodingComboShowsAndStoresTheChoice_data()
    {
        QTest::addColumn<QString>("Line");
        QTest::addColumn<QString>("Shown");
        QTest::addColumn<QString>("Chosen");
        QTest::newRow("missing") << ""
                                 << "CP949"
                                 << "UTF-8";
        QTest::newRow("UTF-8") << "HostEncoding=UTF-8\n"
                               << "UTF-8"
                               << "CP949";
        QTest::newRow("hand-edited utf8") << "HostEncoding=utf8\n"
                                          << "UTF-8"
                                          << "CP949";
        QTest::newRow("unknown") << "HostEncoding=EUC-KR\n"
                                 << "CP949"
                                 << "UTF-8";
    }
    void encodingComboShowsAndStoresTheChoice()
    {
        QFETCH(QString, Line);
        QFETCH(QString, Shown);
        QFETCH(QString, Chosen);
        WriteIni(("[web]\nAddress=w\n" + Line).toUtf8().constData());
        TfrmHostManager F(nullptr, Ini);
        F.show();
        Select(F, "web");
        QCOMPARE(F.cbxHostEncoding->currentText(), Shown);
        QVERIFY(!F.cbxHostEncoding->toolTip().isEmpty());
        F.cbxHostEncoding->setCurrentText(Chosen);
        QCOMPARE(QString::fromStdString(F.AliasInfo.HostEncoding), Chosen);
        TAnswers A;
        A.Replies << QMessageBox::Yes;
        F.ToolbarButton971->click();
        QCOMPARE(QString::fromStdString(LoadAliasInfo(Ini, "web").HostEncoding), Chosen);
    }

    // Each alias is selected after the one before it: the SSH rows follow the
    // protocol whether or not the combo's choice changes, and showing a
    // profile moves no port (lab keeps its 23).
    void sshAliasShowsItsRows()
    {
        WriteIni(SshIni);
        TfrmHostManager F(nullptr, Ini);
        F.show();
        QCOMPARE(SshControlsShown(F), 0);
        const QStringList Steps[] = {{"web", "Telnet", "23", ""},
                                     {"lab", "SSH", "23", ""},
                                     {"git", "SSH", "22", "kim"},
                                     {"odd", "Telnet", "23", ""},
                                     {"git", "SSH", "22", "kim"}};
        for (const QStringList& S : Steps) {
            Select(F, S[0]);
            QCOMPARE(QStringList({S[0], F.cbxProtocol->currentText(), F.edPort->text(),
                                  F.edUserName->text()}),
                     S);
            QCOMPARE(SshControlsShown(F), S[1] == "SSH" ? 3 : 0);
        }
        QCOMPARE(F.edIdentityFile->text(), "/k");
    }

    void protocolMovesOnlyItsWellKnownPort_data()
    {
        QTest::addColumn<QString>("Alias");
        QTest::addColumn<QString>("Typed"); // the port typed before choosing
        QTest::addColumn<QString>("Port");
        QTest::newRow("Telnet 23 to SSH") << "web"
                                          << ""
                                          << "22";
        QTest::newRow("SSH 22 to Telnet") << "git"
                                          << ""
                                          << "23";
        QTest::newRow("own port stays") << "web"
                                        << "2323"
                                        << "2323";
        QTest::newRow("23 under SSH stays") << "git"
                                            << "23"
                                            << "23";
    }
    void protocolMovesOnlyItsWellKnownPort()
    {
        QFETCH(QString, Alias);
        QFETCH(QString, Typed);
        QFETCH(QString, Port);
        WriteIni(SshIni);
        TfrmHostManager F(nullptr, Ini);
        F.show();
        Select(F, Alias);
        if (!Typed.isEmpty()) F.edPort->setText(Typed);
        F.cbxProtocol->setCurrentIndex(1 - F.cbxProtocol->currentIndex());
        QCOMPARE(F.edPort->text(), Port);
        QCOMPARE(F.AliasInfo.Port, Port.toInt());
        QCOMPARE(QString::fromStdString(F.AliasInfo.Protocol), F.cbxProtocol->currentText());
    }

    // The browser opens in ~/.ssh of the environment's home; only OK
    // replaces the key file, and Add stores it with the user name.
    void sshFieldsReachTheFile()
    {
        const QString Home = QString::fromStdString(*Dir / "home");
        const QString Key = Home + "/.ssh/id_work";
        QVERIFY(QDir().mkpath(Home + "/.ssh"));
        WriteBytes(Key.toStdString(), "key");
        const QByteArray OldHome = qgetenv("HOME");
        qputenv("HOME", Home.toUtf8());
        TAnswers A;
        QStringList Started;
        A.OnFileDialog = [&](QFileDialog& D) {
            Started << D.directory().absolutePath();
            if (Started.size() == 2) return D.reject();
            D.selectFile(Key);
            static_cast<QDialog&>(D).accept(); // QFileDialog's own, as OK runs it
        };
        TfrmHostManager F(nullptr, Ini);
        F.show();
        F.edAlias->setText("new");
        F.cbxProtocol->setCurrentText("SSH");
        F.edUserName->setText("김철수");
        F.btnIdentityFile->click();
        F.btnIdentityFile->click();
        qputenv("HOME", OldHome);
        QCOMPARE(Started, QStringList({Home + "/.ssh", Home + "/.ssh"}));
        QCOMPARE(F.edIdentityFile->text(), Key);
        QCOMPARE(QString::fromStdString(Cp949::ToUtf8(F.AliasInfo.UserName)), "김철수");
        F.ToolbarButton971->click();
        const TAliasInfo L = LoadAliasInfo(Ini, "new");
        QCOMPARE(L.Protocol, "SSH");
        QCOMPARE(L.UserName, Ko("김철수"));
        QCOMPARE(QString::fromStdString(L.IdentityFile), Key);
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<int>("Reply");
        QTest::addColumn<QStringList>("Sections");
        QTest::newRow("Yes") << int(QMessageBox::Yes) << QStringList{"web"};
        QTest::newRow("No") << int(QMessageBox::No) << QStringList{"_DEFAULT", "web"};
    }
    void deleteAsksFirst()
    {
        QFETCH(int, Reply);
        QFETCH(QStringList, Sections);
        WriteIni("[_DEFAULT]\nAddress=bare.example\n[web]\nAddress=w\n");
        TAnswers A;
        A.Replies << TReply(Reply);
        TfrmHostManager F(nullptr, Ini);
        F.show();
        Select(F, "_DEFAULT");
        F.ToolbarButton976->click();
        QCOMPARE(A.Messages, QStringList{"\"_DEFAULT\"를 삭제 하시겠습니까?"});
        QCOMPARE(::Sections(Ini), Sections);
        QCOMPARE(ListItems(F), (QStringList{"_DEFAULT", "web"}));
        QCOMPARE(F.edAddress->text(), "bare.example"); // still shows what was deleted
    }

    void saveGlobalWritesOnlyTheSwitches()
    {
        TfrmHostManager F(nullptr, Ini);
        F.show();
        F.edAlias->setText("web");
        F.ckbExitOnDisconnect->setChecked(true);
        F.btnSaveGlobal->click();
        QCOMPARE(::Sections(Ini), QStringList{"Global"});
        QCOMPARE(TIniFile(Ini).ReadSection("Global").size(), std::size_t{6});
        QVERIFY(LoadAliasInfo(Ini, "x").ExitOnDisconnect);
        QCOMPARE(ListItems(F), QStringList{"_DEFAULT"});
    }

    // The layout is a program-wide key: shown from Global whichever alias is
    // shown, in AliasInfo at once, in the file with Save.
    void layoutComboShowsAndSavesTheGlobalChoice_data()
    {
        QTest::addColumn<QString>("Line");
        QTest::addColumn<QString>("Shown");
        QTest::newRow("missing") << ""
                                 << "두벌식";
        QTest::newRow("3f") << "HangulLayout=3f\n"
                            << "세벌식 최종";
        QTest::newRow("unknown") << "HangulLayout=3y\n"
                                 << "두벌식";
    }
    void layoutComboShowsAndSavesTheGlobalChoice()
    {
        QFETCH(QString, Line);
        QFETCH(QString, Shown);
        WriteIni(("[web]\nAddress=w\n[Global]\n" + Line).toUtf8().constData());
        TfrmHostManager F(nullptr, Ini);
        F.show();
        Select(F, "web");
        QCOMPARE(F.cbxHangulLayout->currentText(), Shown);
        F.cbxHangulLayout->setCurrentText(QStringLiteral("로마자"));
        QCOMPARE(QString::fromStdString(F.AliasInfo.HangulLayout), "ro");
        F.btnSaveGlobal->click();
        QCOMPARE(QString::fromStdString(LoadAliasInfo(Ini, "web").HangulLayout), "ro");
    }

    void koreanNamesSurviveTheFile()
    {
        const QString Name = "개발서버", Address = "개발.예제.kr";
        {
            TfrmHostManager F(nullptr, Ini);
            F.show();
            F.edAlias->setText(Name);
            F.edAddress->setText(Address);
            F.ToolbarButton971->click();
            QVERIFY(ListItems(F).contains(Name));
        }
        const std::string Bytes = ReadBytes(Ini);
        QVERIFY(Bytes.find("[" + Ko("개발서버") + "]") != std::string::npos);
        QVERIFY(Bytes.find("Address=" + Ko("개발.예제.kr")) != std::string::npos);
        TfrmHostManager F(nullptr, Ini);
        F.show();
        Select(F, Name);
        QCOMPARE(F.edAlias->text(), Name);
        QCOMPARE(F.edAddress->text(), Address);
    }

    void refusedWriteIsShownAndTheDialogStays_data()
    {
        QTest::addColumn<QString>("Button");
        QTest::addColumn<QList<int>>("Replies");
        QTest::newRow("Add") << "ToolbarButton971" << QList<int>{QMessageBox::Ok};
        QTest::newRow("Delete") << "ToolbarButton976"
                                << QList<int>{QMessageBox::Yes, QMessageBox::Ok};
        QTest::newRow("Save") << "btnSaveGlobal" << QList<int>{QMessageBox::Ok};
    }
    void refusedWriteIsShownAndTheDialogStays()
    {
        QFETCH(QString, Button);
        QFETCH(QList<int>, Replies);
        Ini = *Dir / "missing/Brevanix.ini"; // its folder does not exist
        TAnswers A;
        for (int R : Replies) A.Replies << TReply(R);
        TfrmHostManager F(nullptr, Ini);
        F.show();
        Select(F, "_DEFAULT");
        F.edAlias->setText("web");
        F.findChild<QPushButton*>(Button)->click();
        QCOMPARE(A.Messages.last(), QString::fromStdString("Unable to write to " + Ini));
        QVERIFY(F.isVisible());
        QCOMPARE(F.lbxAlias->selectedItems().size(), 1); // not refreshed
    }

    // The shared font dialog edits face, size and colour; a face the machine
    // lacks stays in the profile unless the user picks another.
    void fontButtonUsesTheSharedDialog_data()
    {
        QTest::addColumn<bool>("PickFace");
        QTest::addColumn<QString>("Face");
        QTest::newRow("colour only") << false << "FixedSys";
        QTest::newRow("new face") << true << "DejaVu Sans Mono";
    }
    void fontButtonUsesTheSharedDialog()
    {
        QFETCH(bool, PickFace);
        QFETCH(QString, Face);
        TdmMaster DataModule;
        TAnswers A;
        A.OnFontDialog = [&](TFontDialog& D) {
            QCOMPARE(&D, &DataModule.FontDialog1());
            QCOMPARE(D.Choice(), (TFontChoice{"FixedSys", 12, 0x00C0C0C0}));
            if (PickFace) D.FontPicker->setCurrentFont(QFont(Face, 20));
            D.ColorPicker->setCurrentText("Red");
            D.accept();
        };
        TfrmHostManager F(nullptr, Ini);
        F.show();
        F.btnFont->click();
        const int Size = PickFace ? 20 : 12;
        QCOMPARE(F.btnFont->FontChoice(), (TFontChoice{Face, Size, 0x000000FF}));
        QCOMPARE(F.btnFont->font().pixelSize(), QtCanvas::PixelSizeFor(Size));
        QCOMPARE(F.btnFont->palette().color(QPalette::ButtonText), QColor(Qt::red));
        F.btnOK->click();
        QCOMPARE(QString::fromStdString(F.AliasInfo.FontName), Face);
        QCOMPARE(F.AliasInfo.FontColor, TColor{0x000000FF});
    }

    void colourComboKeepsAnOutsideValue()
    {
        TColorComboBox C;
        QSignalSpy Changes(&C, &TColorComboBox::ColorChanged);
        C.SetColor(0x00FFFF00);
        QCOMPARE(C.currentText(), "Aqua");
        C.SetColor(0x00123456);
        C.SetColor(0x80000005);
        QCOMPARE(C.count(), TColorComboBox::NamedCount + 1);
        QCOMPARE(C.currentText(), "System 5");
        QCOMPARE(C.Color(), TColor{0x80000005});
        C.SetColor(0x00123456);
        QCOMPARE(C.currentText(), "Custom #563412");
        QCOMPARE(Changes.count(), 4);
    }

    void hintWindowWrapsAtItsWidth()
    {
        THintWindow H;
        H.SetMaxWidth(120);
        H.SetColor(0x00FF0000);
        H.ActivateHint(QPoint(10, 10), "Scroll시 Ctrl+C로 Cancel을 빨리 할수 있음 반대로 "
                                       "Scroll시 입력은 무시됨");
        QVERIFY(H.isVisible());
        QVERIFY(H.width() <= 120);
        QVERIFY(H.height() > 2 * H.fontMetrics().height()); // wrapped
        QCOMPARE(H.palette().color(QPalette::Window), QColor(Qt::blue));
        H.ReleaseHint();
        QVERIFY(!H.isVisible());
    }
};

QTEST_MAIN(HostManagerTest)
#include "HostManagerTest.moc"
