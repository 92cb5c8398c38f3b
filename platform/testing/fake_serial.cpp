#include "platform/testing/fake_serial.h"

#include <cstring>

using namespace platform;

namespace testing {

FakeSerial::FakeSerial()
{
    setSerialBackend(this);
}

FakeSerial::~FakeSerial()
{
    setSerialBackend(nullptr);
}

QStringList FakeSerial::callNames() const
{
    QStringList names;
    for (const Call &call : calls) {
        names.append(call.what);
    }
    return names;
}

QList<FakeSerial::Call> FakeSerial::callsNamed(const QString &what) const
{
    QList<Call> result;
    for (const Call &call : calls) {
        if (call.what == what) {
            result.append(call);
        }
    }
    return result;
}

void FakeSerial::queueInput(SerialHandle handle, const QByteArray &bytes)
{
    m_ports[handle].input.append(bytes);
}

QByteArray FakeSerial::pendingInput(SerialHandle handle) const
{
    return m_ports.value(handle).input;
}

QByteArray FakeSerial::written(SerialHandle handle) const
{
    return m_ports.value(handle).output;
}

SerialHandle FakeSerial::handleOf(const QString &device) const
{
    for (auto it = m_ports.cbegin(); it != m_ports.cend(); ++it) {
        if (it->open && it->device == device) {
            return it.key();
        }
    }
    return 0;
}

void FakeSerial::unplug(const QString &device)
{
    present.remove(device);
    for (Port &port : m_ports) {
        if (port.device == device) {
            port.gone = true;
        }
    }
}

bool FakeSerial::isOpen(SerialHandle handle) const
{
    const auto it = m_ports.constFind(handle);
    return it != m_ports.cend() && it->open && !it->device.isEmpty();
}

DeviceControlBlock FakeSerial::blockOf(const Call &call)
{
    DeviceControlBlock block;
    if (call.bytes.size() == int(sizeof block)) {
        std::memcpy(&block, call.bytes.constData(), sizeof block);
    }
    return block;
}

FakeSerial::Call &FakeSerial::record(const QString &what, SerialHandle handle)
{
    Call call;
    call.what = what;
    call.handle = handle;
    calls.append(call);
    return calls.last();
}

SerialHandle FakeSerial::open(const std::string &deviceName)
{
    const QString device = QString::fromStdString(deviceName);
    SerialHandle handle = invalidSerialHandle;
    if (present.contains(device) && handleOf(device) == 0) {
        handle = m_next++;
        m_ports[handle].device = device;
    }
    Call &call = record(QStringLiteral("open"), handle);
    call.device = device;
    call.ok = handle > 0;
    if (onOpen) {
        onOpen(device, handle);
    }
    return handle;
}

bool FakeSerial::setCommState(SerialHandle handle, const DeviceControlBlock &block)
{
    Call &call = record(QStringLiteral("setCommState"), handle);
    call.bytes = QByteArray(reinterpret_cast<const char *>(&block), sizeof block);
    call.ok = isOpen(handle) && !failSetCommState;
    return call.ok;
}

bool FakeSerial::setupComm(SerialHandle handle, std::uint32_t inQueue, std::uint32_t outQueue)
{
    Call &call = record(QStringLiteral("setupComm"), handle);
    call.args = { inQueue, outQueue };
    call.ok = isOpen(handle);
    return call.ok;
}

bool FakeSerial::setCommTimeouts(SerialHandle handle, const CommTimeouts &timeouts)
{
    Call &call = record(QStringLiteral("setCommTimeouts"), handle);
    call.args = { timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                  timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                  timeouts.WriteTotalTimeoutConstant };
    call.ok = isOpen(handle) && !failSetCommTimeouts;
    return call.ok;
}

bool FakeSerial::purge(SerialHandle handle, std::uint32_t flags)
{
    Call &call = record(QStringLiteral("purge"), handle);
    call.args = { flags };
    call.ok = isOpen(handle);
    if (call.ok && (flags & (purgeRxAbort | purgeRxClear))) {
        m_ports[handle].input.clear();
    }
    return call.ok;
}

bool FakeSerial::read(SerialHandle handle, void *buffer, std::uint32_t max, std::uint32_t *got)
{
    *got = 0;
    Call &call = record(QStringLiteral("read"), handle);
    call.args = { max };
    m_gone = isOpen(handle) && m_ports[handle].gone;
    call.ok = isOpen(handle) && !failReads && !m_gone;
    if (call.ok) {
        QByteArray &input = m_ports[handle].input;
        const qsizetype n = qMin<qsizetype>(input.size(), max);
        call.bytes = input.left(n);
        input.remove(0, n);
        std::memcpy(buffer, call.bytes.constData(), size_t(n));
        *got = std::uint32_t(n);
    }
    return call.ok;
}

bool FakeSerial::write(SerialHandle handle, const void *data, std::uint32_t size,
                       std::uint32_t *written)
{
    *written = 0;
    const QByteArray bytes(static_cast<const char *>(data), qsizetype(size));
    Call &call = record(QStringLiteral("write"), handle);
    call.bytes = bytes;
    m_gone = isOpen(handle) && m_ports[handle].gone;
    call.ok = isOpen(handle) && !failWrites && !m_gone;
    if (call.ok) {
        m_ports[handle].output.append(bytes);
        *written = size;
        if (onWrite) {
            onWrite(handle, bytes);
        }
    }
    return call.ok;
}

bool FakeSerial::close(SerialHandle handle)
{
    Call &call = record(QStringLiteral("close"), handle);
    call.ok = isOpen(handle);
    if (call.ok) {
        m_ports[handle].open = false;
    }
    return call.ok;
}

} // namespace testing
