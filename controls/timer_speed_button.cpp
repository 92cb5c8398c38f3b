#include "controls/timer_speed_button.h"

#include "controls/spin_geometry.h"
#include "platform/errors.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int firstRepeatMs = 400;
constexpr int nextRepeatMs = 100;

// The bottom-left pixel's colour becomes transparent.
QPixmap keyedGlyph(const QPixmap &picture)
{
    if (picture.isNull()) {
        return picture;
    }
    QPixmap glyph = picture;
    const QColor key = picture.toImage().pixelColor(0, picture.height() - 1);
    glyph.setMask(picture.createMaskFromColor(key, Qt::MaskInColor));
    return glyph;
}

// The glyph's shape filled with one colour.
QPixmap tinted(const QPixmap &glyph, const QColor &colour)
{
    QPixmap result(glyph.size());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawPixmap(0, 0, glyph);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), colour);
    return result;
}

} // namespace

TTimerSpeedButton::TTimerSpeedButton(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setBuiltInArrow(true);
}

void TTimerSpeedButton::setRepeatAllowed(bool allowed)
{
    m_repeatAllowed = allowed;
    if (!allowed && m_timer) {
        m_timer->stop();
    }
}

void TTimerSpeedButton::setFocusMark(bool mark)
{
    if (m_focusMark != mark) {
        m_focusMark = mark;
        update();
    }
}

QPixmap TTimerSpeedButton::glyph() const
{
    return m_glyph.isNull() ? m_builtIn : m_glyph;
}

void TTimerSpeedButton::setGlyph(const QPixmap &glyph)
{
    m_glyph = keyedGlyph(glyph);
    if (m_glyph.isNull()) {
        m_numGlyphs = 1;
    }
    update();
}

void TTimerSpeedButton::setNumGlyphs(int count)
{
    m_numGlyphs = std::clamp(count, 1, 4);
    update();
}

void TTimerSpeedButton::setBuiltInArrow(bool up)
{
    m_builtIn = keyedGlyph(QPixmap::fromImage(controls::builtInArrowImage(up)));
    update();
}

void TTimerSpeedButton::click()
{
    if (OnClick) {
        OnClick(this);
    }
}

QSize TTimerSpeedButton::sizeHint() const
{
    return QSize(controls::arrowPairWidth, 12);
}

QPixmap TTimerSpeedButton::currentGlyph() const
{
    const QPixmap picture = glyph();
    const int count = std::max(m_numGlyphs, 1);
    const int width = picture.width() / count;
    int index = 0;
    if (!isEnabled() && count > 1) {
        index = 1;
    } else if (isShownDown() && count > 2) {
        index = 2;
    }
    return count == 1 ? picture : picture.copy(index * width, 0, width, picture.height());
}

bool TTimerSpeedButton::event(QEvent *event)
{
    // A box that takes the window away also takes the mouse: the press is over.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        ++m_activations;
        if (event->type() == QEvent::WindowDeactivate) {
            cancelPress();
        }
    }
    return QWidget::event(event);
}

void TTimerSpeedButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const bool down = isShownDown();

    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = rect();
    option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);

    const int shift = down ? 1 : 0;
    const QPixmap glyph = currentGlyph();
    const QPoint at((width() - glyph.width()) / 2 + shift, (height() - glyph.height()) / 2 + shift);
    if (!isEnabled() && m_numGlyphs < 2) {
        painter.drawPixmap(at + QPoint(1, 1), tinted(glyph, palette().color(QPalette::Light)));
        painter.drawPixmap(at, tinted(glyph, palette().color(QPalette::Dark)));
    } else {
        painter.drawPixmap(at, glyph);
    }

    if (m_focusMark) {
        QPen pen(palette().color(QPalette::WindowText));
        pen.setDashPattern({ 1.0, 1.0 });
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(3, 3, -4, -4).translated(shift, shift));
    }
}

void TTimerSpeedButton::mousePressEvent(QMouseEvent *event)
{
    platform::guarded([&] {
        if (event->button() == Qt::LeftButton) {
            const quint32 activations = m_activations;
            if (OnPress) {
                OnPress(this);
            }
            // Taking the focus may have shown a box (another field's exit check), which
            // received the rest of this click.
            if (activations != m_activations || !isVisible() || !isEnabled()) {
                return;
            }
            m_held = true;
            m_over = true;
            m_systemHeld = QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
            repaint();
        }
        if (m_repeatAllowed) {
            if (!m_timer) {
                m_timer = new QTimer(this);
                connect(m_timer, &QTimer::timeout, this, &TTimerSpeedButton::repeatTick);
            }
            m_timer->setInterval(firstRepeatMs);
            m_timer->start();
        }
    });
}

void TTimerSpeedButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_held) {
        return;
    }
    const bool over = rect().contains(event->position().toPoint());
    if (over != m_over) {
        m_over = over;
        repaint();
    }
}

void TTimerSpeedButton::mouseReleaseEvent(QMouseEvent *event)
{
    platform::guarded([&] {
        if (m_timer) {
            m_timer->stop();
        }
        if (event->button() != Qt::LeftButton || !m_held) {
            return;
        }
        const bool over = rect().contains(event->position().toPoint());
        m_held = false;
        m_over = false;
        repaint();
        if (over) {
            click();
        }
    });
}

void TTimerSpeedButton::repeatTick()
{
    m_timer->setInterval(nextRepeatMs);
    if (m_systemHeld && !QGuiApplication::mouseButtons().testFlag(Qt::LeftButton)) {
        cancelPress(); // the release went elsewhere
        return;
    }
    if (!m_held || !m_over) {
        return;
    }
    platform::guarded([this] {
        try {
            click();
        } catch (...) {
            // No more ticks while the error box is up, and none after it.
            cancelPress();
            throw;
        }
    });
}

void TTimerSpeedButton::cancelPress()
{
    if (m_timer) {
        m_timer->stop();
    }
    if (m_held) {
        m_held = false;
        m_over = false;
        update();
    }
}

void TTimerSpeedButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        cancelPress();
    }
    QWidget::changeEvent(event);
}

void TTimerSpeedButton::hideEvent(QHideEvent *event)
{
    cancelPress();
    QWidget::hideEvent(event);
}
