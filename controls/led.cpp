#include "controls/led.h"

#include "platform/errors.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <exception>

using controls::resolveColor;

using namespace controls;

TdsLed::TdsLed(QWidget *parent)
    : QWidget(parent)
{
    resize(TdsLed::sizeHint());
}

void TdsLed::setBevel(TdsLedBevel bevel)
{
    if (bevel != m_bevel) {
        m_bevel = bevel;
        repaint();
    }
}

void TdsLed::setShape(TdsLedShape shape)
{
    if (shape != m_shape) {
        m_shape = shape;
        repaint();
    }
}

void TdsLed::setOnColor(TColor color)
{
    if (color != m_onColor) {
        m_onColor = color;
        repaint();
    }
}

void TdsLed::setOffColor(TColor color)
{
    if (color != m_offColor) {
        m_offColor = color;
        repaint();
    }
}

void TdsLed::setLedOn(bool on)
{
    if (on == m_ledOn) {
        return;
    }
    m_ledOn = on;
    repaint();
    Change();
}

void TdsLed::setStyle(TdsLedStyle style)
{
    m_style = style;
}

void TdsLed::Change()
{
    if (OnChange) {
        OnChange(this);
    }
}

void TdsLed::DoDrawLed()
{
    if (OnDrawLed && m_canvas) {
        OnDrawLed(this, QRect(0, 0, width(), height()), *m_canvas);
    }
}

void TdsLed::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor body = resolveColor(m_ledOn ? m_onColor : m_offColor, palette());
    painter.setBrush(body);
    setPen(painter, m_penColor);

    if (m_style == lsOwnerDraw) {
        m_canvas = &painter;
        try {
            DoDrawLed();
        } catch (...) {
            // An error box cannot open in the middle of a painting: report it right after.
            // Paintings while that box is pending or open add no further boxes.
            if (!m_errorPending) {
                m_errorPending = true;
                QTimer::singleShot(0, this, [this, error = std::current_exception()] {
                    platform::guarded([&] { std::rethrow_exception(error); });
                    m_errorPending = false;
                });
            }
        }
        m_canvas = nullptr;
        return;
    }

    switch (m_shape) {
    case ltEllipse:
        DrawEllipse(painter, body);
        break;
    case ltRectangle:
        DrawRectangle(painter, body);
        break;
    case ltTriangleTop:
    case ltTriangleBottom:
    case ltTriangleLeft:
    case ltTriangleRight:
        DrawTriangle(painter, body);
        break;
    }
}

void TdsLed::setPen(QPainter &painter, const QColor &color)
{
    m_penColor = color;
    QPen pen(color, m_penWidth);
    if (m_penWidth > 1) {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    painter.setPen(pen);
}

void TdsLed::DrawEllipse(QPainter &painter, const QColor &body)
{
    setPen(painter, body);
    painter.drawEllipse(outlineRect(rect()));

    const LedHighlight highlight = ledHighlight(width(), height());
    const QColor white = resolveColor(clWhite, palette());
    setPen(painter, white);
    painter.setBrush(white);
    const PainterArc arc = painterArc(highlight.ellipse, highlight.from, highlight.to);
    painter.drawChord(outlineRect(highlight.ellipse), arc.start, arc.span);

    DrawEllipseBevel(painter, ledEllipseBevel(width(), height(), m_bevel));
}

void TdsLed::DrawEllipseBevel(QPainter &painter, const std::vector<LedArc> &arcs)
{
    if (arcs.empty()) {
        return;
    }
    m_penWidth = 1;
    painter.setBrush(Qt::NoBrush);
    for (const LedArc &arc : arcs) {
        // The arc is the part of the ellipse's outline inside the wedge of its radials, so the
        // ring lies exactly on the pixels of the body's outline.
        setPen(painter, resolveColor(arc.color, palette()));
        painter.save();
        painter.setClipPath(arcWedge(arc.ellipse, arc.from, arc.to));
        painter.drawEllipse(outlineRect(arc.ellipse));
        painter.restore();
    }
}

void TdsLed::DrawRectangle(QPainter &painter, const QColor &body)
{
    setPen(painter, body);
    painter.drawRect(outlineRect(rect()));
    DrawFrameBevel(painter, ledFrameBevel(width(), height(), m_bevel));
}

void TdsLed::DrawFrameBevel(QPainter &painter, const std::vector<LedPolyline> &lines)
{
    if (lines.empty()) {
        return;
    }
    m_penWidth = 1;
    for (const LedPolyline &line : lines) {
        setPen(painter, resolveColor(line.color, palette()));
        painter.drawPoints(polylinePixels(line.points));
    }
}

void TdsLed::DrawTriangle(QPainter &painter, const QColor &body)
{
    setPen(painter, body);
    painter.drawPolygon(ledTriangle(m_shape, width(), height()));
    DrawTriangleBevel(painter, ledTriangleBevel(m_shape, width(), height(), m_bevel));
}

void TdsLed::DrawTriangleBevel(QPainter &painter, const std::vector<LedEdge> &edges)
{
    if (edges.empty()) {
        return;
    }
    // The lines run along the border, so the outer half of the two-pixel pen is clipped.
    m_penWidth = 2;
    for (const LedEdge &edge : edges) {
        setPen(painter, resolveColor(edge.color, palette()));
        painter.drawLine(edge.from, edge.to);
    }
}
