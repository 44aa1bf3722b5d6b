#pragma once
// TfrmAbout: the small modal box with the program's name and version, a
// short Korean description, the contact address and the logo. The main
// window creates one for each showing, centres it on itself and frees it.
#include <QDialog>
#include <QPixmap>

class QLabel;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    // Logo: the picture of the main window's logo image.
    TfrmAbout(QWidget* MainWindow, const QPixmap& Logo);

    QWidget* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* lblProject_Title = nullptr;
    QLabel* Label1 = nullptr;

    // Top, then left: halves of the size differences, truncated.
    void CentreOn(const QWidget* MainWindow);
    void FormActivate();
    void FormShow(); // keeps the box on the screen

protected:
    void showEvent(QShowEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    QSize FrameSize() const;

    QPixmap FLogo;
    QSize FDecoration; // the frame the window system adds, as the main window has it
};
