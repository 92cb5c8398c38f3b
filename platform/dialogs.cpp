#include "platform/dialogs.h"

#include <QCoreApplication>

#include <cstdio>

namespace platform {
namespace {

// Nobody can answer a box without a window: it becomes a line on the error output.
class PrintedDialogs final : public Dialogs
{
public:
    MsgResult messageBox(const QString &text, const QString &, MsgIcon, MsgButtons buttons) override
    {
        print(text);
        return lastButton(buttons);
    }

    void showMessage(const QString &text) override { print(text); }

private:
    static void print(const QString &text)
    {
        const QString program = QCoreApplication::applicationName();
        const QString line = program.isEmpty() ? text : program + QStringLiteral(": ") + text;
        std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
        std::fflush(stderr);
    }
};

PrintedDialogs printedDialogs;
Dialogs *defaultDialogs = &printedDialogs;
Dialogs *replacement = nullptr;

Dialogs &current()
{
    return replacement ? *replacement : *defaultDialogs;
}

QString title = QStringLiteral("Bodovka");

} // namespace

MsgResult messageBox(const QString &text, const QString &caption, MsgIcon icon, MsgButtons buttons)
{
    return current().messageBox(text, caption, icon, buttons);
}

void showMessage(const QString &text)
{
    current().showMessage(text);
}

void setDialogs(Dialogs *dialogs)
{
    replacement = dialogs;
}

void setDefaultDialogs(Dialogs *dialogs)
{
    defaultDialogs = dialogs ? dialogs : &printedDialogs;
}

MsgResult lastButton(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::YesNo:
        return MsgResult::No;
    case MsgButtons::RetryCancel:
        return MsgResult::Cancel;
    case MsgButtons::Ok:
        break;
    }
    return MsgResult::Ok;
}

QString applicationTitle()
{
    return title;
}

void setApplicationTitle(const QString &newTitle)
{
    title = newTitle;
}

} // namespace platform
