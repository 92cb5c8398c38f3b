#include "console/pictures.h"

#include <QIconEngine>
#include <QPainter>

namespace console {
namespace {

// One small computer: a monitor with its screen and a foot, its top-left corner at (x, y).
void drawComputer(QPainter &p, int x, int y)
{
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(x, y, 11, 9);
    p.setBrush(QColor(30, 90, 200));
    p.drawRect(x + 2, y + 2, 7, 5);
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(x + 3, y + 10, 5, 1);
    p.drawRect(x + 1, y + 12, 9, 1);
}

/// An icon of connectionPicture(), painted at its first use; then the same as an icon made
/// from the picture, in every mode.
class LazyPictureEngine final : public QIconEngine
{
public:
    QIconEngine *clone() const override { return new LazyPictureEngine(*this); }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }

private:
    QIcon &icon()
    {
        if (m_icon.isNull()) {
            m_icon = QIcon(connectionPicture());
        }
        return m_icon;
    }

    QIcon m_icon;
};

} // namespace

QIcon connectionIcon()
{
    return QIcon(new LazyPictureEngine);
}

QPixmap connectionPicture()
{
    QPixmap picture(30, 30);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    drawComputer(p, 0, 2);
    drawComputer(p, 18, 15);
    // The cable from the first computer's foot down and across to the second's side.
    QPen cable(QColor(20, 20, 20), 2);
    p.setPen(cable);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygon({ QPoint(5, 15), QPoint(5, 22), QPoint(17, 22) }));
    return picture;
}

} // namespace console
