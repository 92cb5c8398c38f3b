#include "platform/errors.h"

#include "platform/dialogs.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

namespace platform {

Error::Error(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back().isLetterOrNumber()) {
        return message + QLatin1Char('.');
    }
    return message;
}

void showErrorBox(const QString &message)
{
    messageBox(errorBoxText(message), applicationTitle(), MsgIcon::Error, MsgButtons::Ok);
}

namespace {

QString currentExceptionMessage()
{
    try {
        throw;
    } catch (const Error &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

QStringList pendingErrors;
bool showingPendingErrors = false;
QString shownError; // the message of the box open now

void showPendingErrors() noexcept
{
    // Called again from inside an open box: that box's caller shows the rest in turn.
    if (showingPendingErrors) {
        return;
    }
    showingPendingErrors = true;
    while (!pendingErrors.isEmpty()) {
        try {
            shownError = pendingErrors.takeFirst();
            showErrorBox(shownError);
        } catch (...) {
        }
    }
    shownError.clear();
    showingPendingErrors = false;
}

} // namespace

void reportCurrentException() noexcept
{
    // Showing the box runs a nested event loop; anything thrown from there stops here too.
    try {
        showErrorBox(currentExceptionMessage());
    } catch (...) {
    }
}

void showErrorBoxLater(const QString &message) noexcept
{
    try {
        // A stream of failures raises the same error again and again: one box per distinct
        // message is enough while one is open.
        if ((showingPendingErrors && message == shownError) || pendingErrors.contains(message)) {
            return;
        }
        pendingErrors.append(message);
        if (QCoreApplication *app = QCoreApplication::instance()) {
            QTimer::singleShot(0, app, showPendingErrors);
        } else {
            showPendingErrors();
        }
    } catch (...) {
    }
}

void reportCurrentExceptionLater() noexcept
{
    try {
        showErrorBoxLater(currentExceptionMessage());
    } catch (...) {
    }
}

} // namespace platform
