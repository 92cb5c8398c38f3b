#include "controls/spin_button.h"

#include "controls/spin_geometry.h"
#include "controls/timer_speed_button.h"
#include "platform/errors.h"

#include <QKeyEvent>

TSpinButton::TSpinButton(QWidget *parent)
    : QWidget(parent)
    , m_up(new TTimerSpeedButton(this))
    , m_down(new TTimerSpeedButton(this))
    , m_focused(m_up)
{
    setFocusPolicy(Qt::NoFocus);
    setMinimumWidth(controls::arrowPairWidth);
    m_down->setBuiltInArrow(false);
    m_up->OnClick = [this](QObject *) {
        if (OnUpClick) {
            OnUpClick(this);
        }
    };
    m_down->OnClick = [this](QObject *) {
        if (OnDownClick) {
            OnDownClick(this);
        }
    };
    m_up->OnPress = m_down->OnPress = [this](TTimerSpeedButton *arrow) { arrowPressed(arrow); };
    resize(sizeHint());
}

void TSpinButton::setFocusControl(QWidget *control)
{
    m_focusControl = control;
}

QPixmap TSpinButton::UpGlyph() const
{
    return m_up->glyph();
}

void TSpinButton::setUpGlyph(const QPixmap &glyph)
{
    m_up->setGlyph(glyph);
}

QPixmap TSpinButton::DownGlyph() const
{
    return m_down->glyph();
}

void TSpinButton::setDownGlyph(const QPixmap &glyph)
{
    m_down->setGlyph(glyph);
}

int TSpinButton::UpNumGlyphs() const
{
    return m_up->numGlyphs();
}

void TSpinButton::setUpNumGlyphs(int count)
{
    m_up->setNumGlyphs(count);
}

int TSpinButton::DownNumGlyphs() const
{
    return m_down->numGlyphs();
}

void TSpinButton::setDownNumGlyphs(int count)
{
    m_down->setNumGlyphs(count);
}

bool TSpinButton::TabStop() const
{
    return (focusPolicy() & Qt::TabFocus) != 0;
}

void TSpinButton::setTabStop(bool tabStop)
{
    setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
}

QSize TSpinButton::sizeHint() const
{
    return QSize(20, 25);
}

void TSpinButton::arrowPressed(TTimerSpeedButton *arrow)
{
    if (QWidget *control = m_focusControl) {
        if ((control->focusPolicy() & Qt::TabFocus) && control->isEnabled() && control->isVisible()
            && !control->hasFocus()) {
            control->setFocus(Qt::OtherFocusReason);
        }
    } else if (TabStop() && !hasFocus()) {
        setFocus(Qt::OtherFocusReason);
    }
    setFocusedButton(arrow);
}

void TSpinButton::setFocusedButton(TTimerSpeedButton *arrow)
{
    m_focused = arrow;
    updateFocusMarks();
}

void TSpinButton::updateFocusMarks()
{
    m_up->setFocusMark(hasFocus() && m_focused == m_up);
    m_down->setFocusMark(hasFocus() && m_focused == m_down);
}

bool TSpinButton::event(QEvent *event)
{
    // With the focus the pair keeps its keys from shortcuts and focus navigation.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Space) {
            key->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void TSpinButton::keyPressEvent(QKeyEvent *event)
{
    platform::guarded([&] {
        switch (event->key()) {
        case Qt::Key_Space:
            event->accept();
            m_focused->click();
            break;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            event->accept();
            TTimerSpeedButton *arrow = event->key() == Qt::Key_Up ? m_up : m_down;
            setFocusedButton(arrow);
            arrow->click();
            break;
        }
        default:
            QWidget::keyPressEvent(event);
        }
    });
}

void TSpinButton::focusInEvent(QFocusEvent *event)
{
    updateFocusMarks();
    QWidget::focusInEvent(event);
}

void TSpinButton::focusOutEvent(QFocusEvent *event)
{
    updateFocusMarks();
    QWidget::focusOutEvent(event);
}

void TSpinButton::resizeEvent(QResizeEvent *event)
{
    m_up->setGeometry(controls::upArrowRect(size()));
    m_down->setGeometry(controls::downArrowRect(size()));
    QWidget::resizeEvent(event);
}
