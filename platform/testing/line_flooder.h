#pragma once

#include <QtGlobal>

#include <atomic>
#include <thread>

namespace testing {

/// Writes random bytes to a descriptor as fast as it takes them, on a thread of its own,
/// until the time is up or it is stopped.
class LineFlooder final
{
public:
    LineFlooder(int fd, int durationMs, quint32 seed = 1);
    ~LineFlooder();
    LineFlooder(const LineFlooder &) = delete;
    LineFlooder &operator=(const LineFlooder &) = delete;

    bool running() const { return m_running.load(); }
    /// Stops the flood and waits for its thread.
    void stop();
    quint64 bytesWritten() const { return m_written.load(); }

private:
    void run(int fd, int durationMs, quint32 seed);

    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_running { true };
    std::atomic<quint64> m_written { 0 };
    std::thread m_thread;
};

} // namespace testing
