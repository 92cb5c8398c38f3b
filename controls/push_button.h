#pragma once

#include <QPushButton>

namespace controls {

/// The push button of the two windows. Its Alt+letter accelerator clicks it at once and leaves
/// the keyboard focus where it is, so a spin field that has the focus is not left (its exit
/// step does not run). Qt itself would click 100 ms later.
class PushButton : public QPushButton
{
    Q_OBJECT

public:
    explicit PushButton(QWidget *parent = nullptr);
    explicit PushButton(const QString &text, QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
};

} // namespace controls
