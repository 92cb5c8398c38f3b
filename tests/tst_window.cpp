// The console as an operator meets it: the real program in a real X window (Xvfb, started by
// with_xvfb.sh), driven with real key and mouse events through xdotool, against bodovka-sim.
// What reaches the scoreboard is read from the simulator's lines, what the window shows from a
// screenshot of it.

#include "support/simulator_process.h"
#include "support/x_desktop.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace testing;

namespace {

/// The home score field, in window coordinates.
const QPoint homeField(290, 571);

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
    QString consoleWindow(const QString &titlePattern)
    {
        return findWindow(titlePattern, m_console.processId());
    }
    QStringList waitForDigits(const DigitValues &expected)
    {
        return testing::waitForDigits(m_main, expected, QStringLiteral("tst_window.png"));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SimulatorProcess> m_simulator;
    QProcess m_console;
    QString m_main; // the main window's id
};

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
    QVERIFY(m_console.waitForStarted(desktopWaitMs));

    // The scan finds the simulator on COM1 and says so in a box, which a key press closes.
    const QString found = QStringLiteral("^Připojení$");
    QString box;
    QVERIFY2(
        QTest::qWaitFor([&] { return !(box = consoleWindow(found)).isEmpty(); }, desktopWaitMs),
        "no box \"Zařízení nalezeno na COM1\"");
    QVERIFY(m_simulator->waitForLine(QStringLiteral("probe")));
    QVERIFY(focusWindow(box));
    QVERIFY(pressKeys({ QStringLiteral("Return") }));
    QTRY_VERIFY_WITH_TIMEOUT(consoleWindow(found).isEmpty(), desktopWaitMs);

    m_main = consoleWindow(QStringLiteral("^Bodovka 1\\.3$"));
    QVERIFY(!m_main.isEmpty());
    // Without a window manager nothing activates the window: give it the keyboard.
    QVERIFY(focusWindow(m_main));
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("bodovka.ini"))));
}

void TestWindow::cleanupTestCase()
{
    // Closed as an operator closes it, the console ends by itself, with 0: a crash or a
    // sanitizer report (leaks are looked for at that point) would end it otherwise.
    const bool started = !m_main.isEmpty();
    bool closed = false;
    if (started && m_console.state() == QProcess::Running && closeWindow(m_main)) {
        closed = m_console.waitForFinished(desktopWaitMs);
    }
    if (m_console.state() != QProcess::NotRunning) {
        m_console.terminate();
        if (!m_console.waitForFinished(desktopWaitMs)) {
            m_console.kill();
            m_console.waitForFinished(desktopWaitMs);
        }
    }
    m_simulator.reset();
    m_dir.reset();
    if (started) {
        QVERIFY2(closed, "the console did not end when its main window was closed");
        QCOMPARE(m_console.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_console.exitCode(), 0);
    }
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
    QVERIFY(focusWindow(m_main));
    QVERIFY(clickAt(m_main, homeField));
    QVERIFY(pressKeys({ QStringLiteral("shift+Tab"), QStringLiteral("Tab") }));
    QVERIFY(typeText(home));
    QVERIFY(pressKeys({ QStringLiteral("Tab") }));
    QVERIFY(typeText(guest));
    const qsizetype before = m_simulator->events().size();
    QVERIFY(pressKeys(sendKeys));

    // Exactly one command, with the numbers as the fields hold them after their wrap rules.
    QTRY_COMPARE_WITH_TIMEOUT(
        m_simulator->events().mid(before),
        QStringList { QStringLiteral("score home=%1 guest=%2").arg(homeSent).arg(guestSent) },
        desktopWaitMs);
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
