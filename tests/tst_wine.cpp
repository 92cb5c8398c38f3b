// The Windows program under Wine, on the private X display of with_xvfb.sh. Wine's COM ports
// are links in a folder of the Windows build (wine-lines/ports/COMn) to pseudo-terminals: the
// serial binding and TCommPortDriver are driven through build-win/serial_tool.exe, the whole
// console runs against bodovka-sim --headless. Skipped where tools/windows.sh has not built the
// Windows program.

#include "support/simulator_process.h"
#include "support/x_desktop.h"

#include "platform/testing/far_end_pty.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace testing;
using testing::FarEndPty;

namespace {

// A Windows program's first start in a prefix takes a while; later ones a second or two.
constexpr int wineWaitMs = 60000;

QString windowsBuild()
{
    return qEnvironmentVariable("BODOVKA_WINDOWS_BUILD", QStringLiteral(BODOVKA_WINDOWS_BUILD));
}

QString winePath(const char *program)
{
    const QString packaged = QStringLiteral("/usr/lib/wine/") + QLatin1String(program);
    return QFileInfo::exists(packaged) ? packaged
                                       : QStandardPaths::findExecutable(QLatin1String(program));
}

/// Why the tests cannot run here; empty when they can.
QString skipReason()
{
    const QString build = windowsBuild();
    const QStringList programs { QStringLiteral("bodovka.exe"), QStringLiteral("serial_tool.exe"),
                                 QStringLiteral("win_probe.exe") };
    for (const QString &program : programs) {
        if (!QFileInfo::exists(build + u'/' + program)) {
            return QStringLiteral(
                       "no Windows build (%1 is missing). tools/windows.sh builds it; the first "
                       "time it builds Qt for Windows, most of an hour on 2 cores. Once that Qt "
                       "is cached, ./test builds the Windows program and runs these tests.")
                .arg(build + u'/' + program);
        }
    }
    if (winePath("wine64").isEmpty() || winePath("wineserver64").isEmpty()) {
        return QStringLiteral(
            "Wine is missing (Debian package wine64; tools/windows.sh installs it)");
    }
    return {};
}

/// Starts a Wine program. As root, without the capability that lets root open a line held
/// exclusively: Windows refuses a port that another process holds, and Wine opens its ports as
/// plain Linux devices. Its server, started by the first of them, inherits the same.
void startWine(QProcess &process, const QString &program, const QStringList &arguments)
{
    if (geteuid() != 0) {
        process.start(program, arguments);
        return;
    }
    process.start(QStringLiteral("setpriv"),
                  QStringList { QStringLiteral("--bounding-set=-sys_admin"),
                                QStringLiteral("--inh-caps=-sys_admin"), QStringLiteral("--"),
                                program }
                      + arguments);
}

/// A Windows program under Wine, in the test's prefix, with its standard output read by line.
class WineProcess
{
public:
    ~WineProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(wineWaitMs);
        }
    }

    void start(const QString &program, const QStringList &arguments)
    {
        m_process.setProcessEnvironment(environment());
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        startWine(m_process, winePath("wine64"), QStringList { program } + arguments);
    }

    /// The next line of standard output, bounded; empty when none came.
    QString line()
    {
        const QDeadlineTimer deadline(wineWaitMs);
        while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning
               && !deadline.hasExpired()) {
            m_process.waitForReadyRead(100);
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }

    void say(const QByteArray &command) { m_process.write(command + '\n'); }

    /// Waits for the end; the exit code, or -1 after a crash or when it does not end.
    int finish()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(wineWaitMs)) {
            return -1;
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    static QProcessEnvironment environment()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WINEPREFIX"), prefix());
        environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
        // No .NET and no browser engine to offer to install.
        environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
        // The Windows program has only its own platform plugin.
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return environment;
    }

    static QString prefix() { return windowsBuild() + QStringLiteral("/wine-prefix"); }

private:
    QProcess m_process;
};

/// Runs a Wine tool (wineboot, reg, wineserver) to its end; true when it ended with 0.
bool runWine(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(WineProcess::environment());
    process.setStandardOutputFile(QProcess::nullDevice());
    startWine(process, program, arguments);
    const bool ended = process.waitForFinished(5 * wineWaitMs);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool regAdd(const QString &key, const QString &name, const QString &value,
            const QString &type = QStringLiteral("REG_SZ"))
{
    return runWine(winePath("wine64"), { QStringLiteral("reg"), QStringLiteral("add"), key,
                                         QStringLiteral("/v"), name, QStringLiteral("/t"), type,
                                         QStringLiteral("/d"), value, QStringLiteral("/f") });
}

/// Ends every Wine process of the prefix; the next one starts a server that reads the registry
/// and the display afresh.
void stopWine()
{
    runWine(winePath("wineserver64"), { QStringLiteral("-k") });
    runWine(winePath("wineserver64"), { QStringLiteral("-w") });
}

/// The screen's dpi, as Windows keeps it for the user (96 is 100 %).
bool setDpi(int dpi)
{
    stopWine();
    const bool set
        = regAdd(QStringLiteral("HKCU\\Control Panel\\Desktop"), QStringLiteral("LogPixels"),
                 QString::number(dpi), QStringLiteral("REG_DWORD"));
    stopWine();
    return set;
}

/// A window as Windows places it: its frame, the free area of its monitor, the monitor's dpi.
struct WindowPlace
{
    QRect frame;
    QRect freeArea;
    int dpi = 0;
};

/// Where win_probe.exe finds the window of that title; nothing when there is none.
std::optional<WindowPlace> placeOf(const QString &title)
{
    WineProcess probe;
    probe.start(windowsBuild() + QStringLiteral("/win_probe.exe"),
                { QStringLiteral("window"), title });
    const QStringList words = probe.line().split(u' ');
    probe.finish();
    if (words.size() != 12 || words[0] != QLatin1String("window")) {
        return std::nullopt;
    }
    const auto rect = [&words](int first) {
        return QRect(QPoint(words[first].toInt(), words[first + 1].toInt()),
                     QPoint(words[first + 2].toInt() - 1, words[first + 3].toInt() - 1));
    };
    return WindowPlace { rect(1), rect(6), words[11].toInt() };
}

/// An X server of its own, whose screen is the size of a laptop's free area.
class Screen
{
public:
    explicit Screen(QSize size)
    {
        for (int number = 90; number < 130 && m_display.isEmpty(); ++number) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))) {
                continue;
            }
            m_server.start(QStringLiteral("Xvfb"),
                           { QStringLiteral(":%1").arg(number), QStringLiteral("-screen"),
                             QStringLiteral("0"),
                             QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()),
                             QStringLiteral("-nolisten"), QStringLiteral("tcp") });
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
            if (QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, desktopWaitMs)) {
                m_display = QStringLiteral(":%1").arg(number).toLatin1();
            } else {
                m_server.kill();
                m_server.waitForFinished();
            }
        }
    }
    ~Screen()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(desktopWaitMs)) {
            m_server.kill();
            m_server.waitForFinished();
        }
    }
    QByteArray display() const { return m_display; }

private:
    QProcess m_server;
    QByteArray m_display;
};

/// serial_tool.exe on one port.
class SerialTool : public WineProcess
{
public:
    explicit SerialTool(int port)
    {
        start(windowsBuild() + QStringLiteral("/serial_tool.exe"),
              { QStringLiteral("COM%1").arg(port) });
    }
};

} // namespace

class TestWine final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void lineSettingsReachTheLine_data();
    void lineSettingsReachTheLine();
    void allByteValuesBothWays();
    void portRefused_data();
    void portRefused();
    void firstStartFindsControllerAndStores();
    void secondStartShowsStoredValues();
    void settingsWriteRidesOutABriefHold();
    void settingsHeldAcrossTheStartAreWaitedFor();
    void journalOpenInExcelKeepsEveryEvent();
    void windowsInsideTheFreeArea_data();
    void windowsInsideTheFreeArea();
    void feedAnswersWithTheScoreSent();

private:
    QString lines() const { return windowsBuild() + QStringLiteral("/wine-lines"); }
    QString portLink(int port) const { return lines() + QStringLiteral("/ports/COM%1").arg(port); }
    /// Links Wine's COMn to the slave of the pseudo-terminal.
    bool linkPort(int port, const FarEndPty &line);
    /// bodovka-sim on Wine's COM1.
    bool startSimulator(SimulatorProcess &simulator)
    {
        return simulator.start(
            { QStringLiteral("--dir"), lines(), QStringLiteral("--port"), QStringLiteral("COM1") });
    }
    /// Starts the console copy and answers its box about the controller it found.
    bool startConsole(WineProcess &console);
    /// Closes the console's main window as an operator does; true when it then ended with 0.
    bool closeConsole(WineProcess &console);
    /// Clicks into a field, selects its text with the keyboard and types; "Tab" moves on.
    bool enter(QPoint field, const QStringList &text);
    /// The settings file of the console's copy, as a Windows path.
    QString settingsPath() const;

    std::unique_ptr<QTemporaryDir> m_dir; // the console's copy, and its settings file
    QString m_main;                       // the console's main window
};

void TestWine::initTestCase()
{
    QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
             "needs an X display: run it through tests/with_xvfb.sh (./test does)");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
             "xdotool is missing (Debian package xdotool)");
    QVERIFY(QDir().mkpath(lines() + QStringLiteral("/ports")));

    // The prefix is made once per Windows build. Wine's COM ports are fixed paths in it, read
    // when the wine server starts; the links behind them change freely. Windows' fonts are
    // stood in for by Liberation Sans, which has Arial's metrics.
    const QString ready = WineProcess::prefix() + QStringLiteral("/bodovka-ready");
    if (!QFileInfo::exists(ready)) {
        QVERIFY2(
            runWine(winePath("wine64"), { QStringLiteral("wineboot"), QStringLiteral("--init") }),
            "wineboot did not make the prefix");
        for (int port = 1; port <= 10; ++port) {
            QVERIFY(regAdd(QStringLiteral("HKLM\\Software\\Wine\\Ports"),
                           QStringLiteral("COM%1").arg(port), portLink(port)));
        }
        for (const QString &font :
             { QStringLiteral("Arial"), QStringLiteral("Microsoft Sans Serif") }) {
            QVERIFY(regAdd(QStringLiteral("HKCU\\Software\\Wine\\Fonts\\Replacements"), font,
                           QStringLiteral("Liberation Sans")));
        }
        QVERIFY(runWine(winePath("wineserver64"), { QStringLiteral("-k") }));
        QVERIFY(QFile(ready).open(QIODevice::WriteOnly));
    }
    QVERIFY(setDpi(96));
}

void TestWine::cleanupTestCase()
{
    for (int port = 1; port <= 10; ++port) {
        QFile::remove(portLink(port));
    }
    // Wine's own processes end with its server; none outlives the test.
    setDpi(96);
}

bool TestWine::linkPort(int port, const FarEndPty &line)
{
    QFile::remove(portLink(port));
    return line.ok() && QFile::link(line.slave(), portLink(port));
}

void TestWine::lineSettingsReachTheLine_data()
{
    QTest::addColumn<int>("port");
    QTest::newRow("COM1") << 1;
    QTest::newRow("COM10, named with \\\\.\\") << 10;
}

void TestWine::lineSettingsReachTheLine()
{
    QFETCH(int, port);
    FarEndPty line;
    QVERIFY(linkPort(port, line));
    SerialTool tool(port);
    QCOMPARE(tool.line(), QStringLiteral("open"));

    // The master side reads the settings of the slave that Wine opened: 9600 8N1, raw.
    termios settings {};
    QCOMPARE(tcgetattr(line.master(), &settings), 0);
    QCOMPARE(cfgetospeed(&settings), speed_t(B9600));
    QCOMPARE(cfgetispeed(&settings), speed_t(B9600));
    QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    QCOMPARE(settings.c_lflag & (ICANON | ECHO), tcflag_t(0));
    QCOMPARE(settings.c_iflag & (IXON | IXOFF), tcflag_t(0));
    QCOMPARE(tool.finish(), 0);
}

void TestWine::allByteValuesBothWays()
{
    FarEndPty line;
    QVERIFY(linkPort(1, line));
    SerialTool tool(1);
    QCOMPARE(tool.line(), QStringLiteral("open"));

    QByteArray all;
    for (int value = 0; value < 256; ++value) {
        all.append(char(value));
    }
    tool.say("send");
    // Every write reports the byte written, and every byte arrives once, in order.
    QCOMPARE(tool.line(), QStringLiteral("sent 256"));
    QCOMPARE(line.read(256).toHex(), all.toHex());

    std::reverse(all.begin(), all.end());
    QVERIFY(line.write(all));
    tool.say("receive 256");
    QCOMPARE(tool.line(), QStringLiteral("received ") + QString::fromLatin1(all.toHex()));
    QCOMPARE(tool.finish(), 0);
}

void TestWine::portRefused_data()
{
    QTest::addColumn<bool>("held");
    QTest::newRow("missing port") << false;
    QTest::newRow("held by another process") << true;
}

void TestWine::portRefused()
{
    QFETCH(bool, held);
    const int port = 2;
    FarEndPty line;
    int holder = -1;
    if (held) {
        // Held as a console on Linux holds its port: exclusively.
        QVERIFY(linkPort(port, line));
        holder = ::open(line.slave().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(holder >= 0);
        QCOMPARE(ioctl(holder, TIOCEXCL), 0);
    } else {
        QFile::remove(portLink(port));
    }
    SerialTool tool(port);
    const QString answer = tool.line();
    const int exitCode = tool.finish();
    if (holder >= 0) {
        ::close(holder);
    }
    QCOMPARE(answer, QStringLiteral("refused"));
    QCOMPARE(exitCode, 1);
}

bool TestWine::startConsole(WineProcess &console)
{
    console.start(m_dir->filePath(QStringLiteral("bodovka.exe")), {});
    // The scan finds the simulator on COM1 and says so in a box; Return closes it.
    const QString found = QStringLiteral("^Připojení$");
    QString box;
    if (!QTest::qWaitFor([&] { return !(box = findWindow(found)).isEmpty(); }, wineWaitMs)) {
        qWarning("no box \"Zařízení nalezeno na COM1\"; windows: %s",
                 qPrintable(xdotool({ QStringLiteral("search"), QStringLiteral("--name"),
                                      QStringLiteral("."), QStringLiteral("getwindowname"),
                                      QStringLiteral("%@") })
                                .value_or(QString())
                                .replace(u'\n', u'|')));
        return false;
    }
    if (!focusWindow(box) || !pressKeys({ QStringLiteral("Return") })
        || !QTest::qWaitFor([&] { return findWindow(found).isEmpty(); }, desktopWaitMs)) {
        qWarning("the box about the controller did not close on Return");
        return false;
    }
    // A large window (200 %) may show a moment after its box has gone.
    const QString title = QStringLiteral("^Bodovka 1\\.3( – .*)?$");
    if (!QTest::qWaitFor([&] { return !(m_main = findWindow(title)).isEmpty(); }, desktopWaitMs)) {
        qWarning("no main window after the box");
        return false;
    }
    if (!focusWindow(m_main)) {
        qWarning("the main window did not take the focus");
        return false;
    }
    return true;
}

bool TestWine::closeConsole(WineProcess &console)
{
    return closeWindow(m_main) && console.finish() == 0;
}

bool TestWine::enter(QPoint field, const QStringList &text)
{
    // A click into a field, then out and back with the keyboard, selects its text.
    return clickAt(m_main, field)
           && pressKeys({ QStringLiteral("shift+Tab"), QStringLiteral("Tab") })
           && std::all_of(text.begin(), text.end(), [](const QString &part) {
                  return part == QLatin1String("Tab") ? pressKeys({ part }) : typeText(part);
              });
}

QString TestWine::settingsPath() const
{
    return m_dir->filePath(QStringLiteral("bodovka.ini"));
}

void TestWine::firstStartFindsControllerAndStores()
{
    // A copy of the program alone in a folder: its settings file appears beside it.
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QFile::copy(windowsBuild() + QStringLiteral("/bodovka.exe"),
                        m_dir->filePath(QStringLiteral("bodovka.exe"))));
    QFile::remove(portLink(1));
    SimulatorProcess simulator;
    QVERIFY(startSimulator(simulator));
    WineProcess console;
    QVERIFY(startConsole(console));
    QVERIFY(simulator.waitForLine(QStringLiteral("probe")));

    // The score, the period and the siren, typed and sent with the keyboard.
    QVERIFY(enter(QPoint(290, 571),
                  { QStringLiteral("12"), QStringLiteral("Tab"), QStringLiteral("7") }));
    QVERIFY(pressKeys({ QStringLiteral("alt+o") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("score home=12 guest=7")));
    QVERIFY(enter(QPoint(40, 179), { QStringLiteral("3") }));
    QVERIFY(pressKeys({ QStringLiteral("alt+d") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("period 3")));
    QVERIFY(enter(QPoint(30, 435), { QStringLiteral("7") }));
    QVERIFY(pressKeys({ QStringLiteral("alt+e") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("siren 7")));

    // For a look at the fonts: no label cut or covered.
    grabWindow(m_main).save(windowsBuild() + QStringLiteral("/tst_wine.png"));
    QVERIFY(closeConsole(console));

    // Windows line ends throughout, and what was sent is stored.
    QFile settings(settingsPath());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray text = settings.readAll();
    QVERIFY(text.endsWith("\r\n"));
    QCOMPARE(text.count('\n'), text.count("\r\n"));
    QVERIFY2(text.contains("\r\nPolocas=3\r\n") && text.contains("\r\nSirena=7\r\n"),
             text.constData());
}

void TestWine::secondStartShowsStoredValues()
{
    QVERIFY2(m_dir, "needs the first start");
    SimulatorProcess simulator;
    QVERIFY(startSimulator(simulator));
    WineProcess console;
    QVERIFY(startConsole(console));

    // The stored period is on the display, and "Nastavit vše" sends the stored period and siren.
    const QStringList wrong = waitForDigits(m_main, { { period, 3 }, { minuteUnits, 7 } },
                                            QStringLiteral("tst_wine.png"));
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
    QVERIFY(pressKeys({ QStringLiteral("alt+a") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("siren 7")));
    QVERIFY(simulator.events().contains(QStringLiteral("period 3")));
    QVERIFY(closeConsole(console));
}

void TestWine::settingsWriteRidesOutABriefHold()
{
    QVERIFY2(m_dir, "needs the first start");
    SimulatorProcess simulator;
    QVERIFY(startSimulator(simulator));
    WineProcess console;
    QVERIFY(startConsole(console));

    // A scanner opens the file without sharing for 600 ms while the operator sends the period:
    // the write waits for it, then the period is stored and sent, with no error box.
    WineProcess scanner;
    scanner.start(windowsBuild() + QStringLiteral("/win_probe.exe"),
                  { QStringLiteral("hold"),
                    QStringLiteral("Z:") + QDir::toNativeSeparators(settingsPath()),
                    QStringLiteral("600") });
    QCOMPARE(scanner.line(), QStringLiteral("held"));
    QVERIFY(enter(QPoint(40, 179), { QStringLiteral("2") }));
    QVERIFY(pressKeys({ QStringLiteral("alt+d") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("period 2")));
    QCOMPARE(scanner.line(), QStringLiteral("released"));
    QVERIFY(findWindow(QStringLiteral("^Bodovka$")).isEmpty());
    QVERIFY(closeConsole(console));
    QFile settings(settingsPath());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("\r\nPolocas=2\r\n"));
}

void TestWine::settingsHeldAcrossTheStartAreWaitedFor()
{
    QVERIFY2(m_dir, "needs the first start");
    SimulatorProcess simulator;
    QVERIFY(startSimulator(simulator));
    // A sync client holds the file without sharing for 2.5 s while the console starts: it
    // reads the stored values once the file is free, not zeros.
    WineProcess syncClient;
    syncClient.start(windowsBuild() + QStringLiteral("/win_probe.exe"),
                     { QStringLiteral("hold"),
                       QStringLiteral("Z:") + QDir::toNativeSeparators(settingsPath()),
                       QStringLiteral("2500") });
    QCOMPARE(syncClient.line(), QStringLiteral("held"));
    WineProcess console;
    QVERIFY(startConsole(console));
    QCOMPARE(syncClient.line(), QStringLiteral("released"));
    QVERIFY(pressKeys({ QStringLiteral("alt+a") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("siren 7")));
    QVERIFY(simulator.events().contains(QStringLiteral("period 2")));
    QVERIFY(simulator.events().contains(QStringLiteral("time 07:00.00")));
    QVERIFY(closeConsole(console));
}

void TestWine::journalOpenInExcelKeepsEveryEvent()
{
    QVERIFY2(m_dir, "needs the first start");
    QDir(m_dir->filePath(QStringLiteral("zapasy"))).removeRecursively();
    SimulatorProcess simulator;
    QVERIFY(startSimulator(simulator));
    WineProcess console;
    QVERIFY(startConsole(console));
    QVERIFY(enter(QPoint(290, 571), { QStringLiteral("1") }));
    QVERIFY(pressKeys({ QStringLiteral("alt+o") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("score home=1 guest=0")));

    // The scorer opens the journal in Excel while the game goes on.
    const QFileInfoList journals = QDir(m_dir->filePath(QStringLiteral("zapasy")))
                                       .entryInfoList({ QStringLiteral("*.csv") });
    QCOMPARE(journals.size(), 1);
    WineProcess excel;
    excel.start(windowsBuild() + QStringLiteral("/win_probe.exe"),
                { QStringLiteral("open-as-excel"),
                  QStringLiteral("Z:") + QDir::toNativeSeparators(journals[0].filePath()),
                  QStringLiteral("4000") });
    QCOMPARE(excel.line(), QStringLiteral("held"));
    QVERIFY(enter(QPoint(40, 179), { QStringLiteral("3") }));
    QVERIFY(pressKeys({ QStringLiteral("alt+d") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("period 3")));
    QVERIFY(pressKeys({ QStringLiteral("alt+s") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("start")));
    QVERIFY(pressKeys({ QStringLiteral("alt+s") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("stop")));
    QCOMPARE(excel.line(), QStringLiteral("released"));
    QVERIFY(findWindow(QStringLiteral("^Bodovka$")).isEmpty()); // no box about the journal
    QVERIFY(closeConsole(console));

    QFile journal(journals[0].filePath());
    QVERIFY(journal.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(journal.readAll());
    for (const char *line : { ";gól;D;1;1:0\r\n", ";poločas;;3;1:0\r\n", ";start;;", ";stop;;",
                              ";konec programu;;;1:0\r\n" }) {
        QVERIFY2(text.contains(QString::fromUtf8(line)), qPrintable(text));
    }
}

void TestWine::windowsInsideTheFreeArea_data()
{
    QTest::addColumn<QSize>("freeArea");
    QTest::addColumn<int>("dpi");
    // The screen less a taskbar of 50 pixels (1366 x 768, 1920 x 1080) or 60 (3840 x 2160).
    for (const int dpi : { 96, 120, 144, 168 }) {
        QTest::addRow("1366 x 768 at %d %%", dpi * 100 / 96) << QSize(1366, 718) << dpi;
        QTest::addRow("1920 x 1080 at %d %%", dpi * 100 / 96) << QSize(1920, 1030) << dpi;
    }
    QTest::newRow("3840 x 2160 at 200 %") << QSize(3840, 2100) << 192;
}

void TestWine::windowsInsideTheFreeArea()
{
    QFETCH(QSize, freeArea);
    QFETCH(int, dpi);
    QVERIFY2(m_dir, "needs the first start");
    QVERIFY(setDpi(dpi));
    Screen screen(freeArea);
    QVERIFY2(!screen.display().isEmpty(), "no X server for the screen");
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", screen.display());
    const auto restore = qScopeGuard([&display] {
        stopWine();
        qputenv("DISPLAY", display);
        setDpi(96);
    });

    // Driving a fresh X server without a window manager now and then loses a key or a box
    // (about one row in ten); such a start is tried again, the places are never.
    std::optional<WindowPlace> main;
    std::optional<WindowPlace> dialog;
    for (int attempt = 0; attempt < 3 && !dialog; ++attempt) {
        stopWine();
        SimulatorProcess simulator;
        WineProcess console;
        if (startSimulator(simulator) && startConsole(console)) {
            main = placeOf(QStringLiteral("Bodovka 1.3"));
            if (main && pressKeys({ QStringLiteral("alt+n") })) {
                dialog = placeOf(QStringLiteral("Nastavení času"));
            }
        }
    }
    QVERIFY2(main && dialog, "the console's windows did not show in three starts");
    QCOMPARE(main->dpi, dpi);
    QCOMPARE(main->freeArea.size(), freeArea);
    QVERIFY2(main->freeArea.contains(main->frame),
             qPrintable(QStringLiteral("main window at %1,%2 %3 x %4")
                            .arg(main->frame.x())
                            .arg(main->frame.y())
                            .arg(main->frame.width())
                            .arg(main->frame.height())));
    QVERIFY(main->freeArea.contains(dialog->frame));
    qInfo("main window %d,%d %d x %d; time dialog %d,%d", main->frame.x(), main->frame.y(),
          main->frame.width(), main->frame.height(), dialog->frame.x(), dialog->frame.y());
}

void TestWine::feedAnswersWithTheScoreSent()
{
    QVERIFY2(m_dir, "needs the first start");
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    QFile settings(settingsPath());
    QVERIFY(settings.open(QIODevice::Append));
    settings.write(QStringLiteral("[Vysilani]\r\nPort=%1\r\n").arg(port).toLatin1());
    settings.close();

    SimulatorProcess simulator;
    QVERIFY(startSimulator(simulator));
    WineProcess console;
    QVERIFY(startConsole(console));
    QVERIFY(enter(QPoint(290, 571),
                  { QStringLiteral("4"), QStringLiteral("Tab"), QStringLiteral("2") }));
    QVERIFY(pressKeys({ QStringLiteral("alt+o") }));
    QVERIFY(simulator.waitForLine(QStringLiteral("score home=4 guest=2")));

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(client.waitForConnected(desktopWaitMs));
    client.write("GET /state.json HTTP/1.1\r\nHost: localhost\r\n\r\n");
    QByteArray answer;
    QVERIFY(QTest::qWaitFor(
        [&] {
            answer += client.readAll();
            return client.state() != QAbstractSocket::ConnectedState || answer.endsWith('}');
        },
        desktopWaitMs));
    const QJsonObject state
        = QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
    QCOMPARE(state.value(QStringLiteral("home")).toInt(), 4);
    QCOMPARE(state.value(QStringLiteral("guest")).toInt(), 2);
    QVERIFY(closeConsole(console));
}

int main(int argc, char *argv[])
{
    const QString why = skipReason();
    if (!why.isEmpty()) {
        std::printf("SKIP: %s\n", qPrintable(why));
        return 77;
    }
    QApplication app(argc, argv);
    TestWine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wine.moc"
