#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace testing {

/// Records every box and answers from a script. Installs itself for its lifetime.
class RecordingDialogs final : public platform::Dialogs
{
public:
    struct Shown
    {
        QString text;
        QString caption;
        platform::MsgIcon icon = platform::MsgIcon::None;
        platform::MsgButtons buttons = platform::MsgButtons::Ok;
        bool ownDialog = false; ///< the program's own dialog rather than a standard box
    };

    RecordingDialogs();
    ~RecordingDialogs() override;

    platform::MsgResult messageBox(const QString &text, const QString &caption,
                                   platform::MsgIcon icon, platform::MsgButtons buttons) override;
    void showMessage(const QString &text) override;

    /// Answers given in turn; when empty, Ok, No or Cancel (the last button) is given.
    QList<platform::MsgResult> answers;
    /// Runs while a box is "open", after it has been recorded: lets a test act meanwhile.
    std::function<void(const Shown &)> whileOpen;
    QList<Shown> shown;

    QStringList texts() const;
};

} // namespace testing
