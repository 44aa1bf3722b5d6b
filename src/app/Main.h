#pragma once
// TMainForm: the main window. For now it hosts the terminal control and feeds
// it host bytes through the output interpreter.
#include "emulation/Output_VT100.h"

#include <QMainWindow>

#include <string>

class TermWidget;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* Parent = nullptr);

    TermWidget* Term1 = nullptr;
    TO_VT100 Output;

    // Host bytes as the Telnet engine will hand them over: interpret, then
    // bring the control's picture and caret up to date.
    void FeedHostBytes(const std::string& Bytes);
};
