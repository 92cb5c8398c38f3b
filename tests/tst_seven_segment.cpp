#include "controls/dsleds.h"
#include "support/control_scene.h"

#include <QTest>

using testing::ControlScene;
using testing::faceColor;
using testing::lightColor;
using testing::shadowColor;

using namespace controls;

namespace {

using Scene = ControlScene<TdsSevenSegmentDisplay>;
const QColor silver(192, 192, 192);

QPoint centreOf(const QPolygon &polygon)
{
    QPoint sum;
    for (const QPoint &point : polygon) {
        sum += point;
    }
    return sum / polygon.size();
}

QColor segmentPixel(const QImage &image, int segment, int segmentWidth = 4)
{
    return image.pixelColor(
        centreOf(segmentPolygon(segment, image.width(), image.height(), segmentWidth)));
}

} // namespace

class TestSevenSegment final : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void newDigitWithValueZeroStaysDark();
    void valueSequences_data();
    void valueSequences();
    void changeRepaintsBeforeFiringOnce();
    void equalSegmentsDoNothing();
    void segmentsLeaveValueAlone();
    void appearanceSettersRepaintOnly_data();
    void appearanceSettersRepaintOnly();
    void renderedDigit_data();
    void renderedDigit();
    void systemColoursFollowThePalette();
};

void TestSevenSegment::defaults()
{
    TdsSevenSegmentDisplay digit;
    QCOMPARE(digit.size(), QSize(40, 76));
    QCOMPARE(digit.Segments(), 0);
    QCOMPARE(digit.SegmentWidth(), 4);
    QCOMPARE(digit.BackColor(), clGray);
    QCOMPARE(digit.OnColor(), clBlack);
    QCOMPARE(digit.OffColor(), clSilver);
    QCOMPARE(digit.Value(), 0);
    QVERIFY(!digit.autoFillBackground());
    QVERIFY(digit.setProperty("Value", 8));
    QCOMPARE(digit.property("Segments").toInt(), 0x7F);
}

void TestSevenSegment::newDigitWithValueZeroStaysDark()
{
    Scene scene(QSize(40, 76));
    QVERIFY(scene.show());
    scene.control->setValue(0);
    QCOMPARE(scene.control->Segments(), 0);
    QCOMPARE(scene.changes, 0);
    QCOMPARE(scene.counter.paints, 0);
    const QImage image = scene.pixels();
    for (int s = 0; s < segmentCount; ++s) {
        QCOMPARE(segmentPixel(image, s), silver);
    }
}

void TestSevenSegment::valueSequences_data()
{
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<int>("segments");
    QTest::addColumn<int>("changes");
    QTest::newRow("8 then 0") << QList<int> { 8, 0 } << 0x77 << 2;
    QTest::newRow("10 shows E") << QList<int> { 10 } << 0x5B << 1;
    QTest::newRow("-1 shows E") << QList<int> { -1 } << 0x5B << 1;
    QTest::newRow("10 then 11 stays E quietly") << QList<int> { 10, 11 } << 0x5B << 1;
    QTest::newRow("same digit twice") << QList<int> { 3, 3 } << 0x6D << 1;
}

void TestSevenSegment::valueSequences()
{
    QFETCH(QList<int>, values);
    QFETCH(int, changes);
    Scene scene(QSize(40, 76));
    QVERIFY(scene.show());
    for (const int value : values) {
        scene.control->setValue(value);
        QCOMPARE(scene.control->Value(), value);
    }
    QTEST(int(scene.control->Segments()), "segments");
    QCOMPARE(scene.changes, changes);
    QCOMPARE(scene.counter.paints, changes);
}

void TestSevenSegment::changeRepaintsBeforeFiringOnce()
{
    Scene scene(QSize(40, 76));
    QVERIFY(scene.show());
    scene.control->setSegments(segmentBit(tsUpperRight) | segmentBit(tsLowerRight));
    QCOMPARE(scene.changes, 1);
    QCOMPARE(scene.paintsAtChange, 1);
    QCOMPARE(segmentPixel(scene.pixels(), tsUpperRight), QColor(Qt::black));
}

void TestSevenSegment::equalSegmentsDoNothing()
{
    Scene scene(QSize(40, 76));
    scene.control->setSegments(0x24);
    QVERIFY(scene.show());
    scene.changes = 0;
    scene.control->setSegments(0x24);
    // Bit 7 is no bar: 0xA4 is the same set.
    scene.control->setSegments(0xA4);
    QCOMPARE(int(scene.control->Segments()), 0x24);
    QCOMPARE(scene.changes, 0);
    QCOMPARE(scene.counter.paints, 0);
}

void TestSevenSegment::segmentsLeaveValueAlone()
{
    TdsSevenSegmentDisplay digit;
    digit.setValue(3);
    digit.setSegments(0x7F);
    QCOMPARE(digit.Value(), 3);
    digit.setValue(3);
    QCOMPARE(int(digit.Segments()), 0x7F);
}

void TestSevenSegment::appearanceSettersRepaintOnly_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("paints");
    QTest::newRow("segment width changed") << QByteArray("SegmentWidth") << 5 << 1;
    QTest::newRow("segment width equal") << QByteArray("SegmentWidth") << 4 << 0;
    QTest::newRow("back colour changed") << QByteArray("BackColor") << clWhite << 1;
    QTest::newRow("on colour changed") << QByteArray("OnColor") << clRed << 1;
    QTest::newRow("off colour changed") << QByteArray("OffColor") << clGray << 1;
    QTest::newRow("off colour equal") << QByteArray("OffColor") << clSilver << 0;
}

void TestSevenSegment::appearanceSettersRepaintOnly()
{
    QFETCH(QByteArray, property);
    QFETCH(int, value);
    Scene scene(QSize(40, 76));
    QVERIFY(scene.show());
    QVERIFY(scene.control->setProperty(property.constData(), value));
    QCOMPARE(scene.control->property(property.constData()).toInt(), value);
    QTEST(scene.counter.paints, "paints");
    QCOMPARE(scene.changes, 0);
}

void TestSevenSegment::renderedDigit_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("segmentWidth");
    QTest::newRow("40x76 digit 2") << QSize(40, 76) << 2 << 4;
    QTest::newRow("121x209 digit 4") << QSize(121, 209) << 4 << 4;
    QTest::newRow("121x209 E, width 5") << QSize(121, 209) << 42 << 5;
    QTest::newRow("121x209 digit 8, width 0 shows no bars") << QSize(121, 209) << 8 << 0;
}

void TestSevenSegment::renderedDigit()
{
    QFETCH(QSize, size);
    QFETCH(int, value);
    QFETCH(int, segmentWidth);
    Scene scene(size);
    scene.control->setBackColor(0x204060);
    scene.control->setOnColor(clRed);
    scene.control->setSegmentWidth(segmentWidth);
    scene.control->setValue(value);
    const QImage image = scene.pixels();

    const QColor back(0x60, 0x40, 0x20);
    for (int s = 0; s < segmentCount; ++s) {
        const bool lit = hasSegment(digitSegments(value), TdsDisplaySegment(s));
        const QColor expected = segmentWidth == 0 ? back : lit ? QColor(Qt::red) : silver;
        QCOMPARE(segmentPixel(image, s, segmentWidth), expected);
    }
    // The one-unit band along every edge, corners included.
    const int w = size.width();
    const int h = size.height();
    const int bandX = w / 20 - 1;
    const int bandY = h / 38 - 1;
    for (const QPoint p : { QPoint(0, 0), QPoint(w - 1, h - 1), QPoint(w - 1, 0), QPoint(0, h - 1),
                            QPoint(w / 2, bandY), QPoint(bandX, h / 2),
                            QPoint(w - 1 - bandX, h / 4), QPoint(w / 2, h - 1 - bandY) }) {
        QCOMPARE(image.pixelColor(p), back);
    }
}

void TestSevenSegment::systemColoursFollowThePalette()
{
    Scene scene(QSize(40, 76));
    scene.control->setBackColor(clBtnFace);
    scene.control->setOnColor(clBtnShadow);
    scene.control->setOffColor(clBtnHighlight);
    scene.control->setValue(1);
    const QImage image = scene.pixels();
    QCOMPARE(image.pixelColor(0, 0), faceColor);
    QCOMPARE(segmentPixel(image, tsUpperRight), shadowColor);
    QCOMPARE(segmentPixel(image, tsTop), lightColor);
}

QTEST_MAIN(TestSevenSegment)
#include "tst_seven_segment.moc"
