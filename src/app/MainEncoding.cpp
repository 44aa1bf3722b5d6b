// The host's encoding switched by hand during a session: a host whose locale
// is not what the profile says (a UTF-8 server reached through an old alias,
// a CP949 program started on a UTF-8 one) is read right from the next byte,
// without reconnecting. The two entries of the options menu say which is on.
#include "app/Main.h"
#include "aux/SessionLog.h"
#include "common/Switches.h"
#include "term/TermWidget.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include <utility>

void TMainForm::ConnectEncoding()
{
    auto* Group = new QActionGroup(this);
    Group->setExclusive(true);
    for (const auto& [Name, Encoding] : {std::pair{"actEncodingCp949", THostEncoding::Cp949},
                                         std::pair{"actEncodingUtf8", THostEncoding::Utf8}}) {
        QAction* A = Action(Name);
        Group->addAction(A);
        connect(A, &QAction::triggered, this, [this, E = Encoding] { SetHostEncoding(E); });
    }
    // Connecting applies a profile without asking the menu.
    connect(mnuOption, &QMenu::aboutToShow, this, &TMainForm::ShowHostEncoding);
    ShowHostEncoding();
}

void TMainForm::SetHostEncoding(THostEncoding Encoding)
{
    if (Switches.HostEncoding != Encoding) {
        // What one encoding holds half-way means nothing in the other: a cut
        // UTF-8 sequence, a lead byte on the screen waiting for its trail, a
        // lead byte of a paste on its way out.
        Telnet.HostText.Clear();
        Term1->Term().Scr.LastPart = 0;
        Input.HostText.EndText(nullptr);
        Switches.HostEncoding = Encoding;
    }
    const bool Utf8 = Encoding == THostEncoding::Utf8;
    AliasInfo.HostEncoding = Utf8 ? "UTF-8" : "CP949";
    // A log that turns a code page 949 host's text into UTF-8 must leave a
    // UTF-8 host's alone, and the other way round.
    if (FSessionLog)
        FSessionLog->Cp949ToUtf8 =
            !Utf8 && LogEncodingOf(AliasInfo.LogEncoding) == TLogEncoding::Utf8;
    ShowHostEncoding();
}

void TMainForm::ShowHostEncoding()
{
    const bool Utf8 = HostEncodingOf(AliasInfo.HostEncoding) == THostEncoding::Utf8;
    Action(Utf8 ? "actEncodingUtf8" : "actEncodingCp949")->setChecked(true);
}
