#pragma once

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace testing {

/// Root passes every permission and exclusive-mode check that an operator's account meets, so
/// a child that plays the operator's program must not run as root. Run as root, the process
/// starts as "nobody"; otherwise it runs as the test does, an ordinary account already. False
/// when root finds no such account.
inline bool runAsOrdinaryUser(QProcess &process)
{
    if (geteuid() != 0) {
        return true;
    }
    const passwd *nobody = getpwnam("nobody");
    if (nobody == nullptr) {
        return false;
    }
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    process.setChildProcessModifier([uid, gid] {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) {
            _exit(126);
        }
    });
    return true;
}

/// Whether runAsOrdinaryUser() can work here.
inline bool ordinaryUserAvailable()
{
    return geteuid() != 0 || getpwnam("nobody") != nullptr;
}

/// Lets every account use `path`: enter and read a folder, read and write a device (a link
/// passes this on to what it points at).
inline bool openToEveryone(const QString &path)
{
    const QFile::Permissions read = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    if (QFileInfo(path).isDir()) {
        return QFile::setPermissions(path, read | QFile::WriteOwner | QFile::ExeOwner
                                               | QFile::ExeGroup | QFile::ExeOther);
    }
    return QFile::setPermissions(path,
                                 read | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
}

} // namespace testing
