#pragma once

#include <QString>

namespace platform {

enum class MsgIcon { None, Information, Warning, Question, Error };
enum class MsgButtons { Ok, YesNo, RetryCancel };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

/// Modal boxes shown to the operator. A program with windows makes message boxes the default
/// (platform/message_boxes.h); without them a box is printed on the error output as
/// "<program>: <text>" and answered with its last button. Tests install a recorder with
/// scripted answers over either.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    /// A standard message box; returns the button that closed it.
    virtual MsgResult messageBox(const QString &text, const QString &caption, MsgIcon icon,
                                 MsgButtons buttons)
        = 0;
    /// The program's own message dialog: application title as caption, no icon, one "OK"
    /// button, centred on the screen, modal.
    virtual void showMessage(const QString &text) = 0;
};

MsgResult messageBox(const QString &text, const QString &caption, MsgIcon icon,
                     MsgButtons buttons = MsgButtons::Ok);
void showMessage(const QString &text);

/// Installs a replacement; nullptr restores the default. The caller keeps ownership.
void setDialogs(Dialogs *dialogs);
/// The boxes shown while no replacement is installed; nullptr: the printed ones.
void setDefaultDialogs(Dialogs *dialogs);

/// The answer of a box that nobody answers: its last button, Ok, No or Cancel.
MsgResult lastButton(MsgButtons buttons);

/// The application title: caption of the program's own dialog and of the error box.
QString applicationTitle();
void setApplicationTitle(const QString &title);

} // namespace platform
