#pragma once

#include "platform/beep.h"
#include "platform/dialogs.h"
#include "platform/ticks.h"

#include <QList>
#include <QString>

#include <functional>

namespace testing {

/// A clock that moves only when told to (or when something sleeps on it). Installs itself
/// for its lifetime.
class FakeTicks final : public platform::TickSource
{
public:
    explicit FakeTicks(quint32 start = 1000);
    ~FakeTicks() override;
    quint32 tickCount() override;
    void sleep(quint32 ms) override;
    void advance(quint32 ms) { m_now += ms; }
    void set(quint32 now) { m_now = now; }
    /// Added to the clock on every reading, so that loops waiting for a deadline finish.
    void setAutoAdvance(quint32 ms) { m_autoAdvance = ms; }
    quint32 now() const { return m_now; }
    quint32 sleptMs() const { return m_slept; }

private:
    quint32 m_now;
    quint32 m_autoAdvance = 0;
    quint32 m_slept = 0;
};

/// Counts beeps. Installs itself for its lifetime.
class BeepCounter final : public platform::Beeper
{
public:
    BeepCounter();
    ~BeepCounter() override;
    void beep() override { ++count; }
    int count = 0;
};

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
