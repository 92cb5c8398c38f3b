#include "controls/dsleds.h"
#include "platform/errors.h"
#include "platform/testing/fakes.h"
#include "support/control_scene.h"

#include <QPainter>
#include <QTest>

using testing::ControlScene;
using testing::lightColor;
using testing::parentColor;
using testing::shadowColor;

namespace {

using Scene = ControlScene<TdsLed>;
const QColor red(255, 0, 0);
const QColor lime(0, 255, 0);
const QColor white(255, 255, 255);

// The colours met along a line through the image, leaving out the parent and the red body.
QList<QColor> bevelAlong(const QImage &image, QPoint from, QPoint step)
{
    QList<QColor> colours;
    for (QPoint p = from; image.rect().contains(p); p += step) {
        const QColor colour = image.pixelColor(p);
        if (colour != parentColor && colour != red) {
            colours.append(colour);
        }
    }
    return colours;
}

} // namespace

class TestLed final : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void roundBodyWithHighlight();
    void ledOnRepaintsThenFiresOnce();
    void settersRepaintWithoutFiring_data();
    void settersRepaintWithoutFiring();
    void frameBevelPixels_data();
    void frameBevelPixels();
    void ellipseBevelLiesOnTheOutline_data();
    void ellipseBevelLiesOnTheOutline();
    void triangleBevelFacing_data();
    void triangleBevelFacing();
    void ownerDrawAtNextPainting();
    void ownerDrawErrorIsReportedAfterPainting();
    void penWidthCarriesOverBetweenPaintings();
};

void TestLed::defaults()
{
    TdsLed led;
    QCOMPARE(led.size(), QSize(24, 24));
    QCOMPARE(led.Shape(), ltEllipse);
    QCOMPARE(led.Bevel(), blNone);
    QCOMPARE(led.Style(), lsStandard);
    QCOMPARE(led.OnColor(), clLime);
    QCOMPARE(led.OffColor(), clRed);
    QVERIFY(!led.LedOn());
    QVERIFY(!led.autoFillBackground());
}

void TestLed::roundBodyWithHighlight()
{
    // A new LED is dark: red with the white highlight, the parent in the corners.
    Scene dark(QSize(24, 24));
    QImage image = dark.pixels();
    QCOMPARE(image.pixelColor(16, 16), red);
    QCOMPARE(image.pixelColor(7, 7), white);
    QCOMPARE(image.pixelColor(0, 0), parentColor);

    Scene lit(QSize(33, 33));
    lit.control->setLedOn(true);
    image = lit.pixels();
    for (const QPoint corner : { QPoint(0, 0), QPoint(32, 0), QPoint(0, 32), QPoint(32, 32) }) {
        QCOMPARE(image.pixelColor(corner), parentColor);
    }
    for (const QPoint edge : { QPoint(16, 0), QPoint(0, 16), QPoint(32, 16), QPoint(16, 32) }) {
        QCOMPARE(image.pixelColor(edge), lime);
    }
    QCOMPARE(image.pixelColor(10, 10), white);
    QCOMPARE(image.pixelColor(13, 13), lime);
}

void TestLed::ledOnRepaintsThenFiresOnce()
{
    Scene scene(QSize(24, 24));
    QVERIFY(scene.show());
    scene.control->setLedOn(false);
    QCOMPARE(scene.changes, 0);
    QCOMPARE(scene.counter.paints, 0);
    scene.control->setLedOn(true);
    QCOMPARE(scene.changes, 1);
    QCOMPARE(scene.paintsAtChange, 1);
}

void TestLed::settersRepaintWithoutFiring_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("paints");
    QTest::newRow("bevel changed") << QByteArray("Bevel") << QVariant::fromValue(blRaised) << 1;
    QTest::newRow("shape changed") << QByteArray("Shape") << QVariant::fromValue(ltRectangle) << 1;
    QTest::newRow("shape equal") << QByteArray("Shape") << QVariant::fromValue(ltEllipse) << 0;
    QTest::newRow("on colour changed") << QByteArray("OnColor") << QVariant(clRed) << 1;
    QTest::newRow("off colour changed") << QByteArray("OffColor") << QVariant(clGray) << 1;
    QTest::newRow("off colour equal") << QByteArray("OffColor") << QVariant(clRed) << 0;
    QTest::newRow("style stored without repaint")
        << QByteArray("Style") << QVariant::fromValue(lsOwnerDraw) << 0;
}

void TestLed::settersRepaintWithoutFiring()
{
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    Scene scene(QSize(24, 24));
    QVERIFY(scene.show());
    QVERIFY(scene.control->setProperty(property.constData(), value));
    QCOMPARE(scene.control->property(property.constData()), value);
    QTEST(scene.counter.paints, "paints");
    QCOMPARE(scene.changes, 0);
}

void TestLed::frameBevelPixels_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("bevel");
    QTest::addColumn<QColor>("topLeft");
    QTest::addColumn<QColor>("bottomRight");
    QTest::newRow("lowered 24x24") << QSize(24, 24) << int(blLowered) << shadowColor << lightColor;
    QTest::newRow("raised 30x20") << QSize(30, 20) << int(blRaised) << lightColor << shadowColor;
}

void TestLed::frameBevelPixels()
{
    QFETCH(QSize, size);
    QFETCH(int, bevel);
    QFETCH(QColor, topLeft);
    QFETCH(QColor, bottomRight);
    Scene scene(size);
    scene.control->setShape(ltRectangle);
    scene.control->setBevel(TdsLedBevel(bevel));
    const QImage image = scene.pixels();
    const int right = size.width() - 1;
    const int bottom = size.height() - 1;
    for (int y = 0; y <= bottom; ++y) {
        for (int x = 0; x <= right; ++x) {
            // Frame k lies k pixels in; its right column and bottom row, with the top-right
            // and bottom-left corners, are in the bottom-right colour.
            const int k = std::min({ x, y, right - x, bottom - y });
            const QColor expected = k >= 2                                ? red
                                    : (x == right - k || y == bottom - k) ? bottomRight
                                                                          : topLeft;
            QVERIFY2(image.pixelColor(x, y) == expected,
                     qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
        }
    }
}

void TestLed::ellipseBevelLiesOnTheOutline_data()
{
    QTest::addColumn<int>("bevel");
    QTest::addColumn<QColor>("upperLeft");
    QTest::addColumn<QColor>("lowerRight");
    QTest::newRow("lowered") << int(blLowered) << shadowColor << lightColor;
    QTest::newRow("raised") << int(blRaised) << lightColor << shadowColor;
}

void TestLed::ellipseBevelLiesOnTheOutline()
{
    QFETCH(int, bevel);
    QFETCH(QColor, upperLeft);
    QFETCH(QColor, lowerRight);
    Scene scene(QSize(33, 33));
    scene.control->setBevel(TdsLedBevel(bevel));
    const QImage image = scene.pixels();
    QCOMPARE(image.pixelColor(16, 0), upperLeft);
    QCOMPARE(image.pixelColor(0, 16), upperLeft);
    QCOMPARE(image.pixelColor(32, 16), lowerRight);
    QCOMPARE(image.pixelColor(16, 32), lowerRight);
    // Coming in from any side, the ring is met before any pixel of the body.
    for (const int i : { 3, 8, 16, 24, 29 }) {
        for (const auto &[from, step] :
             { std::pair(QPoint(0, i), QPoint(1, 0)), std::pair(QPoint(32, i), QPoint(-1, 0)),
               std::pair(QPoint(i, 0), QPoint(0, 1)), std::pair(QPoint(i, 32), QPoint(0, -1)) }) {
            QPoint p = from;
            while (image.pixelColor(p) == parentColor) {
                p += step;
            }
            QVERIFY2(image.pixelColor(p) != red,
                     qPrintable(QStringLiteral("from %1, %2").arg(from.x()).arg(from.y())));
        }
    }
}

void TestLed::triangleBevelFacing_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<int>("bevel");
    QTest::addColumn<QPoint>("base");
    QTest::addColumn<QColor>("baseColour");
    QTest::addColumn<bool>("scanDown");
    // First and last bevel colour met across the middle of the body.
    QTest::addColumn<QColor>("first");
    QTest::addColumn<QColor>("last");
    const QColor s = shadowColor;
    const QColor h = lightColor;
    QTest::newRow("top lowered") << int(ltTriangleTop) << int(blLowered) << QPoint(15, 29) << h
                                 << false << s << h;
    QTest::newRow("bottom lowered")
        << int(ltTriangleBottom) << int(blLowered) << QPoint(15, 0) << s << false << s << h;
    QTest::newRow("left lowered points right")
        << int(ltTriangleLeft) << int(blLowered) << QPoint(0, 15) << s << true << s << h;
    QTest::newRow("right lowered points left")
        << int(ltTriangleRight) << int(blLowered) << QPoint(29, 15) << h << true << s << h;
    QTest::newRow("right raised") << int(ltTriangleRight) << int(blRaised) << QPoint(29, 15) << s
                                  << true << h << s;
}

void TestLed::triangleBevelFacing()
{
    QFETCH(int, shape);
    QFETCH(int, bevel);
    QFETCH(QPoint, base);
    QFETCH(bool, scanDown);
    Scene scene(QSize(30, 30));
    scene.control->setShape(TdsLedShape(shape));
    scene.control->setBevel(TdsLedBevel(bevel));
    const QImage image = scene.pixels();
    QTEST(image.pixelColor(base), "baseColour");
    const QList<QColor> bevelColours = scanDown ? bevelAlong(image, QPoint(15, 0), QPoint(0, 1))
                                                : bevelAlong(image, QPoint(0, 15), QPoint(1, 0));
    QVERIFY(!bevelColours.isEmpty());
    QTEST(bevelColours.first(), "first");
    QTEST(bevelColours.last(), "last");
    QCOMPARE(image.pixelColor(15, 15), red);
}

void TestLed::ownerDrawAtNextPainting()
{
    Scene scene(QSize(30, 20));
    scene.control->setShape(ltTriangleLeft);
    scene.control->setBevel(blLowered);
    QList<QRect> rects;
    QList<QColor> brushes;
    QVERIFY(scene.show());
    scene.control->setStyle(lsOwnerDraw);
    // Without a handler nothing is drawn: the parent shows through everywhere.
    QImage image = scene.pixels();
    QCOMPARE(image.pixelColor(1, 10), parentColor);
    QCOMPARE(image.pixelColor(15, 10), parentColor);

    scene.control->OnDrawLed = [&](QObject *sender, QRect rect, QPainter &canvas) {
        QCOMPARE(sender, scene.control);
        rects.append(rect);
        brushes.append(canvas.brush().color());
        canvas.fillRect(rect, canvas.brush());
    };
    scene.control->setLedOn(true);
    QCOMPARE(rects, QList<QRect> { QRect(0, 0, 30, 20) });
    QCOMPARE(brushes, QList<QColor> { lime });
    scene.control->setLedOn(false);
    QCOMPARE(brushes.last(), red);
    // Shape and bevel are ignored: the handler's fill is all there is.
    image = scene.pixels();
    QCOMPARE(image.pixelColor(0, 0), red);
    QCOMPARE(image.pixelColor(29, 0), red);
}

void TestLed::ownerDrawErrorIsReportedAfterPainting()
{
    testing::RecordingDialogs dialogs;
    Scene scene(QSize(24, 24));
    QVERIFY(scene.show());
    scene.control->OnDrawLed = [](QObject *, QRect, QPainter &) {
        throw platform::Error(QStringLiteral("Drawing failed"));
    };
    scene.control->setStyle(lsOwnerDraw);
    scene.control->setLedOn(true);
    scene.control->repaint();
    // The paintings and the setter ran to the end; one box comes afterwards.
    QCOMPARE(scene.changes, 1);
    QVERIFY(dialogs.shown.isEmpty());
    QTRY_VERIFY(!dialogs.shown.isEmpty());
    QCOMPARE(dialogs.texts(), QStringList { QStringLiteral("Drawing failed.") });
}

void TestLed::penWidthCarriesOverBetweenPaintings()
{
    Scene scene(QSize(24, 24));
    QList<int> widths;
    scene.control->OnDrawLed
        = [&](QObject *, QRect, QPainter &canvas) { widths.append(canvas.pen().width()); };
    QVERIFY(scene.show());
    const auto ownerDrawOnce = [&] {
        scene.control->setStyle(lsOwnerDraw);
        scene.control->repaint();
        scene.control->setStyle(lsStandard);
    };
    ownerDrawOnce();
    scene.control->setShape(ltTriangleTop);
    scene.control->setBevel(blLowered);
    ownerDrawOnce();
    scene.control->setShape(ltRectangle);
    ownerDrawOnce();
    QCOMPARE(widths, (QList<int> { 1, 2, 1 }));
}

QTEST_MAIN(TestLed)
#include "tst_led.moc"
