// The console as an operator meets it: the real program in a real X window (Xvfb, started by
// with_xvfb.sh), driven with real key and mouse events through xdotool, against bodovka-sim.
// What reaches the scoreboard is read from the simulator's lines, what the window shows from a
// screenshot of it.

#include "support/simulator_process.h"

#include "controls/segment_geometry.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using testing::SimulatorProcess;

namespace {

constexpr int waitMs = 10000;

const QColor lime(0, 255, 0);
const QColor red(255, 0, 0);
const QColor yellow(255, 255, 0);
const QColor silver(192, 192, 192);

/// One digit of the main window: where it sits in the window and the colour of its lit bars.
struct DigitPlace
{
    const char *name;
    QPoint topLeft;
    QColor on;
};

constexpr QSize digitSize(121, 209);
constexpr int segmentWidth = 4;

const DigitPlace period { "period", { 88, 96 }, yellow };
const DigitPlace minuteTens { "minute tens", { 256, 96 }, red };
const DigitPlace minuteUnits { "minute units", { 376, 96 }, red };
const DigitPlace secondTens { "second tens", { 528, 96 }, red };
const DigitPlace secondUnits { "second units", { 648, 96 }, red };
const DigitPlace homeTens { "home tens", { 192, 336 }, lime };
const DigitPlace homeUnits { "home units", { 312, 336 }, lime };
const DigitPlace guestTens { "guest tens", { 464, 336 }, lime };
const DigitPlace guestUnits { "guest units", { 584, 336 }, lime };

/// The home score field, in window coordinates.
const QPoint homeField(290, 571);

QString colourName(QRgb rgb)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(rgb)).arg(qGreen(rgb)).arg(qBlue(rgb));
}

/// Every bar of `digit` in the picture that does not show `value`: lit bars in the digit's
/// colour, dark bars silver.
QStringList digitMismatches(const QImage &window, const DigitPlace &place, int value)
{
    QStringList wrong;
    const TdsDisplaySegments lit = controls::digitSegments(value);
    for (int bar = 0; bar < controls::segmentCount; ++bar) {
        const QPolygon outline
            = controls::segmentPolygon(bar, digitSize.width(), digitSize.height(), segmentWidth);
        const QPoint inside = place.topLeft + outline.boundingRect().center();
        const bool on = controls::hasSegment(lit, static_cast<TdsDisplaySegment>(bar));
        const QColor expected = on ? place.on : silver;
        const QRgb seen = window.pixel(inside);
        if (QColor(seen) != expected) {
            wrong += QStringLiteral("%1 (%2) bar %3 is %4, not %5")
                         .arg(QLatin1String(place.name))
                         .arg(value)
                         .arg(bar)
                         .arg(colourName(seen), colourName(expected.rgb()));
        }
    }
    return wrong;
}

} // namespace

class TestWindow final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startsWithThePresetTime();
    void scoreTypedAndSent_data();
    void scoreTypedAndSent();

private:
    /// Runs xdotool with a bound; its output, nothing when it failed.
    std::optional<QString> xdotool(const QStringList &arguments);
    bool run(const QStringList &arguments) { return xdotool(arguments).has_value(); }
    /// The id of the console's visible window whose title matches; empty when there is none.
    QString consoleWindow(const QString &titlePattern);
    bool keys(const QStringList &keyNames);
    bool type(const QString &text);
    /// Waits until the main window shows `expected` (name → digit), bounded; the mismatches
    /// of the last screenshot otherwise, which is then kept beside the test for a look.
    QStringList waitForDigits(const QList<std::pair<DigitPlace, int>> &expected);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SimulatorProcess> m_simulator;
    QProcess m_console;
    QString m_main; // the main window's id
};

std::optional<QString> TestWindow::xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(waitMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(waitMs);
        return std::nullopt;
    }
    // "search" exits 1 when it finds nothing: that is an empty answer, not a failure.
    if (process.exitCode() != 0 && arguments.value(0) != QLatin1String("search")) {
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString TestWindow::consoleWindow(const QString &titlePattern)
{
    const QString found = xdotool({ QStringLiteral("search"), QStringLiteral("--all"),
                                    QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                    QString::number(m_console.processId()),
                                    QStringLiteral("--name"), titlePattern })
                              .value_or(QString());
    return found.isEmpty() ? QString() : found.split(u'\n').constFirst();
}

bool TestWindow::keys(const QStringList &keyNames)
{
    return run(
        QStringList { QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("20") }
        + keyNames);
}

bool TestWindow::type(const QString &text)
{
    return run({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                 QStringLiteral("--"), text });
}

QStringList TestWindow::waitForDigits(const QList<std::pair<DigitPlace, int>> &expected)
{
    QImage shot;
    QStringList wrong;
    const auto matches = [&] {
        QScreen *screen = QGuiApplication::primaryScreen();
        shot = screen->grabWindow(WId(m_main.toULongLong())).toImage();
        wrong.clear();
        if (shot.size() != QSize(779, 591)) {
            wrong += QStringLiteral("the window is %1 x %2").arg(shot.width()).arg(shot.height());
            return false;
        }
        for (const auto &[place, value] : expected) {
            wrong += digitMismatches(shot, place, value);
        }
        return wrong.isEmpty();
    };
    if (!QTest::qWaitFor(matches, waitMs)) {
        const QString kept = QDir::current().absoluteFilePath(QStringLiteral("tst_window.png"));
        shot.save(kept);
        wrong += QStringLiteral("screenshot kept in ") + kept;
    }
    return wrong;
}

void TestWindow::initTestCase()
{
    QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
             "needs an X display: run it through tests/with_xvfb.sh (./test does)");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
             "xdotool is missing (Debian package xdotool)");

    // A copy of the console in a folder of its own: its settings file and ports/ go there.
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString program = m_dir->filePath(QStringLiteral("bodovka"));
    QVERIFY(QFile::copy(QStringLiteral(BODOVKA_CONSOLE_PATH), program));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("ports")));

    m_simulator = std::make_unique<SimulatorProcess>();
    QVERIFY(m_simulator->start({ QStringLiteral("--dir"), m_dir->path() }));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_console.setProcessEnvironment(environment);
    m_console.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_console.setStandardOutputFile(QProcess::nullDevice());
    m_console.start(program, {});
    QVERIFY(m_console.waitForStarted(waitMs));

    // The scan finds the simulator on COM1 and says so in a box, which a key press closes.
    const QString found = QStringLiteral("^Připojení$");
    QString box;
    QVERIFY2(QTest::qWaitFor([&] { return !(box = consoleWindow(found)).isEmpty(); }, waitMs),
             "no box \"Zařízení nalezeno na COM1\"");
    QVERIFY(m_simulator->waitForLine(QStringLiteral("probe")));
    QVERIFY(run({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), box }));
    QVERIFY(keys({ QStringLiteral("Return") }));
    QTRY_VERIFY_WITH_TIMEOUT(consoleWindow(found).isEmpty(), waitMs);

    m_main = consoleWindow(QStringLiteral("^Bodovka 1\\.3$"));
    QVERIFY(!m_main.isEmpty());
    // Without a window manager nothing activates the window: give it the keyboard.
    QVERIFY(run({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_main }));
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("bodovka.ini"))));
}

void TestWindow::cleanupTestCase()
{
    if (m_console.state() != QProcess::NotRunning) {
        m_console.terminate();
        if (!m_console.waitForFinished(waitMs)) {
            m_console.kill();
            m_console.waitForFinished(waitMs);
        }
    }
    m_simulator.reset();
    m_dir.reset();
}

void TestWindow::startsWithThePresetTime()
{
    // A fresh settings file presets 07:00 in the first period; the score starts at 00:00.
    const QStringList wrong = waitForDigits({ { period, 1 },
                                              { minuteTens, 0 },
                                              { minuteUnits, 7 },
                                              { secondTens, 0 },
                                              { secondUnits, 0 },
                                              { homeTens, 0 },
                                              { homeUnits, 0 },
                                              { guestTens, 0 },
                                              { guestUnits, 0 } });
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
}

void TestWindow::scoreTypedAndSent_data()
{
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("guest");
    QTest::addColumn<QStringList>("sendKeys");
    QTest::addColumn<int>("homeSent");
    QTest::addColumn<int>("guestSent");

    const QStringList accelerator { QStringLiteral("alt+o") };
    const QStringList spaceOnButton { QStringLiteral("Tab"), QStringLiteral("space") };
    QTest::newRow("Alt+O sends 12 : 7") << "12"
                                        << "7" << accelerator << 12 << 7;
    QTest::newRow("Space on the button sends 3 : 45") << "3"
                                                      << "45" << spaceOnButton << 3 << 45;
    QTest::newRow("typed 100 wraps to 0, -1 to 99") << "100"
                                                    << "-1" << accelerator << 0 << 99;
}

void TestWindow::scoreTypedAndSent()
{
    QFETCH(QString, home);
    QFETCH(QString, guest);
    QFETCH(QStringList, sendKeys);
    QFETCH(int, homeSent);
    QFETCH(int, guestSent);

    // A click into the home field, then out and back with the keyboard, which selects its text.
    QVERIFY(run({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_main }));
    QVERIFY(run({ QStringLiteral("mousemove"), QStringLiteral("--window"), m_main,
                  QString::number(homeField.x()), QString::number(homeField.y()),
                  QStringLiteral("click"), QStringLiteral("1") }));
    QVERIFY(keys({ QStringLiteral("shift+Tab"), QStringLiteral("Tab") }));
    QVERIFY(type(home));
    QVERIFY(keys({ QStringLiteral("Tab") }));
    QVERIFY(type(guest));
    const qsizetype before = m_simulator->events().size();
    QVERIFY(keys(sendKeys));

    // Exactly one command, with the numbers as the fields hold them after their wrap rules.
    QTRY_COMPARE_WITH_TIMEOUT(
        m_simulator->events().mid(before),
        QStringList { QStringLiteral("score home=%1 guest=%2").arg(homeSent).arg(guestSent) },
        waitMs);
    const QStringList wrong = waitForDigits({ { homeTens, homeSent / 10 },
                                              { homeUnits, homeSent % 10 },
                                              { guestTens, guestSent / 10 },
                                              { guestUnits, guestSent % 10 },
                                              { minuteTens, 0 },
                                              { minuteUnits, 7 },
                                              { secondTens, 0 },
                                              { secondUnits, 0 } });
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
