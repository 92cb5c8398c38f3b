#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

// Integer text syntax shared by the spin field, the windows' exit checks, the send buttons and
// the settings file: leading spaces (code 32 only), then either an optional "+"/"-" and ASCII
// decimal digits within the signed 32-bit range, or "$", "x", "X", "0x", "0X" and one to eight
// significant hexadecimal digits read as a 32-bit two's complement pattern ("$FFFFFFFF" is -1).
// Nothing may follow.

namespace controls {

/// The value of a text, or nothing when the text is not a valid integer.
std::optional<qint32> tryStrToInt(QStringView text);

/// The strict conversion: throws platform::Error "'<text>' is not a valid integer value".
qint32 strToInt(const QString &text);

/// Decimal form: optional "-", digits, no leading zeros, no "+".
QString intToStr(qint32 value);

} // namespace controls
