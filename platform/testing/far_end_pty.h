#pragma once

#include <QByteArray>
#include <QString>

namespace testing {

/// The far end of a serial port for tests and benchmarks (POSIX only): the master side of a
/// pseudo-terminal, raw and non-blocking. The slave is what a port link points at.
class FarEndPty
{
public:
    FarEndPty();
    ~FarEndPty();
    FarEndPty(const FarEndPty &) = delete;
    FarEndPty &operator=(const FarEndPty &) = delete;

    bool ok() const { return m_master >= 0 && !m_slave.isEmpty(); }
    int master() const { return m_master; }
    QString slave() const { return m_slave; }
    /// Hangs up the line: the slave side sees end of file.
    void closeMaster();

    /// Writes everything unless the time is up first.
    bool write(const QByteArray &bytes, int timeoutMs = 5000);
    /// Reads until `count` bytes came or the time is up.
    QByteArray read(qsizetype count, int timeoutMs = 5000);

private:
    int m_master = -1;
    QString m_slave;
};

} // namespace testing
