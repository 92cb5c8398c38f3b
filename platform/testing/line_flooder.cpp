#include "platform/testing/line_flooder.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <random>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace testing {

LineFlooder::LineFlooder(int fd, int durationMs, quint32 seed)
    : m_thread([this, fd, durationMs, seed] { run(fd, durationMs, seed); })
{
}

LineFlooder::~LineFlooder()
{
    stop();
}

void LineFlooder::stop()
{
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void LineFlooder::run(int fd, int durationMs, quint32 seed)
{
    std::mt19937 random(seed);
    std::vector<unsigned char> chunk(4096);
    const QDeadlineTimer deadline(durationMs);
    while (!m_stop && !deadline.hasExpired()) {
        for (auto &b : chunk) {
            b = static_cast<unsigned char>(random());
        }
        size_t done = 0;
        while (done < chunk.size() && !m_stop && !deadline.hasExpired()) {
            const ssize_t n = ::write(fd, chunk.data() + done, chunk.size() - done);
            if (n > 0) {
                done += size_t(n);
                m_written += quint64(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                // The console's input queue is full: wait for it to read, but look at the
                // clock and the stop request often.
                pollfd p { fd, POLLOUT, 0 };
                ::poll(&p, 1, 5);
            } else {
                m_running = false;
                return; // the line is gone
            }
        }
    }
    m_running = false;
}

} // namespace testing
