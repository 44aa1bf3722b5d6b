// Korean input on the terminal control as Qt delivers it: keys composed by
// the built-in composer, and a system input method's preedit and commit
// events, both ending up as code page 949 bytes at the host in typing order.
#include "common/Switches.h"
#include "emulation/Input_VT100.h"
#include "support/ProgramState.h"
#include "support/RecordingSocket.h"
#include "term/Hanja.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"

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
        Term->Hanja().OnUnicodeChar = [this](char32_t U) { Input.SendUnicode(Term->Term(), U); };
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

// A candidate of 한 as a code page 949 host gets it.
QByteArray HanCandidate(std::size_t I)
{
    const std::uint16_t P = Cp949::PairOf(HanjaCandidates(U'한', true).at(I).Char);
    return QByteArray(1, static_cast<char>(P >> 8)) + static_cast<char>(P & 0xFF);
}

bool ListShown(const TWindow& W) { return W.Term->HanjaList() && W.Term->HanjaList()->isVisible(); }

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

    // 한 composed, F9, then the list's keys. The terminal keeps the keyboard
    // throughout; a key that is not the list's closes it and acts.
    void hanjaListKeys_data()
    {
        QTest::addColumn<QList<int>>("Keys");
        QTest::addColumn<QByteArray>("Sent");
        QTest::addColumn<QByteArray>("CompStr");
        QTest::addColumn<bool>("Open");
        QTest::newRow("1") << QList<int>{Qt::Key_1} << HanCandidate(0) << QByteArray() << false;
        QTest::newRow("3") << QList<int>{Qt::Key_3} << HanCandidate(2) << QByteArray() << false;
        QTest::newRow("Down Down Enter") << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}
                                         << HanCandidate(2) << QByteArray() << false;
        QTest::newRow("PageDown 2")
            << QList<int>{Qt::Key_PageDown, Qt::Key_2} << HanCandidate(10) << QByteArray() << false;
        QTest::newRow("PageDown PageUp 1")
            << QList<int>{Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_1} << HanCandidate(0)
            << QByteArray() << false;
        QTest::newRow("Esc") << QList<int>{Qt::Key_Escape} << QByteArray() << Han << false;
        QTest::newRow("Shift alone") << QList<int>{Qt::Key_Shift} << QByteArray() << Han << true;
        QTest::newRow("a letter") << QList<int>{Qt::Key_A} << Han << QByteArray("\xA4\xB1") // ㅁ
                                  << false;
    }
    void hanjaListKeys()
    {
        QFETCH(QList<int>, Keys);
        QFETCH(QByteArray, Sent);
        QFETCH(QByteArray, CompStr);
        QFETCH(bool, Open);
        TWindow W;
        QVERIFY(W.Show());
        QVERIFY(W.Term->Term().SetHangulMode(true));
        QTest::keyClicks(W.Term, "gks");
        QTest::keyClick(W.Term, Qt::Key_F9);
        QVERIFY(ListShown(W));
        QCOMPARE(W.Term->HanjaList()->parentWidget(), &W.Window);
        for (const int K : Keys) QTest::keyClick(W.Term, static_cast<Qt::Key>(K));
        QCOMPARE(W.Sent(), Sent);
        QCOMPARE(W.CompStr(), CompStr);
        QCOMPARE(ListShown(W), Open);
        QVERIFY(W.Term->hasFocus());
    }

    // Without a syllable to convert, or with a system input method, F9 is a
    // function key for the host (xterm's sequence); a syllable no Hanja is
    // read as stays as it is.
    void hanjaKeyWithoutASyllable_data()
    {
        QTest::addColumn<QString>("Typed");
        QTest::addColumn<bool>("SystemIm");
        QTest::addColumn<QByteArray>("Sent");
        QTest::addColumn<QByteArray>("CompStr");
        QTest::newRow("nothing composed") << "" << false << QByteArray("\x1b[20~") << QByteArray();
        QTest::newRow("a lone jamo")
            << "r" << false << QByteArray("\xA4\xA1\x1b[20~") << QByteArray();
        QTest::newRow("no Hanja for 똠")
            << "Ehka" << false << QByteArray() << QByteArray("\x89\xB3");
        QTest::newRow("system input method") << "" << true << QByteArray("\x1b[20~") << Han;
    }
    void hanjaKeyWithoutASyllable()
    {
        QFETCH(QString, Typed);
        QFETCH(bool, SystemIm);
        QFETCH(QByteArray, Sent);
        QFETCH(QByteArray, CompStr);
        Switches.XtermLevel = true;
        TWindow W;
        QVERIFY(W.Show());
        QVERIFY(W.Term->Term().SetHangulMode(true));
        QTest::keyClicks(W.Term, Typed);
        if (SystemIm) W.InputMethod(QStringLiteral("한"));
        QTest::keyClick(W.Term, Qt::Key_F9);
        QCOMPARE(W.Sent(), Sent);
        QCOMPARE(W.CompStr(), CompStr);
        QVERIFY(!ListShown(W));
    }

    // 한 committed by the Hangul key: nothing followed it, so F9 replaces it,
    // with a Backspace the silent host takes it back with. A letter typed
    // after it makes F9 a key again.
    void hanjaAfterAModeSwitch_data()
    {
        QTest::addColumn<QString>("Between");
        QTest::addColumn<QByteArray>("Sent");
        QTest::newRow("nothing") << "" << Han + "\x08" + HanCandidate(0);
        QTest::newRow("a letter") << "a" << Han + "a\x1b[20~";
    }
    void hanjaAfterAModeSwitch()
    {
        QFETCH(QString, Between);
        QFETCH(QByteArray, Sent);
        Switches.XtermLevel = true;
        TWindow W;
        QVERIFY(W.Show());
        QVERIFY(W.Term->Term().SetHangulMode(true));
        QTest::keyClicks(W.Term, "gks");
        // A key without text, which QTest::keyClick will not make up.
        QTest::sendKeyEvent(QTest::Click, W.Term, Qt::Key_Hangul, QString(), Qt::NoModifier);
        QVERIFY(!W.Term->Term().HangulMode);
        QTest::keyClicks(W.Term, Between);
        QTest::keyClick(W.Term, Qt::Key_F9);
        if (ListShown(W)) QTest::keyClick(W.Term, Qt::Key_1);
        QCOMPARE(W.Sent(), Sent);
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
