#pragma once
// THelpWindow: the window that shows the user's guide, HTML pages installed
// beside the program. It opens on the guide's contents page, follows the
// links between pages and hands links to other sites to the desktop's
// browser. Created on first use and kept, like a help viewer.
#include <QWidget>

class QTextBrowser;
class QToolBar;

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* Parent = nullptr);

    // Shows the contents page File and brings the window to the front.
    void ShowContents(const QString& File);

    QToolBar* ToolBar1 = nullptr;
    QTextBrowser* Browser = nullptr;
};

// The contents page of the guide for an executable in ExeFolder: "help" beside
// it (a copy unpacked in a folder of its own, or the build tree), else the
// installed share/brevanix/help. Empty when neither holds it.
QString FindHelpFile(const QString& ExeFolder);
