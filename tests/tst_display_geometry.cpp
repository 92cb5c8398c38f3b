#include "controls/led_geometry.h"
#include "controls/segment_geometry.h"
#include "controls/tcolor.h"

#include <QTest>

#include <climits>
#include <cmath>
#include <cstdlib>

using namespace controls;

namespace {

// The reference: grid coordinate x unit in exact integer arithmetic, rounded half to even.
// The coordinate is a non-negative multiple of 1/2 below 64, the unit a double below 1024.
int roundedExactly(double coordinate, double unit)
{
    int exponent = 0;
    const auto mantissa = static_cast<quint64>(std::ldexp(std::frexp(unit, &exponent), 53));
    const auto halves = static_cast<quint64>(coordinate * 2);
    // coordinate x unit = halves x mantissa / 2^shift
    const int shift = 54 - exponent;
    const quint64 product = halves * mantissa;
    const quint64 whole = product >> shift;
    const quint64 rest = product - (whole << shift);
    const quint64 half = quint64(1) << (shift - 1);
    if (rest > half || (rest == half && (whole & 1) != 0)) {
        return int(whole + 1);
    }
    return int(whole);
}

} // namespace

class TestDisplayGeometry final : public QObject
{
    Q_OBJECT

private slots:
    void digitTable_data();
    void digitTable();
    void segmentPolygon_data();
    void segmentPolygon();
    void segmentPolygonRoundsTheExactProduct();
    void extremeSegmentWidthStaysBounded();
    void highlight_data();
    void highlight();
    void arcAnglesAreParametric_data();
    void arcAnglesAreParametric();
    void colours_data();
    void colours();
};

void TestDisplayGeometry::digitTable_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("pattern");
    const int expected[] = { 0x77, 0x24, 0x5D, 0x6D, 0x2E, 0x6B, 0x7B, 0x25, 0x7F, 0x6F };
    for (int digit = 0; digit <= 9; ++digit) {
        QTest::addRow("digit %d", digit) << digit << expected[digit];
    }
    QTest::newRow("10 is E") << 10 << 0x5B;
    QTest::newRow("-1 is E") << -1 << 0x5B;
    QTest::newRow("int min is E") << INT_MIN << 0x5B;
}

void TestDisplayGeometry::digitTable()
{
    QFETCH(int, value);
    QTEST(int(digitSegments(value)), "pattern");
}

void TestDisplayGeometry::segmentPolygon_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("segmentWidth");
    QTest::addColumn<int>("segment");
    QTest::addColumn<QPolygon>("pixels");
    using P = QPolygon;
    const char *names[]
        = { "top", "upper left", "upper right", "middle", "lower left", "lower right", "bottom" };
    const P small[] = {
        P({ { 4, 2 }, { 36, 2 }, { 28, 10 }, { 12, 10 } }),
        P({ { 2, 4 }, { 2, 36 }, { 10, 28 }, { 10, 12 } }),
        P({ { 38, 4 }, { 38, 36 }, { 30, 28 }, { 30, 12 } }),
        P({ { 4, 38 }, { 8, 34 }, { 32, 34 }, { 36, 38 }, { 32, 42 }, { 8, 42 } }),
        P({ { 2, 40 }, { 2, 72 }, { 10, 64 }, { 10, 48 } }),
        P({ { 38, 40 }, { 38, 72 }, { 30, 64 }, { 30, 48 } }),
        P({ { 4, 74 }, { 36, 74 }, { 28, 66 }, { 12, 66 } }),
    };
    // 19 x 5.5 = 104.5 rounds to the even 104 at the middle bar's tips.
    const P large[] = {
        P({ { 12, 6 }, { 109, 6 }, { 85, 28 }, { 36, 28 } }),
        P({ { 6, 11 }, { 6, 99 }, { 30, 77 }, { 30, 33 } }),
        P({ { 115, 11 }, { 115, 99 }, { 91, 77 }, { 91, 33 } }),
        P({ { 12, 104 }, { 24, 94 }, { 97, 94 }, { 109, 104 }, { 97, 116 }, { 24, 116 } }),
        P({ { 6, 110 }, { 6, 198 }, { 30, 176 }, { 30, 132 } }),
        P({ { 115, 110 }, { 115, 198 }, { 91, 176 }, { 91, 132 } }),
        P({ { 12, 204 }, { 109, 204 }, { 85, 182 }, { 36, 182 } }),
    };
    for (int i = 0; i < 7; ++i) {
        QTest::addRow("40x76 %s", names[i]) << QSize(40, 76) << 4 << i << small[i];
        QTest::addRow("121x209 %s", names[i]) << QSize(121, 209) << 4 << i << large[i];
    }
    QTest::newRow("width 0 top has no area")
        << QSize(40, 76) << 0 << int(tsTop) << P({ { 4, 2 }, { 36, 2 }, { 36, 2 }, { 4, 2 } });
    // Half of 5 is 2.5: a truncated half would give (24, 94) and (97, 94).
    QTest::newRow("width 5 middle keeps the half unit")
        << QSize(121, 209) << 5 << int(tsMiddle)
        << P({ { 12, 104 }, { 27, 91 }, { 94, 91 }, { 109, 104 }, { 94, 118 }, { 27, 118 } });
    // 19 x (75 / 38 as a double) lies just below 37.5: 37, where the rounded product's
    // 37.5 would give the even 38.
    QTest::newRow("40x75 middle rounds the exact product")
        << QSize(40, 75) << 4 << int(tsMiddle)
        << P({ { 4, 37 }, { 8, 34 }, { 32, 34 }, { 36, 37 }, { 32, 41 }, { 8, 41 } });
    QTest::newRow("width 9 top crosses itself")
        << QSize(40, 76) << 9 << int(tsTop) << P({ { 4, 2 }, { 36, 2 }, { 18, 20 }, { 22, 20 } });
    QTest::newRow("ordinal 7 draws nothing") << QSize(40, 76) << 4 << 7 << P();
}

void TestDisplayGeometry::segmentPolygon()
{
    QFETCH(QSize, size);
    QFETCH(int, segmentWidth);
    QFETCH(int, segment);
    QTEST(controls::segmentPolygon(segment, size.width(), size.height(), segmentWidth), "pixels");
}

void TestDisplayGeometry::segmentPolygonRoundsTheExactProduct()
{
    // x depends on the width only and y on the height only, so one walk over both ranges
    // meets every width from 10 to 399 and every height from 10 to 799.
    for (const int segmentWidth : { 4, 5 }) {
        for (int i = 0; i < 790; ++i) {
            const int width = 10 + i % 390;
            const int height = 10 + i;
            for (int segment = 0; segment < segmentCount; ++segment) {
                const QPolygonF grid = controls::segmentGridPolygon(segment, segmentWidth);
                const QPolygon pixels
                    = controls::segmentPolygon(segment, width, height, segmentWidth);
                QCOMPARE(pixels.size(), grid.size());
                for (qsizetype p = 0; p < grid.size(); ++p) {
                    const QPoint exact(roundedExactly(grid[p].x(), double(width) / gridColumns),
                                       roundedExactly(grid[p].y(), double(height) / gridRows));
                    if (pixels[p] != exact) {
                        QFAIL(qPrintable(QStringLiteral("%1x%2, segment %3, point %4: (%5, %6), "
                                                        "exactly (%7, %8)")
                                             .arg(width)
                                             .arg(height)
                                             .arg(segment)
                                             .arg(p)
                                             .arg(pixels[p].x())
                                             .arg(pixels[p].y())
                                             .arg(exact.x())
                                             .arg(exact.y())));
                    }
                }
            }
        }
    }
}

void TestDisplayGeometry::extremeSegmentWidthStaysBounded()
{
    for (const int s : { INT_MAX, INT_MIN }) {
        const QPolygon polygon = controls::segmentPolygon(tsMiddle, 121, 209, s);
        QCOMPARE(polygon.size(), 6);
        for (const QPoint &point : polygon) {
            QVERIFY(std::abs(point.x()) <= (1 << 24) && std::abs(point.y()) <= (1 << 24));
        }
    }
}

void TestDisplayGeometry::highlight_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("d");
    QTest::addColumn<QRect>("ellipse");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    // Rectangles by their corners (6, 6, 27, 27) are QRect(6, 6, 21, 21).
    QTest::newRow("33x33") << QSize(33, 33) << 6 << QRect(6, 6, 21, 21) << QPoint(16, 6)
                           << QPoint(6, 16);
    QTest::newRow("60x30 takes the height")
        << QSize(60, 30) << 6 << QRect(6, 6, 48, 18) << QPoint(30, 6) << QPoint(6, 15);
    QTest::newRow("20x50 takes the width")
        << QSize(20, 50) << 4 << QRect(4, 4, 12, 42) << QPoint(10, 4) << QPoint(4, 25);
    QTest::newRow("4x4 uses the body")
        << QSize(4, 4) << 0 << QRect(0, 0, 4, 4) << QPoint(2, 0) << QPoint(0, 2);
}

void TestDisplayGeometry::highlight()
{
    QFETCH(QSize, size);
    const LedHighlight h = ledHighlight(size.width(), size.height());
    QTEST(h.d, "d");
    QTEST(h.ellipse, "ellipse");
    QTEST(h.from, "from");
    QTEST(h.to, "to");
}

void TestDisplayGeometry::arcAnglesAreParametric_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("span");
    QTest::newRow("33x33 highlight: top to left")
        << QRect(6, 6, 21, 21) << QPoint(16, 6) << QPoint(6, 16) << 90 * 16 << 90 * 16;
    // On a 2:1 ellipse the radial through the corner meets it at 45 parametric degrees,
    // although its polar angle is 26.6.
    QTest::newRow("wide ellipse, corner radials")
        << QRect(0, 0, 41, 21) << QPoint(40, 0) << QPoint(0, 20) << 45 * 16 << 180 * 16;
    QTest::newRow("counterclockwise the long way")
        << QRect(0, 0, 41, 21) << QPoint(0, 10) << QPoint(20, 0) << 180 * 16 << 270 * 16;
    QTest::newRow("coinciding radials: whole ellipse")
        << QRect(0, 0, 41, 21) << QPoint(40, 10) << QPoint(50, 10) << 0 << 360 * 16;
}

void TestDisplayGeometry::arcAnglesAreParametric()
{
    QFETCH(QRect, area);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    const PainterArc arc = painterArc(area, from, to);
    QTEST(arc.start, "start");
    QTEST(arc.span, "span");
}

void TestDisplayGeometry::colours_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<QColor>("resolved");
    QTest::newRow("red is the low byte") << clRed << QColor(255, 0, 0);
    QTest::newRow("mixed") << 0x336699 << QColor(0x99, 0x66, 0x33);
    QTest::newRow("unused high byte ignored") << 0x01C0C0C0 << QColor(192, 192, 192);
    QTest::newRow("button face") << clBtnFace << QColor(1, 2, 3);
    QTest::newRow("button shadow") << clBtnShadow << QColor(4, 5, 6);
    QTest::newRow("button highlight") << clBtnHighlight << QColor(7, 8, 9);
    QTest::newRow("unknown system colour") << int(0x800000FFu) << QColor(1, 2, 3);
}

void TestDisplayGeometry::colours()
{
    QFETCH(int, color);
    QPalette palette(QColor(1, 2, 3));
    palette.setColor(QPalette::Dark, QColor(4, 5, 6));
    palette.setColor(QPalette::Light, QColor(7, 8, 9));
    QTEST(controls::resolveColor(color, palette), "resolved");
}

QTEST_APPLESS_MAIN(TestDisplayGeometry)
#include "tst_display_geometry.moc"
