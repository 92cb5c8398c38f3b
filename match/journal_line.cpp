#include "match/journal_line.h"

namespace match {
namespace {

QString csvField(const QString &text)
{
    const bool quote = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"'))
                       || text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!quote) {
        return text;
    }
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QByteArray csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields) {
        quoted.append(csvField(field));
    }
    return quoted.join(QLatin1Char(';')).toUtf8() + "\r\n";
}

/// ISO 8601 with milliseconds and the offset from UTC, which Qt leaves out for local time.
QString isoTime(const QDateTime &wall)
{
    const int offset = wall.offsetFromUtc() / 60;
    return wall.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))
           + QStringLiteral("%1%2:%3")
                 .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                 .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                 .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QStringList journalColumns()
{
    return { QStringLiteral("čas"),      QStringLiteral("poločas"), QStringLiteral("hra"),
             QStringLiteral("uplynulo"), QStringLiteral("událost"), QStringLiteral("tým"),
             QStringLiteral("hodnota"),  QStringLiteral("skóre") };
}

QByteArray journalHeader()
{
    return QByteArray("\xEF\xBB\xBF") + csvLine(journalColumns());
}

QByteArray journalLine(const Event &event)
{
    return csvLine(
        { isoTime(event.wall), QString::number(event.period), event.shown,
          formatElapsed(event.elapsedMs), event.kind, event.team, event.value,
          QString::number(event.home) + QLatin1Char(':') + QString::number(event.guest) });
}

} // namespace match
