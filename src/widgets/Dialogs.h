#pragma once
// The message box, the one-line prompt and the placing rule that every window
// of the program uses to talk to the user. Every modal dialog of the program
// runs through RunModal, so a test answers a dialog through the modal hook
// instead of a person (no timers racing the dialog).
#include <QString>

#include <functional>

class QDialog;
class QWidget;

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4 };
using TMsgDlgButtons = unsigned; // mbOK, or mbYes | mbNo

enum class TModalResult { mrNone, mrOk, mrCancel, mrYes, mrNo };

// A modal message box for Text (plain Unicode text, never markup: it may
// hold a profile's or a host's words; "\r" breaks a line), centred over
// Reference (which may be null), stay-on-top when Reference is; plays the
// information sound. Returns the button pressed: mrOk, mrYes or mrNo; closing
// it otherwise gives mrNo for {Yes, No} and mrOk for {OK}.
TModalResult ShowDialog(const QString& Text, TMsgDlgType Kind, TMsgDlgButtons Buttons,
                        QWidget* Reference);

// A modal one-line prompt; Prompt is plain text. True when confirmed with
// OK; Value then holds the text typed (at most 255 characters). Value is
// unchanged otherwise.
bool PromptText(const QString& Caption, const QString& Prompt, QString& Value, QWidget* Reference);
// The same dialog with what is typed masked: a password or a passphrase. The
// caller clears Value with Forget once it is used.
bool PromptSecret(const QString& Caption, const QString& Prompt, QString& Value,
                  QWidget* Reference);
// A file for the session log, chosen in a save-style dialog (no overwrite
// question: the log appends or takes a name beside). Template is where it
// starts and, when confirmed, the choice, "~/..." for a file under home.
bool PromptLogFile(QString& Template, QWidget* Reference);
// Overwrites a secret's characters before it is let go.
void Forget(QString& Secret);

// Places Target over Reference: a top-level Target is centred on Reference's
// frame and kept on Reference's screen; a child control is centred in its
// parent's client area without clamping.
void CenterOverWindow(QWidget* Reference, QWidget* Target);

// Shows Dialog modally and returns its result code (QDialog::exec's value).
// With a modal hook installed, the hook is called instead with the dialog
// already placed and shown; it answers by acting on the dialog's widgets
// (which must end with the dialog closed) and RunModal returns the result.
int RunModal(QDialog& Dialog);

using TModalHook = std::function<void(QDialog& Dialog)>;
// An empty function removes the hook. Tests only.
void SetModalHook(TModalHook Hook);
