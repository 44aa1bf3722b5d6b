// The main window's commands: the switches that write the profile, the bars,
// the window modes (stay-on-top, title-only, maximised, minimised), the font
// and colour choices, saving an alias, copy and paste, help, the pop-up menu
// and the mouse and scroll bar at window level.
#include "app/DataModuleMaster.h"
#include "app/HelpWindow.h"
#include "app/Main.h"
#include "common/SessionSocket.h"
#include "common/Switches.h"
#include "term/QtCanvas.h"
#include "term/QtClipboard.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"
#include "widgets/Dialogs.h"
#include "widgets/FontDialog.h"
#include "widgets/HintWindow.h"
#include "widgets/TitleStrip.h"

#include <QAction>
#include <QColorDialog>
#include <QFileInfo>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>

namespace {

QString Text(const std::string& Cp949) { return QString::fromStdString(Cp949::ToUtf8(Cp949)); }
std::string Bytes(const QString& S) { return Cp949::FromUtf8(S.toStdString()); }

TColor FromQColor(const QColor& C)
{
    return static_cast<TColor>(C.red()) | static_cast<TColor>(C.green()) << 8 |
           static_cast<TColor>(C.blue()) << 16;
}

} // namespace

// ---------------------------------------------------------------- switches and bars

void TMainForm::actSoftScrollExecute()
{
    Switches.SoftScroll = AliasInfo.SoftScroll = Action("actSoftScroll")->isChecked();
}

// The grid keeps its rows; the window's height changes by the toolbar's.
void TMainForm::actViewToolbarExecute()
{
    const bool On = Action("actViewToolbar")->isChecked();
    tbMain->setVisible(On);
    FToolbarTag = On ? 2 : 1;
    FormResize();
    FToolbarTag = 0;
    Term1->Term().ClearSelection();
    AliasInfo.ShowToolBar = On;
}

void TMainForm::actViewStatusBarExecute()
{
    const bool On = Action("actViewStatusBar")->isChecked();
    StatusLine->setVisible(On);
    resize(width(), height() + (On ? 1 : -1) * StatusLine->height());
    AliasInfo.ShowStatusBar = On;
}

// Changing the flag makes a new native window, which Qt leaves hidden.
void TMainForm::actTopMostExecute()
{
    const QPoint At = pos();
    const bool Shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, Action("actTopMost")->isChecked());
    move(At);
    if (Shown) show();
}

// ---------------------------------------------------------------- window modes

void TMainForm::actFormTitleOlnyExecute() { ApplyTitleOnly(!TitleOnly); }

// Title-only: the window keeps only a caption's height, which the strip fills
// (the window manager's own caption cannot be asked for its presses), and
// cannot be resized vertically.
void TMainForm::ApplyTitleOnly(bool On)
{
    CloseTitleHint();
    if (On == TitleOnly) return;
    if (On) {
        SavedWidth = width();
        SavedHeight = height();
        FSavedMinHeight = minimumHeight();
        FSavedMaxHeight = maximumHeight();
        TitleOnly = true;
        TitleStrip->SetText(ShownTitle());
        TitleStrip->setGeometry(0, 0, width(), TitleStrip->sizeHint().height());
        TitleStrip->show();
        TitleStrip->raise();
        setSizeIncrement(0, 0); // the strip's height is no whole number of cells
        setFixedHeight(TitleStrip->sizeHint().height());
        return;
    }
    TitleOnly = false;
    TitleStrip->hide();
    setMinimumHeight(FSavedMinHeight);
    setMaximumHeight(FSavedMaxHeight);
    resize(SavedWidth, SavedHeight);
}

void TMainForm::CreateTitleStrip()
{
    TitleStrip = new TTitleStrip(this);
    TitleStrip->setObjectName(QStringLiteral("TitleStrip"));
    TitleStrip->hide();
    TitleStrip->OnPress = [this](const QPoint& Global) {
        if (TitleHint) {
            CloseTitleHint(); // a press while the preview is open only closes it
            return false;
        }
        TitleStripPress(Global);
        return true;
    };
    TitleStrip->OnDoubleClick = [this] { ApplyTitleOnly(false); };
    TitleStrip->OnHover = [this] {
        if (TitleHint) Timer2->start();
    };
    TitleStrip->OnLeave = [this] { CloseTitleHint(); };
    TitleStrip->OnMenu = [this](const QPoint& Global) {
        CloseTitleHint();
        QMenu* Menu = createPopupMenu();
        Menu->setAttribute(Qt::WA_DeleteOnClose);
        Menu->popup(Global);
    };
    Timer2 = new QTimer(this);
    Timer2->setSingleShot(true);
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &TMainForm::CloseTitleHint);
}

// The preview: the whole screen's text under the pointer for a second, or as
// long as the pointer stays on the strip.
void TMainForm::TitleStripPress(const QPoint& Global)
{
    const TTerm& Term = Term1->Term();
    QString Screen = QString::fromStdString(Cp949::ToUtf8Rich(Term.GetScreenText(1, Term.Scr.Row)));
    Screen.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    TitleHint = new THintWindow(this);
    TitleHint->setObjectName(QStringLiteral("TitleHint"));
    // It opens under the pointer: the strip beneath keeps the pointer's
    // moves, or the preview would close the moment it opened.
    TitleHint->setWindowFlag(Qt::WindowTransparentForInput);
    QFont F(Term1->Canvas().Family());
    F.setPixelSize(12);
    TitleHint->setFont(F);
    TitleHint->SetMaxWidth(screen()->availableGeometry().width());
    TitleHint->ActivateHint(Global, Screen);
    Timer2->start();
}

void TMainForm::CloseTitleHint()
{
    if (Timer2) Timer2->stop();
    delete TitleHint;
    TitleHint = nullptr;
}

void TMainForm::actFormNormalizeExecute()
{
    if (TitleOnly) ApplyTitleOnly(false);
    QAction* Self = Action("actFormNormalize");
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) {
        Self->setProperty("Tag", 1);
        showNormal();
    } else {
        Self->setProperty("Tag", 2);
        showMaximized();
    }
    if (Action("actTopMost")->isChecked()) raise();
}

void TMainForm::actFormIconExecute() { showMinimized(); }

// ---------------------------------------------------------------- font and colours

// The terminal's font change reports the new cell size, and Term1ChangeSize
// fits the window to it.
void TMainForm::actSetUpFontExecute()
{
    if (!dmMaster) new TdmMaster(this); // a window made without the program's entry
    TFontDialog& Dialog = dmMaster->FontDialog1();
    TTerm& Term = Term1->Term();
    TFont F = Term.Scr.Font;
    Dialog.SetChoice({Text(F.Name), F.Size, F.Color});
    if (!Dialog.Execute(this)) return;
    const TFontChoice Choice = Dialog.Choice();
    F.Name = Bytes(Choice.Face);
    F.Size = Choice.Size;
    F.Color = Choice.Color;
    Term.SetFont(F);
    AliasInfo.FontName = F.Name;
    AliasInfo.FontSize = F.Size;
    AliasInfo.FontColor = F.Color;
}

// The colour dialog, starting on Color; true (Color then the choice) on OK.
bool TMainForm::PickColor(TColor& Color)
{
    QColorDialog Dialog(QtCanvas::ToQColor(Color), this);
    Dialog.setObjectName(QStringLiteral("ColorDialog1"));
    Dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (RunModal(Dialog) != QDialog::Accepted) return false;
    Color = FromQColor(Dialog.selectedColor());
    return true;
}

// Only the stored value changes: cells erased from now on take it, the
// screen is not repainted and the next characters keep their colour.
void TMainForm::actBackColorExecute()
{
    TScr& S = Term1->Term().Scr;
    TColor C = S.BackColor;
    if (PickColor(C)) S.BackColor = AliasInfo.ColorBack = C;
}

void TMainForm::actCaretColorExecute()
{
    TColor C = Term1->Term().CaretColor();
    if (!PickColor(C)) return;
    Term1->Term().SetCaretColor(C);
    AliasInfo.ColorCaret = C;
}

// ---------------------------------------------------------------- alias, help

void TMainForm::actSaveAliasExecute()
{
    QString Name = Text(AliasInfo.Alias);
    if (!PromptText(QStringLiteral("Alias 저장"), QStringLiteral("Alias Name"), Name, this)) return;
    // Judged as the file will read the name back: " _DEFAULT" is _DEFAULT,
    // and a name of blanks alone would be stored nameless and lost.
    const std::string Stored = IniName(Bytes(Name));
    if (Stored == DefaultAliasName) {
        ShowDialog(QStringLiteral("_DEFAULT 는 저장할 수 없습니다."), TMsgDlgType::mtError, mbOK,
                   this);
        return;
    }
    if (Stored.empty()) {
        ShowDialog(QStringLiteral("Alias Name을 입력하시요"), TMsgDlgType::mtError, mbOK, this);
        return;
    }
    // A new window gets the alias on its command line, where "-..." would be
    // taken for an option of the toolkit's.
    if (Stored.front() == '-') {
        ShowDialog(QStringLiteral("Alias 는 '-' 로 시작할 수 없습니다."), TMsgDlgType::mtError,
                   mbOK, this);
        return;
    }
    AliasInfo.Alias = Stored;
    try {
        SaveAliasInfo(IniPath, AliasInfo);
    } catch (const EProfileWriteError& E) {
        ShowDialog(QString::fromLocal8Bit(E.what()), TMsgDlgType::mtError, mbOK, this);
    }
}

void TMainForm::actHelpExecute()
{
    if (HelpFile.isEmpty() || !QFileInfo::exists(HelpFile)) {
        ShowDialog(QStringLiteral("도움말 파일을 찾을 수 없습니다."), TMsgDlgType::mtError, mbOK,
                   this);
        return;
    }
    if (!frmHelp) {
        frmHelp = new THelpWindow(this);
        CenterOverWindow(this, frmHelp);
    }
    frmHelp->ShowContents(HelpFile);
}

// ---------------------------------------------------------------- copy and paste

void TMainForm::actCopyExecute()
{
    Term1->Term().CopySelection();
    Term1->Term().ClearSelection();
}

// The clipboard's text as code page 949 with CR line ends, typed to the host.
void TMainForm::actPasteExecute()
{
    if (!Connected()) return;
    Input.Paste(Term1->Term(), QtClipboard::Text());
    Input.HostText.EndText(SessionSocket); // a lead byte the selection cut off
}

void TMainForm::actCopyAndPasteExecute()
{
    Action("actCopy")->trigger();
    Action("actPaste")->trigger();
}

// ---------------------------------------------------------------- pop-up menu and mouse

// At the top left of the client area, where the caption ends.
void TMainForm::actPopUpExecute() { PopupAt(mapToGlobal(QPoint(Term1->x(), 0))); }

void TMainForm::PopupAt(const QPoint& Global)
{
    PopupDelay->stop();
    mnuMainPopup->popup(Global);
}

// A right press waits ChordMs for a left one: together they are copy and
// paste, alone it opens the menu just below the pointer.
void TMainForm::Term1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    PointerHideTimeout = 1000;
    ShowPointer();
    if (Button == TMouseButton::Left) PopupDelay->stop();
    if ((Shift & ssMiddle) || ((Shift & ssLeft) && (Shift & ssRight))) {
        Action("actCopyAndPaste")->trigger();
    } else if (Button == TMouseButton::Left) {
        Input.MousePress(Term1->Term(), Button, Shift, X, Y);
    } else if (Button == TMouseButton::Right) {
        FPopupAt = Term1->mapToGlobal(QPoint(X, Y)) + QPoint(1, 2);
        PopupDelay->start();
    }
}

void TMainForm::Term1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    Input.MouseRelease(Term1->Term(), Button, Shift, X, Y);
}

// The wheel only names itself in the status line; the event goes on.
void TMainForm::Term1MouseWheel(int Delta)
{
    SetStatusHint(QStringLiteral("MouseWheel"));
    if (Delta < 0) SetStatusHint(QStringLiteral("MouseWheelDown"));
    if (Delta > 0) SetStatusHint(QStringLiteral("MouseWheelUp"));
}

// The terminal shows what it can; the bar takes the position shown.
void TMainForm::ScrollBarScroll()
{
    const int Shown = Term1->Term().ScrollBackTo(ScrollBar->sliderPosition());
    const QSignalBlocker Quiet(ScrollBar);
    ScrollBar->setSliderPosition(Shown);
}
