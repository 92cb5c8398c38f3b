#pragma once

#include "controls/tcolor.h"
#include "paint_counter.h"

#include <QEvent>
#include <QImage>
#include <QTest>
#include <QWidget>

namespace testing {

// Colours of the parent surface and of its palette's button roles in the control tests.
inline const QColor parentColor(0, 0, 128);
inline const QColor faceColor(10, 20, 30);
inline const QColor shadowColor(40, 50, 60);
inline const QColor lightColor(70, 80, 90);

// One control at (5, 5) on a parent of its own colour; records OnChange and the paints that
// preceded it.
template<typename Control> struct ControlScene
{
    QWidget parent;
    Control *control = new Control(&parent);
    PaintCounter counter;
    int changes = 0;
    int paintsAtChange = -1;

    explicit ControlScene(QSize size)
    {
        parent.setAutoFillBackground(true);
        QPalette palette = parent.palette();
        palette.setColor(QPalette::Window, parentColor);
        palette.setColor(QPalette::Button, faceColor);
        palette.setColor(QPalette::Dark, shadowColor);
        palette.setColor(QPalette::Light, lightColor);
        parent.setPalette(palette);
        parent.resize(size + QSize(10, 10));
        control->setGeometry(QRect(QPoint(5, 5), size));
        control->installEventFilter(&counter);
        control->OnChange = [this](QObject *sender) {
            changes += sender == control ? 1 : 1000;
            paintsAtChange = counter.paints;
        };
    }

    // Shows the parent; paints counted from here on are the control's own repaints.
    bool show()
    {
        parent.show();
        const bool exposed = QTest::qWaitForWindowExposed(&parent);
        counter.paints = 0;
        return exposed;
    }

    // What the control shows over its parent, in the control's coordinates.
    QImage pixels()
    {
        QImage image(parent.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        parent.render(&image);
        return image.copy(control->geometry());
    }
};

} // namespace testing
