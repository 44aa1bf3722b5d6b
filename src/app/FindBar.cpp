#include "app/FindBar.h"

#include "term/HangulComposer.h"
#include "text/Cp949.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

// ---------------------------------------------------------------- the line

TFindEdit::TFindEdit(QWidget* Parent) : QLineEdit(Parent) {}

TFindEdit::~TFindEdit() = default;

void TFindEdit::UseComposer(std::string_view Layout, bool Hangul, bool ShiftSpace)
{
    Commit();
    if (!FComposer) FComposer = THangulComposer::Create(Layout);
    if (!FComposer) return;
    FComposer->SetLayout(Layout);
    FComposer->SetHangul(Hangul);
    FShiftSpace = ShiftSpace;
}

void TFindEdit::DropComposer()
{
    Commit();
    FComposer.reset();
}

bool TFindEdit::Hangul() const { return FComposer && FComposer->Hangul(); }

QString TFindEdit::SearchText() const
{
    QString Text = text();
    return Text.insert(cursorPosition(), FPreedit);
}

void TFindEdit::Show()
{
    const QString Committed = QString::fromStdString(Cp949::ToUtf8(FComposer->TakeCommit()));
    FPreedit = QString::fromStdString(Cp949::ToUtf8(FComposer->Preedit()));
    QInputMethodEvent Event(FPreedit, {});
    Event.setCommitString(Committed);
    QLineEdit::inputMethodEvent(&Event);
    if (OnEdited) OnEdited();
}

void TFindEdit::Commit()
{
    if (!FComposer || FPreedit.isEmpty()) return;
    FComposer->Flush();
    Show();
}

// The composer's keys: a printable key of the layout while Hangul is on, and
// Backspace while a syllable is being composed. False for any other key,
// which acts after the syllable is committed.
bool TFindEdit::Compose(QKeyEvent& Event)
{
    const Qt::KeyboardModifiers Held = Event.modifiers() & ~Qt::KeypadModifier;
    if (Event.key() == Qt::Key_Hangul ||
        (FShiftSpace && Event.key() == Qt::Key_Space && Held == Qt::ShiftModifier)) {
        Commit();
        FComposer->SetHangul(!FComposer->Hangul());
        return true;
    }
    if (Event.key() == Qt::Key_Backspace && !FPreedit.isEmpty() && FComposer->Backspace()) {
        Show();
        return true;
    }
    const QString Text = Event.text();
    if (!FComposer->Hangul() || (Held & ~Qt::ShiftModifier) || Text.size() != 1) return false;
    const QChar C = Text.front();
    if (C.unicode() < 0x21 || C.unicode() > 0x7E) return false;
    if (!FComposer->Compose(static_cast<char>(C.unicode()))) return false;
    Show();
    return true;
}

void TFindEdit::keyPressEvent(QKeyEvent* Event)
{
    if (FComposer && Compose(*Event)) return;
    switch (Event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F3:
        Commit();
        if (OnStep) OnStep(!(Event->modifiers() & Qt::ShiftModifier));
        return;
    case Qt::Key_Escape:
        Commit();
        if (OnClose) OnClose();
        return;
    default: break;
    }
    Commit();
    QLineEdit::keyPressEvent(Event);
}

void TFindEdit::focusOutEvent(QFocusEvent* Event)
{
    Commit();
    QLineEdit::focusOutEvent(Event);
}

// ---------------------------------------------------------------- the bar

TFindBar::TFindBar(QWidget* Parent) : QWidget(Parent)
{
    setObjectName(QStringLiteral("FindBar"));
    auto* Row = new QHBoxLayout(this);
    Row->setContentsMargins(4, 2, 4, 2);
    Row->setSpacing(4);
    Row->addWidget(new QLabel(QStringLiteral("찾기:"), this));
    Edit = new TFindEdit(this);
    Edit->setObjectName(QStringLiteral("edtFind"));
    Row->addWidget(Edit, 1);
    const auto Button = [&](const char* Name, const QString& Text, const QString& Tip) {
        auto* B = new QToolButton(this);
        B->setObjectName(QLatin1String(Name));
        B->setText(Text);
        B->setToolTip(Tip);
        B->setAutoRaise(true);
        B->setFocusPolicy(Qt::NoFocus);
        Row->addWidget(B);
        return B;
    };
    Previous = Button("btnFindPrevious", QStringLiteral("▲"), QStringLiteral("이전 (Shift+Enter)"));
    Next = Button("btnFindNext", QStringLiteral("▼"), QStringLiteral("다음 (Enter)"));
    Count = new QLabel(this);
    Count->setObjectName(QStringLiteral("lblFindCount"));
    Count->setMinimumWidth(72);
    Count->setAlignment(Qt::AlignCenter);
    Row->addWidget(Count);
    ExactCase = new QCheckBox(QStringLiteral("대소문자 구분"), this);
    ExactCase->setObjectName(QStringLiteral("ckbFindCase"));
    ExactCase->setFocusPolicy(Qt::NoFocus);
    Row->addWidget(ExactCase);
    Close = Button("btnFindClose", QStringLiteral("✕"), QStringLiteral("닫기 (Esc)"));

    Edit->OnEdited = [this] {
        if (OnChanged) OnChanged();
    };
    connect(Edit, &QLineEdit::textEdited, this, [this] {
        if (OnChanged) OnChanged();
    });
    connect(ExactCase, &QCheckBox::toggled, this, [this] {
        if (OnChanged) OnChanged();
    });
    Edit->OnStep = [this](bool Forward) {
        if (OnStep) OnStep(Forward);
    };
    Edit->OnClose = [this] {
        if (OnClose) OnClose();
    };
    connect(Previous, &QToolButton::clicked, this, [this] {
        if (OnStep) OnStep(false);
    });
    connect(Next, &QToolButton::clicked, this, [this] {
        if (OnStep) OnStep(true);
    });
    connect(Close, &QToolButton::clicked, this, [this] {
        if (OnClose) OnClose();
    });
    ShowCount(0, 0);
}

void TFindBar::ShowCount(int Current, int Total)
{
    Count->setText(QStringLiteral("%1 / %2").arg(Current).arg(Total));
}
