#pragma once

#include "platform/serial.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace testing {

/// A temporary folder whose `ports/` the serial ports open through while it exists.
class PortsFolder
{
public:
    PortsFolder()
    {
        m_ok = QDir(m_dir.path()).mkdir(QStringLiteral("ports"));
        platform::setSerialPortsDirectory(ports().toStdString());
    }
    ~PortsFolder() { platform::setSerialPortsDirectory(std::string()); }
    PortsFolder(const PortsFolder &) = delete;
    PortsFolder &operator=(const PortsFolder &) = delete;

    bool ok() const { return m_ok; }
    /// The folder that holds `ports/`, where a simulator's `--dir` points.
    QString path() const { return m_dir.path(); }
    QString ports() const { return m_dir.filePath(QStringLiteral("ports")); }
    QString link(int n) const { return ports() + QStringLiteral("/COM%1").arg(n); }

    /// Links COMn to `target`, replacing an older link.
    bool linkTo(int n, const QString &target) const
    {
        QFile::remove(link(n));
        return QFile::link(target, link(n));
    }

    /// Links COMn to a device that does not exist, so that neither it nor the fixed table opens.
    void linkNowhere(int from, int to) const
    {
        for (int n = from; n <= to; ++n) {
            linkTo(n, m_dir.filePath(QStringLiteral("missing-tty%1").arg(n)));
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

} // namespace testing
