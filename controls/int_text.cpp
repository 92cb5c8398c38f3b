#include "controls/int_text.h"

#include "platform/errors.h"

namespace {

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

} // namespace

namespace controls {

std::optional<qint32> tryStrToInt(QStringView text)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size && text[i] == u' ') {
        ++i;
    }
    if (i == size) {
        return std::nullopt;
    }

    const char16_t first = text[i].unicode();
    bool hex = false;
    if (first == u'$' || first == u'x' || first == u'X') {
        hex = true;
        i += 1;
    } else if (first == u'0' && i + 1 < size && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }

    if (hex) {
        if (i == size) {
            return std::nullopt;
        }
        quint64 value = 0;
        for (; i < size; ++i) {
            const int digit = hexDigit(text[i].unicode());
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + quint64(digit);
            if (value > 0xFFFFFFFFu) {
                return std::nullopt;
            }
        }
        return static_cast<qint32>(static_cast<quint32>(value));
    }

    bool negative = false;
    if (first == u'+' || first == u'-') {
        negative = first == u'-';
        ++i;
    }
    if (i == size) {
        return std::nullopt;
    }
    // Accumulate the magnitude in 64 bits and stop as soon as it cannot fit any more.
    constexpr qint64 limit = qint64(1) << 31;
    qint64 magnitude = 0;
    for (; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value >= limit) {
        return std::nullopt;
    }
    return static_cast<qint32>(value);
}

qint32 strToInt(const QString &text)
{
    if (const std::optional<qint32> value = tryStrToInt(text)) {
        return *value;
    }
    // Concatenated, so that a "%" in the text is shown as typed.
    throw platform::Error(QLatin1Char('\'') + text
                          + QStringLiteral("' is not a valid integer value"));
}

QString intToStr(qint32 value)
{
    return QString::number(value);
}

} // namespace controls
