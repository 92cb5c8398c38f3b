#include "link/comdrv32.h"
#include "platform/serial.h"
#include "support/com_port_pty.h"
#include "support/ports_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

using namespace platform;

namespace {

// Set in the environment of a second copy of this program that only tries to open COM1.
const char childPortsVariable[] = "BODOVKA_TST_SERIAL_PTY_CHILD_PORTS";
constexpr int childOpened = 0;
constexpr int childRefused = 3;

using testing::ComPortPty;
using testing::rawLineBlock;

/// Passes every call to the real ports and counts the reads.
class CountingBackend final : public SerialBackend
{
public:
    CountingBackend()
        : m_real(serialBackend())
    {
        setSerialBackend(this);
    }
    ~CountingBackend() override { setSerialBackend(nullptr); }

    int reads = 0;
    int failedReads = 0;

    SerialHandle open(const std::string &name) override { return m_real.open(name); }
    bool setCommState(SerialHandle h, const DeviceControlBlock &b) override
    {
        return m_real.setCommState(h, b);
    }
    bool setupComm(SerialHandle h, std::uint32_t in, std::uint32_t out) override
    {
        return m_real.setupComm(h, in, out);
    }
    bool setCommTimeouts(SerialHandle h, const CommTimeouts &t) override
    {
        return m_real.setCommTimeouts(h, t);
    }
    bool purge(SerialHandle h, std::uint32_t flags) override { return m_real.purge(h, flags); }
    bool read(SerialHandle h, void *buffer, std::uint32_t max, std::uint32_t *got) override
    {
        ++reads;
        const bool ok = m_real.read(h, buffer, max, got);
        failedReads += ok ? 0 : 1;
        return ok;
    }
    bool write(SerialHandle h, const void *data, std::uint32_t n, std::uint32_t *written) override
    {
        return m_real.write(h, data, n, written);
    }
    bool close(SerialHandle h) override { return m_real.close(h); }
    bool deviceGone() const override { return m_real.deviceGone(); }

private:
    SerialBackend &m_real;
};

// Puts a terminal into the cooked mode of an interactive shell.
bool cook(int fd)
{
    termios cooked {};
    if (tcgetattr(fd, &cooked) != 0) {
        return false;
    }
    cooked.c_iflag |= ICRNL | IXON | ISTRIP | BRKINT;
    cooked.c_oflag |= OPOST;
    cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_cc[VMIN] = 1;
    return tcsetattr(fd, TCSANOW, &cooked) == 0;
}

QByteArray everyByte()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i) {
        bytes.append(char(i));
    }
    return bytes;
}

} // namespace

class TestSerialPty final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sentBytesArriveInOrder();
    void receivedBytesReachHandler();
    void lineSettings_data();
    void lineSettings();
    void closeLeavesTheLineAsFound();
    void invalidBlockRefused_data();
    void invalidBlockRefused();
    void purgeDropsQueuedInput();
    void stuckLineFailsWrite();
    void secondOpenRefused();
    void secondProcessRefused();
    void refusedOpenLeavesTheLineShared();
    void hangUpLeavesDriverQuiet();
    void notATtyRefused_data();
    void notATtyRefused();
    void portNames_data();
    void portNames();

private:
    std::unique_ptr<testing::PortsFolder> m_ports;
};

void TestSerialPty::init()
{
    m_ports = std::make_unique<testing::PortsFolder>();
    QVERIFY(m_ports->ok());
}

void TestSerialPty::cleanup()
{
    m_ports.reset();
}

void TestSerialPty::sentBytesArriveInOrder()
{
    ComPortPty pty(*m_ports, 1);
    QVERIFY(pty.linked());
    TCommPortDriver driver;
    QVERIFY(driver.Connect());
    const QByteArray bytes = everyByte() + everyByte();
    for (const char c : bytes) {
        QVERIFY(driver.SendByte(quint8(c)));
    }
    QCOMPARE(pty.read(bytes.size()).toHex(' '), bytes.toHex(' '));
}

void TestSerialPty::receivedBytesReachHandler()
{
    ComPortPty pty(*m_ports, 2);
    QVERIFY(pty.linked());
    TCommPortDriver driver;
    driver.setComPort(pnCOM2);
    QByteArray received;
    int batches = 0;
    bool onGuiThread = true;
    driver.OnReceiveData = [&](QObject *sender, const quint8 *data, qint32 size) {
        onGuiThread
            = onGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        QCOMPARE_LE(size, 2048);
        QCOMPARE(sender, &driver);
        received.append(reinterpret_cast<const char *>(data), size);
        ++batches;
    };
    QVERIFY(driver.Connect());
    // More than one poll's worth, with every byte value (XON, XOFF, CR, ^C among them).
    QByteArray bytes;
    for (int i = 0; i < 20; ++i) {
        bytes += everyByte();
    }
    QVERIFY(pty.write(bytes));
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), bytes.size(), 10000);
    QCOMPARE(received.toHex(), bytes.toHex());
    QVERIFY(batches >= 3);
    QVERIFY(onGuiThread);
}

void TestSerialPty::lineSettings_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("hw");
    QTest::addColumn<int>("sw");
    QTest::addColumn<speed_t>("termiosSpeed");
    QTest::addColumn<tcflag_t>("cflags"); ///< of PARODD, CMSPAR, CSTOPB, CRTSCTS
    QTest::addColumn<tcflag_t>("iflags"); ///< of IXON, IXOFF
    // A pseudo-terminal is always 8 bits without parity; the other bits show what was asked.
    QTest::newRow("9600 8N1") << int(br9600) << int(ptNONE) << int(sb1BITS) << int(hhNONE)
                              << int(shNONE) << speed_t(B9600) << tcflag_t(0) << tcflag_t(0);
    QTest::newRow("115200 two stop bits")
        << int(br115200) << int(ptNONE) << int(sb2BITS) << int(hhNONE) << int(shNONE)
        << speed_t(B115200) << tcflag_t(CSTOPB) << tcflag_t(0);
    QTest::newRow("1.5 stop bits as two")
        << int(br1200) << int(ptNONE) << int(sb1HALFBITS) << int(hhNONE) << int(shNONE)
        << speed_t(B1200) << tcflag_t(CSTOPB) << tcflag_t(0);
    QTest::newRow("RTS/CTS") << int(br9600) << int(ptNONE) << int(sb1BITS) << int(hhRTSCTS)
                             << int(shNONE) << speed_t(B9600) << tcflag_t(CRTSCTS) << tcflag_t(0);
    QTest::newRow("XON/XOFF") << int(br9600) << int(ptNONE) << int(sb1BITS) << int(hhNONE)
                              << int(shXONXOFF) << speed_t(B9600) << tcflag_t(0)
                              << tcflag_t(IXON | IXOFF);
    QTest::newRow("odd parity") << int(br4800) << int(ptODD) << int(sb1BITS) << int(hhNONE)
                                << int(shNONE) << speed_t(B4800) << tcflag_t(PARODD) << tcflag_t(0);
    QTest::newRow("mark parity") << int(br9600) << int(ptMARK) << int(sb1BITS) << int(hhNONE)
                                 << int(shNONE) << speed_t(B9600) << tcflag_t(PARODD | CMSPAR)
                                 << tcflag_t(0);
    QTest::newRow("space parity") << int(br9600) << int(ptSPACE) << int(sb1BITS) << int(hhNONE)
                                  << int(shNONE) << speed_t(B9600) << tcflag_t(CMSPAR)
                                  << tcflag_t(0);
#ifdef __linux__
    // No B constant: set through the kernel's arbitrary-rate interface.
    QTest::newRow("14400 baud") << int(br14400) << int(ptNONE) << int(sb1BITS) << int(hhNONE)
                                << int(shNONE) << speed_t(CBAUDEX) << tcflag_t(0) << tcflag_t(0);
#endif
}

void TestSerialPty::lineSettings()
{
    QFETCH(int, speed);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(int, hw);
    QFETCH(int, sw);
    QFETCH(speed_t, termiosSpeed);
    QFETCH(tcflag_t, cflags);
    QFETCH(tcflag_t, iflags);
    ComPortPty pty(*m_ports, 1);
    QVERIFY(pty.linked());
    TCommPortDriver driver;
    // Start from a cooked line, as a real port may be left by another program.
    QVERIFY(cook(pty.master()));
    QVERIFY(driver.Connect()); // before the row's settings: Connect refuses parity on a pty
    driver.setComPortSpeed(TComPortBaudRate(speed));
    driver.setComPortParity(TComPortParity(parity));
    driver.setComPortStopBits(TComPortStopBits(stopBits));
    driver.setComPortHwHandshaking(TComPortHwHandshaking(hw));
    driver.setComPortSwHandshaking(TComPortSwHandshaking(sw));
    driver.setEnableDTROnOpen(true); // the modem lines of a pty refuse; no harm
    driver.ApplyComSettings();

    // The master reports the slave's settings.
    termios t {};
    QCOMPARE(tcgetattr(pty.master(), &t), 0);
    QCOMPARE(cfgetospeed(&t), termiosSpeed);
    QCOMPARE(t.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS), cflags);
    QCOMPARE(t.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
    QCOMPARE(t.c_iflag & (IXON | IXOFF), iflags);
    QCOMPARE(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXANY | BRKINT | PARMRK), tcflag_t(0));
    QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
    QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    QCOMPARE(int(t.c_cc[VSTART]), 17);
    QCOMPARE(int(t.c_cc[VSTOP]), 19);
    QCOMPARE(int(t.c_cc[VMIN]), 0);
    QCOMPARE(int(t.c_cc[VTIME]), 0);
}

void TestSerialPty::closeLeavesTheLineAsFound()
{
    // A stale link to a terminal that a shell uses: the scan opens it, makes it raw, probes.
    ComPortPty pty(*m_ports, 1);
    QVERIFY(pty.linked());
    QVERIFY(cook(pty.master()));
    termios before {};
    QCOMPARE(tcgetattr(pty.master(), &before), 0);
    TCommPortDriver driver;
    QVERIFY(driver.Connect());
    QVERIFY(driver.SendByte(0xCC));
    driver.Disconnect();

    termios after {};
    QCOMPARE(tcgetattr(pty.master(), &after), 0);
    QCOMPARE(after.c_iflag, before.c_iflag);
    QCOMPARE(after.c_oflag, before.c_oflag);
    QCOMPARE(after.c_cflag, before.c_cflag);
    QCOMPARE(after.c_lflag, before.c_lflag);
    QCOMPARE(int(after.c_cc[VMIN]), int(before.c_cc[VMIN]));
    QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
}

void TestSerialPty::invalidBlockRefused_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("value");
    QTest::newRow("4 data bits") << 0 << 4;
    QTest::newRow("9 data bits") << 0 << 9;
    QTest::newRow("parity code 5") << 1 << 5;
    QTest::newRow("stop-bit code 3") << 2 << 3;
    QTest::newRow("0 baud") << 3 << 0;
}

void TestSerialPty::invalidBlockRefused()
{
    QFETCH(int, field);
    QFETCH(int, value);
    ComPortPty pty(*m_ports, 1);
    QVERIFY(pty.linked());
    const SerialHandle handle = serialBackend().open("COM1");
    QVERIFY(handle > 0);
    DeviceControlBlock block = rawLineBlock(2400);
    termios before {};
    tcgetattr(pty.master(), &before);
    switch (field) {
    case 0:
        block.ByteSize = quint8(value);
        break;
    case 1:
        block.Parity = quint8(value);
        break;
    case 2:
        block.StopBits = quint8(value);
        break;
    default:
        block.BaudRate = quint32(value);
    }
    QVERIFY(!serialBackend().setCommState(handle, block));
    termios after {};
    tcgetattr(pty.master(), &after);
    QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
    QCOMPARE(after.c_lflag, before.c_lflag);
    QVERIFY(serialBackend().close(handle));
}

void TestSerialPty::purgeDropsQueuedInput()
{
    ComPortPty pty(*m_ports, 1);
    QVERIFY(pty.linked());
    const SerialHandle handle = serialBackend().open("COM1");
    QVERIFY(handle > 0);
    QVERIFY(serialBackend().setCommState(handle, rawLineBlock(9600)));
    QVERIFY(pty.write("abc"));
    pollfd p { int(handle), POLLIN, 0 };
    QCOMPARE(::poll(&p, 1, 5000), 1);
    QVERIFY(serialBackend().purge(handle, purgeRxAbort | purgeRxClear));
    char buffer[8];
    std::uint32_t got = 99;
    QVERIFY(serialBackend().read(handle, buffer, sizeof buffer, &got));
    QCOMPARE(got, 0u);
    QVERIFY(pty.write("d"));
    QCOMPARE(::poll(&p, 1, 5000), 1);
    QVERIFY(serialBackend().read(handle, buffer, sizeof buffer, &got));
    QCOMPARE(QByteArray(buffer, int(got)), QByteArray("d"));
    QVERIFY(serialBackend().close(handle));
}

void TestSerialPty::stuckLineFailsWrite()
{
    ComPortPty pty(*m_ports, 1);
    QVERIFY(pty.linked());
    TCommPortDriver driver;
    QVERIFY(driver.Connect());
    // Nobody reads the master: once the line's buffers are full a byte is refused instead of
    // blocking the program.
    int sent = 0;
    while (sent < (1 << 22) && driver.SendByte(quint8(sent))) {
        ++sent;
    }
    QVERIFY(sent < (1 << 22));
    QVERIFY(!pty.read(sent, 100).isEmpty());
    QVERIFY(driver.SendByte(0xCC));
}

void TestSerialPty::secondOpenRefused()
{
    ComPortPty pty(*m_ports, 4);
    QVERIFY(pty.linked());
    TCommPortDriver first;
    first.setComPort(pnCOM4);
    QVERIFY(first.Connect());

    TCommPortDriver second;
    second.setComPort(pnCOM4);
    QVERIFY(!second.Connect());
    QCOMPARE(second.ComHandle(), SerialHandle(-1));
    QCOMPARE(serialBackend().open("COM4"), invalidSerialHandle);
    // The refused opens took nothing from the first: it still talks.
    QVERIFY(first.SendByte(0x5A));
    QCOMPARE(pty.read(1), QByteArray("\x5A"));

    first.Disconnect();
    QVERIFY(second.Connect());
}

void TestSerialPty::secondProcessRefused()
{
    ComPortPty pty(*m_ports, 1);
    QVERIFY(pty.linked());
    auto child = [this] {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(childPortsVariable), m_ports->ports());
        process.setProcessEnvironment(env);
        // It prints nothing of its own; a sanitizer report that aborts it shows in the log.
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(), {});
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(1000);
            return -1;
        }
        return process.exitCode();
    };
    {
        TCommPortDriver driver;
        QVERIFY(driver.Connect());
        QCOMPARE(child(), childRefused);
    }
    QCOMPARE(child(), childOpened);
}

void TestSerialPty::refusedOpenLeavesTheLineShared()
{
#ifndef TIOCGEXCL
    QSKIP("the system cannot tell whether a terminal is in exclusive mode");
#else
    // Another program holds the line with a lock alone: the refused open must not leave the
    // line exclusive, or no ordinary user could open it any more.
    ComPortPty pty(*m_ports, 1);
    const int other = ::open(QFile::encodeName(pty.slave()).constData(), O_RDWR | O_NOCTTY);
    const auto closeOther = qScopeGuard([other] { ::close(other); });
    QVERIFY(pty.linked() && other >= 0 && flock(other, LOCK_EX | LOCK_NB) == 0);
    QCOMPARE(serialBackend().open("COM1"), invalidSerialHandle);
    int exclusive = -1;
    QVERIFY(ioctl(other, TIOCGEXCL, &exclusive) == 0 && exclusive == 0);
#endif
}

void TestSerialPty::hangUpLeavesDriverQuiet()
{
    CountingBackend counting;
    auto pty = std::make_unique<ComPortPty>(*m_ports, 1);
    QVERIFY(pty->linked());
    TCommPortDriver driver;
    driver.setComPortPollingDelay(10);
    QByteArray received;
    driver.OnReceiveData = [&](QObject *, const quint8 *data, qint32 size) {
        received.append(reinterpret_cast<const char *>(data), size);
    };
    QVERIFY(driver.Connect());
    QVERIFY(pty->write("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("ok"), 5000);

    // The device goes away: the driver lets go of it at the first failure, without spinning.
    counting.reads = 0;
    counting.failedReads = 0;
    pty->closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!driver.Connected(), 5000);
    QCOMPARE(counting.failedReads, 1);
    QCOMPARE(received, QByteArray("ok"));

    // A new device behind the same name: the next command reaches it without a new scan.
    pty = std::make_unique<ComPortPty>(*m_ports, 1);
    QVERIFY(pty->linked());
    QVERIFY(driver.Connect());
    QVERIFY(driver.SendByte(0xCC));
    QCOMPARE(pty->read(1), QByteArray("\xCC"));
    QVERIFY(pty->write("again"));
    QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("okagain"), 5000);
}

void TestSerialPty::notATtyRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("regular file") << QStringLiteral("file");
    QTest::newRow("link to a regular file") << QStringLiteral("link");
    QTest::newRow("named pipe") << QStringLiteral("fifo");
    QTest::newRow("directory") << QStringLiteral("dir");
    QTest::newRow("dangling link") << QStringLiteral("dangling");
}

void TestSerialPty::notATtyRefused()
{
    QFETCH(QString, kind);
    const QString port = m_ports->link(1);
    const QString file = QDir(m_ports->path()).filePath(QStringLiteral("file"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    if (kind == QLatin1String("file")) {
        QVERIFY(QFile::copy(file, port));
    } else if (kind == QLatin1String("link")) {
        QVERIFY(m_ports->linkTo(1, file));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(mkfifo(QFile::encodeName(port).constData(), 0600), 0);
    } else if (kind == QLatin1String("dir")) {
        QVERIFY(QDir().mkpath(port));
    } else {
        QVERIFY(m_ports->linkTo(1, QDir(m_ports->path()).filePath(QStringLiteral("gone"))));
    }
    TCommPortDriver driver;
    QVERIFY(!driver.Connect());
    QCOMPARE(driver.ComHandle(), SerialHandle(-1));
    QVERIFY(!driver.SendByte(0xCC));
    QCOMPARE(f.size(), 0);
}

void TestSerialPty::portNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("COM1") << QStringLiteral("COM1") << QStringLiteral("/dev/ttyS0");
    QTest::newRow("COM3") << QStringLiteral("COM3") << QStringLiteral("/dev/ttyUSB0");
    QTest::newRow("COM7") << QStringLiteral("COM7") << QStringLiteral("/dev/ttyACM0");
    QTest::newRow("COM10") << QStringLiteral("COM10") << QStringLiteral("/dev/ttyACM3");
    QTest::newRow("COM11 has no device") << QStringLiteral("COM11") << QString();
    QTest::newRow("COM0") << QStringLiteral("COM0") << QString();
    QTest::newRow("leading zero") << QStringLiteral("COM01") << QString();
    QTest::newRow("lower case") << QStringLiteral("com1") << QString();
    QTest::newRow("path") << QStringLiteral("COM1/../x") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("linked COM3") << QStringLiteral("COM3") << QStringLiteral("ports/COM3");
    QTest::newRow("linked COM12") << QStringLiteral("COM12") << QStringLiteral("ports/COM12");
}

void TestSerialPty::portNames()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    if (path.startsWith(QLatin1String("ports/"))) {
        QVERIFY(m_ports->linkTo(name.mid(3).toInt(), QStringLiteral("/dev/null")));
        path = m_ports->ports() + path.mid(5);
    }
    QCOMPARE(QString::fromStdString(serialDevicePath(name.toStdString())), path);
}

int main(int argc, char *argv[])
{
    if (const char *ports = std::getenv(childPortsVariable)) {
        setSerialPortsDirectory(ports);
        const SerialHandle handle = serialBackend().open("COM1");
        return handle > 0 ? childOpened : childRefused;
    }
    QCoreApplication app(argc, argv);
    TestSerialPty test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_serial_pty.moc"
