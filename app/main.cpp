#include "console/startup.h"
#include "console/unit1.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

/// With BODOVKA_STARTUP_REPORT set, one line on stderr once the main window's first paint pass
/// is over: the time since main() began. bench_startup compares it with bench/bare_window's.
class StartupReport final : public QObject
{
public:
    explicit StartupReport(Clock::time_point began)
        : m_began(began)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Stamped after the pass, so that the controls' painting counts too.
            QTimer::singleShot(0, this, [this] { report(); });
        }
        return false;
    }

private:
    void report() const
    {
        const auto now = Clock::now();
        std::fprintf(stderr, "startup: first paint %.2f ms after main() began (steady %lld ns)\n",
                     std::chrono::duration<double, std::milli>(now - m_began).count(),
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                now.time_since_epoch())
                                                .count()));
        std::fflush(stderr);
    }

    Clock::time_point m_began;
};

} // namespace

int main(int argc, char *argv[])
{
    const auto began = Clock::now();
    console::prepareScaling();
    QApplication app(argc, argv);
    console::prepareApplication(app);
    TForm1 form1; // the time dialog is built when it is first opened
    StartupReport report(began);
    if (qEnvironmentVariableIsSet("BODOVKA_STARTUP_REPORT")) {
        form1.installEventFilter(&report);
    }
    form1.show();
    return app.exec();
}
