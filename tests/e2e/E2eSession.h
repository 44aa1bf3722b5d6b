#pragma once
// The real main window in a test: TMainForm with a profile file of the
// test's own, every dialog answered through the modal hook, and new
// processes recorded instead of started. Rows of the screen are read back as
// code page 949 bytes.
#include "LoopbackPeer.h"
#include "WaitUntil.h"
#include "app/FromHostManager.h"
#include "app/Main.h"
#include "common/SessionSocket.h"
#include "support/ProgramState.h"
#include "support/TempDir.h"
#include "term/TermWidget.h"
#include "text/Cp949.h"
#include "widgets/Dialogs.h"
#include "widgets/Led.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

constexpr int E2eWaitMs = 20000;

struct TE2eSession {
    TProgramState State; // first in, last out
    TTempDir Dir;
    std::string Ini = Dir / "Brevanix.ini";
    std::unique_ptr<TMainForm> Form;

    std::vector<QString> Messages;                       // every message box, as shown
    std::deque<QMessageBox::StandardButton> Replies;     // pressed in turn; else Escape
    std::function<void(TfrmHostManager&)> OnHostManager; // else closed with No
    std::vector<QStringList> NewProcesses;               // what RunNewInstance asked for

    std::int64_t BytesRead = 0;
    int LargestChunk = 0;
    std::function<void(const std::uint8_t* Bytes, int Len)> OnChunk;

    TE2eSession()
    {
        SetModalHook([this](QDialog& D) { Answer(D); });
    }
    ~TE2eSession()
    {
        Form.reset();
        SetModalHook({});
    }
    TE2eSession(const TE2eSession&) = delete;
    TE2eSession& operator=(const TE2eSession&) = delete;

    // A profile Name for a host on 127.0.0.1 at Port, with more Keys lines
    // ("Key=Value\n" each), started as the window's alias.
    void StartAlias(const std::string& Name, int Port, const std::string& Keys)
    {
        WriteBytes(Ini,
                   "[" + Name + "]\nAddress=127.0.0.1\nPort=" + std::to_string(Port) + "\n" + Keys);
        Start({"-A", QString::fromStdString(Name)});
    }

    // Creates the window with this command line and shows it.
    void Start(const QStringList& Args)
    {
        Form = std::make_unique<TMainForm>(Args, Ini);
        Form->StartProcess = [this](const QStringList& A) {
            NewProcesses.push_back(A);
            return qint64{4242};
        };
        Form->OnBlock = [this](const std::uint8_t* B, int N) {
            BytesRead += N;
            LargestChunk = std::max(LargestChunk, N);
            if (OnChunk) OnChunk(B, N);
        };
        Form->show();
    }
    // "-D 127.0.0.1 Port", and waits for the connection.
    bool Connect(quint16 Port)
    {
        Start({"-D", "127.0.0.1", QString::number(Port)});
        return WaitUntil([this] { return Form->Connected() || Ended(); }, E2eWaitMs) &&
               Form->Connected();
    }
    // Starts the window with Args (by default "-D 127.0.0.1" and the peer's
    // port) and waits until Peer took the connection and the window has it.
    bool ConnectTo(TLoopbackPeer& Peer, QStringList Args = {})
    {
        if (Args.isEmpty()) Args = {"-D", "127.0.0.1", QString::number(Peer.Port())};
        Start(Args);
        return Peer.Accept() && WaitUntil([this] { return Form->Connected(); }, E2eWaitMs);
    }
    // The disconnected set-up has run.
    bool Ended() const { return Form && Form->ledComm->State() == TLed::TState::Red; }

    TTerm& Term() const { return Form->Term1->Term(); }
    // Typed on the terminal's keyboard, key by key. A character beyond ASCII
    // comes as text without a key, as an input method commits it.
    void Type(const QString& Text) const
    {
        for (const QChar C : Text) {
            if (C.unicode() < 0x80)
                QTest::keyClick(Form->Term1, C.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, Form->Term1, Qt::Key_unknown, QString(C),
                                    Qt::NoModifier);
        }
    }
    void PressEnter() const { QTest::keyClick(Form->Term1, Qt::Key_Return); }
    void Send(std::string_view Bytes) const
    {
        if (SessionSocket)
            SessionSocket->Write(reinterpret_cast<const unsigned char*>(Bytes.data()),
                                 Bytes.size());
    }

    // Row R without trailing blanks.
    std::string Row(int R) const
    {
        const TScr& S = Term().Scr;
        std::string Text;
        for (int C = 1; C <= S.Col; ++C) Text += static_cast<char>(S.Lines[R]->Cells[C].Ch);
        Text.erase(Text.find_last_not_of(' ') + 1);
        return Text;
    }
    // Row R as a person reads it, in UTF-8 (the characters of the screen's
    // table as themselves), without trailing blanks.
    std::string Shown(int R) const
    {
        std::string Rich;
        Term().AppendCells(Rich, *Term().Scr.Lines[R], 1, Term().Scr.Col);
        std::string Text = Cp949::ToUtf8Rich(Rich);
        Text.erase(Text.find_last_not_of(' ') + 1);
        return Text;
    }
    // The column, as the host counts them, where Text first starts on row R
    // at or after From, or 0.
    int ColumnOf(int R, std::string_view Text, int From = 1) const
    {
        const TScr& S = Term().Scr;
        for (int C = From; C <= S.Col; ++C) {
            const std::uint8_t Part = S.Lines[R]->Cells[C].DbcsPart;
            if (Part == cpTrail || Part == cpClusterTail) continue;
            std::string Rich;
            Term().AppendCells(Rich, *S.Lines[R], C, S.Col);
            if (Cp949::ToUtf8Rich(Rich).starts_with(Text)) return C;
        }
        return 0;
    }
    // The first row that starts with Prefix, or 0.
    int FindRow(std::string_view Prefix) const
    {
        for (int R = 1; R <= Term().Scr.Row; ++R)
            if (Row(R).starts_with(Prefix)) return R;
        return 0;
    }
    std::string RowStartingWith(std::string_view Prefix) const
    {
        const int R = FindRow(Prefix);
        return R ? Row(R) : std::string();
    }
    bool WaitForRow(std::string_view Prefix, int Ms = E2eWaitMs) const
    {
        return WaitUntil([&] { return FindRow(Prefix) != 0; }, Ms);
    }
    // Some row holds Text anywhere in it.
    bool WaitForText(std::string_view Text, int Ms = E2eWaitMs) const
    {
        return WaitUntil(
            [&] {
                for (int R = 1; R <= Term().Scr.Row; ++R)
                    if (Row(R).find(Text) != std::string::npos) return true;
                return false;
            },
            Ms);
    }
    std::string Screen() const
    {
        std::string S;
        for (int R = 1; R <= Term().Scr.Row; ++R) S += Row(R) + "|\n";
        return S;
    }

private:
    void Answer(QDialog& D)
    {
        if (auto* Manager = qobject_cast<TfrmHostManager*>(&D)) {
            if (OnHostManager)
                OnHostManager(*Manager);
            else
                Manager->btnNo->click();
            return;
        }
        auto* Box = qobject_cast<QMessageBox*>(&D);
        if (!Box) return D.reject();
        Messages.push_back(Box->text());
        QAbstractButton* B = Box->escapeButton();
        if (!Replies.empty()) {
            B = Box->button(Replies.front());
            Replies.pop_front();
        }
        if (B) B->click();
    }
};
