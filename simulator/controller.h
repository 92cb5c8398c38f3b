#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace simulator {

/// The scoreboard controller at the other end of the serial line: the scoreboard's state and
/// its answers to the console's commands. It consumes received bytes one at a time, so a
/// command may arrive split over several reads; a byte that is no command is ignored, and a
/// command's payload is taken as payload whatever its value.
///
/// Its clock counts down against platform::tickCount(), stops at zero and then sounds the
/// siren for the siren length in seconds. A start while the clock stands at zero begins a
/// new period from the time last set, as the console does. Received digits above 9 are
/// taken as 9 and tens of seconds above 5 as 5, since the hall display has one digit per
/// place: the controller never holds a time above 99:59.99 or a score above 99.
class ScoreboardController
{
public:
    ScoreboardController();

    /// Consumes received bytes in order and returns what the controller answers.
    QByteArray receive(QByteArrayView bytes);

    /// Brings the clock and the siren up to the current tick count.
    void update();

    /// Lines describing what happened since the last call, one per command received plus
    /// "time up", "siren on" and "siren off", e.g. "probe", "time 07:00.00".
    QStringList takeEvents();

    int minutes() const { return remainingHundredths() / 6000; }
    int seconds() const { return remainingHundredths() / 100 % 60; }
    int hundredths() const { return remainingHundredths() % 100; }
    /// "MM:SS.hh" of the time remaining.
    QString timeText() const;
    bool running() const { return m_running; }
    int home() const { return m_home; }
    int guest() const { return m_guest; }
    int period() const { return m_period; }
    int sirenLength() const { return m_sirenLength; }
    bool sirenSounding() const { return m_sirenSounding; }
    /// True while the clock runs or the siren sounds: update() has work to do.
    bool busy() const { return m_running || m_sirenSounding; }

private:
    int remainingHundredths() const { return static_cast<int>(m_remainingMs / 10); }
    QByteArray execute(std::uint8_t command, QByteArrayView payload);
    void startStop();
    void setTime(QByteArrayView digits);
    void setScore(QByteArrayView digits);
    QByteArray readBack() const;

    std::uint8_t m_command = 0; ///< command whose payload is being collected, 0 for none
    QByteArray m_payload;

    qint64 m_presetMs = 7 * 60000; ///< the time last set; a new period starts from it
    qint64 m_remainingMs = 7 * 60000;
    bool m_running = false;
    quint32 m_startTick = 0;
    qint64 m_remainingAtStart = 0;

    int m_home = 0;
    int m_guest = 0;
    int m_period = 1;
    int m_sirenLength = 5;
    bool m_sirenSounding = false;
    quint32 m_sirenStartTick = 0;
    int m_sirenSoundingFor = 0; ///< seconds, fixed when the siren starts

    QStringList m_events;
};

} // namespace simulator
