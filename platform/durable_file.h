#pragma once

#include "platform/durable_append.h"

#include <QByteArray>
#include <QString>

namespace platform {

/// A file kept open for appending, each append on the disk before it returns (the match
/// journal). Other programs may read it meanwhile. Not copyable; closes itself.
class DurableFile
{
public:
    DurableFile() = default;
    ~DurableFile();
    DurableFile(const DurableFile &) = delete;
    DurableFile &operator=(const DurableFile &) = delete;

    /// Creates the file or opens it to append to its end; closes a file open before.
    bool open(const QString &path);
    /// Writes all the bytes and flushes them to the disk; false when the system refuses
    /// (the file stays open, part of the bytes may have reached it).
    bool append(const QByteArray &bytes);
    void close();
    bool isOpen() const { return m_handle != invalidAppendHandle; }
    /// The system's message for the last failure.
    QString errorString() const { return m_error; }

private:
    AppendHandle m_handle = invalidAppendHandle;
    QString m_error;
};

} // namespace platform
