#pragma once

#include <QtGlobal>

namespace console {

/// What the game clock shows for a moment of the count-down.
struct ClockReading
{
    qint32 remaining;  ///< ms left, negative once the period is over
    quint8 minutes;    ///< within the hour
    quint8 seconds;    ///< whole seconds, rounded down
    qint32 hundredths; ///< rounded to the nearest hundredth; may reach 100
};

/// The count-down after `elapsed` ms of a period of `total` ms. Divisions truncate toward
/// zero; the result is the same however often or late it is asked for.
constexpr ClockReading readClock(qint32 total, qint32 elapsed)
{
    const auto remaining
        = static_cast<qint32>(static_cast<quint32>(total) - static_cast<quint32>(elapsed));
    return { remaining, static_cast<quint8>((remaining % 3600000) / 60000),
             static_cast<quint8>((remaining % 60000) / 1000), ((remaining % 1000) + 5) / 10 };
}

} // namespace console
