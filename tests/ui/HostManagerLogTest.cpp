// The host manager's "로그" tab against a real INI file: what it shows of a
// profile's log and link keys, how its controls write the working profile
// and the file, and the file chooser, answered through the modal hook.
#include "app/FromHostManager.h"
#include "support/TempDir.h"
#include "widgets/Dialogs.h"
#include "widgets/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

// Message boxes get Yes (the overwrite question of Add); the file chooser
// goes to the test.
class TAnswers {
public:
    TAnswers()
    {
        SetModalHook([this](QDialog& D) {
            if (auto* Box = qobject_cast<QMessageBox*>(&D))
                Box->button(QMessageBox::Yes) ? Box->button(QMessageBox::Yes)->click()
                                              : Box->button(QMessageBox::Ok)->click();
            else if (auto* Files = qobject_cast<QFileDialog*>(&D); Files && OnFileDialog)
                OnFileDialog(*Files);
        });
    }
    ~TAnswers() { SetModalHook({}); }
    TAnswers(const TAnswers&) = delete;
    TAnswers& operator=(const TAnswers&) = delete;

    std::function<void(QFileDialog&)> OnFileDialog;
};

void Select(TfrmHostManager& F, const QString& Alias)
{
    const auto Found = F.lbxAlias->findItems(Alias, Qt::MatchExactly);
    QVERIFY(!Found.isEmpty());
    F.lbxAlias->setCurrentItem(Found.front());
}

// The tab's state in one line, for whole-row comparisons.
QString Shown(const TfrmHostManager& F)
{
    return QStringList({F.edLogFile->text(), F.cbxLogMode->currentText(),
                        F.cbxLogEncoding->currentText(),
                        F.cbxLogEncoding->isEnabled() ? "encoding" : "-",
                        F.ckbLogTimestamps->isChecked() ? "stamps" : "-",
                        F.ckbLogTimestamps->isEnabled() ? "stampable" : "-",
                        F.ckbLogAppend->isChecked() ? "append" : "-",
                        QString::number(F.spinKeepAlive->value()),
                        F.ckbAutoReconnect->isChecked() ? "reconnect" : "-"})
        .join(QLatin1Char('|'));
}

} // namespace

class HostManagerLogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempDir> Dir;
    std::string Ini;

private slots:
    void init()
    {
        Dir = std::make_unique<TTempDir>();
        Ini = *Dir / "Brevanix.ini";
    }
    void cleanup() { Dir.reset(); }

    // Hand-edited values show as what they mean; the encoding and the time
    // stamps, which only Text has, are off for Raw.
    void showsTheProfile_data()
    {
        QTest::addColumn<QString>("Lines");
        QTest::addColumn<QString>("Expected");
        QTest::newRow("none") << ""
                              << "|화면 글자 (Text)|호스트 인코딩|encoding|-|stampable|-|0|-";
        QTest::newRow("all set, hand-edited")
            << "LogFile=~/logs/&H-&Y&M&D.log\nLogMode=raw\nLogEncoding=utf8\n"
               "LogTimestamps=1\nLogAppend=1\nKeepAlive=60\nAutoReconnect=1\n"
            << "~/logs/&H-&Y&M&D.log|받은 그대로 (Raw)|UTF-8|-|stamps|-|append|60|reconnect";
        QTest::newRow("unknown values, a day's keepalive")
            << "LogMode=Binary\nLogEncoding=EUC-KR\nKeepAlive=86400\n"
            << "|화면 글자 (Text)|호스트 인코딩|encoding|-|stampable|-|3600|-";
    }
    void showsTheProfile()
    {
        QFETCH(QString, Lines);
        QFETCH(QString, Expected);
        WriteBytes(Ini, ("[web]\nAddress=w\n" + Lines).toStdString());
        TfrmHostManager F(nullptr, Ini);
        F.show();
        Select(F, "web");
        QCOMPARE(Shown(F), Expected);
        if (F.spinKeepAlive->value() == 0) QCOMPARE(F.spinKeepAlive->text(), "사용 안 함");
    }

    // Each control writes AliasInfo at once and the file with Add; put back
    // to the defaults, a profile that never used the keys gains no line.
    void controlsWriteTheProfile()
    {
        WriteBytes(Ini, "[web]\nAddress=w\n");
        TAnswers A;
        TfrmHostManager F(nullptr, Ini);
        F.show();
        Select(F, "web");
        F.ToolbarButton971->click();
        const std::string Plain = ReadBytes(Ini);
        QVERIFY(Plain.find("Log") == std::string::npos);
        QVERIFY(Plain.find("KeepAlive") == std::string::npos);

        F.edLogFile->setText("~/로그/&A.log");
        F.cbxLogEncoding->setCurrentIndex(1);
        F.ckbLogTimestamps->setChecked(true);
        F.cbxLogMode->setCurrentIndex(1);
        QVERIFY(!F.cbxLogEncoding->isEnabled());
        F.ckbLogAppend->setChecked(true);
        F.spinKeepAlive->setValue(30);
        F.ckbAutoReconnect->setChecked(true);
        const TAliasInfo& I = F.AliasInfo;
        QCOMPARE(
            QStringList({QString::fromStdString(I.LogMode), QString::fromStdString(I.LogEncoding)}),
            QStringList({"Raw", "UTF-8"}));
        QVERIFY(I.LogTimestamps && I.LogAppend && I.AutoReconnect);
        QCOMPARE(I.KeepAlive, 30);
        F.ToolbarButton971->click();
        const TAliasInfo L = LoadAliasInfo(Ini, "web");
        QCOMPARE(L.LogFile, std::string("~/\xB7\xCE\xB1\xD7/&A.log")); // code page 949
        QCOMPARE(L.LogMode, "Raw");
        QCOMPARE(L.KeepAlive, 30);
        QVERIFY(L.AutoReconnect);

        WriteBytes(Ini, "[web]\nAddress=w\n");
        F.edLogFile->clear();
        F.cbxLogMode->setCurrentIndex(0);
        F.cbxLogEncoding->setCurrentIndex(0);
        for (QCheckBox* B : {F.ckbLogTimestamps, F.ckbLogAppend, F.ckbAutoReconnect})
            B->setChecked(false);
        F.spinKeepAlive->setValue(0);
        F.ToolbarButton971->click();
        QCOMPARE(ReadBytes(Ini), Plain);
    }

    // A save-style chooser that the hook can answer, starting in the folder
    // of the present template with its name; a file under the home folder
    // comes back with "~", and Cancel changes nothing.
    void browseChoosesAFile()
    {
        const QString Home = QString::fromStdString(*Dir / "home");
        QVERIFY(QDir().mkpath(Home + "/logs"));
        const QByteArray OldHome = qgetenv("HOME");
        qputenv("HOME", Home.toUtf8());
        TAnswers A;
        QStringList Seen;
        A.OnFileDialog = [&](QFileDialog& D) {
            Seen << D.directory().absolutePath() << D.selectedFiles().value(0)
                 << (D.acceptMode() == QFileDialog::AcceptSave ? "save" : "open")
                 << (D.testOption(QFileDialog::DontUseNativeDialog) ? "ours" : "native");
            if (Seen.size() > 4) return D.reject();
            D.selectFile(Home + "/logs/work.log");
            static_cast<QDialog&>(D).accept(); // QFileDialog's own, as OK runs it
        };
        TfrmHostManager F(nullptr, Ini);
        F.show();
        F.edLogFile->setText("~/logs/&H.log");
        F.btnLogFile->click();
        QCOMPARE(F.edLogFile->text(), "~/logs/work.log");
        QCOMPARE(QString::fromStdString(F.AliasInfo.LogFile), "~/logs/work.log");
        F.btnLogFile->click();
        qputenv("HOME", OldHome);
        QCOMPARE(Seen, QStringList({Home + "/logs", Home + "/logs/&H.log", "save", "ours",
                                    Home + "/logs", Home + "/logs/work.log", "save", "ours"}));
        QCOMPARE(F.edLogFile->text(), "~/logs/work.log");
    }
};

QTEST_MAIN(HostManagerLogTest)
#include "HostManagerLogTest.moc"
