#include "simulator/port_link.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace simulator {

bool PortLink::create(const QString &linkPath, const QString &target, QString *error)
{
    remove();
    const QFileInfo info(linkPath);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    if (info.isSymLink()) {
        if (info.exists()) {
            *error
                = QStringLiteral("%1 already links to %2, which is in use (another simulator or a "
                                 "device); stop that one or choose another port with --port")
                      .arg(linkPath, info.symLinkTarget());
            return false;
        }
        if (!QFile::remove(linkPath)) {
            *error = QStringLiteral("cannot replace the stale link %1").arg(linkPath);
            return false;
        }
    } else if (info.exists()) {
        *error = QStringLiteral("%1 exists and is not a link; it is not replaced").arg(linkPath);
        return false;
    }
    // Fails if another simulator has taken the name in the meantime.
    QFile link(target);
    if (!link.link(linkPath)) {
        *error = QStringLiteral("cannot create the link %1: %2").arg(linkPath, link.errorString());
        return false;
    }
    m_path = info.absoluteFilePath();
    m_target = target;
    return true;
}

void PortLink::remove()
{
    if (m_path.isEmpty()) {
        return;
    }
    const QFileInfo info(m_path);
    if (info.isSymLink() && info.symLinkTarget() == m_target) {
        QFile::remove(m_path);
    }
    m_path.clear();
    m_target.clear();
}

} // namespace simulator
