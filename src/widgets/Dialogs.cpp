#include "widgets/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

TModalHook& Hook()
{
    static TModalHook H;
    return H;
}

// Windows-style multiply-divide: rounds half away from zero.
int MulDiv(int N, int Num, int Den)
{
    const long long P = static_cast<long long>(N) * Num;
    return static_cast<int>((P >= 0 ? P + Den / 2 : P - Den / 2) / Den);
}

// Dialog units of a font: the average letter width and the line height.
struct TDialogUnits {
    int W = 1, H = 1;
    explicit TDialogUnits(const QFontMetrics& M)
    {
        const QString Letters =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        W = std::max(1, M.horizontalAdvance(Letters) / 52);
        H = std::max(1, M.height());
    }
    int X(int N) const { return MulDiv(N, W, 4); }
    int Y(int N) const { return MulDiv(N, H, 8); }
};

// Our message texts break lines with a carriage return, as the desktop
// message box of their origin did.
QString WithLineBreaks(QString Text)
{
    Text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return Text;
}

bool StaysOnTop(const QWidget* W)
{
    return W && (W->window()->windowFlags() & Qt::WindowStaysOnTopHint);
}

void PrepareOver(QDialog& Dialog, QWidget* Reference)
{
    if (StaysOnTop(Reference)) Dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    Dialog.adjustSize();
    CenterOverWindow(Reference, &Dialog);
}

} // namespace

void SetModalHook(TModalHook H) { Hook() = std::move(H); }

int RunModal(QDialog& Dialog)
{
    if (!Hook()) return Dialog.exec();
    Dialog.setModal(true);
    Dialog.show();
    Hook()(Dialog);
    if (Dialog.isVisible()) Dialog.reject(); // a hook that forgot to answer
    return Dialog.result();
}

void CenterOverWindow(QWidget* Reference, QWidget* Target)
{
    if (!Target) return;
    if (!Target->isWindow()) {
        if (!Reference) return;
        Target->move((Reference->width() - Target->width()) / 2,
                     (Reference->height() - Target->height()) / 2);
        return;
    }
    QScreen* Screen = Reference ? Reference->window()->screen() : QGuiApplication::primaryScreen();
    const QRect S = Screen ? Screen->geometry() : QRect(0, 0, 1024, 768);
    const QRect R = Reference ? Reference->window()->frameGeometry() : S;
    QSize T = Target->frameGeometry().size();
    // A window not shown yet has no frame to measure. It will get the same
    // decorations as the reference's window, so count those; otherwise the
    // title bar pushes it off centre and past a clamped bottom edge.
    if (Reference && T == Target->size() && !(Target->windowFlags() & Qt::FramelessWindowHint))
        T += Reference->window()->frameGeometry().size() - Reference->window()->size();
    int Left = R.left() + (R.width() - T.width()) / 2;
    int Top = R.top() + (R.height() - T.height()) / 2;
    // Left and top first: a form larger than the screen ends with its right
    // or bottom edge on the screen's edge.
    if (Left < S.left()) Left = S.left();
    if (Left + T.width() > S.left() + S.width()) Left = S.left() + S.width() - T.width();
    if (Top < S.top()) Top = S.top();
    if (Top + T.height() > S.top() + S.height()) Top = S.top() + S.height() - T.height();
    Target->move(Left, Top);
}

TModalResult ShowDialog(const QString& Text, TMsgDlgType Kind, TMsgDlgButtons Buttons,
                        QWidget* Reference)
{
    static const struct {
        QMessageBox::Icon Icon;
        const char* Caption;
    } Kinds[] = {{QMessageBox::Warning, "Warning"},
                 {QMessageBox::Critical, "Error"},
                 {QMessageBox::Information, "Information"},
                 {QMessageBox::Question, "Confirm"}};
    const auto& K = Kinds[static_cast<int>(Kind)];
    QMessageBox Box(K.Icon, QString::fromLatin1(K.Caption), WithLineBreaks(Text),
                    QMessageBox::NoButton, Reference ? Reference->window() : nullptr);
    Box.setObjectName(QStringLiteral("ShowDialog"));
    Box.setTextFormat(Qt::PlainText); // an alias such as "<b>x</b>" is no markup
    QPushButton* Yes = nullptr;
    QPushButton* No = nullptr;
    QPushButton* Ok = nullptr;
    if (Buttons & mbYes) Yes = Box.addButton(QMessageBox::Yes);
    if (Buttons & mbNo) No = Box.addButton(QMessageBox::No);
    if ((Buttons & mbOK) || (!Yes && !No)) Ok = Box.addButton(QMessageBox::Ok);
    Box.setDefaultButton(Yes ? Yes : Ok ? Ok : No);
    Box.setEscapeButton(No ? No : Ok ? Ok : Yes);
    PrepareOver(Box, Reference);
    QApplication::beep();
    RunModal(Box);
    const QAbstractButton* Pressed = Box.clickedButton();
    if (Pressed && Pressed == Yes) return TModalResult::mrYes;
    if (Pressed && Pressed == Ok) return TModalResult::mrOk;
    return No ? TModalResult::mrNo : TModalResult::mrOk;
}

namespace {
bool AskLine(const QString& Caption, const QString& Prompt, QString& Value, QWidget* Reference,
             QLineEdit::EchoMode Echo)
{
    QDialog Dialog(Reference ? Reference->window() : nullptr, Qt::Dialog | Qt::WindowTitleHint |
                                                                  Qt::WindowCloseButtonHint |
                                                                  Qt::MSWindowsFixedSizeDialogHint);
    Dialog.setObjectName(QStringLiteral("PromptText"));
    Dialog.setWindowTitle(Caption);
    const TDialogUnits U(Dialog.fontMetrics());

    auto* Label = new QLabel(Prompt, &Dialog);
    Label->setObjectName(QStringLiteral("Prompt"));
    Label->setTextFormat(Qt::PlainText);
    Label->move(U.X(8), U.Y(8));
    Label->adjustSize();

    auto* Edit = new QLineEdit(&Dialog);
    Edit->setObjectName(QStringLiteral("Value"));
    Edit->setMaxLength(255);
    Edit->setEchoMode(Echo);
    Edit->setText(Value);
    Edit->selectAll();
    Edit->setGeometry(U.X(8), U.Y(19), U.X(164), Edit->sizeHint().height());

    auto* Ok = new QPushButton(QObject::tr("OK"), &Dialog);
    Ok->setObjectName(QStringLiteral("OK"));
    Ok->setGeometry(U.X(38), U.Y(41), U.X(50), U.Y(14));
    Ok->setDefault(true);
    auto* Cancel = new QPushButton(QObject::tr("Cancel"), &Dialog);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setGeometry(U.X(92), U.Y(41), U.X(50), U.Y(14));
    Cancel->setAutoDefault(false);
    QObject::connect(Ok, &QPushButton::clicked, &Dialog, &QDialog::accept);
    QObject::connect(Cancel, &QPushButton::clicked, &Dialog, &QDialog::reject); // Escape too

    Dialog.setFixedSize(U.X(180), U.Y(63));
    Edit->setFocus();
    if (StaysOnTop(Reference)) Dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    CenterOverWindow(Reference, &Dialog);
    const bool Confirmed = RunModal(Dialog) == QDialog::Accepted;
    if (Confirmed) Value = Edit->text();
    // What was typed into a masked edit leaves no copy in the dialog's memory.
    if (Echo != QLineEdit::Normal) Edit->setText(QString(Edit->text().size(), QLatin1Char(' ')));
    return Confirmed;
}
} // namespace

bool PromptText(const QString& Caption, const QString& Text, QString& Value, QWidget* Reference)
{
    return AskLine(Caption, Text, Value, Reference, QLineEdit::Normal);
}

bool PromptSecret(const QString& Caption, const QString& Text, QString& Value, QWidget* Reference)
{
    return AskLine(Caption, Text, Value, Reference, QLineEdit::Password);
}

void Forget(QString& Secret)
{
    Secret.fill(QLatin1Char('\0'));
    Secret.clear();
}

bool PromptLogFile(QString& Template, QWidget* Reference)
{
    QFileDialog Dialog(Reference, QStringLiteral("로그 파일 선택"));
    Dialog.setObjectName(QStringLiteral("SaveDialog1"));
    Dialog.setOption(QFileDialog::DontUseNativeDialog); // one the modal hook can answer
    Dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The log never overwrites: it appends, or takes a new name beside.
    Dialog.setOption(QFileDialog::DontConfirmOverwrite);
    Dialog.setNameFilters({QStringLiteral("로그 (*.log *.txt)"), QStringLiteral("모든 파일 (*)")});
    // Starts where the present template points, placeholders in its name
    // kept for the user to keep or replace.
    const QString Home = QDir::homePath();
    QString Current = Template;
    if (Current == QLatin1String("~") || Current.startsWith(QLatin1String("~/")))
        Current = Home + Current.mid(1);
    else if (!Current.isEmpty() && !Current.startsWith(QLatin1Char('/')))
        Current = Home + QLatin1Char('/') + Current;
    const QFileInfo Place(Current);
    Dialog.setDirectory(!Current.isEmpty() && Place.dir().exists() ? Place.dir().absolutePath()
                                                                   : Home);
    if (!Current.isEmpty()) Dialog.selectFile(Place.fileName());
    if (RunModal(Dialog) != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return false;
    QString Chosen = Dialog.selectedFiles().front();
    // "~" keeps a profile right for whoever's home it is used in.
    if (Chosen.startsWith(Home + QLatin1Char('/')))
        Chosen = QLatin1Char('~') + Chosen.mid(Home.size());
    Template = Chosen;
    return true;
}
