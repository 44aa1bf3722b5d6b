// Korean input on the terminal control as Qt delivers it: keys composed by
// the built-in composer, and a system input method's preedit and commit
// events, both ending up as code page 949 bytes at the host in typing order.
#include "common/Switches.h"
#include "emulation/Input_VT100.h"
#include "support/ProgramState.h"
#include "support/RecordingSocket.h"
#include "term/TermWidget.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <optional>
#include <vector>

namespace {

const QByteArray Han("\xC7\xD1");

// The terminal wired to the encoder as the main window wires it, and an
// edit to move the focus to.
struct TWindow {
    QWidget Window;
    TermWidget* Term = new TermWidget;
    QLineEdit* Edit = new QLineEdit;
    TRecordingSocket Socket;
    TI_VT100 Input;
    std::vector<bool> Changes;

    TWindow()
    {
        auto* Layout = new QVBoxLayout(&Window);
        Layout->addWidget(Term);
        Layout->addWidget(Edit);
        TTerm& T = Term->Term();
        T.OnKeyDown = [this](std::uint16_t& Key, TShiftState S) {
            Input.KeyDown(Term->Term(), Key, S);
        };
        T.OnKeyPress = [this](std::uint8_t& Ch) {
            if (Ch != 0 && Ch != 3) Input.SendChar(Term->Term(), Ch);
        };
        T.OnMouseDown = [this](TMouseButton B, TShiftState S, int X, int Y) {
            Input.MousePress(Term->Term(), B, S, X, Y);
        };
        T.OnImeChange = [this](bool Status) { Changes.push_back(Status); };
    }
    bool Show()
    {
        Window.show();
        if (!QTest::qWaitForWindowActive(&Window)) return false;
        Term->setFocus();
        return QTest::qWaitFor([this] { return Term->hasFocus(); });
    }
    QByteArray Sent() const { return QByteArray::fromStdString(Socket.Sent); }
    QByteArray CompStr() const { return QByteArray::fromStdString(Term->Term().Scr.CompStr); }
    void InputMethod(const QString& Preedit, const QString& Commit = {})
    {
        QInputMethodEvent E(Preedit, {});
        E.setCommitString(Commit);
        QApplication::sendEvent(Term, &E);
    }
};

enum TAction { Space, Enter, Arrow, Digit, Click, FocusChange, KeylessText };

} // namespace

class ImeTest : public QObject {
    Q_OBJECT
    std::optional<TProgramState> State;
private slots:
    void init() { State.emplace(); }
    void cleanup() { State.reset(); }

    void syllableGoesFirst_data()
    {
        QTest::addColumn<int>("Action");
        QTest::addColumn<QByteArray>("Sent");
        QTest::newRow("Space") << int(Space) << Han + " ";
        QTest::newRow("Enter") << int(Enter) << Han + "\r";
        QTest::newRow("arrow") << int(Arrow) << Han + "\x1b[B";
        QTest::newRow("digit") << int(Digit) << Han + "7";
        QTest::newRow("click") << int(Click) << Han + "\x1b[M !!";
        QTest::newRow("focus change") << int(FocusChange) << Han;
        QTest::newRow("text without a key") << int(KeylessText) << Han + "\xB0\xA1";
    }

    // 한 typed as g k s, then something that is not a letter.
    void syllableGoesFirst()
    {
        QFETCH(int, Action);
        QFETCH(QByteArray, Sent);
        TWindow W;
        QVERIFY(W.Show());
        QVERIFY(W.Term->Term().SetHangulMode(true));
        QTest::keyClicks(W.Term, "gks");
        QCOMPARE(W.Sent(), QByteArray());
        QCOMPARE(W.CompStr(), Han);
        switch (Action) {
        case Space: QTest::keyClick(W.Term, Qt::Key_Space); break;
        case Enter: QTest::keyClick(W.Term, Qt::Key_Return); break;
        case Arrow: QTest::keyClick(W.Term, Qt::Key_Down); break;
        case Digit: QTest::keyClick(W.Term, '7'); break;
        case Click:
            Switches.MouseReport = true;
            QTest::mousePress(W.Term, Qt::LeftButton, {}, QPoint(1, 1));
            break;
        case FocusChange:
            W.Edit->setFocus();
            QVERIFY(QTest::qWaitFor([&] { return W.Edit->hasFocus(); }));
            break;
        case KeylessText:
            QTest::sendKeyEvent(QTest::Click, W.Term, Qt::Key_unknown, QStringLiteral("가"),
                                Qt::NoModifier);
            break;
        }
        QCOMPARE(W.Sent(), Sent);
        QCOMPARE(W.CompStr(), QByteArray());
    }

    // A system input method shows itself with a preedit; the built-in
    // syllable goes out first, then the system's text takes the same paths,
    // and the mode follows what it delivers.
    void inputMethodEventsTakeTheSamePath()
    {
        TWindow W;
        QVERIFY(W.Show());
        TTerm& T = W.Term->Term();
        QVERIFY(T.SetHangulMode(true));
        QTest::keyClicks(W.Term, "gk");
        QVERIFY(!W.Term->SystemInputMethod());
        W.Changes.clear();

        W.InputMethod(QStringLiteral("ㄱ"));
        QVERIFY(W.Term->SystemInputMethod());
        QCOMPARE(W.Sent(), QByteArray("\xC7\xCF")); // 하, the built-in's
        QCOMPARE(W.CompStr(), QByteArray("\xA4\xA1"));
        W.InputMethod(QStringLiteral("가"));
        QCOMPARE(W.CompStr(), QByteArray("\xB0\xA1"));
        W.InputMethod(QStringLiteral("ㄴ"), QStringLiteral("가"));
        QCOMPARE(W.Sent(), QByteArray("\xC7\xCF\xB0\xA1"));
        QCOMPARE(W.CompStr(), QByteArray("\xA4\xA4"));
        W.InputMethod({}, QStringLiteral("ㄴ"));
        QCOMPARE(W.Sent(), QByteArray("\xC7\xCF\xB0\xA1\xA4\xA4"));
        QCOMPARE(W.CompStr(), QByteArray());
        QVERIFY(T.GetHangulMode());
        QVERIFY2(!T.SetHangulMode(false), "the system's mode is not ours to set");

        // A letter the input method let through: it is in English mode.
        QTest::keyClick(W.Term, Qt::Key_A);
        QCOMPARE(W.Sent(), QByteArray("\xC7\xCF\xB0\xA1\xA4\xA4"
                                      "a"));
        QCOMPARE(W.Changes, (std::vector<bool>{true, false}));
        QVERIFY(!T.GetHangulMode());
    }
};

QTEST_MAIN(ImeTest)
#include "ImeTest.moc"
