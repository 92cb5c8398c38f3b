#include "console/field_rules.h"

#include "controls/int_text.h"
#include "controls/spin.h"
#include "platform/dialogs.h"

namespace console {

void wrapText(TSpinEdit *field, const QString &low, const QString &lowReplacement,
              const QString &high, const QString &highReplacement)
{
    if (field->text() == low) {
        field->setText(lowReplacement);
    }
    if (field->text() == high) {
        field->setText(highReplacement);
    }
}

void checkNumberOnExit(TSpinEdit *field, const QString &defaultText)
{
    if (controls::tryStrToInt(field->text())) {
        return;
    }
    platform::messageBox(
        QStringLiteral("Nepodporovaná hodnota. Hodnota nastavena na \"%1\"").arg(defaultText),
        QStringLiteral("Špatná hodnota"), platform::MsgIcon::Warning);
    field->setText(defaultText);
}

} // namespace console
