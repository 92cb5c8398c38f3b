#pragma once

// With BODOVKA_STARTUP_REPORT set, a program prints one line on stderr once its main window's
// first paint pass is over: "startup: first paint X ms after main() began (steady N ns)". The
// console and bench/bare_window both use it, so that bench_startup compares like with like.
// Unset, it installs nothing.

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

namespace console {

class StartupReport final : public QObject
{
public:
    using Clock = std::chrono::steady_clock;

    explicit StartupReport(Clock::time_point began)
        : m_began(began)
    {
    }

    /// Watches the window and its controls, when the variable is set.
    void watch(QWidget *window)
    {
        if (!qEnvironmentVariableIsSet("BODOVKA_STARTUP_REPORT")) {
            return;
        }
        m_window = window;
        window->installEventFilter(this);
        for (QWidget *control : window->findChildren<QWidget *>()) {
            control->installEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || m_reported) {
            return false;
        }
        // The controls paint after the window in the same pass: the last paint seen before the
        // report goes out marks its end. What the first queued handlers do before it (a wait of
        // the port scan, say) paints nothing and so does not count.
        m_lastPaint = Clock::now();
        if (watched == m_window && !m_scheduled) {
            m_scheduled = true;
            QTimer::singleShot(0, this, [this] { report(); });
        }
        return false;
    }

private:
    void report()
    {
        m_reported = true;
        std::fprintf(stderr, "startup: first paint %.2f ms after main() began (steady %lld ns)\n",
                     std::chrono::duration<double, std::milli>(m_lastPaint - m_began).count(),
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                m_lastPaint.time_since_epoch())
                                                .count()));
        std::fflush(stderr);
    }

    Clock::time_point m_began;
    Clock::time_point m_lastPaint;
    QObject *m_window = nullptr;
    bool m_scheduled = false;
    bool m_reported = false;
};

} // namespace console
