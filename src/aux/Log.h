#pragma once
// TfrmLog: the diagnostic log window. From its first opening until it is
// destroyed it is the program-wide log sink, so every unit's WriteLog line
// (code page 949 bytes) lands in its text pane; before that every line is
// dropped. Closing only hides it. Nothing in the program reads the log back.
#include <QString>
#include <QTimer>
#include <QWidget>

#include <string_view>

class QPlainTextEdit;
class QToolBar;
class QToolButton;

class TfrmLog : public QWidget {
    Q_OBJECT
public:
    // Lines kept. Once shown, Qt keeps every line laid out (its width sizes
    // the horizontal scroll bar), about 0.6 KB a line, so 50,000 lines stay
    // near 30 MB: minutes of a busy session, where every key, caret move and
    // paint adds a line, and more than anyone scrolls back through.
    static constexpr int MaxLines = 50000;
    // The oldest lines go this many at a time, so Memo1 holds up to MaxLines
    // + TrimLines: removing lines at the top costs Qt far more than appending,
    // too much to pay on every flush.
    static constexpr int TrimLines = 5000;

    // Creates the window on first use (owned by Owner, which may be null) and
    // shows it, not modal. Returns the one instance, also held in frmLog.
    static TfrmLog* Open(QWidget* Owner);
    ~TfrmLog() override;

    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr; // clear
    QToolButton* ToolButton3 = nullptr; // copy the selection
    QPlainTextEdit* Memo1 = nullptr;

    // One log text as a new last line; CR LF inside it starts a further line.
    // Lines reach Memo1 together at the next flush.
    void AddLine(std::string_view Cp949Text);
    void ToolButton1Click();
    void ToolButton3Click();
    // Writes the lines added since the last flush into Memo1 now.
    void Flush();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    explicit TfrmLog(QWidget* Owner);
    void CreateToolBar();
    void CreateMemo();
    void Trim();

    QString FPending; // pane text of the lines not yet in Memo1
    int FPendingLines = 0;
    QTimer FFlushTimer;
};

// The one log window; null until it is first opened.
extern TfrmLog* frmLog;
