#include "match/penalty_entry.h"

#include <QRegularExpression>

namespace match {

std::variant<PenaltyEntry, QString> parsePenaltyEntry(const QString &line, const SportRules &rules)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*([DdHh])\\s*([0-9]+)(?:\\s+([0-9+ ]*[0-9]))?\\s*$"));
    const QRegularExpressionMatch m = form.match(line);
    if (!m.hasMatch()) {
        return QStringLiteral("Zadejte D nebo H, číslo hráče a případně délku trestu, "
                              "např. D12 nebo H7 5.");
    }
    const QString digits = m.captured(2);
    PenaltyEntry entry;
    entry.side = m.captured(1).toUpper() == u"D" ? Side::Home : Side::Guest;
    entry.number = digits.size() > 2 ? 100 : digits.toInt();
    entry.length = m.captured(3).remove(QLatin1Char(' '));
    if (entry.length.isEmpty()) {
        entry.length = rules.lengths.value(0);
    }
    if (const auto reason = refusePenaltyFields(entry.number, entry.length, rules)) {
        return *reason;
    }
    return entry;
}

std::optional<QString> refusePenaltyFields(int number, const QString &length,
                                           const SportRules &rules)
{
    if (number < 0 || number > 99) {
        return QStringLiteral("Číslo hráče je 0 až 99.");
    }
    if (!rules.lengths.contains(length)) {
        return QStringLiteral("%1 zná tresty %2.")
            .arg(rules.title, rules.lengths.join(QStringLiteral(", ")));
    }
    return std::nullopt;
}

} // namespace match
