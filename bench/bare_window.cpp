// The yardstick of the console's start-up: a window of the main window's size with its nine
// seven-segment digits where it has them (period 1, time 07:00, score 00:00), drawn by our own
// TdsSevenSegmentDisplay, and nothing else: no settings file, no port, no translation, no font
// of our own. bench_startup and bench/windows_startup.sh start it beside the console.
// With BODOVKA_STARTUP_REPORT set it prints the same line as the console (app/main.cpp).
//   bare_window
#include "controls/dsleds.h"
#include "controls/segment_geometry.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

/// As in app/main.cpp: one line on stderr once the window's first paint pass is over.
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
            // Stamped after the pass, so that the digits' painting counts too.
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

struct DigitPlace
{
    int left;
    int top;
    TColor onColor;
    int value;
};

} // namespace

int main(int argc, char *argv[])
{
    const auto began = Clock::now();
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bodovka bare window"));
    window.setFixedSize(779, 591);

    // Where console/unit1.cpp (createControls) places them, with its colours and first values.
    // clang-format off
    const DigitPlace digits[] = {
        { 88, 96, clYellow, 1 },
        { 256, 96, clRed, 0 },
        { 376, 96, clRed, 7 },
        { 528, 96, clRed, 0 },
        { 648, 96, clRed, 0 },
        { 192, 336, clLime, 0 },
        { 312, 336, clLime, 0 },
        { 464, 336, clLime, 0 },
        { 584, 336, clLime, 0 },
    };
    // clang-format on
    for (const DigitPlace &place : digits) {
        auto *digit = new TdsSevenSegmentDisplay(&window);
        digit->setGeometry(place.left, place.top, 121, 209);
        digit->setSegmentWidth(4);
        digit->setBackColor(clGray);
        digit->setOffColor(clSilver);
        digit->setOnColor(place.onColor);
        digit->setSegments(controls::digitSegments(place.value));
        digit->setValue(place.value);
    }

    StartupReport report(began);
    if (qEnvironmentVariableIsSet("BODOVKA_STARTUP_REPORT")) {
        window.installEventFilter(&report);
    }
    window.show();
    return app.exec();
}
