#include "controls/segment_geometry.h"

#include <algorithm>
#include <cmath>

namespace controls {

namespace {

// Far beyond any real control, yet safe to convert to int and to hand to the rasteriser.
constexpr double pixelLimit = 1 << 24;

// The product a x b rounded to the nearest integer, halves to the even neighbour, from its
// exact value: the double product may round a near-half onto the half (19 x 75/38 is just
// below 37.5, its double 37.5 would give 38).
int roundedProduct(double a, double b)
{
    const double product = a * b;
    const double error = std::fma(a, b, -product); // exact: a x b = product + error
    double rounded = std::nearbyint(product);
    if (error != 0 && std::fabs(product - std::trunc(product)) == 0.5) {
        rounded = error > 0 ? std::ceil(product) : std::floor(product);
    }
    return static_cast<int>(std::clamp(rounded, -pixelLimit, pixelLimit));
}

} // namespace

QPolygonF segmentGridPolygon(int segment, int segmentWidth)
{
    const double s = segmentWidth;
    const double h = s / 2;
    // clang-format off
    switch (segment) {
    case tsTop:
        return { { 2, 1 }, { 18, 1 }, { 18 - s, s + 1 }, { s + 2, s + 1 } };
    case tsUpperLeft:
        return { { 1, 2 }, { 1, 18 }, { s + 1, 18 - s }, { s + 1, s + 2 } };
    case tsUpperRight:
        return { { 19, 2 }, { 19, 18 }, { 19 - s, 18 - s }, { 19 - s, s + 2 } };
    case tsMiddle:
        return { { 2, 19 }, { 2 + h, 19 - h }, { 18 - h, 19 - h }, { 18, 19 }, { 18 - h, 19 + h },
            { 2 + h, 19 + h } };
    case tsLowerLeft:
        return { { 1, 20 }, { 1, 36 }, { s + 1, 36 - s }, { s + 1, s + 20 } };
    case tsLowerRight:
        return { { 19, 20 }, { 19, 36 }, { 19 - s, 36 - s }, { 19 - s, s + 20 } };
    case tsBottom:
        return { { 2, 37 }, { 18, 37 }, { 18 - s, 37 - s }, { s + 2, 37 - s } };
    default:
        return {};
    }
    // clang-format on
}

QPolygon segmentPolygon(int segment, int width, int height, int segmentWidth)
{
    const double u = double(width) / gridColumns;
    const double v = double(height) / gridRows;
    const QPolygonF grid = segmentGridPolygon(segment, segmentWidth);
    QPolygon pixels;
    pixels.reserve(grid.size());
    for (const QPointF &point : grid) {
        pixels.append(QPoint(roundedProduct(point.x(), u), roundedProduct(point.y(), v)));
    }
    return pixels;
}

} // namespace controls
