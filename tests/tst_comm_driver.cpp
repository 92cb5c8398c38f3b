#include "link/comdrv32.h"
#include "platform/errors.h"
#include "platform/testing/fake_serial.h"
#include "platform/testing/fakes.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace platform;
using namespace testing;

namespace {

// The 28 bytes the port must receive, packed by hand (little-endian) so that the layout of
// the block is checked as well as its values.
QByteArray dcbBytes(quint32 baud, quint32 flags, quint16 xonLim, quint8 byteSize, quint8 parity,
                    quint8 stopBits)
{
    QByteArray b(28, '\0');
    auto put = [&b](int at, quint32 value, int size) {
        for (int i = 0; i < size; ++i) {
            b[at + i] = char((value >> (8 * i)) & 0xFF);
        }
    };
    put(0, 28, 4);
    put(4, baud, 4);
    put(8, flags, 4);
    put(14, xonLim, 2);
    put(16, 1, 2); // XoffLim
    put(18, byteSize, 1);
    put(19, parity, 1);
    put(20, stopBits, 1);
    put(21, 17, 1); // XonChar
    put(22, 19, 1); // XoffChar
    return b;
}

QTimer *pollTimer(TCommPortDriver &driver)
{
    return driver.findChild<QTimer *>();
}

// Polls every 10 ms; the handler keeps what it receives and stops at '!' with the error of a
// refused settings write.
void failAtExclamationMark(TCommPortDriver &driver, QByteArray &seen)
{
    driver.OnReceiveData = [&seen](QObject *, const quint8 *data, qint32 size) {
        for (qint32 i = 0; i < size; ++i) {
            if (data[i] == '!') {
                throw platform::Error(QStringLiteral("Unable to write to /x/bodovka.ini"));
            }
            seen.append(char(data[i]));
        }
    };
    driver.setComPortPollingDelay(10);
}

} // namespace

class TestCommDriver final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void blockOnConnect_data();
    void blockOnConnect();
    void blockWhileOpen_data() { blockOnConnect_data(); }
    void blockWhileOpen();
    void dtrWaitsForNextApply();
    void connectOpensByName_data();
    void connectOpensByName();
    void failedOpen();
    void refusedLineSettingsCloseThePort_data();
    void refusedLineSettingsCloseThePort();
    void connectTwice();
    void comPortIgnoredWhileOpen();
    void disconnect();
    void bufferSizesOnlyWhileClosed();
    void pollingDelay();
    void flushBuffers_data();
    void flushBuffers();
    void emptyPollCallsNoHandler();
    void batchesInOrder();
    void noHandlerDiscards();
    void failedReadIgnored();
    void handlerErrorShownAndPollGoesOn();
    void pollGoesOnWhileTheErrorBoxIsOpen();
    void comHandleSetter();
    void sendByte();
    void commandWholeAfterTheDeviceCameBack();
    void commandEndsAtATimedOutByte();
    void destructionCloses();

private:
    std::unique_ptr<FakeSerial> m_fake;
};

void TestCommDriver::init()
{
    m_fake = std::make_unique<FakeSerial>();
    for (int n = 1; n <= 10; ++n) {
        m_fake->present.insert(QStringLiteral("COM%1").arg(n));
    }
}

void TestCommDriver::cleanup()
{
    m_fake.reset();
}

void TestCommDriver::blockOnConnect_data()
{
    QTest::addColumn<std::function<void(TCommPortDriver &)>>("configure");
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("immediate"); ///< pushed at once while open

    using Set = std::function<void(TCommPortDriver &)>;
    QTest::newRow("defaults") << Set([](TCommPortDriver &) {}) << dcbBytes(9600, 0x1, 512, 8, 0, 0)
                              << false;
    QTest::newRow("RTS/CTS") << Set([](TCommPortDriver &d) { d.setComPortHwHandshaking(hhRTSCTS); })
                             << dcbBytes(9600, 0x1 | 0x4 | 0x2000, 512, 8, 0, 0) << true;
    QTest::newRow("XON/XOFF") << Set(
        [](TCommPortDriver &d) { d.setComPortSwHandshaking(shXONXOFF); })
                              << dcbBytes(9600, 0x1 | 0x100 | 0x200, 512, 8, 0, 0) << true;
    QTest::newRow("DTR on open") << Set([](TCommPortDriver &d) { d.setEnableDTROnOpen(true); })
                                 << dcbBytes(9600, 0x1 | 0x10, 512, 8, 0, 0) << false;
    QTest::newRow("56000 baud") << Set([](TCommPortDriver &d) { d.setComPortSpeed(br56000); })
                                << dcbBytes(56000, 0x1, 512, 8, 0, 0) << true;
    QTest::newRow("space parity") << Set([](TCommPortDriver &d) { d.setComPortParity(ptSPACE); })
                                  << dcbBytes(9600, 0x1, 512, 8, 4, 0) << true;
    QTest::newRow("1.5 stop bits")
        << Set([](TCommPortDriver &d) { d.setComPortStopBits(sb1HALFBITS); })
        << dcbBytes(9600, 0x1, 512, 8, 0, 1) << true;
    QTest::newRow("19200 7O2 with every handshake") << Set([](TCommPortDriver &d) {
        d.setComPortSpeed(br19200);
        d.setComPortDataBits(db7BITS);
        d.setComPortParity(ptODD);
        d.setComPortStopBits(sb2BITS);
        d.setComPortHwHandshaking(hhRTSCTS);
        d.setComPortSwHandshaking(shXONXOFF);
    }) << dcbBytes(19200, 0x1 | 0x4 | 0x2000 | 0x100 | 0x200, 512, 7, 1, 2)
                                                    << true;
    QTest::newRow("baud out of range kept")
        << Set([](TCommPortDriver &d) { d.setComPortSpeed(TComPortBaudRate(13)); })
        << dcbBytes(9600, 0x1, 512, 8, 0, 0) << false;
    QTest::newRow("parity out of range kept")
        << Set([](TCommPortDriver &d) { d.setComPortParity(TComPortParity(-1)); })
        << dcbBytes(9600, 0x1, 512, 8, 0, 0) << false;
}

void TestCommDriver::blockOnConnect()
{
    QFETCH(std::function<void(TCommPortDriver &)>, configure);
    QFETCH(QByteArray, block);
    TCommPortDriver driver;
    configure(driver);
    QVERIFY(driver.Connect());
    const QStringList order { QStringLiteral("open"), QStringLiteral("setCommState"),
                              QStringLiteral("purge"), QStringLiteral("setupComm"),
                              QStringLiteral("setCommTimeouts") };
    QCOMPARE(m_fake->callNames(), order);
    const auto &calls = m_fake->calls;
    QCOMPARE(calls[1].bytes.toHex(' '), block.toHex(' '));
    QCOMPARE(calls[2].args, QList<quint32>({ 0xF }));
    QCOMPARE(calls[3].args, QList<quint32>({ 2048, 2048 }));
    // Reads return at once; a write the line does not take ends after 250 ms.
    QCOMPARE(calls[4].args, QList<quint32>({ 0xFFFFFFFF, 0, 0, 0, 250 }));
    for (const auto &call : calls) {
        QCOMPARE(call.handle, driver.ComHandle());
    }
    QVERIFY(pollTimer(driver)->isActive());
    QCOMPARE(pollTimer(driver)->interval(), 50);
}

void TestCommDriver::blockWhileOpen()
{
    QFETCH(std::function<void(TCommPortDriver &)>, configure);
    QFETCH(QByteArray, block);
    QFETCH(bool, immediate);
    TCommPortDriver driver;
    QVERIFY(driver.Connect());
    m_fake->calls.clear();
    configure(driver);
    QCOMPARE(m_fake->calls.isEmpty(), !immediate);
    if (!immediate) {
        driver.ApplyComSettings();
    }
    // Each setter pushes the whole block: the last push carries every change.
    const QStringList names = m_fake->callNames();
    const QStringList push { QStringLiteral("setCommState"), QStringLiteral("purge"),
                             QStringLiteral("setupComm") };
    QCOMPARE(names.size() % 3, 0);
    QCOMPARE(names.mid(names.size() - 3), push);
    QCOMPARE(m_fake->calls[names.size() - 3].bytes.toHex(' '), block.toHex(' '));
}

void TestCommDriver::dtrWaitsForNextApply()
{
    TCommPortDriver driver;
    QVERIFY(driver.Connect());
    m_fake->calls.clear();
    driver.setEnableDTROnOpen(true);
    QVERIFY(m_fake->calls.isEmpty());
    driver.ApplyComSettings();
    QCOMPARE(FakeSerial::blockOf(m_fake->calls.value(0)).flags, 0x11u);
}

void TestCommDriver::connectOpensByName_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("name");
    QTest::newRow("COM1") << int(pnCOM1) << QStringLiteral("COM1");
    QTest::newRow("COM2") << int(pnCOM2) << QStringLiteral("COM2");
    QTest::newRow("COM9") << int(pnCOM9) << QStringLiteral("COM9");
    QTest::newRow("COM10") << int(pnCOM10) << QStringLiteral("COM10");
    QTest::newRow("out of range keeps COM1") << 10 << QStringLiteral("COM1");
}

void TestCommDriver::connectOpensByName()
{
    QFETCH(int, port);
    QFETCH(QString, name);
    TCommPortDriver driver;
    driver.setComPort(TComPortNumber(port));
    QVERIFY(driver.Connect());
    QCOMPARE(m_fake->calls.value(0).device, name);
    QCOMPARE(m_fake->handleOf(name), driver.ComHandle());
}

void TestCommDriver::failedOpen()
{
    m_fake->present.clear();
    TCommPortDriver driver;
    QVERIFY(!driver.Connect());
    QCOMPARE(driver.ComHandle(), SerialHandle(-1));
    QVERIFY(!driver.Connected());
    QCOMPARE(m_fake->callNames(), QStringList { QStringLiteral("open") });
    QVERIFY(!pollTimer(driver)->isActive());
    QVERIFY(!driver.Disconnect());
    QCOMPARE(m_fake->calls.size(), 1);
    // The port appears later: the next Connect opens it.
    m_fake->present.insert(QStringLiteral("COM1"));
    QVERIFY(driver.Connect());
    QVERIFY(driver.ComHandle() > 0);
}

void TestCommDriver::refusedLineSettingsCloseThePort_data()
{
    QTest::addColumn<bool>("refuseTimeouts");
    QTest::newRow("line settings") << false;
    QTest::newRow("time-outs") << true;
}

void TestCommDriver::refusedLineSettingsCloseThePort()
{
    QFETCH(bool, refuseTimeouts);
    (refuseTimeouts ? m_fake->failSetCommTimeouts : m_fake->failSetCommState) = true;
    TCommPortDriver driver;
    QVERIFY(!driver.Connect());
    QCOMPARE(driver.ComHandle(), SerialHandle(-1));
    QCOMPARE(m_fake->handleOf(QStringLiteral("COM1")), SerialHandle(0));
    QVERIFY(!pollTimer(driver)->isActive());
}

void TestCommDriver::connectTwice()
{
    TCommPortDriver driver;
    QVERIFY(driver.Connect());
    const SerialHandle handle = driver.ComHandle();
    const qsizetype calls = m_fake->calls.size();
    QVERIFY(driver.Connect());
    QCOMPARE(m_fake->calls.size(), calls);
    QCOMPARE(driver.ComHandle(), handle);
    QVERIFY(pollTimer(driver)->isActive());
}

void TestCommDriver::comPortIgnoredWhileOpen()
{
    TCommPortDriver driver;
    QVERIFY(driver.Connect());
    driver.setComPort(pnCOM3);
    QCOMPARE(driver.ComPort(), pnCOM1);
    QVERIFY(driver.Connect());
    QCOMPARE(m_fake->callsNamed(QStringLiteral("open")).size(), 1);
    QVERIFY(m_fake->handleOf(QStringLiteral("COM1")) > 0);

    driver.Disconnect();
    driver.setComPort(pnCOM3);
    QVERIFY(driver.Connect());
    QCOMPARE(m_fake->calls.last().what, QStringLiteral("setCommTimeouts"));
    QCOMPARE(m_fake->callsNamed(QStringLiteral("open")).last().device, QStringLiteral("COM3"));
}

void TestCommDriver::disconnect()
{
    TCommPortDriver driver;
    QVERIFY(!driver.Disconnect());
    QVERIFY(m_fake->calls.isEmpty());
    QCOMPARE(driver.ComHandle(), SerialHandle(0));

    QVERIFY(driver.Connect());
    const SerialHandle handle = driver.ComHandle();
    QVERIFY(!driver.Disconnect());
    QCOMPARE(m_fake->calls.last().what, QStringLiteral("close"));
    QCOMPARE(m_fake->calls.last().handle, handle);
    QCOMPARE(driver.ComHandle(), SerialHandle(0));
    QVERIFY(!pollTimer(driver)->isActive());
    QVERIFY(!driver.Disconnect());
    QCOMPARE(m_fake->callsNamed(QStringLiteral("close")).size(), 1);
}

void TestCommDriver::bufferSizesOnlyWhileClosed()
{
    TCommPortDriver driver;
    QVERIFY(driver.Connect());
    driver.setComPortInBufSize(100);
    driver.setComPortOutBufSize(300);
    QCOMPARE(driver.ComPortInBufSize(), quint16(2048));
    QCOMPARE(driver.ComPortOutBufSize(), quint16(2048));
    m_fake->queueInput(driver.ComHandle(), QByteArray(3000, 'x'));
    QTRY_VERIFY(!m_fake->callsNamed(QStringLiteral("read")).isEmpty());
    QCOMPARE(m_fake->callsNamed(QStringLiteral("read")).first().args, QList<quint32> { 2048 });

    driver.Disconnect();
    driver.setComPortInBufSize(100);
    driver.setComPortOutBufSize(300);
    m_fake->calls.clear();
    QVERIFY(driver.Connect());
    QCOMPARE(FakeSerial::blockOf(m_fake->calls[1]).XonLim, quint16(25));
    QCOMPARE(m_fake->calls[3].args, QList<quint32>({ 100, 300 }));
    QList<QByteArray> batches;
    driver.OnReceiveData = [&](QObject *, const quint8 *data, qint32 size) {
        batches.append(QByteArray(reinterpret_cast<const char *>(data), size));
    };
    m_fake->queueInput(driver.ComHandle(), QByteArray(150, 'y'));
    QTRY_COMPARE(batches.size(), 2);
    QCOMPARE(batches[0], QByteArray(100, 'y'));
    QCOMPARE(batches[1], QByteArray(50, 'y'));
}

void TestCommDriver::pollingDelay()
{
    TCommPortDriver driver;
    QTimer *timer = pollTimer(driver);
    driver.setComPortPollingDelay(120);
    QVERIFY(!timer->isActive());
    QVERIFY(driver.Connect());
    QCOMPARE(timer->interval(), 120);
    QVERIFY(timer->isActive());

    driver.setComPortPollingDelay(30);
    QCOMPARE(driver.ComPortPollingDelay(), quint16(30));
    QCOMPARE(timer->interval(), 30);
    QVERIFY(timer->isActive());

    // A period of 0 would spin the event loop; the poll keeps a 10 ms floor.
    driver.setComPortPollingDelay(0);
    QCOMPARE(driver.ComPortPollingDelay(), quint16(0));
    QCOMPARE(timer->interval(), 10);
    QVERIFY(timer->isActive());
}

void TestCommDriver::flushBuffers_data()
{
    QTest::addColumn<bool>("inBuf");
    QTest::addColumn<bool>("outBuf");
    QTest::addColumn<quint32>("flags");
    QTest::newRow("input") << true << false << 0xAu;
    QTest::newRow("output") << false << true << 0x5u;
    QTest::newRow("both") << true << true << 0xFu;
    QTest::newRow("neither") << false << false << 0x0u;
}

void TestCommDriver::flushBuffers()
{
    QFETCH(bool, inBuf);
    QFETCH(bool, outBuf);
    QFETCH(quint32, flags);
    TCommPortDriver driver;
    driver.FlushBuffers(inBuf, outBuf);
    QVERIFY(m_fake->calls.isEmpty());
    QVERIFY(driver.Connect());
    m_fake->calls.clear();
    driver.FlushBuffers(inBuf, outBuf);
    QCOMPARE(m_fake->callNames(), QStringList { QStringLiteral("purge") });
    QCOMPARE(m_fake->calls[0].args, QList<quint32> { flags });
}

void TestCommDriver::emptyPollCallsNoHandler()
{
    TCommPortDriver driver;
    int called = 0;
    driver.OnReceiveData = [&](QObject *, const quint8 *, qint32) { ++called; };
    driver.setComPortPollingDelay(10);
    QVERIFY(driver.Connect());
    QSignalSpy ticks(pollTimer(driver), &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 3, 5000);
    QCOMPARE(called, 0);
    QVERIFY(m_fake->callsNamed(QStringLiteral("read")).size() >= 3);
}

void TestCommDriver::batchesInOrder()
{
    TCommPortDriver driver;
    QList<QByteArray> batches;
    QObject *sender = nullptr;
    driver.OnReceiveData = [&](QObject *s, const quint8 *data, qint32 size) {
        sender = s;
        batches.append(QByteArray(reinterpret_cast<const char *>(data), size));
    };
    driver.setComPortInBufSize(4);
    driver.setComPortPollingDelay(10);
    QVERIFY(driver.Connect());
    m_fake->queueInput(driver.ComHandle(), QByteArray("\xDC\x05\x04\x03\x02\x01\x00\xFC\xFF", 9));
    QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 3, 5000);
    QCOMPARE(batches[0], QByteArray("\xDC\x05\x04\x03", 4));
    QCOMPARE(batches[1], QByteArray("\x02\x01\x00\xFC", 4));
    QCOMPARE(batches[2], QByteArray("\xFF", 1));
    QCOMPARE(sender, &driver);
}

void TestCommDriver::noHandlerDiscards()
{
    TCommPortDriver driver;
    driver.setComPortPollingDelay(10);
    QVERIFY(driver.Connect());
    m_fake->queueInput(driver.ComHandle(), QByteArray("abc"));
    QTRY_VERIFY_WITH_TIMEOUT(m_fake->pendingInput(driver.ComHandle()).isEmpty(), 5000);
    QByteArray read;
    for (const auto &call : m_fake->callsNamed(QStringLiteral("read"))) {
        read += call.bytes;
    }
    QCOMPARE(read, QByteArray("abc"));
}

void TestCommDriver::failedReadIgnored()
{
    TCommPortDriver driver;
    int called = 0;
    driver.OnReceiveData = [&](QObject *, const quint8 *, qint32) { ++called; };
    driver.setComPortPollingDelay(10);
    QVERIFY(driver.Connect());
    m_fake->failReads = true;
    m_fake->queueInput(driver.ComHandle(), QByteArray("abc"));
    QSignalSpy ticks(pollTimer(driver), &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 3, 5000);
    QCOMPARE(called, 0);
    QVERIFY(driver.Connected());
    m_fake->failReads = false;
    QTRY_COMPARE_WITH_TIMEOUT(called, 1, 5000);
}

void TestCommDriver::handlerErrorShownAndPollGoesOn()
{
    RecordingDialogs dialogs;
    TCommPortDriver driver;
    QByteArray seen;
    failAtExclamationMark(driver, seen);
    QVERIFY(driver.Connect());
    m_fake->queueInput(driver.ComHandle(), QByteArray("ab!cd"));
    QTRY_COMPARE_WITH_TIMEOUT(dialogs.shown.size(), 1, 5000);
    QCOMPARE(dialogs.shown[0].text, QStringLiteral("Unable to write to /x/bodovka.ini."));
    QCOMPARE(seen, QByteArray("ab"));
    m_fake->queueInput(driver.ComHandle(), QByteArray("ef"));
    QTRY_COMPARE_WITH_TIMEOUT(seen, QByteArray("abef"), 5000);
    QVERIFY(driver.Connected());
}

void TestCommDriver::pollGoesOnWhileTheErrorBoxIsOpen()
{
    RecordingDialogs dialogs;
    TCommPortDriver driver;
    QByteArray seen;
    failAtExclamationMark(driver, seen);
    QVERIFY(driver.Connect());
    bool receivedWhileOpen = false;
    dialogs.whileOpen = [&](const RecordingDialogs::Shown &) {
        // The operator reads the box; the controller goes on sending.
        m_fake->queueInput(driver.ComHandle(), QByteArray("cd"));
        receivedWhileOpen = QTest::qWaitFor([&] { return seen == "abcd"; }, 5000);
    };
    m_fake->queueInput(driver.ComHandle(), QByteArray("ab!x"));
    QTRY_COMPARE_WITH_TIMEOUT(dialogs.shown.size(), 1, 5000);
    QVERIFY(receivedWhileOpen);
}

void TestCommDriver::comHandleSetter()
{
    TCommPortDriver driver;
    QTimer *timer = pollTimer(driver);
    QVERIFY(driver.Connect());
    const SerialHandle first = driver.ComHandle();

    m_fake->calls.clear();
    driver.setComHandle(first);
    QVERIFY(m_fake->calls.isEmpty());
    QVERIFY(timer->isActive());

    // -1 lets go of the port without closing it.
    driver.setComHandle(-1);
    QCOMPARE(driver.ComHandle(), SerialHandle(0));
    QVERIFY(!timer->isActive());
    QVERIFY(m_fake->calls.isEmpty());
    QVERIFY(m_fake->isOpen(first));

    // Adopting a handle: no settings, the poll reads it.
    driver.setComHandle(first);
    QCOMPARE(driver.ComHandle(), first);
    QVERIFY(timer->isActive());
    QVERIFY(m_fake->calls.isEmpty());
    QByteArray seen;
    driver.OnReceiveData = [&](QObject *, const quint8 *data, qint32 size) {
        seen.append(reinterpret_cast<const char *>(data), size);
    };
    m_fake->queueInput(first, QByteArray("xy"));
    QTRY_COMPARE_WITH_TIMEOUT(seen, QByteArray("xy"), 5000);

    // Another value closes the open handle first.
    const SerialHandle other = serialBackend().open("COM2");
    m_fake->calls.clear();
    driver.setComHandle(other);
    QCOMPARE(m_fake->callNames(), QStringList { QStringLiteral("close") });
    QCOMPARE(m_fake->calls[0].handle, first);
    QCOMPARE(driver.ComHandle(), other);

    driver.setComHandle(0);
    QCOMPARE(m_fake->calls.last().handle, other);
    QCOMPARE(driver.ComHandle(), SerialHandle(0));
    QVERIFY(!timer->isActive());
}

void TestCommDriver::sendByte()
{
    TCommPortDriver driver;
    QVERIFY(!driver.SendByte(0xCC));
    QCOMPARE(m_fake->callNames(), QStringList { QStringLiteral("write") });
    QCOMPARE(m_fake->calls[0].handle, SerialHandle(0));
    QCOMPARE(m_fake->calls[0].bytes, QByteArray("\xCC", 1));

    QVERIFY(driver.Connect());
    QVERIFY(driver.SendByte(0xCA));
    QVERIFY(driver.SendByte(0x00));
    QCOMPARE(m_fake->written(driver.ComHandle()), QByteArray("\xCA\x00", 2));
    m_fake->failWrites = true;
    QVERIFY(!driver.SendByte(0x01));
    QVERIFY(driver.Connected());
    // A device that went away is let go of; while it stays away, a command costs one open.
    m_fake->failWrites = false;
    m_fake->unplug(QStringLiteral("COM1"));
    QVERIFY(!driver.SendByte(0x02));
    QVERIFY(!driver.Connected());
    m_fake->calls.clear();
    QVERIFY(!driver.Connect());
    QCOMPARE(m_fake->callNames(), QStringList { QStringLiteral("open") });
}

void TestCommDriver::commandWholeAfterTheDeviceCameBack()
{
    TCommPortDriver driver;
    QVERIFY(driver.Connect());
    const SerialHandle first = driver.ComHandle();
    // The adapter drops out after the command's second byte and is back at once.
    m_fake->onWrite = [this](SerialHandle handle, const QByteArray &) {
        if (m_fake->written(handle).size() == 2) {
            m_fake->onWrite = nullptr;
            m_fake->unplug(QStringLiteral("COM1"));
            m_fake->present.insert(QStringLiteral("COM1"));
        }
    };
    const std::vector<quint8> command { 0xCA, 2, 1, 7, 0 };
    QCOMPARE(driver.sendCommand(command), devicelink::SendResult::Sent);
    QVERIFY(driver.ComHandle() != first);
    QCOMPARE(m_fake->written(driver.ComHandle()), QByteArray("\xCA\x02\x01\x07\x00", 5));

    // Gone for good: one more open, then the command is reported as not sent.
    m_fake->unplug(QStringLiteral("COM1"));
    QCOMPARE(driver.sendCommand(command), devicelink::SendResult::Gone);
    QVERIFY(!driver.Connected());
}

void TestCommDriver::commandEndsAtATimedOutByte()
{
    TCommPortDriver driver;
    m_fake->onWrite = [this](SerialHandle, const QByteArray &) { m_fake->failWrites = true; };
    QCOMPARE(driver.sendCommand({ 0xD5, 2, 0xDA, 5 }), devicelink::SendResult::TimedOut);
    QCOMPARE(m_fake->written(driver.ComHandle()), QByteArray("\xD5", 1));
    QCOMPARE(m_fake->callsNamed(QStringLiteral("write")).size(), 2); // nothing after the stall
    QVERIFY(driver.Connected());
}

void TestCommDriver::destructionCloses()
{
    SerialHandle handle = 0;
    {
        QObject owner;
        auto *driver = new TCommPortDriver(&owner);
        QVERIFY(driver->Connect());
        handle = driver->ComHandle();
        QVERIFY(m_fake->isOpen(handle));
    }
    QVERIFY(!m_fake->isOpen(handle));
    QCOMPARE(m_fake->calls.last().what, QStringLiteral("close"));
    QCOMPARE(m_fake->calls.last().handle, handle);
}

QTEST_GUILESS_MAIN(TestCommDriver)
#include "tst_comm_driver.moc"
