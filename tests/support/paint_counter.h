#pragma once

#include <QEvent>
#include <QObject>

namespace testing {

// Counts the paint events a widget receives.
class PaintCounter final : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

} // namespace testing
