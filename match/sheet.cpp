#include "match/sheet.h"

#include "match/events.h"

#include <QLocale>

#include <map>

namespace match {
namespace {

const char *const style = R"(
@page { size: A4 portrait; margin: 15mm }
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 11pt; color: #000; }
h1 { font-size: 18pt; margin: 0 0 4mm; }
h2 { font-size: 13pt; margin: 6mm 0 2mm; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 1px solid #444; padding: 1mm 2mm; text-align: left; }
th { background: #eee; }
.note { font-size: 9pt; color: #444; margin-top: 8mm; }
.final { font-size: 16pt; font-weight: bold; }
)";

QString cell(const QString &text)
{
    return QStringLiteral("<td>") + text.toHtmlEscaped() + QStringLiteral("</td>");
}

QString score(const Event &event)
{
    return QString::number(event.home) + QLatin1Char(':') + QString::number(event.guest);
}

} // namespace

QByteArray sheetHtml(const std::vector<Event> &events, const QString &homeName,
                     const QString &guestName)
{
    const QString home = homeName.isEmpty() ? QStringLiteral("Domácí") : homeName;
    const QString guest = guestName.isEmpty() ? QStringLiteral("Hosté") : guestName;
    const QString date
        = events.empty() ? QString()
                         : QLocale(QLocale::Czech)
                               .toString(events.front().wall.date(), QStringLiteral("d. M. yyyy"));

    QString goals;
    QString penalties;
    std::map<int, QString> periods; // the score after each period
    for (const Event &event : events) {
        const QString time = formatElapsed(event.elapsedMs).left(5);
        if (event.kind == events::goal) {
            goals += QStringLiteral("<tr>") + cell(QString::number(event.period)) + cell(time)
                     + cell(event.team == u"H" ? guest : home) + cell(score(event))
                     + QStringLiteral("</tr>\n");
        } else if (event.kind == events::scoreCorrection) {
            goals += QStringLiteral("<tr class=\"correction\">")
                     + cell(QString::number(event.period)) + cell(time)
                     + cell(QStringLiteral("oprava skóre ") + event.value) + cell(score(event))
                     + QStringLiteral("</tr>\n");
        } else if (event.kind == events::penalty) {
            // "12 2+2 @754320": the number and the length; the time is the line's own.
            const QStringList parts = event.value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            penalties += QStringLiteral("<tr>") + cell(QString::number(event.period)) + cell(time)
                         + cell(event.team == u"H" ? guest : home) + cell(parts.value(0))
                         + cell(parts.value(1) + QStringLiteral("′")) + QStringLiteral("</tr>\n");
        } else if (event.kind == events::periodEnd) {
            // The value is the new period; the one that ended is the one before it.
            bool ok = false;
            const int next = event.value.toInt(&ok);
            periods[ok && next > 1 ? next - 1 : event.period] = score(event);
        }
    }
    if (!events.empty() && !periods.count(events.back().period)) {
        periods[events.back().period] = score(events.back());
    }
    QString periodRows;
    for (const auto &[period, text] : periods) {
        periodRows += QStringLiteral("<tr>") + cell(QString::number(period)) + cell(text)
                      + QStringLiteral("</tr>\n");
    }
    const QString final = events.empty() ? QStringLiteral("0:0") : score(events.back());

    QString page = QStringLiteral("<!DOCTYPE html>\n<html lang=\"cs\">\n<head>\n<meta "
                                  "charset=\"utf-8\">\n<title>Zápis utkání</title>\n<style>")
                   + QString::fromUtf8(style)
                   + QStringLiteral("</style>\n</head>\n<body>\n<h1>Zápis utkání</h1>\n");
    page += QStringLiteral("<p>") + date.toHtmlEscaped() + QStringLiteral("</p>\n<p><b>")
            + home.toHtmlEscaped() + QStringLiteral("</b> – <b>") + guest.toHtmlEscaped()
            + QStringLiteral("</b></p>\n");
    page += QStringLiteral("<h2>Góly</h2>\n<table>\n<tr><th>Poločas</th><th>Čas hry</th>"
                           "<th>Tým</th><th>Skóre po gólu</th></tr>\n")
            + goals + QStringLiteral("</table>\n");
    if (!penalties.isEmpty()) {
        page += QStringLiteral("<h2>Tresty</h2>\n<table>\n<tr><th>Poločas</th><th>Čas hry</th>"
                               "<th>Tým</th><th>Číslo</th><th>Trest</th></tr>\n")
                + penalties + QStringLiteral("</table>\n");
    }
    page += QStringLiteral("<h2>Skóre po poločasech</h2>\n<table>\n<tr><th>Poločas</th>"
                           "<th>Skóre</th></tr>\n")
            + periodRows + QStringLiteral("</table>\n");
    page += QStringLiteral("<h2>Konečné skóre</h2>\n<p class=\"final\">") + home.toHtmlEscaped()
            + QLatin1Char(' ') + final + QLatin1Char(' ') + guest.toHtmlEscaped()
            + QStringLiteral("</p>\n<p class=\"note\">Vlastní záznam stolku, podklad pro oficiální "
                             "zápis.</p>\n</body>\n</html>\n");
    return page.toUtf8();
}

} // namespace match
