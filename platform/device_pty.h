#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

/// The device end (master side) of a pseudo-terminal, for programs that play a device at the other
/// end of a serial line. The line is raw from the start (no echo, no line editing), and the
/// terminal keeps its own slave side open, so that a program opening and closing the slave
/// path never makes the master see a hang-up.
class DevicePty final
{
public:
    DevicePty() = default;
    ~DevicePty();
    DevicePty(const DevicePty &) = delete;
    DevicePty &operator=(const DevicePty &) = delete;

    /// Opens a new pair; on failure returns false and says why in `error`.
    bool open(QString *error);
    void close();
    bool isOpen() const { return m_master >= 0; }

    /// The path of the slave side, e.g. "/dev/pts/3".
    QString slavePath() const { return m_slavePath; }
    /// The master's descriptor, for a read notifier.
    qintptr masterDescriptor() const { return m_master; }
    /// Turns readable when a program closes the slave side; -1 where the system cannot tell.
    qintptr slaveClosedDescriptor() const { return m_slaveWatch; }

    enum class SlaveRelease {
        NotNeeded, ///< the line is not in exclusive mode, or the system cannot tell
        Released,  ///< the mode was cleared
        LockBusy,  ///< someone holds the line's lock: a console, or one whose close is under way
    };

    /// Call when slaveClosedDescriptor() turns readable. A program that dies while it holds
    /// the slave side in exclusive mode leaves that mode behind: the kernel would clear it
    /// only with the last descriptor of the pair, and this end keeps its own. So once no one
    /// holds the line's lock any more, the mode is cleared here. The kernel tells of a close
    /// before it drops the closing program's lock: a caller that gets LockBusy asks again
    /// shortly.
    SlaveRelease releaseAbandonedSlave();

    /// What the other end has sent so far: empty when nothing is queued, nothing on a
    /// failure of the line (with the reason in `error`).
    std::optional<QByteArray> readAvailable(QString *error);
    /// Writes without blocking; returns how many bytes the line took, -1 on a failure.
    qint64 write(const QByteArray &bytes);

private:
    int m_master = -1;
    int m_slave = -1;
    int m_slaveWatch = -1;
    QString m_slavePath;
};

} // namespace platform
