#include "app/Main.h"

#include "term/TermWidget.h"

#include <QLayout>

TMainForm::TMainForm(QWidget* Parent) : QMainWindow(Parent)
{
    setWindowTitle(QStringLiteral("Brevanix"));
    Term1 = new TermWidget(this);
    Term1->setObjectName(QStringLiteral("Term1"));
    setCentralWidget(Term1);
    // The terminal sets its own pixel size (columns x rows x cell); the
    // window follows it both ways.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TMainForm::FeedHostBytes(const std::string& Bytes)
{
    TTerm& Term = Term1->Term();
    Term.HideCaret();
    Output.Process(Term, reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                   static_cast<int>(Bytes.size()));
    if (Term.Scr.RedrawPending) Term.ReDrawScreen();
    // Also after plain text: the interpreter moves the cursor without
    // touching the caret.
    Term.ShowCaret();
}
