// The message box, the one-line prompt and the placing rule, every dialog
// answered through the modal hook.
#include "widgets/Dialogs.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <memory>

namespace {

// The hook for one test; removed again whatever the test's outcome.
struct THook {
    explicit THook(TModalHook Hook) { SetModalHook(std::move(Hook)); }
    ~THook() { SetModalHook({}); }
    THook(const THook&) = delete;
    THook& operator=(const THook&) = delete;
};

QRect ScreenRect() { return QGuiApplication::primaryScreen()->geometry(); }

std::unique_ptr<QWidget> ShownWindow(const QRect& Geometry, bool OnTop = false)
{
    auto W = std::make_unique<QWidget>(nullptr, OnTop ? Qt::WindowStaysOnTopHint : Qt::Widget);
    W->setGeometry(Geometry);
    W->show();
    if (!QTest::qWaitForWindowExposed(W.get())) return nullptr;
    return W;
}

// Answers a dialog the way a user would: a button, a key, or closing it.
void Answer(QDialog& Dialog, const QString& How)
{
    if (How == QLatin1String("Escape") || How == QLatin1String("Enter")) {
        QWidget* Target = Dialog.focusWidget() ? Dialog.focusWidget() : &Dialog;
        QTest::keyClick(Target, How == QLatin1String("Escape") ? Qt::Key_Escape : Qt::Key_Return);
    } else if (How == QLatin1String("Close")) {
        Dialog.close();
    } else if (auto* Box = qobject_cast<QMessageBox*>(&Dialog)) {
        const auto Standard = How == QLatin1String("Yes")  ? QMessageBox::Yes
                              : How == QLatin1String("No") ? QMessageBox::No
                                                           : QMessageBox::Ok;
        Box->button(Standard)->click();
    } else {
        Dialog.findChild<QPushButton*>(How)->click();
    }
}

int Du(int N, int Unit, int Parts) { return qRound(double(N) * Unit / Parts); }

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void showDialogAnswers_data()
    {
        QTest::addColumn<unsigned>("Buttons");
        QTest::addColumn<QString>("How");
        QTest::addColumn<TModalResult>("Expected");
        const unsigned YesNo = mbYes | mbNo;
        QTest::newRow("Yes") << YesNo << "Yes" << TModalResult::mrYes;
        QTest::newRow("No") << YesNo << "No" << TModalResult::mrNo;
        QTest::newRow("Escape on Yes/No") << YesNo << "Escape" << TModalResult::mrNo;
        QTest::newRow("closed Yes/No") << YesNo << "Close" << TModalResult::mrNo;
        QTest::newRow("OK") << unsigned(mbOK) << "OK" << TModalResult::mrOk;
        QTest::newRow("Escape on OK") << unsigned(mbOK) << "Escape" << TModalResult::mrOk;
        QTest::newRow("closed OK") << unsigned(mbOK) << "Close" << TModalResult::mrOk;
    }
    void showDialogAnswers()
    {
        QFETCH(unsigned, Buttons);
        QFETCH(QString, How);
        QFETCH(TModalResult, Expected);
        QMessageBox::StandardButtons Shown;
        bool Closed = false;
        THook Hook([&](QDialog& Dialog) {
            auto* Box = qobject_cast<QMessageBox*>(&Dialog);
            QVERIFY(Box);
            Shown = Box->standardButtons();
            Answer(Dialog, How);
            Closed = !Dialog.isVisible();
        });
        const TModalResult Result =
            ShowDialog(QStringLiteral("Text"), TMsgDlgType::mtConfirmation, Buttons, nullptr);
        QVERIFY(Closed);
        QCOMPARE(Shown, Buttons == mbOK ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                        : QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(Result, Expected);
    }

    // The icon follows the kind; stay-on-top and the place follow the reference.
    void showDialogFollowsKindAndReference_data()
    {
        QTest::addColumn<TMsgDlgType>("Kind");
        QTest::addColumn<bool>("OnTop");
        QTest::addColumn<QMessageBox::Icon>("Icon");
        QTest::newRow("warning") << TMsgDlgType::mtWarning << true << QMessageBox::Warning;
        QTest::newRow("error") << TMsgDlgType::mtError << false << QMessageBox::Critical;
        QTest::newRow("information")
            << TMsgDlgType::mtInformation << true << QMessageBox::Information;
        QTest::newRow("confirmation")
            << TMsgDlgType::mtConfirmation << false << QMessageBox::Question;
    }
    void showDialogFollowsKindAndReference()
    {
        QFETCH(TMsgDlgType, Kind);
        QFETCH(bool, OnTop);
        QFETCH(QMessageBox::Icon, Icon);
        const auto Reference = ShownWindow(QRect(120, 90, 520, 400), OnTop);
        QVERIFY(Reference);
        THook Hook([&](QDialog& Dialog) {
            auto* Box = qobject_cast<QMessageBox*>(&Dialog);
            QVERIFY(Box);
            QCOMPARE(Box->icon(), Icon);
            QCOMPARE(bool(Dialog.windowFlags() & Qt::WindowStaysOnTopHint), OnTop);
            const QPoint Offset =
                Dialog.frameGeometry().center() - Reference->frameGeometry().center();
            QVERIFY2(
                Offset.manhattanLength() <= 2,
                qPrintable(QStringLiteral("off centre by %1,%2").arg(Offset.x()).arg(Offset.y())));
            Answer(Dialog, QStringLiteral("Yes"));
        });
        QCOMPARE(ShowDialog(QStringLiteral("접속을 종료하시겠습니까?"), Kind, mbYes | mbNo,
                            Reference.get()),
                 TModalResult::mrYes);
    }

    // A profile's or a host's words are shown as they are: an alias that
    // looks like markup is not drawn as bold text or a link.
    void textsAreNeverMarkup_data()
    {
        QTest::addColumn<bool>("Prompt");
        QTest::newRow("message box") << false;
        QTest::newRow("prompt") << true;
    }
    void textsAreNeverMarkup()
    {
        QFETCH(bool, Prompt);
        const QString Alias = QStringLiteral("<a href=\"x\">web</a><b>x</b>");
        QList<Qt::TextFormat> Formats; // of every label showing the alias
        THook Hook([&](QDialog& Dialog) {
            for (const QLabel* L : Dialog.findChildren<QLabel*>())
                if (L->text().contains(Alias)) Formats << L->textFormat();
            Dialog.close();
        });
        QString Value;
        if (Prompt)
            PromptText(QStringLiteral("C"), Alias, Value, nullptr);
        else
            ShowDialog(Alias + QStringLiteral("는 List에 있습니다."), TMsgDlgType::mtConfirmation,
                       mbYes | mbNo, nullptr);
        QCOMPARE(Formats, QList<Qt::TextFormat>{Qt::PlainText});
    }

    void promptAnswers_data()
    {
        QTest::addColumn<QString>("Typed");
        QTest::addColumn<QString>("How");
        QTest::addColumn<bool>("Confirmed");
        QTest::addColumn<QString>("Value");
        QTest::newRow("OK on empty text") << ""
                                          << "OK" << true << "";
        QTest::newRow("Enter") << "host:23"
                               << "Enter" << true << "host:23";
        QTest::newRow("Cancel") << "host:23"
                                << "Cancel" << false << "old";
        QTest::newRow("Escape") << "host:23"
                                << "Escape" << false << "old";
        QTest::newRow("closed") << "host:23"
                                << "Close" << false << "old";
    }
    void promptAnswers()
    {
        QFETCH(QString, Typed);
        QFETCH(QString, How);
        QFETCH(bool, Confirmed);
        QFETCH(QString, Value);
        THook Hook([&](QDialog& Dialog) {
            auto* Edit = Dialog.findChild<QLineEdit*>(QStringLiteral("Value"));
            QCOMPARE(Edit->selectedText(), QStringLiteral("old"));
            QTest::keyClick(Edit, Qt::Key_Backspace); // the selection goes
            QTest::keyClicks(Edit, Typed);
            Answer(Dialog, How);
        });
        QString Text = QStringLiteral("old");
        QCOMPARE(PromptText(QStringLiteral("접속 Server 입력"),
                            QStringLiteral("IP Address/URL : Port"), Text, nullptr),
                 Confirmed);
        QCOMPARE(Text, Value);
    }

    void promptHoldsAtMost255Characters()
    {
        THook Hook([](QDialog& Dialog) {
            QTest::keyClicks(Dialog.findChild<QLineEdit*>(QStringLiteral("Value")),
                             QString(300, QLatin1Char('x')));
            Answer(Dialog, QStringLiteral("OK"));
        });
        QString Text;
        QVERIFY(PromptText(QStringLiteral("C"), QStringLiteral("P"), Text, nullptr));
        QCOMPARE(Text, QString(255, QLatin1Char('x')));
    }

    // Positions and sizes in dialog units: a quarter of the average letter
    // width across, an eighth of the letter height down.
    void promptLayoutFollowsDialogUnits_data()
    {
        QTest::addColumn<QString>("Name");
        QTest::addColumn<QRect>("Units"); // a negative size is not checked
        QTest::newRow("client") << "" << QRect(0, 0, 180, 63);
        QTest::newRow("prompt") << "Prompt" << QRect(8, 8, -1, -1);
        QTest::newRow("edit") << "Value" << QRect(8, 19, 164, -1);
        QTest::newRow("OK") << "OK" << QRect(38, 41, 50, 14);
        QTest::newRow("Cancel") << "Cancel" << QRect(92, 41, 50, 14);
    }
    void promptLayoutFollowsDialogUnits()
    {
        QFETCH(QString, Name);
        QFETCH(QRect, Units);
        QRect Actual, Expected;
        THook Hook([&](QDialog& Dialog) {
            const QFontMetrics M = Dialog.fontMetrics();
            const QString Letters =
                QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
            const int W = M.horizontalAdvance(Letters) / 52, H = M.height();
            QWidget* Item = Name.isEmpty() ? &Dialog : Dialog.findChild<QWidget*>(Name);
            Actual = Name.isEmpty() ? QRect(QPoint(0, 0), Dialog.size()) : Item->geometry();
            Expected = QRect(Du(Units.x(), W, 4), Du(Units.y(), H, 8),
                             Units.width() < 0 ? Actual.width() : Du(Units.width(), W, 4),
                             Units.height() < 0 ? Actual.height() : Du(Units.height(), H, 8));
        });
        QString Text;
        PromptText(QStringLiteral("C"), QStringLiteral("IP Address/URL : Port"), Text, nullptr);
        QCOMPARE(Actual, Expected);
    }

    void promptOverWindowOffTheLeftEdgeStartsAtTheEdge()
    {
        const QRect S = ScreenRect();
        const auto Reference = ShownWindow(QRect(S.left() - 300, S.top() + 100, 420, 300));
        QVERIFY(Reference);
        QVERIFY(Reference->frameGeometry().left() < S.left());
        int Left = -1;
        THook Hook([&](QDialog& Dialog) {
            Left = Dialog.frameGeometry().left();
            Answer(Dialog, QStringLiteral("Cancel"));
        });
        QString Text;
        PromptText(QStringLiteral("C"), QStringLiteral("P"), Text, Reference.get());
        QCOMPARE(Left, S.left());
    }

    void centerOverWindow_data()
    {
        QTest::addColumn<bool>("Child");
        QTest::addColumn<QRect>("Reference");
        QTest::addColumn<QSize>("Target");
        QTest::addColumn<QPoint>("Expected");
        const QRect S = ScreenRect();
        QTest::newRow("child in its parent")
            << true << QRect(300, 200, 400, 300) << QSize(100, 50) << QPoint(150, 125);
        QTest::newRow("child wider than its parent: no clamping")
            << true << QRect(0, 0, 400, 300) << QSize(600, 100) << QPoint(-100, 100);
        QTest::newRow("form over its reference")
            << false << QRect(100, 100, 400, 300) << QSize(201, 101) << QPoint(199, 199);
        QTest::newRow("form past the bottom right")
            << false << QRect(S.right() - 100, S.bottom() - 50, 400, 300) << QSize(200, 100)
            << QPoint(S.right() + 1 - 200, S.bottom() + 1 - 100);
        QTest::newRow("form larger than the screen: right and bottom edges win")
            << false << QRect(100, 100, 400, 300) << S.size() + QSize(200, 100)
            << QPoint(S.left() - 200, S.top() - 100);
    }
    void centerOverWindow()
    {
        QFETCH(bool, Child);
        QFETCH(QRect, Reference);
        QFETCH(QSize, Target);
        QFETCH(QPoint, Expected);
        QWidget Ref;
        Ref.setGeometry(Reference);
        QWidget Form;
        QWidget* T = Child ? new QWidget(&Ref) : &Form;
        T->resize(Target);
        CenterOverWindow(&Ref, T);
        QCOMPARE(T->pos(), Expected);
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
