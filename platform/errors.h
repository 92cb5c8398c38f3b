#pragma once

#include <QString>

#include <stdexcept>
#include <utility>

namespace platform {

/// An error raised by a handler: a strict integer conversion that fails, a settings write
/// that the system refuses. It stops the handler and is shown by the standard error box.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString &message);
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

/// The standard error box: the text with "." appended when it ends in a letter or digit,
/// the application title as caption, error icon, OK button.
void showErrorBox(const QString &message);

/// The text the standard error box shows for a message.
QString errorBoxText(const QString &message);

void reportCurrentException() noexcept;
/// The standard error box for `message`, once the current handler has returned; boxes raised
/// meanwhile wait until the one before them is closed, and a message already open or waiting
/// is not queued again.
void showErrorBoxLater(const QString &message) noexcept;
/// Shows the current exception's box once the handler that caught it has returned; boxes
/// raised meanwhile wait until the one before them is closed. A message already open or
/// waiting is not queued again.
void reportCurrentExceptionLater() noexcept;

/// Runs one entry point from Qt (slot, event handler, timer). Whatever it raises is shown in
/// the standard error box and goes no further: no exception may cross Qt's frames.
template<typename Fn> void guarded(Fn &&fn) noexcept
{
    try {
        std::forward<Fn>(fn)();
    } catch (...) {
        reportCurrentException();
    }
}

/// Like guarded(), for a handler that its own timer must keep calling while the operator reads
/// the error box: the box opens after the handler has returned.
template<typename Fn> void guardedBoxAfterReturn(Fn &&fn) noexcept
{
    try {
        std::forward<Fn>(fn)();
    } catch (...) {
        reportCurrentExceptionLater();
    }
}

} // namespace platform
