#pragma once

#include <QString>

class TSpinEdit;

namespace console {

/// The windows' wrap rule for a number field: the whole text is compared with the low trigger
/// and then with the high one, and replaced when equal. The replacement is itself a change
/// and comes back here, where it matches nothing.
void wrapText(TSpinEdit *field, const QString &low, const QString &lowReplacement,
              const QString &high, const QString &highReplacement);

/// The check on leaving a number field: a text that is not an integer is reported and reset to
/// the field's default.
void checkNumberOnExit(TSpinEdit *field, const QString &defaultText);

} // namespace console
