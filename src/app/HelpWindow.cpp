#include "app/HelpWindow.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* Parent) : QWidget(Parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Brevanix 도움말"));
    auto* Rows = new QVBoxLayout(this);
    Rows->setContentsMargins(0, 0, 0, 0);
    Rows->setSpacing(0);
    ToolBar1 = new QToolBar(this);
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenExternalLinks(true);
    // Latin letters from one face and Hangul from another sit on different
    // baselines: the guide reads in a Korean face.
    for (const char* Face : {"NanumBarunGothic", "NanumGothic", "Noto Sans CJK KR"}) {
        if (!QFontDatabase::hasFamily(QString::fromLatin1(Face))) continue;
        QFont F(QString::fromLatin1(Face));
        F.setPointSize(10);
        Browser->setFont(F);
        break;
    }
    Browser->document()->setDocumentMargin(14);
    QAction* Home = ToolBar1->addAction(QStringLiteral("차례"), Browser, &QTextBrowser::home);
    QAction* Back = ToolBar1->addAction(QStringLiteral("뒤로"), Browser, &QTextBrowser::backward);
    QAction* Forward =
        ToolBar1->addAction(QStringLiteral("앞으로"), Browser, &QTextBrowser::forward);
    Home->setObjectName(QStringLiteral("actHelpContents"));
    Back->setEnabled(false);
    Forward->setEnabled(false);
    connect(Browser, &QTextBrowser::backwardAvailable, Back, &QAction::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, Forward, &QAction::setEnabled);
    Rows->addWidget(ToolBar1);
    Rows->addWidget(Browser, 1);
    resize(640, 560);
}

void THelpWindow::ShowContents(const QString& File)
{
    Browser->clearHistory();
    Browser->setSource(QUrl::fromLocalFile(File));
    show();
    raise();
    activateWindow();
}

QString FindHelpFile(const QString& ExeFolder)
{
    const QDir Exe(ExeFolder);
    for (const QString& Candidate :
         {Exe.filePath(QStringLiteral("help/index.html")),
          Exe.filePath(QStringLiteral("../share/brevanix/help/index.html"))}) {
        if (QFileInfo::exists(Candidate)) return QDir::cleanPath(Candidate);
    }
    return {};
}
