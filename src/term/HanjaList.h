#pragma once
// The Hanja candidate list: a pop-up beside the cursor, drawn over the window
// without ever taking the keyboard. The terminal hands it the keys while it
// is open and does what the key comes to: digits 1-9 choose on the page
// shown, the arrows move the choice, Enter takes it, PageUp and PageDown turn
// the page, Esc cancels.
#include "term/Hanja.h"

#include <QWidget>

#include <vector>

class THanjaList : public QWidget {
    Q_OBJECT
public:
    static constexpr int PageSize = 9;

    explicit THanjaList(QWidget* Parent);

    // Shows the candidates below the cell Cell (in the parent's pixels), or
    // above it when there is no room below.
    void Open(const std::vector<THanja>& Candidates, const QFont& Font, const QRect& Cell);
    void Close() { hide(); }

    enum class TKey { Chosen, Cancelled, Taken, NotMine };
    // What a key press does to the open list; Chosen leaves the index in Choice.
    TKey Key(int QtKey, Qt::KeyboardModifiers Modifiers, int& Choice);

    int Current() const { return FCurrent; }
    int Page() const { return FCurrent / PageSize; }
    int Pages() const { return (Count() + PageSize - 1) / PageSize; }
    int Count() const { return static_cast<int>(FRows.size()); }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    struct TRow {
        QString Hanja, Meaning;
    };
    void Move(int To);
    void Place(const QRect& Cell);
    int RowHeight() const;
    // Where each column starts: the number, the Hanja, its meaning.
    int HanjaX() const;
    int MeaningX() const;

    std::vector<TRow> FRows;
    int FCurrent = 0;
};
