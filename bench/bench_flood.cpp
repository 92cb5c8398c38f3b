// Repaint delay of the running clock while a peer floods the console's port with random bytes
// at full speed: the time from each whole-second boundary of the count-down to the paint of
// the seconds digit that shows the new second. First on a quiet line, then under the flood.
// Usage: bench_flood [flood seconds=10] [quiet seconds=5]

#include "bench/measure.h"
#include "console/clock.h"
#include "console/settings_file.h"
#include "console/unit1.h"
#include "controls/dsleds.h"
#include "controls/push_button.h"
#include "platform/serial.h"
#include "platform/testing/fakes.h"
#include "platform/testing/line_flooder.h"
#include "platform/testing/scripted_controller.h"
#include "platform/ticks.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Paint
{
    quint32 tick;
    int digit;      ///< -1 when the segments are no digit
    bool fromClock; ///< drawn by the clock's tick, not by a time block from the line
};

/// Records every paint of the main window's units-of-seconds digit with the tick count and
/// the digit shown.
class PaintRecorder final : public QObject
{
public:
    explicit PaintRecorder(TForm1 &form)
        : m_form(form)
        , m_display(form.CasJedSekDsSevenSegmentDisplay)
    {
        m_display->installEventFilter(this);
    }
    std::vector<Paint> paints;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            int digit = -1;
            for (int d = 0; d <= 9; ++d) {
                if (controls::digitSegments(d) == m_display->Segments()) {
                    digit = d;
                }
            }
            // The clock's tick sets the shown time from its own reading; a time block from
            // the line sets whatever it carries.
            const console::ClockReading clock
                = console::readClock(m_form.CelkovyCas, m_form.Uplynulo);
            const bool fromClock
                = clock.seconds == m_form.AktSekundy && clock.minutes == m_form.AktMinuty;
            paints.push_back({ platform::tickCount(), digit, fromClock });
        }
        return false;
    }

private:
    TForm1 &m_form;
    TdsSevenSegmentDisplay *m_display;
};

/// Runs the event loop until `done` says so or `limitMs` has passed.
template<typename Done> void runUntil(Done done, int limitMs)
{
    const quint32 start = platform::tickCount();
    while (!done() && platform::tickCount() - start < quint32(limitMs)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

struct Delays
{
    std::vector<int> ms;   ///< per boundary, from the boundary to the first paint showing it
    int missed = 0;        ///< boundaries whose second was never painted before the next one
    int foreignPaints = 0; ///< paints showing a digit the count-down did not show then
    quint32 foreignMs = 0; ///< how long such digits stayed on screen in all
    quint32 spanMs = 0;
};

/// The delays of the boundaries in [from, to) of a count-down of `total` ms started at `base`.
Delays measure(const std::vector<Paint> &paints, qint32 base, qint32 total, quint32 from,
               quint32 to)
{
    const auto remainingAt
        = [&](quint32 tick) { return qint64(total) - qint64(qint32(tick - quint32(base))); };
    const auto digitAt = [&](quint32 tick) { return int((remainingAt(tick) / 1000) % 10); };
    Delays result;
    result.spanMs = to - from;
    for (std::size_t i = 0; i < paints.size(); ++i) {
        const Paint &p = paints[i];
        if (p.tick - from < to - from && p.digit != digitAt(p.tick)) {
            ++result.foreignPaints;
            result.foreignMs += (i + 1 < paints.size() ? paints[i + 1].tick : to) - p.tick;
        }
    }
    // The shown second changes 1 ms after the remaining time reaches a whole second.
    for (qint64 k = total / 1000; k > 0; --k) {
        const quint32 boundary = quint32(base) + quint32(total - k * 1000 + 1);
        if (qint32(boundary - from) < 0) {
            continue;
        }
        if (qint32(boundary + 1000 - to) > 0) {
            break;
        }
        const int digit = digitAt(boundary);
        const auto shown = std::find_if(paints.begin(), paints.end(), [&](const Paint &p) {
            return qint32(p.tick - boundary) >= 0 && qint32(p.tick - boundary) < 1000
                   && p.digit == digit && p.fromClock;
        });
        if (shown == paints.end()) {
            ++result.missed;
        } else {
            result.ms.push_back(int(shown->tick - boundary));
        }
    }
    return result;
}

void report(const char *what, Delays d)
{
    if (d.ms.empty()) {
        std::printf("| repaint delay, %s | no boundary measured |\n", what);
        return;
    }
    std::sort(d.ms.begin(), d.ms.end());
    std::printf("| repaint delay, %s, median | %d ms |\n", what, d.ms[d.ms.size() / 2]);
    std::printf("| repaint delay, %s, max | %d ms |\n", what, d.ms.back());
    std::printf("| seconds measured, %s | %zu (%d missed) |\n", what, d.ms.size(), d.missed);
    std::printf("| seconds digit painted with a digit of no count-down, %s | %d times, "
                "%.1f %% of the time |\n",
                what, d.foreignPaints, 100.0 * d.foreignMs / std::max<quint32>(d.spanMs, 1));
}

} // namespace

int main(int argc, char *argv[])
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int floodSeconds = args.size() > 1 ? args[1].toInt() : 10;
    const int quietSeconds = args.size() > 2 ? args[2].toInt() : 5;

    QTemporaryDir dir;
    const QString ports = dir.filePath(QStringLiteral("ports"));
    if (!dir.isValid() || !QDir().mkpath(ports)) {
        std::fprintf(stderr, "cannot make a ports folder\n");
        return 1;
    }
    for (int n = 2; n <= 10; ++n) {
        QFile::link(dir.filePath(QStringLiteral("missing-tty%1").arg(n)),
                    ports + QStringLiteral("/COM%1").arg(n));
    }
    platform::setSerialPortsDirectory(QFile::encodeName(ports).toStdString());
    testing::ScriptedController peer(ports + QStringLiteral("/COM1"));
    if (!peer.ok()) {
        std::fprintf(stderr, "cannot set up a pseudo-terminal as COM1\n");
        return 1;
    }
    console::setSettingsFilePath(dir.filePath(QStringLiteral("bodovka.ini")));
    testing::RecordingDialogs dialogs;

    TForm1 form;
    form.show();
    runUntil([&] { return !dialogs.shown.isEmpty(); }, 20000);
    if (dialogs.texts() != QStringList { QStringLiteral("Zařízení nalezeno na COM1") }) {
        std::fprintf(stderr, "the console did not find the controller\n");
        return 1;
    }

    PaintRecorder recorder(form);
    form.Button1->click();
    const quint32 quietStart = platform::tickCount();
    runUntil([] { return false; }, quietSeconds * 1000);
    const quint32 floodStart = platform::tickCount();
    testing::LineFlooder flood(peer.master(), floodSeconds * 1000);
    runUntil([&] { return !flood.running(); }, floodSeconds * 1000 + 5000);
    const quint32 floodEnd = platform::tickCount();
    flood.stop();

    const Delays quiet
        = measure(recorder.paints, form.Zaklad, form.CelkovyCas, quietStart, floodStart);
    const Delays flooded
        = measure(recorder.paints, form.Zaklad, form.CelkovyCas, floodStart, floodEnd);
    std::printf("| measure | value |\n|---|---|\n");
    std::printf("| flood, random bytes taken by the line | %llu (%.1f KiB/s) |\n",
                static_cast<unsigned long long>(flood.bytesWritten()),
                double(flood.bytesWritten()) / 1024.0 / (double(floodEnd - floodStart) / 1000.0));
    report("quiet line", quiet);
    report("under flood", flooded);
    std::printf("| boxes shown during the run | %lld |\n",
                static_cast<long long>(dialogs.shown.size() - 1));
    form.close();
    platform::setSerialPortsDirectory({});
    console::setSettingsFilePath({});
    return 0;
}
