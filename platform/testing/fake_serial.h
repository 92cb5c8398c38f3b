#pragma once

#include "platform/serial.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace testing {

/// Serial ports in memory. Records every call, opens the device names in `present` (each
/// once at a time), hands out handles from 100 upwards and never reuses one. Installs itself
/// for its lifetime.
class FakeSerial final : public platform::SerialBackend
{
public:
    struct Call
    {
        QString what;                      ///< the method: "open", "setCommState", "setupComm", ...
        platform::SerialHandle handle = 0; ///< the handle passed, or for "open" the one returned
        QString device;                    ///< "open": the name asked for
        QByteArray bytes;    ///< "setCommState": the block; "write": the bytes; "read": what came
        QList<quint32> args; ///< "setupComm": in, out; "setCommTimeouts": the five values;
                             ///< "purge": the flags; "read": the maximum
        bool ok = false;     ///< what the call returned
    };

    FakeSerial();
    ~FakeSerial() override;

    /// Device names that open.
    QSet<QString> present;
    bool failReads = false;
    bool failWrites = false;
    bool failSetCommState = false;
    bool failSetCommTimeouts = false;
    /// The device goes away as an adapter pulled out does: it no longer opens, and reads and
    /// writes on a handle still open to it fail with deviceGone(). Back with present.insert().
    void unplug(const QString &device);
    /// Runs after every open, with the handle given out (-1 when the device did not open).
    std::function<void(const QString &device, platform::SerialHandle handle)> onOpen;
    /// Runs after every successful write, e.g. to queue the answer of a device.
    std::function<void(platform::SerialHandle handle, const QByteArray &bytes)> onWrite;

    QList<Call> calls;
    QStringList callNames() const;
    QList<Call> callsNamed(const QString &what) const;

    /// Bytes that later reads on the handle return, in order.
    void queueInput(platform::SerialHandle handle, const QByteArray &bytes);
    QByteArray pendingInput(platform::SerialHandle handle) const;
    /// Everything written successfully to the handle.
    QByteArray written(platform::SerialHandle handle) const;
    /// The handle the device is open under, 0 when it is closed.
    platform::SerialHandle handleOf(const QString &device) const;
    bool isOpen(platform::SerialHandle handle) const;

    static platform::DeviceControlBlock blockOf(const Call &setCommStateCall);

    platform::SerialHandle open(const std::string &deviceName) override;
    bool setCommState(platform::SerialHandle handle,
                      const platform::DeviceControlBlock &block) override;
    bool setupComm(platform::SerialHandle handle, std::uint32_t inQueue,
                   std::uint32_t outQueue) override;
    bool setCommTimeouts(platform::SerialHandle handle,
                         const platform::CommTimeouts &timeouts) override;
    bool purge(platform::SerialHandle handle, std::uint32_t flags) override;
    bool read(platform::SerialHandle handle, void *buffer, std::uint32_t max,
              std::uint32_t *got) override;
    bool write(platform::SerialHandle handle, const void *data, std::uint32_t size,
               std::uint32_t *written) override;
    bool close(platform::SerialHandle handle) override;
    bool deviceGone() const override { return m_gone; }

private:
    struct Port
    {
        QString device;
        QByteArray input;
        QByteArray output;
        bool open = true;
        bool gone = false;
    };

    Call &record(const QString &what, platform::SerialHandle handle);

    QHash<platform::SerialHandle, Port> m_ports;
    platform::SerialHandle m_next = 100;
    bool m_gone = false;
};

} // namespace testing
