#include "controls/push_button.h"

#include <QShortcutEvent>

namespace controls {

PushButton::PushButton(QWidget *parent)
    : QPushButton(parent)
{
}

PushButton::PushButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
}

bool PushButton::event(QEvent *event)
{
    // An ambiguous accelerator moves the focus between its buttons, as Qt does.
    if (event->type() == QEvent::Shortcut && !static_cast<QShortcutEvent *>(event)->isAmbiguous()) {
        click();
        return true;
    }
    return QPushButton::event(event);
}

} // namespace controls
