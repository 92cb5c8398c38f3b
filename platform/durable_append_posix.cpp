#include "platform/durable_append.h"

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

std::u16string systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error)).toStdU16String();
}

} // namespace

AppendHandle openForAppend(const std::u16string &path, std::u16string &error)
{
    const QByteArray name = QFile::encodeName(QString::fromStdU16String(path));
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = systemMessage(errno);
        return invalidAppendHandle;
    }
    return fd;
}

bool appendDurably(AppendHandle handle, const char *data, std::size_t size, std::u16string &error)
{
    if (handle < 0) {
        error = systemMessage(EBADF);
        return false;
    }
    const int fd = static_cast<int>(handle);
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            // A write of nothing where something was asked for: the disk is full.
            error = systemMessage(n < 0 ? errno : ENOSPC);
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    int synced = -1;
    do {
        synced = ::fsync(fd);
    } while (synced < 0 && errno == EINTR);
    if (synced < 0) {
        error = systemMessage(errno);
        return false;
    }
    return true;
}

void closeAppendHandle(AppendHandle handle)
{
    if (handle >= 0) {
        // Not retried on EINTR: the descriptor is released either way on Linux.
        ::close(static_cast<int>(handle));
    }
}

} // namespace platform
