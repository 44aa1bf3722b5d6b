// The main window's auxiliary commands on the real window: printing the
// screen through Qt's printer to PDF files read back with pdftotext, the
// about box, and the desktop shortcut. Dialogs are answered through the
// modal hook, each print job goes to a file of its own through the job hook.
#include "app/Main.h"
#include "aux/FormAbout.h"
#include "aux/XShelLnk.h"
#include "support/ProgramState.h"
#include "support/RecordingSocket.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "term/QtPrinter.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QTest>

#include <cmath>
#include <functional>
#include <memory>

namespace {

// The real main window with its profile file in a folder of the test's own;
// message boxes are recorded and closed with OK, other dialogs go to OnDialog.
struct TAuxWindow {
    TProgramState State;
    TTempDir Dir;
    std::unique_ptr<TMainForm> Form;
    QStringList Messages;
    std::function<void(QDialog&)> OnDialog;
    QStringList Jobs; // the title of every print job, as it started

    TAuxWindow()
    {
        Form = std::make_unique<TMainForm>(QStringList{}, Dir / "Brevanix.ini");
        SetModalHook([this](QDialog& D) {
            if (auto* Box = qobject_cast<QMessageBox*>(&D)) {
                Messages << Box->text();
                Box->button(QMessageBox::Ok)->click();
            } else if (OnDialog) {
                OnDialog(D);
            }
        });
        SetPrintJobHook([this](QPrinter& P) {
            Jobs << P.docName();
            P.setOutputFormat(QPrinter::PdfFormat);
            P.setOutputFileName(QString::fromStdString(Dir / "job") + QString::number(Jobs.size()) +
                                ".pdf");
        });
    }
    ~TAuxWindow()
    {
        SetPrintJobHook({});
        SetModalHook({});
    }
    TAuxWindow(const TAuxWindow&) = delete;
    TAuxWindow& operator=(const TAuxWindow&) = delete;

    QString Hint() const { return Form->StatusHint->text(); }
    void Trigger(const char* Name) const { Form->Action(Name)->trigger(); }
    void Show(const std::string& Utf8) const
    {
        const std::string Bytes = Cp949::FromUtf8(Utf8);
        Form->ProcessBlock(reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                           static_cast<int>(Bytes.size()), false);
    }
    // Row R of the screen in UTF-8 without trailing blanks.
    QString Row(int R) const
    {
        std::string Bytes;
        const TScr& S = Form->Term1->Term().Scr;
        for (int C = 1; C <= S.Col; ++C) Bytes += static_cast<char>(S.Lines[R]->Cells[C].Ch);
        Bytes.erase(Bytes.find_last_not_of(' ') + 1);
        return QString::fromStdString(Cp949::ToUtf8(Bytes));
    }
};

// Answers Qt's print dialog with a copy count, to a PDF file that the job
// hook then replaces per job.
std::function<void(QDialog&)> PrintCopies(int Copies, const QString& File)
{
    return [=](QDialog& D) {
        QVERIFY(qobject_cast<QPrintDialog*>(&D));
        D.findChild<QLineEdit*>(QStringLiteral("filename"))->setText(File);
        D.findChild<QSpinBox*>(QStringLiteral("copies"))->setValue(Copies);
        D.accept();
    };
}

QString Pdftotext(const QStringList& Args)
{
    QProcess P;
    P.start(QStringLiteral("pdftotext"), Args);
    if (!P.waitForFinished(30000) || P.exitCode() != 0) return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(P.readAllStandardOutput());
}

// The page as pdftotext reads it, put back on the grid: each word at the
// row and column its box starts in, measured in the first word's cells (a
// two-digit row number) and in the distance between the first two rows. A
// glyph in the wrong column or a row left out shows as a different line.
QStringList PdfGrid(const QString& Pdf)
{
    static const QRegularExpression Word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)"[^>]*>([^<]*)</word>)re"));
    struct TWord {
        double X, Y, Right;
        QString Text;
    };
    QList<TWord> Words;
    for (auto M = Word.globalMatch(Pdftotext({"-bbox", Pdf, "-"})); M.hasNext();) {
        const auto W = M.next();
        Words.append({W.captured(1).toDouble(), W.captured(2).toDouble(), W.captured(3).toDouble(),
                      W.captured(4)}); // no markup characters here
    }
    if (Words.size() < 2) return {};
    const double CellW = (Words[0].Right - Words[0].X) / static_cast<double>(Words[0].Text.size());
    double LineH = 0;
    for (const TWord& W : Words)
        if (W.Y > Words[0].Y && LineH == 0) LineH = W.Y - Words[0].Y;
    QStringList Rows;
    QList<int> Used; // cells filled per row
    for (const TWord& W : Words) {
        const auto Row = static_cast<qsizetype>(std::lround((W.Y - Words[0].Y) / LineH));
        int Col = static_cast<int>(std::lround((W.X - Words[0].X) / CellW));
        while (Rows.size() <= Row) Rows << QString(), Used << 0;
        Rows[Row] += QString(Col - Used[Row], QLatin1Char(' ')) + W.Text;
        for (const QChar C : W.Text) Col += C.unicode() >= 0x1100 ? 2 : 1; // Hangul: two cells
        Used[Row] = Col;
    }
    return Rows;
}

// A screen with Korean text at changing columns, blank rows and a full last column.
void FillScreen(const TAuxWindow& W)
{
    std::string Host;
    for (int R = 1; R <= 24; ++R) {
        if (R == 12 || R == 13) continue;
        const std::string At = "\x1b[" + std::to_string(R) + ";";
        Host += At + "1H" + (R < 10 ? "0" : "") + std::to_string(R);
        Host += At + std::to_string(4 + R) + "H한글 text";
        Host += At + "40H|" + std::string(static_cast<std::size_t>(R % 5), ' ') + "가나";
        Host += At + "79H끝";
    }
    W.Show(Host);
}

QRect ScreenRect() { return QGuiApplication::primaryScreen()->geometry(); }

} // namespace

class AuxTest : public QObject {
    Q_OBJECT
private slots:
    void printedPdfHoldsEveryRowInItsColumns();
    void printJobIsTitledWithOurCaptionOnly();
    void cancelledPrintChangesNothing();
    void printerErrorIsShown();
    void aboutBoxShowsTheVersionAndClosesWithEscape();
    void aboutBoxIsCentredAndKeptOnScreen_data();
    void aboutBoxIsCentredAndKeptOnScreen();
    void makeLinkMessages_data();
    void makeLinkMessages();
    void makeLinkWritesALauncherForTheAlias();
    void makeLinkNamesNoMissingIcon_data();
    void makeLinkNamesNoMissingIcon();
};

// Three copies: three jobs, each a page with every row in its columns.
void AuxTest::printedPdfHoldsEveryRowInItsColumns()
{
    QCoreApplication::setApplicationName(QStringLiteral("Brevanix"));
    TAuxWindow W;
    FillScreen(W);
    W.OnDialog = PrintCopies(3, QString::fromStdString(W.Dir / "chosen.pdf"));
    W.Trigger("actPrint");
    // The application title: the window title SetTitle gave it.
    QCOMPARE(W.Jobs, QStringList(3, QStringLiteral(" Brevanix v1.3.1 - Print Screen")));
    QStringList Screen;
    for (int R = 1; R <= 24; ++R) Screen << W.Row(R);
    for (int Job = 1; Job <= 3; ++Job)
        QCOMPARE(PdfGrid(QString::fromStdString(W.Dir / "job") + QString::number(Job) + ".pdf"),
                 Screen);
    // The plain layout text holds the same words, Korean intact; it
    // re-estimates the gaps and folds blank rows, so columns come from above.
    QCOMPARE(Pdftotext({"-layout", QString::fromStdString(W.Dir / "job1.pdf"), "-"})
                 .simplified()
                 .split(' '),
             Screen.join(' ').simplified().split(' '));
    QCOMPARE(W.Hint(), QStringLiteral("인쇄완료...."));
}

// A host's title follows our caption in the window's title; the print
// service and its other users never see it.
void AuxTest::printJobIsTitledWithOurCaptionOnly()
{
    TAuxWindow W;
    W.Form->ShowHostTitle("root@host: ~");
    QTRY_VERIFY(W.Form->windowTitle().endsWith(QStringLiteral("root@host: ~")));
    W.OnDialog = PrintCopies(1, QString::fromStdString(W.Dir / "chosen.pdf"));
    W.Trigger("actPrint");
    QCOMPARE(W.Jobs, QStringList{W.Form->Caption() + QStringLiteral(" - Print Screen")});
    QVERIFY(!W.Form->Caption().isEmpty());
}

void AuxTest::cancelledPrintChangesNothing()
{
    TAuxWindow W;
    W.Form->StatusHint->setText(QStringLiteral("before"));
    W.OnDialog = [](QDialog& D) { D.reject(); };
    W.Trigger("actPrint");
    QCOMPARE(W.Hint(), QStringLiteral("before"));
    QVERIFY(W.Jobs.isEmpty());
    QVERIFY(W.Messages.isEmpty());
}

// The job cannot start (its file's folder is missing): the user is told,
// the hint keeps saying that printing was under way, no further copy starts.
void AuxTest::printerErrorIsShown()
{
    TAuxWindow W;
    const QString Nowhere = QString::fromStdString(W.Dir / "missing/out.pdf");
    SetPrintJobHook([&](QPrinter& P) {
        W.Jobs << P.docName();
        P.setOutputFormat(QPrinter::PdfFormat);
        P.setOutputFileName(Nowhere);
    });
    W.OnDialog = PrintCopies(2, QString::fromStdString(W.Dir / "chosen.pdf"));
    W.Trigger("actPrint");
    QCOMPARE(W.Jobs.size(), 1);
    QCOMPARE(W.Messages, QStringList{QStringLiteral("Unable to print to ") + Nowhere});
    QCOMPARE(W.Hint(), QStringLiteral("인쇄중...."));
}

void AuxTest::aboutBoxShowsTheVersionAndClosesWithEscape()
{
    TAuxWindow W;
    W.Form->show();
    QStringList Seen;
    W.OnDialog = [&](QDialog& D) {
        auto* Box = qobject_cast<TfrmAbout*>(&D);
        QVERIFY(Box);
        Seen << Box->windowTitle() << Box->lblProject_Title->text();
        QVERIFY(!Box->Image1->pixmap().isNull());
        QCOMPARE(Box->Label1->text().split(QLatin1Char('\n')).size(), 7);
        QTest::keyClick(Box, Qt::Key_Escape);
        QVERIFY(!Box->isVisible());
    };
    W.Trigger("actAbout");
    W.Trigger("actAbout"); // a new box each time, none left behind
    QCOMPARE(Seen, (QStringList{"About...", " Brevanix v1.3.1", "About...", " Brevanix v1.3.1"}));
    QVERIFY(W.Form->findChildren<TfrmAbout*>().isEmpty());
}

void AuxTest::aboutBoxIsCentredAndKeptOnScreen_data()
{
    QTest::addColumn<QPoint>("MainAt");
    // A coordinate of -1 is centred on the main window, -2 the screen's far
    // edge less the box.
    QTest::addColumn<QPoint>("BoxAt");
    QTest::newRow("on screen") << QPoint(100, 50) << QPoint(-1, -1);
    QTest::newRow("off left and top") << QPoint(-500, -400) << QPoint(0, 0);
    QTest::newRow("off right and bottom") << QPoint(5000, 4000) << QPoint(-2, -2);
}

void AuxTest::aboutBoxIsCentredAndKeptOnScreen()
{
    QFETCH(QPoint, MainAt);
    QFETCH(QPoint, BoxAt);
    TAuxWindow W;
    W.Form->show();
    QVERIFY(QTest::qWaitForWindowExposed(W.Form.get()));
    W.Form->move(MainAt);
    const QRect Main = W.Form->frameGeometry();
    QRect Got; // the box's frame
    W.OnDialog = [&](QDialog& D) {
        Got = D.frameGeometry();
        D.close();
    };
    W.Trigger("actAbout");
    const QRect S = ScreenRect();
    const QPoint Centred(Main.x() + (Main.width() - Got.width()) / 2,
                         Main.y() + (Main.height() - Got.height()) / 2);
    const QPoint FarEdge(S.right() + 1 - Got.width(), S.bottom() + 1 - Got.height());
    BoxAt.setX(BoxAt.x() == -1 ? Centred.x() : BoxAt.x() == -2 ? FarEdge.x() : BoxAt.x());
    BoxAt.setY(BoxAt.y() == -1 ? Centred.y() : BoxAt.y() == -2 ? FarEdge.y() : BoxAt.y());
    QVERIFY(S.contains(Got));
    QCOMPARE(Got.topLeft(), BoxAt);
}

void AuxTest::makeLinkMessages_data()
{
    QTest::addColumn<bool>("Connected");
    QTest::addColumn<QString>("Alias");
    QTest::addColumn<QString>("Typed"); // "<cancel>": the prompt is cancelled
    QTest::addColumn<QString>("Message");
    const QString CannotWrite = QStringLiteral("단축 아이콘을 작성할 수 없습니다.");
    QTest::newRow("not connected") << false << "host"
                                   << ""
                                   << "접속 상태에서 만들수 있습니다.";
    QTest::newRow("cancelled") << true << "host"
                               << "<cancel>"
                               << "";
    QTest::newRow("empty") << true << "host"
                           << ""
                           << "단축 아이콘 이름을 입력하세요.";
    for (const char* Name : {"../up", "a/b", ".", "..", ".hidden", "-a", "two\nlines"})
        QTest::newRow(Name) << true << "host" << QString::fromUtf8(Name) << CannotWrite;
    QTest::newRow("256 bytes") << true << "host" << QString(83, QChar(0xAC00)) << CannotWrite;
    // "-a -reverse" would start a window that the toolkit turns around.
    QTest::newRow("alias begins with -")
        << true << "-reverse"
        << "name"
        << "'-' 로 시작하는 Alias 는 단축 아이콘을 만들 수 없습니다.";
}

// Every refusal shows its message and writes nothing anywhere under home.
void AuxTest::makeLinkMessages()
{
    QFETCH(bool, Connected);
    QFETCH(QString, Alias);
    QFETCH(QString, Typed);
    QFETCH(QString, Message);
    TAuxWindow W;
    TScopedEnv Env;
    Env.Set("HOME", W.Dir / "home");
    Env.Set("XDG_CONFIG_HOME", W.Dir / "home/.config");
    TRecordingSocket Socket;
    Socket.IsConnected = Connected;
    W.Form->AliasInfo.Alias = Alias.toStdString();
    W.OnDialog = [&](QDialog& D) {
        if (Typed == QLatin1String("<cancel>")) return D.reject();
        D.findChild<QLineEdit*>()->setText(Typed);
        D.accept();
    };
    W.Trigger("actMakeLink");
    QCOMPARE(W.Messages, Message.isEmpty() ? QStringList() : QStringList{Message});
    QVERIFY(!std::filesystem::exists(W.Dir / "home"));
}

void AuxTest::makeLinkWritesALauncherForTheAlias()
{
    TAuxWindow W;
    TScopedEnv Env;
    Env.Set("HOME", W.Dir / "home");
    Env.Set("XDG_CONFIG_HOME", W.Dir / "config");
    Env.Set("XDG_DATA_HOME", W.Dir / "data");
    std::filesystem::create_directories(W.Dir / "config");
    WriteBytes(W.Dir / "config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/바탕 화면\"\n");
    TRecordingSocket Socket;
    const std::string Alias = "a b\"c$d%e\\f 한글";
    W.Form->AliasInfo.Alias = Cp949::FromUtf8(Alias);
    QString Offered;
    W.OnDialog = [&](QDialog& D) {
        auto* Edit = D.findChild<QLineEdit*>();
        Offered = Edit->text();
        Edit->setText(QStringLiteral("내 서버"));
        D.accept();
    };
    W.Trigger("actMakeLink"); // the desktop folder does not exist yet
    QVERIFY2(W.Messages.isEmpty(), qPrintable(W.Messages.join(',')));
    QCOMPARE(Offered, QString::fromStdString(Alias));

    const std::string File = W.Dir / "home/바탕 화면/내 서버.desktop";
    QCOMPARE(
        QProcess::execute(QStringLiteral("desktop-file-validate"), {QString::fromStdString(File)}),
        0);
    TShellLink Link;
    Link.SetFileName(File);
    QCOMPARE(QString::fromStdString(Link.LinkName), QCoreApplication::applicationFilePath());
    QCOMPARE(SplitArguments(Link.Arguments), (std::vector<std::string>{"-a", Alias}));
    QCOMPARE(QString::fromStdString(Link.WorkingDirectory), QCoreApplication::applicationDirPath());
    QVERIFY(QImage(QString::fromStdString(Link.IconFile)).size() == QSize(256, 256));
}

void AuxTest::makeLinkNamesNoMissingIcon_data()
{
    QTest::addColumn<bool>("ThemeIcon"); // a desktop's data folder holds the installed icon
    QTest::addColumn<QString>("Icon");   // the shortcut's Icon key; empty: none
    QTest::newRow("installed") << true << "brevanix";
    QTest::newRow("nowhere") << false << "";
}

// The user's data folder cannot hold the program's picture (a file stands
// where its folder should be).
void AuxTest::makeLinkNamesNoMissingIcon()
{
    QFETCH(bool, ThemeIcon);
    QFETCH(QString, Icon);
    TAuxWindow W;
    TScopedEnv Env;
    Env.Set("HOME", W.Dir / "home");
    Env.Set("XDG_CONFIG_HOME", W.Dir / "config");
    WriteBytes(W.Dir / "blocked", "");
    Env.Set("XDG_DATA_HOME", W.Dir / "blocked/data");
    Env.Set("XDG_DATA_DIRS", W.Dir / "share");
    std::filesystem::create_directories(W.Dir / "share/icons/hicolor/48x48/apps");
    if (ThemeIcon) WriteBytes(W.Dir / "share/icons/hicolor/48x48/apps/brevanix.png", "png");
    TRecordingSocket Socket;
    W.Form->AliasInfo.Alias = "host";
    W.OnDialog = [](QDialog& D) { D.accept(); };
    W.Trigger("actMakeLink");
    QVERIFY2(W.Messages.isEmpty(), qPrintable(W.Messages.join(',')));
    const std::string File = W.Dir / "home/Desktop/host.desktop";
    QCOMPARE(
        QProcess::execute(QStringLiteral("desktop-file-validate"), {QString::fromStdString(File)}),
        0);
    TShellLink Link;
    Link.SetFileName(File);
    QCOMPARE(QString::fromStdString(Link.IconFile), Icon);
    QCOMPARE(SplitArguments(Link.Arguments), (std::vector<std::string>{"-a", "host"}));
}

QTEST_MAIN(AuxTest)
#include "AuxTest.moc"
