// Building the host manager's controls: names, captions, hints, ranges and
// tags. The handlers live in FromHostManager.cpp.
#include "app/FromHostManager.h"

#include "common/GridLimits.h"
#include "profiles/ProfileKeys.h"
#include "term/HangulComposer.h"
#include "term/QtCanvas.h"
#include "widgets/ColorComboBox.h"
#include "widgets/FontDialog.h"
#include "widgets/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProxyStyle>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Hints are written with CR LF line breaks; a tool-tip breaks at LF.
QString Hint(const char* Utf8)
{
    return QString::fromUtf8(Utf8).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

template <class T>
T* Named(T* Control, const char* Name, int Tag = 0, const char* HintText = nullptr)
{
    Control->setObjectName(QString::fromLatin1(Name));
    if (Tag) Control->setProperty("Tag", Tag);
    if (HintText) Control->setToolTip(Hint(HintText));
    return Control;
}

QPushButton* Button(const char* Caption, const char* Name, const char* HintText, QWidget* Parent)
{
    auto* B = Named(new QPushButton(QString::fromUtf8(Caption), Parent), Name, 0, HintText);
    B->setAutoDefault(false); // Enter belongs to the address edit and the list
    B->setFixedSize(74, 24);
    return B;
}

TSpinEdit* Spin(const char* Name, int Tag, int Min, int Max, const char* HintText = nullptr)
{
    auto* S = Named(new TSpinEdit, Name, Tag, HintText);
    S->setRange(Min, Max);
    return S;
}

QGridLayout* PageGrid(QWidget* Page)
{
    auto* G = new QGridLayout(Page);
    G->setContentsMargins(8, 8, 8, 8);
    G->setHorizontalSpacing(6);
    G->setVerticalSpacing(6);
    return G;
}

// The page control's 288 pixels hold five of the style's tabs only when
// each keeps less room beside its caption.
class TCompactTabs : public QProxyStyle {
public:
    static constexpr int Slack = 10;
    int pixelMetric(PixelMetric Metric, const QStyleOption* Option,
                    const QWidget* Widget) const override
    {
        const int V = QProxyStyle::pixelMetric(Metric, Option, Widget);
        return Metric == PM_TabBarTabHSpace ? V - Slack : V;
    }
};

QLabel* AddRow(QGridLayout* G, int Row, int Col, const char* Label, QWidget* Field, int Span = 1)
{
    auto* L = new QLabel(QString::fromUtf8(Label));
    G->addWidget(L, Row, Col);
    G->addWidget(Field, Row, Col + 1, 1, Span);
    return L;
}

} // namespace

void TfrmHostManager::BuildControls()
{
    setWindowTitle(QStringLiteral("접속 관리"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    QFont UiFont(QtCanvas::ResolveFamily(QStringLiteral("돋움체")));
    UiFont.setPixelSize(12);
    setFont(UiFont);
    setFixedSize(492, 301);

    const auto Check = [this](const char* Caption, const char* Name, int Tag,
                              bool TAliasInfo::*Field, const char* HintText = nullptr) {
        auto* B = Named(new QCheckBox(QString::fromUtf8(Caption)), Name, Tag, HintText);
        FSwitches.push_back({B, Field});
        return B;
    };

    lbxAlias = Named(new QListWidget(this), "lbxAlias");
    lbxAlias->setFixedWidth(192);
    lbxAlias->setSelectionMode(QAbstractItemView::SingleSelection);
    lbxAlias->setUniformItemSizes(true);
    edAlias = Named(new QLineEdit(this), "edAlias", 1, "접속명");

    // General
    tsGeneral = Named(new QWidget, "tsGeneral");
    edAddress = Named(new QLineEdit, "edAddress", 2, "Host Name 또는 IP Address");
    edPort = Named(new QLineEdit, "edPort", 3, "Host 접속 Port");
    cbxProtocol = Named(new QComboBox, "cbxProtocol", 3,
                        "접속 방식\r\nTelnet 은 Port 23, SSH 는 Port 22 가 기본입니다.");
    cbxProtocol->addItems({QStringLiteral("Telnet"), QStringLiteral("SSH")});
    edUserName =
        Named(new QLineEdit, "edUserName", 4, "SSH 로그인 사용자\r\n비워 두면 접속할 때 묻습니다.");
    edIdentityFile =
        Named(new QLineEdit, "edIdentityFile", 5,
              "SSH 인증 키 파일\r\n비워 두면 ssh-agent 와 ~/.ssh 의 기본 키를 씁니다.");
    btnIdentityFile =
        Named(new QPushButton(QStringLiteral("...")), "btnIdentityFile", 0, "키 파일 찾기");
    btnIdentityFile->setAutoDefault(false);
    btnIdentityFile->setFixedWidth(24);
    spinCol = Spin("spinCol", 1, 1, 132);
    spinRow = Spin("spinRow", 2, 20, 50);
    spinScrollBuffer = Spin("spinScrollBuffer", 4, 1, 5000,
                            "Scroll Back 의 사이증 정의\r\n(설정값이 너무 크면 시스템 메모리에 "
                            "따라 늦어 질수 있음)");
    cbxTerminalType = Named(new QComboBox, "cbxTerminalType", 1,
                            "Linux 는 xterm-color를\r\n일반 Unix는 xterm으로 설정하세요.\r\n"
                            "그외는 vt220으로 설정하세요.");
    cbxTerminalType->setEditable(true);
    cbxTerminalType->setInsertPolicy(QComboBox::NoInsert);
    cbxTerminalType->addItems({QStringLiteral("vt220"), QStringLiteral("xterm"),
                               QStringLiteral("xterm-color")}); // sorted
    cbxHostEncoding = Named(new QComboBox, "cbxHostEncoding", 2,
                            "Host의 한글 코드\r\n최근 Linux(ko_KR.UTF-8)는 UTF-8을\r\n"
                            "그외(ko_KR.eucKR)는 CP949로 설정하세요.");
    cbxHostEncoding->addItems({QStringLiteral("CP949"), QStringLiteral("UTF-8")});
    ckbSoftScroll =
        Check("Soft Scroll", "ckbSoftScroll", 1, &TAliasInfo::SoftScroll, "부드러운 스크롤");
    ckbCrossCaret =
        Check("Cross Caret", "ckbCrossCaret", 2, &TAliasInfo::CrossCaret, "십자형 캐럿");
    ckbVisualBeep = Check("Visual Beep", "ckbVisualBeep", 3, &TAliasInfo::VisualBeep, "화면 알람");
    ckbBeepOn = Check("Beep", "ckbBeepOn", 4, &TAliasInfo::BeepOn, "사운드 알람");
    ckbAutoWrap = Check("AutoWrap", "ckbAutoWrap", 5, &TAliasInfo::AutoWrap, "자동 줄바꿈");
    {
        // Rows in the order a user fills them in, tab order with them. The
        // SSH rows take no room while hidden; shown, they fit only with the
        // rows this close.
        QGridLayout* G = PageGrid(tsGeneral);
        G->setContentsMargins(8, 4, 8, 3);
        G->setVerticalSpacing(2);
        AddRow(G, 0, 0, "URL/Address :", edAddress, 3);
        AddRow(G, 1, 0, "프로토콜 :", cbxProtocol);
        AddRow(G, 1, 2, "Port :", edPort);
        auto* KeyFile = new QWidget;
        auto* KeyFileRow = new QHBoxLayout(KeyFile);
        KeyFileRow->setContentsMargins(0, 0, 0, 0);
        KeyFileRow->setSpacing(2);
        KeyFileRow->addWidget(edIdentityFile, 1);
        KeyFileRow->addWidget(btnIdentityFile);
        QLabel* UserLabel = AddRow(G, 2, 0, "사용자 :", edUserName, 3);
        QLabel* KeyLabel = AddRow(G, 3, 0, "키 파일 :", KeyFile, 3);
        FSshRows = {UserLabel, edUserName, KeyLabel, KeyFile};
        AddRow(G, 4, 0, "Scroll Buffer :", spinScrollBuffer);
        AddRow(G, 4, 2, "Col :", spinCol);
        AddRow(G, 5, 0, "Encoding :", cbxHostEncoding);
        AddRow(G, 5, 2, "Row :", spinRow);
        AddRow(G, 6, 0, "Terminal Type :", cbxTerminalType, 3);
        auto* Checks = new QGridLayout;
        Checks->setVerticalSpacing(0);
        Checks->addWidget(ckbSoftScroll, 0, 0);
        Checks->addWidget(ckbCrossCaret, 0, 1);
        Checks->addWidget(ckbAutoWrap, 0, 2);
        Checks->addWidget(ckbVisualBeep, 1, 0);
        Checks->addWidget(ckbBeepOn, 1, 1);
        G->addLayout(Checks, 7, 0, 1, 4);
        G->setRowStretch(8, 1);
        G->setColumnStretch(1, 1);
        G->setColumnStretch(3, 1);
    }

    // Font/Color
    tsColor = Named(new QWidget, "tsColor");
    btnFont = Named(new TFontButton(QStringLiteral("&Font")), "btnFont");
    btnFont->setAutoDefault(false);
    btnFont->setFixedSize(120, 40);
    clrColorCaret = Named(new TColorComboBox, "clrColorCaret", 1);
    clrColorBack = Named(new TColorComboBox, "clrColorBack", 2);
    cbxMonochrome = Check("Monochrome", "cbxMonochrome", 12, &TAliasInfo::Monochrome, "단색 표식");
    {
        QGridLayout* G = PageGrid(tsColor);
        AddRow(G, 0, 0, "Font :", btnFont);
        AddRow(G, 1, 0, "Caret :", clrColorCaret);
        AddRow(G, 2, 0, "Back Board :", clrColorBack);
        G->addWidget(cbxMonochrome, 3, 0, 1, 2);
        G->setAlignment(btnFont, Qt::AlignLeft);
        G->setRowStretch(4, 1);
        G->setColumnStretch(1, 1);
    }

    // Extended
    tbExtendedOption = Named(new QWidget, "tbExtendedOption");
    ckbAutoLF = Check("AutoLF", "ckbAutoLF", 6, &TAliasInfo::AutoLF);
    ckbAutoCR = Check("AutoCR", "ckbAutoCR", 7, &TAliasInfo::AutoCR);
    ckbXtermLevel =
        Check("xterm 호환 (vim, mc, htop 등)", "ckbXtermLevel", 15, &TAliasInfo::XtermLevel,
              "전체 화면 프로그램을 위해 xterm 처럼 동작\r\n"
              "(선 그리기, 대체 화면, 색상, 기능키, 마우스)");
    {
        QGridLayout* G = PageGrid(tbExtendedOption);
        G->addWidget(ckbAutoLF, 0, 0);
        G->addWidget(ckbAutoCR, 1, 0);
        G->addWidget(ckbXtermLevel, 2, 0);
        G->setRowStretch(3, 1);
    }

    // 로그: the session's record and the link's upkeep
    tsLog = Named(new QWidget, "tsLog");
    edLogFile = Named(new QLineEdit, "edLogFile", 6,
                      "세션 기록 파일 (비워 두면 기록하지 않음)\r\n"
                      "&H 호스트, &P 포트, &A 접속명, &Y &M &D 날짜, &T 시각(시분초),\r\n"
                      "~ 홈 폴더, && 는 & 한 글자");
    edLogFile->setPlaceholderText(QStringLiteral("기록하지 않음"));
    btnLogFile = Named(new QPushButton(QStringLiteral("...")), "btnLogFile", 0, "로그 파일 찾기");
    btnLogFile->setAutoDefault(false);
    btnLogFile->setFixedWidth(24);
    cbxLogMode = Named(new QComboBox, "cbxLogMode", 4,
                       "화면 글자: 제어 문자를 뺀 읽을 수 있는 글\r\n"
                       "받은 그대로: Host가 보낸 바이트 그대로");
    cbxLogMode->addItems({QStringLiteral("화면 글자 (Text)"), QStringLiteral("받은 그대로 (Raw)")});
    cbxLogEncoding = Named(new QComboBox, "cbxLogEncoding", 5,
                           "화면 글자 기록의 인코딩\r\n"
                           "UTF-8 을 고르면 CP949 Host의 한글도 UTF-8 로 기록");
    cbxLogEncoding->addItems({QStringLiteral("호스트 인코딩"), QStringLiteral("UTF-8")});
    ckbLogTimestamps = Check("시각 기록", "ckbLogTimestamps", 16, &TAliasInfo::LogTimestamps,
                             "줄마다 앞에 [YYYY-MM-DD HH:MM:SS] 를 붙임\r\n(화면 글자 기록만)");
    ckbLogAppend = Check("이어 쓰기", "ckbLogAppend", 17, &TAliasInfo::LogAppend,
                         "있는 파일 끝에 이어서 기록\r\n끄면 덮어 쓰지 않고 "
                         "이름-1, 이름-2 ... 로 새로 만듦");
    spinKeepAlive = Spin("spinKeepAlive", 5, 0, MaxKeepAlive,
                         "이 시간(초) 동안 오가는 것이 없으면 연결을 확인\r\n"
                         "응답이 없으면 끊긴 것으로 봄. 0 은 사용 안 함");
    spinKeepAlive->setSpecialValueText(QStringLiteral("사용 안 함"));
    spinKeepAlive->setMinimumWidth(90);
    ckbAutoReconnect = Check("끊기면 다시 접속", "ckbAutoReconnect", 18, &TAliasInfo::AutoReconnect,
                             "직접 끊지 않았는데 연결이 끊기면\r\n"
                             "1, 2, 4 … 60초 간격으로 다시 접속 (Esc 로 취소)");
    {
        // One control a row: the page is narrow, and the group keeps the
        // link's two apart from the record's.
        QGridLayout* G = PageGrid(tsLog);
        G->setContentsMargins(8, 4, 8, 3);
        G->setVerticalSpacing(2);
        auto* File = new QHBoxLayout;
        File->setSpacing(2);
        File->addWidget(edLogFile, 1);
        File->addWidget(btnLogFile);
        G->addWidget(new QLabel(QStringLiteral("로그 파일 :")), 0, 0);
        G->addLayout(File, 0, 1);
        AddRow(G, 1, 0, "기록 :", cbxLogMode);
        AddRow(G, 2, 0, "인코딩 :", cbxLogEncoding);
        auto* Checks = new QHBoxLayout;
        Checks->addWidget(ckbLogTimestamps);
        Checks->addWidget(ckbLogAppend);
        Checks->addStretch(1);
        G->addLayout(Checks, 3, 1);
        auto* Link = Named(new QGroupBox(QStringLiteral("연결")), "gbLink");
        auto* L = new QGridLayout(Link);
        L->setContentsMargins(8, 2, 8, 4);
        L->setVerticalSpacing(2);
        AddRow(L, 0, 0, "연결 유지 (초) :", spinKeepAlive);
        L->addWidget(ckbAutoReconnect, 1, 0, 1, 3);
        L->setColumnStretch(2, 1);
        G->addWidget(Link, 4, 0, 1, 2);
        G->setRowStretch(5, 1);
        G->setColumnStretch(1, 1);
    }

    // Global
    TabSheet1 = Named(new QWidget, "TabSheet1");
    ckbToolBar = Check("Show Toolbar", "ckbToolBar", 8, &TAliasInfo::ShowToolBar,
                       "접속시 Toolbar의 상태를 정의");
    // It carries the toolbar's hint, as it always has.
    ckbStatusBar = Check("Show Statusbar", "ckbStatusBar", 11, &TAliasInfo::ShowStatusBar,
                         "접속시 Toolbar의 상태를 정의");
    ckbScrollbar = Check("Show Scrollbar", "ckbScrollbar", 13, &TAliasInfo::ShowScrollBar,
                         "접속시 Scrollbar의 상태를 정의");
    ckbExitOnDisconnect = Check("Exit on disconnect", "ckbExitOnDisconnect", 9,
                                &TAliasInfo::ExitOnDisconnect, "접속 종료시 Program을 종료함.");
    ckbFastInterrupt = Check("Fast Interrupt", "ckbFastInterrupt", 10, &TAliasInfo::FastInterrupt,
                             "Scroll시 Ctrl+C로 Cancel을 빨리 할수 있음\r\n반대로 Scroll시 "
                             "입력은 무시됨\r\n(Window2000에서 문제가 있음)");
    ckbHanEngToggle = Check("Shift + Space 로 한영 전환", "ckbHanEngToggle", 14,
                            &TAliasInfo::HanEng, "Shift + Space Key로 한영 전환 기능");
    cbxHangulLayout = Named(new QComboBox, "cbxHangulLayout", 6,
                            "한글 입력기가 없을 때 쓰는 내장 입력기의 자판\r\n"
                            "(ibus, fcitx 등을 쓰면 그 입력기의 자판을 따름)");
    for (const THangulLayout& L : HangulLayouts)
        cbxHangulLayout->addItem(QString::fromUtf8(L.Name));
    btnSaveGlobal = Button("&Save", "btnSaveGlobal", "추가/수정", TabSheet1);
    {
        QGridLayout* G = PageGrid(TabSheet1);
        G->setVerticalSpacing(3);
        int Row = 0;
        for (QCheckBox* B : {ckbToolBar, ckbStatusBar, ckbScrollbar, ckbExitOnDisconnect,
                             ckbFastInterrupt, ckbHanEngToggle})
            G->addWidget(B, Row++, 0, 1, 2);
        AddRow(G, Row++, 0, "한글 자판 :", cbxHangulLayout);
        G->setRowStretch(Row, 1);
        G->addWidget(btnSaveGlobal, Row + 1, 0, 1, 2, Qt::AlignRight);
        G->setColumnStretch(1, 1);
    }

    pgProperties = Named(new QTabWidget(this), "pgProperties");
    auto* Tabs = new TCompactTabs;
    Tabs->setParent(this); // outlives the tab bar, a grandchild made before it
    pgProperties->tabBar()->setStyle(Tabs);
    pgProperties->addTab(tsGeneral, QStringLiteral("General"));
    pgProperties->addTab(tsColor, QStringLiteral("Font/Color"));
    pgProperties->addTab(tbExtendedOption, QStringLiteral("Extended"));
    pgProperties->addTab(tsLog, QStringLiteral("로그"));
    pgProperties->setTabToolTip(pgProperties->indexOf(tsLog), Hint("세션 기록과 연결 유지"));
    const int Global = pgProperties->addTab(TabSheet1, QStringLiteral("Global"));
    pgProperties->setTabToolTip(Global, Hint("Brevanix의 전반적인\r\nOption을 관리"));
    TabSheet1->setToolTip(pgProperties->tabToolTip(Global));

    ToolbarButton971 = Button("&Add", "ToolbarButton971", "추가/수정", this);
    ToolbarButton976 = Button("&Delete", "ToolbarButton976", "삭제", this);
    btnOK = Button("&Yes", "btnOK", "접속", this);
    btnNo = Button("&No", "btnNo", "취소", this);

    auto* AliasRow = new QHBoxLayout;
    AliasRow->addWidget(new QLabel(QStringLiteral("Alias :")));
    AliasRow->addWidget(edAlias, 1);
    auto* Right = new QVBoxLayout;
    Right->setSpacing(4);
    Right->addLayout(AliasRow);
    Right->addWidget(pgProperties, 1);
    auto* Top = new QHBoxLayout;
    Top->setSpacing(4);
    Top->addWidget(lbxAlias);
    Top->addLayout(Right, 1);
    auto* Bottom = new QHBoxLayout;
    Bottom->setSpacing(4);
    Bottom->addWidget(ToolbarButton971);
    Bottom->addWidget(ToolbarButton976);
    Bottom->addStretch(1);
    Bottom->addWidget(btnOK);
    Bottom->addWidget(btnNo);
    auto* Root = new QVBoxLayout(this);
    Root->setContentsMargins(4, 4, 4, 4);
    Root->setSpacing(4);
    Root->addLayout(Top, 1);
    Root->addLayout(Bottom);
}
