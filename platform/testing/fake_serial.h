#pragma once

#include "platform/serial.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace platform::testing {

/// Serial ports in memory. Records every call, opens the device names in `present` (each
/// once at a time), hands out handles from 100 upwards and never reuses one. Installs itself
/// for its lifetime.
class FakeSerial final : public SerialBackend
{
public:
    struct Call
    {
        QString what; ///< the method: "open", "setCommState", "setupComm", ...
        SerialHandle handle = 0; ///< the handle passed, or for "open" the one returned
        QString device; ///< "open": the name asked for
        QByteArray bytes; ///< "setCommState": the block; "write": the bytes; "read": what came
        QList<quint32> args; ///< "setupComm": in, out; "setCommTimeouts": the five values;
                             ///< "purge": the flags; "read": the maximum
        bool ok = false; ///< what the call returned
    };

    FakeSerial();
    ~FakeSerial() override;

    /// Device names that open.
    QSet<QString> present;
    bool failReads = false;
    bool failWrites = false;
    bool failSetCommState = false;
    /// Runs after every open, with the handle given out (-1 when the device did not open).
    std::function<void(const QString &device, SerialHandle handle)> onOpen;
    /// Runs after every successful write, e.g. to queue the answer of a device.
    std::function<void(SerialHandle handle, const QByteArray &bytes)> onWrite;

    QList<Call> calls;
    QStringList callNames() const;
    QList<Call> callsNamed(const QString &what) const;

    /// Bytes that later reads on the handle return, in order.
    void queueInput(SerialHandle handle, const QByteArray &bytes);
    QByteArray pendingInput(SerialHandle handle) const;
    /// Everything written successfully to the handle.
    QByteArray written(SerialHandle handle) const;
    /// The handle the device is open under, 0 when it is closed.
    SerialHandle handleOf(const QString &device) const;
    bool isOpen(SerialHandle handle) const;

    static DeviceControlBlock blockOf(const Call &setCommStateCall);

    SerialHandle open(const std::string &deviceName) override;
    bool setCommState(SerialHandle handle, const DeviceControlBlock &block) override;
    bool setupComm(SerialHandle handle, std::uint32_t inQueue, std::uint32_t outQueue) override;
    bool setCommTimeouts(SerialHandle handle, const CommTimeouts &timeouts) override;
    bool purge(SerialHandle handle, std::uint32_t flags) override;
    bool read(SerialHandle handle, void *buffer, std::uint32_t max, std::uint32_t *got) override;
    bool write(
        SerialHandle handle, const void *data, std::uint32_t size, std::uint32_t *written) override;
    bool close(SerialHandle handle) override;

private:
    struct Port
    {
        QString device;
        QByteArray input;
        QByteArray output;
        bool open = true;
    };

    Call &record(const QString &what, SerialHandle handle);

    QHash<SerialHandle, Port> m_ports;
    SerialHandle m_next = 100;
};

} // namespace platform::testing
