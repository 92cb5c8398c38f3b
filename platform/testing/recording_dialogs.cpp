#include "platform/testing/recording_dialogs.h"

using namespace platform;

namespace testing {

RecordingDialogs::RecordingDialogs()
{
    setDialogs(this);
}

RecordingDialogs::~RecordingDialogs()
{
    setDialogs(nullptr);
}

MsgResult RecordingDialogs::messageBox(const QString &text, const QString &caption, MsgIcon icon,
                                       MsgButtons buttons)
{
    shown.append({ text, caption, icon, buttons, false });
    if (whileOpen) {
        whileOpen(shown.constLast());
    }
    return answers.isEmpty() ? lastButton(buttons) : answers.takeFirst();
}

void RecordingDialogs::showMessage(const QString &text)
{
    shown.append({ text, applicationTitle(), MsgIcon::None, MsgButtons::Ok, true });
    if (whileOpen) {
        whileOpen(shown.constLast());
    }
}

QStringList RecordingDialogs::texts() const
{
    QStringList result;
    for (const Shown &s : shown) {
        result.append(s.text);
    }
    return result;
}

} // namespace testing
