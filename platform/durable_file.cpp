#include "platform/durable_file.h"

#include <QDir>

namespace platform {

DurableFile::~DurableFile()
{
    close();
}

bool DurableFile::open(const QString &path)
{
    close();
    std::u16string error;
    m_handle = openForAppend(QDir::toNativeSeparators(path).toStdU16String(), error);
    m_error = QString::fromStdU16String(error);
    return isOpen();
}

bool DurableFile::append(const QByteArray &bytes)
{
    std::u16string error;
    if (!appendDurably(m_handle, bytes.constData(), static_cast<std::size_t>(bytes.size()),
                       error)) {
        m_error = QString::fromStdU16String(error);
        return false;
    }
    return true;
}

void DurableFile::close()
{
    closeAppendHandle(m_handle);
    m_handle = invalidAppendHandle;
}

} // namespace platform
