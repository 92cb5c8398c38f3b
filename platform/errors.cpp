#include "platform/errors.h"

#include "platform/dialogs.h"

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

void reportCurrentException() noexcept
{
    // Showing the box runs a nested event loop; anything thrown from there stops here too.
    try {
        try {
            throw;
        } catch (const Error &e) {
            showErrorBox(e.message());
        } catch (const std::exception &e) {
            showErrorBox(QString::fromUtf8(e.what()));
        } catch (...) {
            showErrorBox(QStringLiteral("Unknown error"));
        }
    } catch (...) {
    }
}

} // namespace platform
