#include "controls/led_geometry.h"

#include <QPointF>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace controls {

namespace {

constexpr int fullCircle = 360 * 16;

QRect shrunk(QRect area)
{
    return QRect(area.x() + 1, area.y() + 1, area.width() - 2, area.height() - 2);
}

// Corners as the drawing operations name them: right and bottom lie just outside the area.
QPoint topRightOf(QRect area)
{
    return QPoint(area.x() + area.width(), area.y());
}

QPoint bottomLeftOf(QRect area)
{
    return QPoint(area.x(), area.y() + area.height());
}

struct EllipseFrame
{
    double cx;
    double cy;
    double rx;
    double ry;
};

EllipseFrame frameOf(QRect area)
{
    const QRectF outline(outlineRect(area));
    return { outline.center().x(), outline.center().y(), outline.width() / 2,
             outline.height() / 2 };
}

// The parametric angle, in degrees, where the radial through the point meets the ellipse.
double parametricDegrees(const EllipseFrame &e, QPoint radial)
{
    const double y = (e.cy - radial.y()) * e.rx;
    const double x = (radial.x() - e.cx) * e.ry;
    return std::atan2(y, x) * 180 / std::numbers::pi;
}

} // namespace

LedHighlight ledHighlight(int width, int height)
{
    LedHighlight highlight;
    highlight.d = (width >= height ? height : width) / 5;
    const int d = highlight.d;
    highlight.ellipse = QRect(d, d, width - 2 * d, height - 2 * d);
    highlight.from = QPoint(width / 2, d);
    highlight.to = QPoint(d, height / 2);
    return highlight;
}

std::vector<LedArc> ellipseBevelArcs(QRect area, TColor first, TColor second, int rings)
{
    std::vector<LedArc> arcs;
    for (int i = 0; i < rings; ++i) {
        arcs.push_back({ area, topRightOf(area), bottomLeftOf(area), first });
        arcs.push_back({ area, bottomLeftOf(area), topRightOf(area), second });
        area = shrunk(area);
    }
    return arcs;
}

std::vector<LedArc> ledEllipseBevel(int width, int height, TdsLedBevel bevel)
{
    const QRect area(0, 0, width, height);
    switch (bevel) {
    case blLowered:
        return ellipseBevelArcs(area, clBtnShadow, clBtnHighlight, 1);
    case blRaised:
        return ellipseBevelArcs(area, clBtnHighlight, clBtnShadow, 1);
    default:
        return {};
    }
}

std::vector<LedPolyline> frameBevelPolylines(QRect area, TColor topLeft, TColor bottomRight,
                                             int frames)
{
    int left = area.x();
    int top = area.y();
    int right = area.x() + area.width() - 1;
    int bottom = area.y() + area.height() - 1;
    std::vector<LedPolyline> lines;
    for (int i = 0; i < frames; ++i) {
        lines.push_back(
            { QPolygon({ QPoint(left, bottom), QPoint(left, top), QPoint(right, top) }), topLeft });
        lines.push_back(
            { QPolygon({ QPoint(right, top), QPoint(right, bottom), QPoint(left - 1, bottom) }),
              bottomRight });
        ++left;
        ++top;
        --right;
        --bottom;
    }
    return lines;
}

std::vector<LedPolyline> ledFrameBevel(int width, int height, TdsLedBevel bevel)
{
    const QRect area(0, 0, width, height);
    switch (bevel) {
    case blLowered:
        return frameBevelPolylines(area, clBtnShadow, clBtnHighlight, 2);
    case blRaised:
        return frameBevelPolylines(area, clBtnHighlight, clBtnShadow, 2);
    default:
        return {};
    }
}

QPolygon polylinePixels(const QPolygon &points)
{
    QPolygon pixels;
    for (int i = 0; i + 1 < points.size(); ++i) {
        // Bresenham's walk from one vertex towards the next, stopping short of it.
        int x = points[i].x();
        int y = points[i].y();
        const int x1 = points[i + 1].x();
        const int y1 = points[i + 1].y();
        const int dx = std::abs(x1 - x);
        const int dy = -std::abs(y1 - y);
        const int sx = x < x1 ? 1 : -1;
        const int sy = y < y1 ? 1 : -1;
        int error = dx + dy;
        while (x != x1 || y != y1) {
            pixels.append(QPoint(x, y));
            const int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                x += sx;
            }
            if (twice <= dx) {
                error += dx;
                y += sy;
            }
        }
    }
    return pixels;
}

QPolygon ledTriangle(int shape, int width, int height)
{
    switch (shape) {
    case ltTriangleTop:
        return QPolygon({ QPoint(0, height), QPoint(width, height), QPoint(width / 2, 0) });
    case ltTriangleBottom:
        return QPolygon({ QPoint(0, 0), QPoint(width, 0), QPoint(width / 2, height) });
    case ltTriangleLeft:
        return QPolygon({ QPoint(0, 0), QPoint(0, height), QPoint(width, height / 2) });
    case ltTriangleRight:
        return QPolygon({ QPoint(width, 0), QPoint(width, height), QPoint(0, height / 2) });
    default:
        return {};
    }
}

std::vector<LedEdge> ledTriangleBevel(int shape, int width, int height, TdsLedBevel bevel)
{
    if (bevel != blLowered && bevel != blRaised) {
        return {};
    }
    const QPolygon p = ledTriangle(shape, width, height);
    if (p.size() != 3) {
        return {};
    }
    // The lowered colours; raising swaps shadow and highlight.
    const TColor dark = bevel == blLowered ? clBtnShadow : clBtnHighlight;
    const TColor light = bevel == blLowered ? clBtnHighlight : clBtnShadow;
    auto path = [](QPoint q1, QPoint q2, QPoint q3, TColor c12, TColor c23, TColor c31) {
        return std::vector<LedEdge> { { q1, q2, c12 }, { q2, q3, c23 }, { q3, q1, c31 } };
    };
    switch (shape) {
    case ltTriangleTop:
        return path(p[0], p[1], p[2], light, light, dark);
    case ltTriangleBottom:
    case ltTriangleLeft:
        return path(p[1], p[0], p[2], dark, dark, light);
    default: // ltTriangleRight
        return path(p[2], p[1], p[0], light, light, dark);
    }
}

QRect outlineRect(QRect area)
{
    return QRect(area.x(), area.y(), area.width() - 1, area.height() - 1);
}

PainterArc painterArc(QRect area, QPoint from, QPoint to)
{
    const EllipseFrame e = frameOf(area);
    const int start = int(std::lrint(parametricDegrees(e, from) * 16));
    const int end = int(std::lrint(parametricDegrees(e, to) * 16));
    int span = end - start;
    while (span <= 0) {
        span += fullCircle;
    }
    return { (start % fullCircle + fullCircle) % fullCircle, span };
}

QPainterPath arcWedge(QRect area, QPoint from, QPoint to)
{
    const PainterArc arc = painterArc(area, from, to);
    QPainterPath wedge;
    if (arc.span >= fullCircle) {
        wedge.addRect(QRectF(area).adjusted(-2, -2, 2, 2));
        return wedge;
    }
    const EllipseFrame e = frameOf(area);
    const double rx = std::max(e.rx, 0.5);
    const double ry = std::max(e.ry, 0.5);
    // Far enough out that the wedge covers every pixel of the area between the radials.
    const double reach = (area.width() + area.height() + 4) / std::min(rx, ry);
    // Clip paths select pixels by their centres, which lie half a pixel from the positions
    // that aliased drawing uses.
    const QPointF centre(e.cx + 0.5, e.cy + 0.5);
    const double start = arc.start / 16.0 * std::numbers::pi / 180;
    const double span = arc.span / 16.0 * std::numbers::pi / 180;
    const int steps = int(std::ceil(span / (std::numbers::pi / 6)));
    wedge.moveTo(centre);
    for (int i = 0; i <= steps; ++i) {
        const double t = start + span * i / steps;
        wedge.lineTo(centre + QPointF(rx * reach * std::cos(t), -ry * reach * std::sin(t)));
    }
    wedge.closeSubpath();
    return wedge;
}

} // namespace controls
