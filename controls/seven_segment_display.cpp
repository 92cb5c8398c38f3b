#include "controls/seven_segment_display.h"

#include "platform/errors.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <exception>

using controls::resolveColor;

using namespace controls;

TdsSevenSegmentDisplay::TdsSevenSegmentDisplay(QWidget *parent)
    : QWidget(parent)
{
    resize(TdsSevenSegmentDisplay::sizeHint());
}

void TdsSevenSegmentDisplay::setSegments(TdsDisplaySegments segments)
{
    segments &= allSegments;
    if (segments == m_segments) {
        return;
    }
    m_segments = segments;
    repaint();
    Change();
}

void TdsSevenSegmentDisplay::setSegmentWidth(int width)
{
    if (width != m_segmentWidth) {
        m_segmentWidth = width;
        repaint();
    }
}

void TdsSevenSegmentDisplay::setBackColor(TColor color)
{
    if (color != m_backColor) {
        m_backColor = color;
        repaint();
    }
}

void TdsSevenSegmentDisplay::setOnColor(TColor color)
{
    if (color != m_onColor) {
        m_onColor = color;
        repaint();
    }
}

void TdsSevenSegmentDisplay::setOffColor(TColor color)
{
    if (color != m_offColor) {
        m_offColor = color;
        repaint();
    }
}

void TdsSevenSegmentDisplay::setValue(int value)
{
    if (value == m_value) {
        return;
    }
    m_value = value;
    // The setter decides whether anything is repainted or reported: 10 -> 11 stays E.
    setSegments(digitSegments(value));
}

void TdsSevenSegmentDisplay::Change()
{
    if (OnChange) {
        OnChange(this);
    }
}

void TdsSevenSegmentDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.fillRect(rect(), resolveColor(m_backColor, palette()));
    const QColor on = resolveColor(m_onColor, palette());
    const QColor off = resolveColor(m_offColor, palette());
    for (int i = 0; i < segmentCount; ++i) {
        const auto segment = static_cast<TdsDisplaySegment>(i);
        painter.setBrush(hasSegment(m_segments, segment) ? on : off);
        DrawSegment(painter, segment);
    }
}

void TdsSevenSegmentDisplay::DrawSegment(QPainter &painter, TdsDisplaySegment segment)
{
    painter.drawPolygon(segmentPolygon(segment, width(), height(), m_segmentWidth),
                        Qt::OddEvenFill);
}
