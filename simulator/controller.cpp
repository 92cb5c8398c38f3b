#include "simulator/controller.h"

#include "link/protocol.h"
#include "platform/ticks.h"

#include <algorithm>
#include <utility>

namespace simulator {

namespace {

int payloadLength(std::uint8_t command)
{
    switch (command) {
    case devicelink::protocol::SetTime:
        return 6;
    case devicelink::protocol::SetScore:
        return 4;
    case devicelink::protocol::SetPeriod:
    case devicelink::protocol::SetSiren:
        return 1;
    default:
        return 0;
    }
}

bool isCommand(std::uint8_t byte)
{
    switch (byte) {
    case devicelink::protocol::Probe:
    case devicelink::protocol::StartStop:
    case devicelink::protocol::ReadBack:
    case devicelink::protocol::SetTime:
    case devicelink::protocol::SetScore:
    case devicelink::protocol::SetPeriod:
    case devicelink::protocol::SetSiren:
        return true;
    default:
        return false;
    }
}

/// A received digit, limited to what one place of the display can show.
int digit(QByteArrayView payload, int index, int highest, bool &clamped)
{
    const int value = static_cast<std::uint8_t>(payload[index]);
    clamped = clamped || value > highest;
    return std::min(value, highest);
}

char units(int value)
{
    return static_cast<char>(value % 10);
}

char tens(int value)
{
    return static_cast<char>(value / 10 % 10);
}

} // namespace

ScoreboardController::ScoreboardController() = default;

QByteArray ScoreboardController::receive(QByteArrayView bytes)
{
    update();
    QByteArray answer;
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (m_command != 0) {
            m_payload.append(c);
            if (m_payload.size() == payloadLength(m_command)) {
                const std::uint8_t command = m_command;
                m_command = 0;
                answer += execute(command, m_payload);
                m_payload.clear();
            }
        } else if (!isCommand(byte)) {
            m_events.append(QStringLiteral("ignored 0x%1").arg(byte, 2, 16, QLatin1Char('0')));
        } else if (payloadLength(byte) == 0) {
            answer += execute(byte, {});
        } else {
            m_command = byte;
        }
    }
    return answer;
}

QByteArray ScoreboardController::execute(std::uint8_t command, QByteArrayView payload)
{
    switch (command) {
    case devicelink::protocol::Probe:
        m_events.append(QStringLiteral("probe"));
        return QByteArray(1, static_cast<char>(devicelink::protocol::ReplyTime));
    case devicelink::protocol::StartStop:
        startStop();
        break;
    case devicelink::protocol::ReadBack:
        m_events.append(QStringLiteral("readback"));
        return readBack();
    case devicelink::protocol::SetTime:
        setTime(payload);
        break;
    case devicelink::protocol::SetScore:
        setScore(payload);
        break;
    case devicelink::protocol::SetPeriod:
        m_period = static_cast<std::uint8_t>(payload[0]);
        m_events.append(QStringLiteral("period %1").arg(m_period));
        break;
    case devicelink::protocol::SetSiren:
        m_sirenLength = static_cast<std::uint8_t>(payload[0]);
        m_events.append(QStringLiteral("siren %1").arg(m_sirenLength));
        break;
    }
    return {};
}

void ScoreboardController::startStop()
{
    if (m_running) {
        m_running = false;
        m_events.append(QStringLiteral("stop"));
        return;
    }
    m_events.append(QStringLiteral("start"));
    if (m_remainingMs == 0) {
        m_remainingMs = m_presetMs;
    }
    if (m_remainingMs > 0) {
        m_running = true;
        m_startTick = platform::tickCount();
        m_remainingAtStart = m_remainingMs;
    }
}

void ScoreboardController::setTime(QByteArrayView d)
{
    bool clamped = false;
    const int hundredths = digit(d, 0, 9, clamped) + 10 * digit(d, 1, 9, clamped);
    const int seconds = digit(d, 2, 9, clamped) + 10 * digit(d, 3, 5, clamped);
    const int minutes = digit(d, 4, 9, clamped) + 10 * digit(d, 5, 9, clamped);
    m_presetMs = minutes * 60000 + seconds * 1000 + hundredths * 10;
    m_remainingMs = m_presetMs;
    if (m_running) {
        // A running clock goes on counting from the new time.
        m_startTick = platform::tickCount();
        m_remainingAtStart = m_remainingMs;
    }
    m_events.append(QStringLiteral("time ") + timeText()
                    + (clamped ? QStringLiteral(" (clamped)") : QString()));
}

void ScoreboardController::setScore(QByteArrayView d)
{
    bool clamped = false;
    m_guest = digit(d, 0, 9, clamped) + 10 * digit(d, 1, 9, clamped);
    m_home = digit(d, 2, 9, clamped) + 10 * digit(d, 3, 9, clamped);
    m_events.append(QStringLiteral("score home=%1 guest=%2").arg(m_home).arg(m_guest)
                    + (clamped ? QStringLiteral(" (clamped)") : QString()));
}

QByteArray ScoreboardController::readBack() const
{
    // The settings block, then the time block without its header.
    QByteArray reply;
    reply.append(static_cast<char>(devicelink::protocol::ReplySettings));
    reply.append(static_cast<char>(m_sirenLength));
    reply.append(static_cast<char>(m_period));
    reply.append(units(m_guest)).append(tens(m_guest));
    reply.append(units(m_home)).append(tens(m_home));
    reply.append(units(hundredths())).append(tens(hundredths()));
    reply.append(units(seconds())).append(tens(seconds()));
    reply.append(units(minutes())).append(tens(minutes()));
    return reply;
}

void ScoreboardController::update()
{
    const quint32 now = platform::tickCount();
    if (m_running) {
        const qint64 elapsed = static_cast<quint32>(now - m_startTick);
        m_remainingMs = std::max<qint64>(0, m_remainingAtStart - elapsed);
        if (m_remainingMs == 0) {
            m_running = false;
            m_events.append(QStringLiteral("time up"));
            if (m_sirenLength > 0) {
                // The siren is timed from the moment the clock reached zero, not from now.
                m_sirenSounding = true;
                m_sirenSoundingFor = m_sirenLength;
                m_sirenStartTick = m_startTick + static_cast<quint32>(m_remainingAtStart);
                m_events.append(QStringLiteral("siren on"));
            }
        }
    }
    if (m_sirenSounding
        && static_cast<quint32>(now - m_sirenStartTick) >= quint32(m_sirenSoundingFor) * 1000) {
        m_sirenSounding = false;
        m_events.append(QStringLiteral("siren off"));
    }
}

QStringList ScoreboardController::takeEvents()
{
    return std::exchange(m_events, {});
}

QString ScoreboardController::timeText() const
{
    return QStringLiteral("%1:%2.%3")
        .arg(minutes(), 2, 10, QLatin1Char('0'))
        .arg(seconds(), 2, 10, QLatin1Char('0'))
        .arg(hundredths(), 2, 10, QLatin1Char('0'));
}

} // namespace simulator
