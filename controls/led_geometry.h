#pragma once

#include "controls/display_enums.h"
#include "controls/tcolor.h"

#include <QPainterPath>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QtGlobal>

#include <vector>

// The LED's geometry in the coordinates of its drawing operations. A rectangle given there by
// its corners (left, top, right, bottom) is QRect(left, top, right - left, bottom - top): it
// covers the pixels left .. right - 1, as QRect does. Points are pixel positions.
namespace controls {

/// The white highlight of a round LED: a chord of the ellipse inset by d (a fifth of the shorter
/// side), running counterclockwise from the radial through `from` (its topmost point) to the
/// radial through `to` (its leftmost point).
struct LedHighlight
{
    int d = 0;
    QRect ellipse;
    QPoint from;
    QPoint to;
};

LedHighlight ledHighlight(int width, int height);

/// A one-pixel arc of the ellipse in `ellipse`, counterclockwise from the radial through
/// `from` to the radial through `to`.
struct LedArc
{
    QRect ellipse;
    QPoint from;
    QPoint to;
    TColor color = clBlack;
};

/// Rings of arcs: the upper left half in the first colour, the lower right half in the second,
/// then one pixel further in, `rings` times.
std::vector<LedArc> ellipseBevelArcs(QRect area, TColor first, TColor second, int rings);

/// The bevel of a round LED of the given size: one ring on the body's outline.
std::vector<LedArc> ledEllipseBevel(int width, int height, TdsLedBevel bevel);

/// A one-pixel polyline; it paints every point of its path but the final one.
struct LedPolyline
{
    QPolygon points;
    TColor color = clBlack;
};

/// Nested one-pixel frames inside `area`, `frames` of them: left column and top row in the
/// top-left colour, right column and bottom row (with the top-right and bottom-left corners)
/// in the bottom-right colour.
std::vector<LedPolyline> frameBevelPolylines(QRect area, TColor topLeft, TColor bottomRight,
                                             int frames);

/// The bevel of a rectangular LED of the given size: two frames.
std::vector<LedPolyline> ledFrameBevel(int width, int height, TdsLedBevel bevel);

/// The pixels a one-pixel polyline through `points` paints: each segment from its start up to,
/// not including, its end, so the final point stays unpainted.
QPolygon polylinePixels(const QPolygon &points);

/// The corners P1, P2, P3 of a triangular body; empty for a shape that is no triangle.
QPolygon ledTriangle(int shape, int width, int height);

/// One edge of a triangle's bevel, drawn with a two-pixel pen.
struct LedEdge
{
    QPoint from;
    QPoint to;
    TColor color = clBlack;
};

/// The closed path Q1 -> Q2 -> Q3 -> Q1 of a triangle's bevel, each edge in its colour: edges
/// that face up or left in shadow when lowered, in highlight when raised. Empty without a bevel
/// or for a shape that is no triangle.
std::vector<LedEdge> ledTriangleBevel(int shape, int width, int height, TdsLedBevel bevel);

// Conversion to QPainter.

/// The rectangle whose aliased one-pixel outline covers exactly the edge pixels of `area`.
QRect outlineRect(QRect area);

/// An arc of the ellipse in `area` from the radial through `from` counterclockwise to the
/// radial through `to`, as QPainter's start angle and span in 1/16 degree: radial points become
/// parametric angles on the ellipse that outlineRect(area) describes. Coinciding radials give
/// the whole ellipse.
struct PainterArc
{
    int start = 0;
    int span = 0;
};

PainterArc painterArc(QRect area, QPoint from, QPoint to);

/// The wedge between the two radials of such an arc, reaching beyond `area`: as a clip path it
/// keeps the part of the ellipse outline that the arc covers.
QPainterPath arcWedge(QRect area, QPoint from, QPoint to);

} // namespace controls
