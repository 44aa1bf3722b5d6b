#include "aux/FormAbout.h"

#include "common/Version.h"
#include "term/QtCanvas.h"

#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace {

constexpr const char* Description[] = {
    "Linux 전용 터미널입니다.",
    "전문 Programmer가 느끼는 불편함을",
    "해소 하고자 만들었습니다.",
    "추가사항 또는 Bug가 있는 경우 아래의 ",
    "주소로 E-mail을 보내 주세요.",
    "",
    "mail : brevanix@users.noreply.example",
};

// A face whose lines are at most Height pixels apart: the label's seven
// lines fill its 91 pixels exactly, as the design measured them.
QFont FontOfLineHeight(const QString& Family, int Height)
{
    QFont F(QtCanvas::ResolveFamily(Family));
    for (int Px = Height; Px > 6; --Px) {
        F.setPixelSize(Px);
        if (QFontMetrics(F).lineSpacing() <= Height) break;
    }
    return F;
}

QLabel* Label(QWidget* Parent, const char* Name, const QString& Text, const QRect& Geometry)
{
    auto* L = new QLabel(Text, Parent);
    L->setObjectName(QString::fromLatin1(Name));
    L->setGeometry(Geometry);
    return L;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* MainWindow, const QPixmap& Logo)
    : QDialog(MainWindow,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      FLogo(Logo)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(408, 151);
    QFont Ui(QtCanvas::ResolveFamily(QStringLiteral("돋움체")));
    Ui.setPixelSize(12);
    setFont(Ui);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(rect());
    Panel1->setAutoFillBackground(true);
    QPalette Black = Panel1->palette();
    Black.setColor(QPalette::Window, Qt::black);
    Black.setColor(QPalette::WindowText, Qt::white); // black on the black panel reads as nothing
    Panel1->setPalette(Black);

    Image1 = Label(Panel1, "Image1", {}, QRect(8, 12, 117, 129));
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    lblProject_Title = Label(Panel1, "lblProject_Title", QStringLiteral(" Brevanix v0.5"),
                             QRect(144, 18, 200, 14));
    lblProject_Title->adjustSize();
    QStringList Lines;
    for (const char* L : Description) Lines << QString::fromUtf8(L);
    Label1 = Label(Panel1, "Label1", Lines.join(QLatin1Char('\n')), QRect(140, 34, 259, 91));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setFont(FontOfLineHeight(QStringLiteral("굴림체"), 13));
}

QSize TfrmAbout::FrameSize() const { return size() + FDecoration; }

void TfrmAbout::CentreOn(const QWidget* MainWindow)
{
    const QRect Main = MainWindow->frameGeometry();
    FDecoration = Main.size() - MainWindow->size();
    const QSize Own = FrameSize();
    const int Top = Main.top() + (Main.height() - Own.height()) / 2;
    const int Left = Main.left() + (Main.width() - Own.width()) / 2;
    move(Left, Top);
}

void TfrmAbout::FormActivate()
{
    lblProject_Title->setText(QString::fromUtf8(ProductTitle));
    lblProject_Title->adjustSize();
    Image1->setPixmap(FLogo);
}

void TfrmAbout::FormShow()
{
    const QScreen* Screen = parentWidget() ? parentWidget()->screen() : this->screen();
    const QRect S = Screen->geometry();
    const QSize Own = FrameSize();
    int Top = pos().y(), Left = pos().x();
    if (Top < S.top()) Top = S.top();
    if (Left < S.left()) Left = S.left();
    if (Top + Own.height() > S.top() + S.height()) Top = S.top() + S.height() - Own.height();
    if (Left + Own.width() > S.left() + S.width()) Left = S.left() + S.width() - Own.width();
    move(Left, Top);
}

// Before the first paint: the version and the picture, then the place.
void TfrmAbout::showEvent(QShowEvent* Event)
{
    FormActivate();
    FormShow();
    QDialog::showEvent(Event);
}

void TfrmAbout::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(Event);
}
