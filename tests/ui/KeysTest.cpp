// Keys on the terminal control: what a Qt key event becomes in the control's
// key events (virtual-key code, shift state, code page 949 characters), the
// keys that never move the focus, and the window's shortcuts against typing.
#include "common/LogSink.h"
#include "support/ProgramState.h"
#include "term/TermWidget.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <optional>
#include <utility>
#include <vector>

namespace {

struct TRecorder {
    std::vector<std::pair<int, int>> Downs; // key code, shift state
    QByteArray Chars;
    bool Consume = false; // the main window's handler sent a sequence for the key
    explicit TRecorder(TTerm& T)
    {
        T.OnKeyDown = [this](std::uint16_t& Key, TShiftState Shift) {
            Downs.emplace_back(Key, static_cast<int>(Shift));
            if (Consume) Key = 0;
        };
        T.OnKeyPress = [this](std::uint8_t& Ch) { Chars.append(static_cast<char>(Ch)); };
    }
};

void Send(QWidget& W, int Key, Qt::KeyboardModifiers Held, const QString& Text)
{
    QKeyEvent E(QEvent::KeyPress, Key, Held, Text);
    QApplication::sendEvent(&W, &E);
}

// A window with the terminal and an edit to move the focus to.
struct TWindow {
    QWidget Window;
    TermWidget* Term = new TermWidget;
    QLineEdit* Edit = new QLineEdit;
    TWindow()
    {
        auto* Layout = new QVBoxLayout(&Window);
        Layout->addWidget(Term);
        Layout->addWidget(Edit);
    }
    bool Show()
    {
        Window.show();
        if (!QTest::qWaitForWindowActive(&Window)) return false;
        Term->setFocus();
        return QTest::qWaitFor([this] { return Term->hasFocus(); });
    }
};

constexpr int Shift = ssShift, Alt = ssAlt, Ctrl = ssCtrl;

} // namespace

class KeysTest : public QObject {
    Q_OBJECT
    std::optional<TProgramState> State;
private slots:
    void init() { State.emplace(); }
    void cleanup() { State.reset(); }

    // The texts are what Qt on X11 puts in the events. Modifier keys come
    // first as keys of their own; the last key down is the one that counts.
    void keyBecomesCodeShiftAndCharacters_data()
    {
        QTest::addColumn<int>("Key");
        QTest::addColumn<Qt::KeyboardModifiers>("Held");
        QTest::addColumn<QString>("Text");
        QTest::addColumn<int>("Code"); // 0: no key down
        QTest::addColumn<int>("ShiftState");
        QTest::addColumn<QByteArray>("Chars");
        const Qt::KeyboardModifiers None, Pad = Qt::KeypadModifier;
        const Qt::KeyboardModifiers S = Qt::ShiftModifier, C = Qt::ControlModifier;
        auto Row = [](const char* Name, int Key, Qt::KeyboardModifiers Held, const QString& Text,
                      int Code, int ShiftState, const QByteArray& Chars) {
            QTest::newRow(Name) << Key << Held << Text << Code << ShiftState << Chars;
        };
        Row("a", Qt::Key_A, None, "a", 'A', 0, "a");
        Row("Shift+a", Qt::Key_A, S, "A", 'A', Shift, "A");
        Row("Shift+1", Qt::Key_Exclam, S, "!", '1', Shift, "!");
        Row("semicolon", Qt::Key_Semicolon, None, ";", 0xBA, 0, ";");
        Row("Ctrl+C", Qt::Key_C, C, "\x03", 'C', Ctrl, "\x03");
        Row("Ctrl+C with a letter for text", Qt::Key_C, C, "c", 'C', Ctrl, "\x03");
        Row("Ctrl+[", Qt::Key_BracketLeft, C, "\x1b", 0xDB, Ctrl, "\x1b");
        Row("Ctrl+@", Qt::Key_At, S | C, QString(QChar(0)), '2', Shift | Ctrl, QByteArray(1, 0));
        Row("Ctrl+1", Qt::Key_1, C, "1", '1', Ctrl, "");
        Row("Ctrl+Enter", Qt::Key_Return, C, "\r", 0x0D, Ctrl, "\n");
        Row("Ctrl+Backspace", Qt::Key_Backspace, C, "\b", 0x08, Ctrl, "\x7f");
        Row("Alt+x", Qt::Key_X, Qt::AltModifier, "x", 'X', Alt, "");
        Row("Meta+a", Qt::Key_A, Qt::MetaModifier, "a", 'A', 0, "a");
        Row("Enter", Qt::Key_Return, None, "\r", 0x0D, 0, "\r");
        Row("Shift+Tab", Qt::Key_Backtab, S, "", 0x09, Shift, "\t");
        Row("Delete", Qt::Key_Delete, None, "\x7f", 0x2E, 0, "");
        Row("F1", Qt::Key_F1, None, "", 0x70, 0, "");
        Row("Up", Qt::Key_Up, None, "", 0x26, 0, "");
        Row("keypad 7", Qt::Key_7, Pad, "7", 0x67, 0, "7");
        Row("keypad 7 without Num Lock", Qt::Key_Home, Pad, "", 0x24, 0, "");
        Row("keypad 5 without Num Lock", Qt::Key_Clear, Pad, "", 0x0C, 0, "");
        Row("Hangul committed as text", Qt::Key_unknown, None, QStringLiteral("한글"), 0, 0,
            "\xC7\xD1\xB1\xDB");
    }

    void keyBecomesCodeShiftAndCharacters()
    {
        QFETCH(int, Key);
        QFETCH(Qt::KeyboardModifiers, Held);
        QFETCH(QString, Text);
        QFETCH(int, Code);
        QFETCH(int, ShiftState);
        QFETCH(QByteArray, Chars);
        TermWidget Term;
        TRecorder Rec(Term.Term());
        QTest::sendKeyEvent(QTest::Click, &Term, static_cast<Qt::Key>(Key), Text, Held);
        if (Code == 0) {
            QVERIFY(Rec.Downs.empty());
        } else {
            QVERIFY(!Rec.Downs.empty());
            QCOMPARE(Rec.Downs.back().first, Code);
            QCOMPARE(Rec.Downs.back().second, ShiftState);
        }
        QCOMPARE(Rec.Chars, Chars);
    }

    // On Windows the character is translated before the key-down handlers
    // run, so a consumed key still types; the main window drops Ctrl+C's 3.
    void charactersFollowAConsumedKey()
    {
        TermWidget Term;
        TRecorder Rec(Term.Term());
        Rec.Consume = true;
        Send(Term, Qt::Key_C, Qt::ControlModifier, "\x03");
        QCOMPARE(Rec.Chars, QByteArray("\x03"));
    }

    void keysStayWithTheControl()
    {
        TWindow W;
        TRecorder Rec(W.Term->Term());
        QVERIFY(W.Show());
        const std::pair<Qt::Key, int> Keys[] = {{Qt::Key_Tab, 0x09},
                                                {Qt::Key_Backtab, 0x09},
                                                {Qt::Key_Return, 0x0D},
                                                {Qt::Key_Escape, 0x1B},
                                                {Qt::Key_Down, 0x28}};
        for (const auto& [Key, Code] : Keys) {
            QTest::keyClick(W.Term, Key,
                            Key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            QVERIFY(W.Term->hasFocus());
            QCOMPARE(Rec.Downs.back().first, Code);
        }
    }

    // Keys with Alt or Ctrl are the window's when it has a shortcut on them;
    // typing is the terminal's even when a shortcut sits on a bare letter.
    void windowShortcutsComeFirstExceptForTyping()
    {
        TWindow W;
        auto* Menu = new QAction(&W.Window);
        Menu->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
        auto* Letter = new QAction(&W.Window);
        Letter->setShortcut(QKeySequence(Qt::Key_A));
        W.Window.addAction(Menu);
        W.Window.addAction(Letter);
        QSignalSpy MenuRan(Menu, &QAction::triggered), LetterRan(Letter, &QAction::triggered);
        TRecorder Rec(W.Term->Term());
        QVERIFY(W.Show());

        QTest::keyClick(W.Term, Qt::Key_X, Qt::AltModifier);
        QCOMPARE(MenuRan.count(), 1);
        for (const auto& Down : Rec.Downs) QVERIFY(Down.first != 'X');

        QTest::keyClick(W.Term, Qt::Key_A);
        QCOMPARE(LetterRan.count(), 0);
        QCOMPARE(Rec.Chars, QByteArray("a"));

        QTest::keyClick(W.Term, Qt::Key_Y, Qt::AltModifier);
        QCOMPARE(Rec.Downs.back(), std::make_pair(int('Y'), Alt));
    }

    void keyDownLogLines()
    {
        TermWidget Term;
        std::vector<std::string> Log;
        SetLogSink([&Log](std::string_view Line) { Log.emplace_back(Line); });
        Send(Term, Qt::Key_A, Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier, "");
        Send(Term, Qt::Key_B, Qt::ShiftModifier, "B");
        const std::vector<std::string> Expected = {
            "Term : WM Key Down : $41 -  Shift Alt Ctrl", "Term : KeyDown : $41",
            "Term : WM Key Down : $42 -  Shift", "Term : KeyDown : $42",
            "Term : KeyPress : $42 - B"};
        QCOMPARE(Log, Expected);
    }
};

QTEST_MAIN(KeysTest)
#include "KeysTest.moc"
