#pragma once
// The find bar under the terminal: a line to type the words in, exact case,
// the count, previous and next, and close. Korean goes in through the same
// built-in composer as the terminal's when no system input method is
// active. The bar only reports; the window searches.
#include <QLineEdit>
#include <QWidget>

#include <functional>
#include <memory>
#include <string_view>

class QCheckBox;
class QLabel;
class QToolButton;
class THangulComposer;

class TFindEdit : public QLineEdit {
public:
    explicit TFindEdit(QWidget* Parent);
    ~TFindEdit() override;
    TFindEdit(const TFindEdit&) = delete;
    TFindEdit& operator=(const TFindEdit&) = delete;

    // Keys compose Hangul on Layout while Hangul is on; the Hangul key (and
    // Shift+Space with ShiftSpace) switches. No composer: keys as typed.
    void UseComposer(std::string_view Layout, bool Hangul, bool ShiftSpace);
    void DropComposer();
    bool Hangul() const;
    // The line with the syllable being composed, as the search sees it.
    QString SearchText() const;

    std::function<void()> OnEdited;
    std::function<void(bool Forward)> OnStep; // Enter, F3; with Shift back
    std::function<void()> OnClose;            // Esc

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    bool Compose(QKeyEvent& Event);
    void Show(); // the composer's commit and syllable into the line
    void Commit();

    std::unique_ptr<THangulComposer> FComposer;
    bool FShiftSpace = false;
    QString FPreedit;
};

class TFindBar : public QWidget {
public:
    explicit TFindBar(QWidget* Parent);

    TFindEdit* Edit;
    QCheckBox* ExactCase;
    QLabel* Count;
    QToolButton* Previous;
    QToolButton* Next;
    QToolButton* Close;

    std::function<void()> OnChanged; // the words or the case
    std::function<void(bool Forward)> OnStep;
    std::function<void()> OnClose;

    // "N / M": the current match of all; 0 before a first step.
    void ShowCount(int Current, int Total);
};
