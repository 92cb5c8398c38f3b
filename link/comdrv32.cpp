#include "link/comdrv32.h"

#include "platform/errors.h"

#include <QTimer>

#include <algorithm>

namespace {

constexpr quint32 baudTable[]
    = { 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200 };

// Like a window timer: shorter periods are raised to 10 ms rather than spinning the loop.
constexpr int minimumPollPeriod = 10;

// Read time-outs MAXDWORD/0/0: a read returns at once with what is queued.
constexpr std::uint32_t readIntervalNoWait = 0xFFFFFFFF;
// A byte the line does not take within this time is not written, as on POSIX.
constexpr std::uint32_t writeTimeoutMs = 250;

template<typename E> bool inRange(E value, E last)
{
    return int(value) >= 0 && int(value) <= int(last);
}

} // namespace

quint32 devicelink::comPortBaudRate(TComPortBaudRate rate)
{
    return inRange(rate, br115200) ? baudTable[rate] : 0;
}

TCommPortDriver::TCommPortDriver(QObject *owner)
    : QObject(owner)
    , m_buffer(m_inBufSize)
    , m_pollTimer(new QTimer(this))
{
    connect(m_pollTimer, &QTimer::timeout, this, &TCommPortDriver::poll);
}

TCommPortDriver::~TCommPortDriver()
{
    Disconnect();
}

bool TCommPortDriver::Connected() const
{
    return m_handle > 0;
}

bool TCommPortDriver::Connect()
{
    if (Connected()) {
        return true;
    }
    const std::string name = "COM" + std::to_string(int(m_port) + 1);
    const platform::SerialHandle handle = platform::serialBackend().open(name);
    m_handle = handle > 0 ? handle : platform::invalidSerialHandle;
    if (!Connected()) {
        return false;
    }
    // A port whose line cannot be set up would put other bytes on the wire than the driver
    // means: it counts as one that did not open.
    if (!applySettings()) {
        platform::serialBackend().close(m_handle);
        m_handle = platform::invalidSerialHandle;
        return false;
    }
    // A read returns at once with what is queued (the poll must not hold up the GUI thread),
    // and a write that the line does not take ends: with 0/0 Windows would wait for ever.
    platform::CommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = readIntervalNoWait;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = writeTimeoutMs;
    // Windows keeps a port's time-outs across handles: refused, the last program's values
    // (perhaps a read that waits for a full buffer) would hold up the GUI thread.
    if (!platform::serialBackend().setCommTimeouts(m_handle, timeouts)) {
        platform::serialBackend().close(m_handle);
        m_handle = platform::invalidSerialHandle;
        return false;
    }
    startPoll();
    return true;
}

bool TCommPortDriver::Disconnect()
{
    if (Connected()) {
        m_pollTimer->stop();
        platform::serialBackend().close(m_handle);
        m_handle = 0;
    }
    return false;
}

platform::DeviceControlBlock TCommPortDriver::deviceControlBlock() const
{
    platform::DeviceControlBlock block;
    block.DCBlength = sizeof block;
    block.BaudRate = devicelink::comPortBaudRate(m_speed);
    block.flags = platform::dcbBinary;
    if (m_enableDtrOnOpen) {
        block.flags |= platform::dcbDtrControlEnable;
    }
    if (m_hwHandshaking == hhRTSCTS) {
        block.flags |= platform::dcbOutxCtsFlow | platform::dcbRtsControlHandshake;
    }
    if (m_swHandshaking == shXONXOFF) {
        block.flags |= platform::dcbOutX | platform::dcbInX;
    }
    block.XonLim = quint16(m_inBufSize >> 2);
    block.XoffLim = 1;
    block.ByteSize = quint8(m_dataBits + 5);
    block.Parity = quint8(m_parity);
    block.StopBits = quint8(m_stopBits);
    block.XonChar = 17;
    block.XoffChar = 19;
    return block;
}

void TCommPortDriver::ApplyComSettings()
{
    if (Connected()) {
        applySettings();
    }
}

bool TCommPortDriver::applySettings()
{
    const bool set = platform::serialBackend().setCommState(m_handle, deviceControlBlock());
    FlushBuffers(true, true);
    platform::serialBackend().setupComm(m_handle, m_inBufSize, m_outBufSize);
    return set;
}

void TCommPortDriver::closeIfGone()
{
    // The handle of a device that went away (an adapter pulled out) never works again. Closed,
    // the port is opened afresh by the next command's Connect: when the adapter is back on
    // the same port, that command reaches it. Nothing is written again.
    if (Connected() && platform::serialBackend().deviceGone()) {
        Disconnect();
        if (onDeviceGone) {
            const auto handler = onDeviceGone; // a handler may replace itself
            handler();
        }
    }
}

void TCommPortDriver::FlushBuffers(bool inBuf, bool outBuf)
{
    if (!Connected()) {
        return;
    }
    std::uint32_t flags = 0;
    if (outBuf) {
        flags |= platform::purgeTxAbort | platform::purgeTxClear;
    }
    if (inBuf) {
        flags |= platform::purgeRxAbort | platform::purgeRxClear;
    }
    platform::serialBackend().purge(m_handle, flags);
}

bool TCommPortDriver::SendByte(quint8 value)
{
    std::uint32_t written = 0;
    if (platform::serialBackend().write(m_handle, &value, 1, &written) && written == 1) {
        return true;
    }
    closeIfGone();
    return false;
}

devicelink::SendResult TCommPortDriver::sendCommand(const std::vector<quint8> &bytes)
{
    using devicelink::SendResult;
    if (!Connect()) {
        return SendResult::NotOpen;
    }
    for (bool reopened = false;; reopened = true) {
        const auto failed
            = std::find_if(bytes.begin(), bytes.end(), [this](quint8 b) { return !SendByte(b); });
        if (failed == bytes.end()) {
            return SendResult::Sent;
        }
        if (Connected()) {
            return SendResult::TimedOut; // the device is there; its line did not take the byte
        }
        if (reopened || !Connect()) {
            return SendResult::Gone;
        }
    }
}

void TCommPortDriver::setComHandle(platform::SerialHandle value)
{
    if (value == m_handle) {
        return;
    }
    if (value == platform::invalidSerialHandle) {
        // Hands the port over to someone else: it stays open.
        if (Connected()) {
            m_pollTimer->stop();
        }
        m_handle = 0;
        return;
    }
    Disconnect();
    if (value != 0) {
        m_handle = value;
        if (Connected()) {
            startPoll();
        }
    }
}

void TCommPortDriver::setComPort(TComPortNumber value)
{
    if (!Connected() && inRange(value, pnCOM10)) {
        m_port = value;
    }
}

void TCommPortDriver::applyIfOpen()
{
    if (Connected()) {
        ApplyComSettings();
    }
}

void TCommPortDriver::setComPortSpeed(TComPortBaudRate value)
{
    if (inRange(value, br115200)) {
        m_speed = value;
        applyIfOpen();
    }
}

void TCommPortDriver::setComPortDataBits(TComPortDataBits value)
{
    if (inRange(value, db8BITS)) {
        m_dataBits = value;
        applyIfOpen();
    }
}

void TCommPortDriver::setComPortStopBits(TComPortStopBits value)
{
    if (inRange(value, sb2BITS)) {
        m_stopBits = value;
        applyIfOpen();
    }
}

void TCommPortDriver::setComPortParity(TComPortParity value)
{
    if (inRange(value, ptSPACE)) {
        m_parity = value;
        applyIfOpen();
    }
}

void TCommPortDriver::setComPortHwHandshaking(TComPortHwHandshaking value)
{
    if (inRange(value, hhRTSCTS)) {
        m_hwHandshaking = value;
        applyIfOpen();
    }
}

void TCommPortDriver::setComPortSwHandshaking(TComPortSwHandshaking value)
{
    if (inRange(value, shXONXOFF)) {
        m_swHandshaking = value;
        applyIfOpen();
    }
}

void TCommPortDriver::setComPortInBufSize(quint16 value)
{
    if (!Connected()) {
        m_inBufSize = value;
        std::vector<quint8>(value).swap(m_buffer);
    }
}

void TCommPortDriver::setComPortOutBufSize(quint16 value)
{
    if (!Connected()) {
        m_outBufSize = value;
    }
}

void TCommPortDriver::setComPortPollingDelay(quint16 value)
{
    if (value == m_pollingDelay) {
        return;
    }
    if (Connected()) {
        m_pollTimer->stop();
        m_pollingDelay = value;
        startPoll();
    } else {
        m_pollingDelay = value;
    }
}

void TCommPortDriver::startPoll()
{
    m_pollTimer->start(std::max<int>(m_pollingDelay, minimumPollPeriod));
}

void TCommPortDriver::poll()
{
    // Bytes also arrive while a box is open: a box opened inside the poll would hold it up
    // until the operator closes it, so a handler's error is shown after the poll.
    platform::guardedBoxAfterReturn([this] {
        if (!Connected()) {
            return;
        }
        std::uint32_t got = 0;
        if (!platform::serialBackend().read(m_handle, m_buffer.data(),
                                            std::uint32_t(m_buffer.size()), &got)) {
            closeIfGone();
            return;
        }
        if (got == 0 || !OnReceiveData) {
            return;
        }
        // A copy, so that a handler that replaces itself is not destroyed while it runs.
        const TComPortReceiveDataEvent handler = OnReceiveData;
        handler(this, m_buffer.data(), qint32(got));
    });
}
