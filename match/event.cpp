#include "match/event.h"

namespace match {
namespace {

QString twoDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QString formatElapsed(qint32 ms)
{
    const qint64 total = ms < 0 ? 0 : ms;
    return twoDigits(total / 60000) + QLatin1Char(':') + twoDigits(total / 1000 % 60)
           + QLatin1Char('.') + twoDigits(total / 10 % 100);
}

QString formatPreset(int minutes, int seconds, int hundredths)
{
    return formatShown(minutes, seconds) + QLatin1Char('.') + twoDigits(hundredths);
}

QString formatShown(int minutes, int seconds)
{
    return twoDigits(minutes) + QLatin1Char(':') + twoDigits(seconds);
}

} // namespace match
