#include "controls/button.h"

#include <QShortcutEvent>

TButton::TButton(QWidget *parent)
    : QPushButton(parent)
{
}

TButton::TButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
}

bool TButton::event(QEvent *event)
{
    // An ambiguous accelerator moves the focus between its buttons, as Qt does.
    if (event->type() == QEvent::Shortcut && !static_cast<QShortcutEvent *>(event)->isAmbiguous()) {
        click();
        return true;
    }
    return QPushButton::event(event);
}
