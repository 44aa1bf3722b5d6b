#pragma once
// The main window for a Qt Test: shown and active, with a profile file of
// its own, dialogs answered by the test, new processes only counted.
#include "app/Main.h"
#include "support/ProgramState.h"
#include "support/TempDir.h"
#include "term/TermWidget.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>

#include <functional>
#include <string>

// A shown, active main window with a profile file of its own; every dialog
// is answered by the test (rejected unless it says otherwise), new processes
// are only counted, and the clipboard starts empty.
struct TWindow {
    TProgramState State;
    TTempDir Dir;
    std::string Ini = Dir / "Brevanix.ini";
    TMainForm Form{{}, Ini};
    QStringList Messages;                  // message boxes, as shown
    std::function<void(QDialog&)> OnOther; // any other dialog; rejected when empty
    int NewProcesses = 0;

    TWindow()
    {
        SetModalHook([this](QDialog& D) {
            if (auto* Box = qobject_cast<QMessageBox*>(&D)) {
                Messages << Box->text();
                Box->reject();
            } else if (OnOther) {
                OnOther(D);
            } else {
                D.reject();
            }
        });
        Form.StartProcess = [this](const QStringList&) { return qint64(++NewProcesses); };
        QGuiApplication::clipboard()->clear();
        Form.pnlImage->hide();
        Form.show();
        Form.activateWindow();
        if (QTest::qWaitForWindowActive(&Form)) Form.Term1->setFocus();
    }
    ~TWindow() { SetModalHook({}); }
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    TTerm& Term() { return Form.Term1->Term(); }
    QAction* Action(const char* Name) { return Form.Action(Name); }
    QPoint CellCentre(int Col, int Row)
    {
        const TScr& S = Term().Scr;
        return {(Col - 1) * S.CharWidth + S.CharWidth / 2, (Row - 1) * S.CharHeight + 2};
    }
    void Feed(const std::string& Bytes)
    {
        Form.ProcessBlock(reinterpret_cast<const std::uint8_t*>(Bytes.data()),
                          static_cast<int>(Bytes.size()), false);
    }
    // A mouse move over the terminal with the modifiers held.
    void MoveMouse(QPoint At, Qt::KeyboardModifiers Held = {})
    {
        QMouseEvent E(QEvent::MouseMove, At, Form.Term1->mapToGlobal(At), Qt::NoButton,
                      Qt::NoButton, Held);
        QCoreApplication::sendEvent(Form.Term1, &E);
    }
};
