// The main window's action list and where it offers the actions: the
// table of names, categories, captions, hints, shortcuts and glyphs, the
// bindings to the handlers, the toolbar, the pop-up menu with its options
// sub-menu, and the window menu that stands in for the system menu.
#include "app/Main.h"
#include "common/Switches.h"
#include "term/TermWidget.h"
#include "widgets/ImageList.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

struct TActionDef {
    const char* Name;
    const char* Category;
    const char* Caption;
    const char* Hint;
    const char* Shortcut;
    bool Switch;
    TGlyph Glyph;
};

// The action list: name, category, caption, hint, shortcut, whether it is an
// on/off switch, and its glyph.
// clang-format off
const TActionDef ActionDefs[] = {
    {"actConnect",       "Communication", "접속",               "Connect",  "",       false, TGlyph::Connect},
    {"actDisconnect",    "Communication", "Disconnect",         "",         "",       false, TGlyph::Disconnect},
    {"actReqConnect",    "Communication", "접속/새창(&A)",      "접속/새창", "Alt+R", false, TGlyph::ReqConnect},
    {"actReqDisconnect", "Communication", "단절(&D)",           "접속 단절", "Alt+D", false, TGlyph::ReqDisconnect},
    {"actReconnect",     "Communication", "다시 접속(&R)",      "같은 설정으로 이 창에서 다시 접속합니다.", "Ctrl+Shift+R", false, TGlyph::Reconnect},
    {"actFastConnect",   "File", "빠른 연결",          "젤 빠른 연결을 할수 있습니다.", "Alt+Q", false, TGlyph::FastConnect},
    {"actNew",           "File", "새 터미널 열기(&N)", "새 터미널 열기", "Alt+N", false, TGlyph::New},
    {"actPrint",         "File", "화면 출력(&W)",      "화면 인쇄",      "Alt+P", false, TGlyph::Print},
    {"actSaveAlias",     "File", "환경 저장(&S)",      "",               "",      false, TGlyph::SaveAlias},
    {"actMakeLink",      "File", "단축 아이콘 만들기(&M)", "바탕 화면에 단축 아이콘을 만듭니다.", "", false, TGlyph::MakeLink},
    {"actSessionLog",    "File", "세션 로그 기록(&G)", "받은 글을 파일에 기록합니다.", "", true, TGlyph::SessionLog},
    {"actHelp",          "File", "도움말(&H)",         "도움이 필요하십니까?", "", false, TGlyph::Help},
    {"actExitProgram",   "File", "종료(&X)",           "프로그램 종료",  "",      false, TGlyph::Exit},
    {"actCopy",          "Edit", "복사(&C)",           "복사",           "Alt+C", false, TGlyph::Copy},
    {"actPaste",         "Edit", "붙여놓기(&P)",       "붙여놓기",       "Alt+V", false, TGlyph::Paste},
    {"actCopyAndPaste",  "Edit", "복사/붙여넣기(&V)",  "복사 후 붙여넣기", "Alt+Z", false, TGlyph::CopyAndPaste},
    {"actFind",          "Edit", "찾기(&F)",           "스크롤백과 화면에서 글을 찾습니다.", "Ctrl+Shift+F", false, TGlyph::Find},
    {"actFormTitleOlny", "View", "화면 감추기(&T)",    "화면 감추기",    "Ctrl+F2", false, TGlyph::TitleOnly},
    {"actFormClose",     "View", "프로그램 종료(&C)",  "프로그램 종료",  "Ctrl+F4", false, TGlyph::FormClose},
    {"actFormIcon",      "View", "0",                  "아이콘",         "Ctrl+F1", false, TGlyph::FormIcon},
    {"actFormNormalize", "View", "크기 조정(&N)",      "크기 조정",      "Ctrl+F3", false, TGlyph::FormNormalize},
    {"actPopUp",         "View", "actPopUp(&P)",       "",               "Ctrl+F10", false, TGlyph::PopUp},
    {"actAbout",         "View", "About(&A)",          "프로그램에 대하여...", "", false, TGlyph::About},
    {"actTopMost",       "View", "최상위 폼",          "최상위 폼",      "Alt+T", true,  TGlyph::TopMost},
    {"actOption",        "Option", "설정(&O)",         "설정",           "",      false, TGlyph::Option},
    {"actSoftScroll",    "Option", "SoftScroll(&S)",   "부드러운 스크롤", "Alt+S", true, TGlyph::SoftScroll},
    {"actCrossCaret",    "Option", "십자형 Caret(&C)", "십자형 캐럿",    "Alt+X", true,  TGlyph::CrossCaret},
    {"actVisualBeep",    "Option", "Visual Beep(&V)",  "화면 알람",      "Alt+A", true,  TGlyph::VisualBeep},
    {"actBeep",          "Option", "Beep(&B)",         "알람",           "Alt+B", true,  TGlyph::Beep},
    {"actAutoWrap",      "Option", "AutoWrap(&W)",     "자동 줄바꿈",    "Alt+W", true,  TGlyph::AutoWrap},
    {"actEncodingCp949", "Option", "인코딩: CP949",    "호스트의 글을 CP949로 읽고 씁니다.", "", true, TGlyph::EncodingCp949},
    {"actEncodingUtf8",  "Option", "인코딩: UTF-8",    "호스트의 글을 UTF-8로 읽고 씁니다.", "", true, TGlyph::EncodingUtf8},
    {"actSetUpFont",     "Option", "폰트설정(&F)",     "폰트설정",       "Alt+F", false, TGlyph::Font},
    {"actBackColor",     "Option", "바탕화면 설정(&K)", "바탕화면의 색상을 설정합니다.", "Alt+K", false, TGlyph::BackColor},
    {"actCaretColor",    "Option", "캐럿색상(&E)",     "캐럿의 색상설정", "Alt+E", false, TGlyph::CaretColor},
    {"actViewToolbar",   "Option", "ToolBar 보기(&T)", "ToolBar 보기",   "Ctrl+F5", true, TGlyph::ViewToolbar},
    {"actViewStatusBar", "Option", "Status Bar 보기(&L)", "상태줄 보기", "Ctrl+F6", true, TGlyph::ViewStatusBar},
};
// clang-format on

// The toolbar and the pop-up menu, in order: "|" is a separator, "btnLogView"
// the log button, "mnuPaste" the menu's own paste entry, "mnuOption" the
// options sub-menu.
const char* const ToolbarItems = "actReqConnect actReqDisconnect actFastConnect | "
                                 "actCopy actPaste actCopyAndPaste | actNew actPrint | "
                                 "actTopMost actSoftScroll actCrossCaret actVisualBeep actBeep "
                                 "actAutoWrap | btnLogView | actExitProgram";
const char* const PopupItems =
    "actCopy mnuPaste actCopyAndPaste actFind | actPrint | mnuOption "
    "actSaveAlias actMakeLink actSessionLog | actFastConnect actReqConnect "
    "actReconnect actReqDisconnect actNew | actAbout actHelp "
    "actExitProgram";
const char* const OptionItems = "actTopMost actSoftScroll actCrossCaret actVisualBeep actBeep "
                                "actAutoWrap | actEncodingCp949 actEncodingUtf8 | "
                                "actSetUpFont actBackColor actCaretColor | "
                                "actViewToolbar actViewStatusBar";

// Menus draw the 18-pixel glyphs at their own size.
void ShowGlyphsWhole(QMenu* Menu)
{
    auto* Style = new TGlyphMenuStyle;
    Style->setParent(Menu);
    Menu->setStyle(Style);
}

QStringList Words(const char* Text)
{
    return QString::fromLatin1(Text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

QAction* TMainForm::Action(const char* Name) const
{
    const auto It = FActions.find(Name);
    return It == FActions.end() ? nullptr : It->second;
}

void TMainForm::CreateActions()
{
    for (const TActionDef& D : ActionDefs) {
        auto* A = new QAction(ImageList::Icon(D.Glyph), QString::fromUtf8(D.Caption), this);
        A->setObjectName(QString::fromLatin1(D.Name));
        A->setProperty("Category", QString::fromLatin1(D.Category));
        A->setToolTip(QString::fromUtf8(D.Hint));
        A->setStatusTip(QString::fromUtf8(D.Hint));
        A->setCheckable(D.Switch);
        if (*D.Shortcut) A->setShortcut(QKeySequence(QString::fromLatin1(D.Shortcut)));
        // Shortcuts belong to the window, before the terminal: they never reach the host.
        addAction(A);
        FActions[D.Name] = A;
    }
    BindActions();
    ConnectAuxActions();
}

void TMainForm::BindActions()
{
    const auto Bind = [this](const char* Name, void (TMainForm::*Handler)()) {
        connect(Action(Name), &QAction::triggered, this, [this, Handler] { (this->*Handler)(); });
    };
    Bind("actReqConnect", &TMainForm::actReqConnectExecute);
    Bind("actReqDisconnect", &TMainForm::actReqDisconnectExecute);
    Bind("actFastConnect", &TMainForm::actFastConnectExecute);
    Bind("actConnect", &TMainForm::actConnectExecute);
    Bind("actDisconnect", &TMainForm::actDisconnectExecute);
    Bind("actNew", &TMainForm::actNewExecute);
    Bind("actExitProgram", &TMainForm::actExitProgramExecute);
    Bind("actFormClose", &TMainForm::actExitProgramExecute);
    Bind("actSoftScroll", &TMainForm::actSoftScrollExecute);
    Bind("actViewToolbar", &TMainForm::actViewToolbarExecute);
    Bind("actViewStatusBar", &TMainForm::actViewStatusBarExecute);
    Bind("actTopMost", &TMainForm::actTopMostExecute);
    Bind("actFormTitleOlny", &TMainForm::actFormTitleOlnyExecute);
    Bind("actFormNormalize", &TMainForm::actFormNormalizeExecute);
    Bind("actFormIcon", &TMainForm::actFormIconExecute);
    Bind("actSetUpFont", &TMainForm::actSetUpFontExecute);
    Bind("actBackColor", &TMainForm::actBackColorExecute);
    Bind("actCaretColor", &TMainForm::actCaretColorExecute);
    Bind("actSaveAlias", &TMainForm::actSaveAliasExecute);
    Bind("actHelp", &TMainForm::actHelpExecute);
    Bind("actCopy", &TMainForm::actCopyExecute);
    Bind("actPaste", &TMainForm::actPasteExecute);
    Bind("actCopyAndPaste", &TMainForm::actCopyAndPasteExecute);
    Bind("actPopUp", &TMainForm::actPopUpExecute);
    Bind("actReconnect", &TMainForm::actReconnectExecute);
    Bind("actFind", &TMainForm::actFindExecute);
    // Any command the user gives cancels a pending reconnect; the session's
    // own steps do not.
    for (const auto& [Name, A] : FActions)
        if (Name != "actConnect" && Name != "actDisconnect" && Name != "actReconnect")
            connect(A, &QAction::triggered, this, [this] { CancelReconnect(); });

    // The switches write through to the terminal, the program-wide switches
    // and the profile, so saving an alias saves what is on screen.
    const auto Switch = [this](const char* Name, std::function<void(bool)> Apply) {
        connect(Action(Name), &QAction::triggered, this, std::move(Apply));
    };
    Switch("actAutoWrap", [this](bool On) { Switches.AutoWrap = AliasInfo.AutoWrap = On; });
    Switch("actBeep", [this](bool On) { Term1->Term().Scr.BeepOn = AliasInfo.BeepOn = On; });
    Switch("actVisualBeep",
           [this](bool On) { Term1->Term().Scr.VisualBeep = AliasInfo.VisualBeep = On; });
    Switch("actCrossCaret", [this](bool On) {
        AliasInfo.CrossCaret = On;
        Term1->Term().SetCaret(On ? TCaret::Cross_Block : TCaret::Block);
    });
}

void TMainForm::CreateToolBar()
{
    tbMain = new QToolBar(this);
    tbMain->setObjectName(QStringLiteral("tbMain"));
    tbMain->setMovable(false);
    tbMain->setFloatable(false);
    tbMain->setFixedHeight(26);
    tbMain->setIconSize(QSize(ImageList::GlyphSize, ImageList::GlyphSize));
    tbMain->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addToolBar(Qt::TopToolBarArea, tbMain);
    btnLogView = new QToolButton(tbMain);
    btnLogView->setObjectName(QStringLiteral("btnLogView"));
    btnLogView->setText(QStringLiteral("Log view"));
    btnLogView->setToolTip(QStringLiteral("Log 보기"));
    btnLogView->setStatusTip(QStringLiteral("Log 보기"));
    btnLogView->setIcon(ImageList::Icon(TGlyph::LogView));
    btnLogView->setToolButtonStyle(Qt::ToolButtonIconOnly);
    btnLogView->setAutoRaise(true);
    connect(btnLogView, &QToolButton::clicked, this, &TMainForm::btnLogViewClick);
    for (const QString& Name : Words(ToolbarItems)) {
        if (Name == QLatin1String("|"))
            tbMain->addSeparator();
        else if (Name == QLatin1String("btnLogView"))
            // Hidden in the design, shown at creation; a toolbar shows a
            // widget through its action.
            (FLogViewAction = tbMain->addWidget(btnLogView))->setVisible(false);
        else
            tbMain->addAction(Action(Name.toLatin1().constData()));
    }
}

// The pop-up menu, opened only by code, with the options sub-menu. The menu
// names paste "붙여넣기(&P)" where the action says "붙여놓기(&P)": a menu
// entry of its own runs the action.
void TMainForm::CreateMenus()
{
    mnuMainPopup = new QMenu(this);
    mnuMainPopup->setObjectName(QStringLiteral("mnuMainPopup"));
    mnuOption = new QMenu(Action("actOption")->text(), mnuMainPopup);
    mnuOption->setObjectName(QStringLiteral("mnuOption"));
    Action("actOption")->setMenu(mnuOption);
    ShowGlyphsWhole(mnuMainPopup);
    ShowGlyphsWhole(mnuOption);
    QAction* Paste = Action("actPaste");
    auto* mnuPaste = new QAction(Paste->icon(), QStringLiteral("붙여넣기(&P)"), this);
    mnuPaste->setObjectName(QStringLiteral("mnuPaste"));
    mnuPaste->setStatusTip(Paste->statusTip());
    mnuPaste->setShortcut(Paste->shortcut()); // shown only: it works through actPaste
    mnuPaste->setShortcutContext(Qt::WidgetShortcut);
    connect(mnuPaste, &QAction::triggered, Paste, &QAction::trigger);
    connect(Paste, &QAction::changed, mnuPaste,
            [mnuPaste, Paste] { mnuPaste->setEnabled(Paste->isEnabled()); });
    const auto Fill = [this, mnuPaste](QMenu* Menu, const char* Items) {
        for (const QString& Name : Words(Items)) {
            if (Name == QLatin1String("|"))
                Menu->addSeparator();
            else if (Name == QLatin1String("mnuPaste"))
                Menu->addAction(mnuPaste);
            else if (Name == QLatin1String("mnuOption"))
                Menu->addAction(Action("actOption"));
            else
                Menu->addAction(Action(Name.toLatin1().constData()));
        }
    };
    Fill(mnuMainPopup, PopupItems);
    Fill(mnuOption, OptionItems);
    ConnectEncoding();
    PopupDelay = new QTimer(this);
    PopupDelay->setSingleShot(true);
    PopupDelay->setInterval(ChordMs);
    connect(PopupDelay, &QTimer::timeout, this, [this] { PopupAt(FPopupAt); });
}

// The window's own menu, where a desktop keeps a window's commands and its
// "About..": on the toolbar's right button and on the title-only strip.
QMenu* TMainForm::createPopupMenu()
{
    auto* Menu = new QMenu(this);
    Menu->setObjectName(QStringLiteral("mnuWindow"));
    ShowGlyphsWhole(Menu);
    for (const char* Name : {"actFormTitleOlny", "actFormNormalize", "actTopMost"})
        Menu->addAction(Action(Name));
    Menu->addSeparator();
    Menu->addAction(Action("actReconnect"));
    Menu->addSeparator();
    Menu->addAction(Action("actFormClose"));
    Menu->addSeparator();
    Menu->addAction(Action("actAbout")->icon(), QStringLiteral("About.."), Action("actAbout"),
                    &QAction::trigger);
    return Menu;
}
