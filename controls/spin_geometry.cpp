#include "controls/spin_geometry.h"

#include <algorithm>

namespace controls {

int lineHeightForPixelSize(int pixelSize)
{
    return (std::max(pixelSize, 0) * 12 + 5) / 10;
}

int minimumFieldHeight(int fontLine, int systemLine, int border)
{
    return fontLine + std::min(fontLine, systemLine) / 4 + 4 * border + 2;
}

QRect clientRect(QSize field, bool sunkenBorder)
{
    if (sunkenBorder) {
        return QRect(2, 2, std::max(field.width() - 4, 0), std::max(field.height() - 4, 0));
    }
    return QRect(QPoint(0, 0), field);
}

QRect arrowPairRect(QSize field, bool sunkenBorder)
{
    const QPoint client = clientRect(field, sunkenBorder).topLeft();
    if (sunkenBorder) {
        return QRect(client.x() + field.width() - arrowPairWidth - 5, client.y(), arrowPairWidth,
                     std::max(field.height() - 5, 0));
    }
    return QRect(field.width() - arrowPairWidth, 1, arrowPairWidth,
                 std::max(field.height() - 3, 0));
}

QRect textRect(QSize field, bool sunkenBorder)
{
    const QRect client = clientRect(field, sunkenBorder);
    const QRect pair = arrowPairRect(field, sunkenBorder);
    return QRect(client.topLeft(), QPoint(pair.left() - 3, client.bottom() + 1));
}

QRect upArrowRect(QSize pair)
{
    return QRect(0, 0, pair.width(), pair.height() / 2);
}

QRect downArrowRect(QSize pair)
{
    const int top = pair.height() / 2 - 1;
    return QRect(0, top, pair.width(), pair.height() - top);
}

QImage builtInArrowImage(bool up)
{
    static constexpr int rowWidths[] = { 0, 1, 3, 5, 7, 0 };
    constexpr int width = 9;
    constexpr int height = 6;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int row = 0; row < height; ++row) {
        const int w = rowWidths[up ? row : height - 1 - row];
        for (int x = (width - w) / 2; x < (width - w) / 2 + w; ++x) {
            image.setPixel(x, row, qRgb(0, 0, 0));
        }
    }
    return image;
}

} // namespace controls
