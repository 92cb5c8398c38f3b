// The game clock of the real console window (offscreen), running for some seconds of real time:
//   - CPU time of the whole process as a share of one core;
//   - the delay from each whole-second boundary of the count-down to the paint of the seconds
//     digit that shows the new second;
//   - the cost of one clock tick (the timer event that runs PomTimerTimer);
//   - the peak memory of the process.
// The settings file lives in a temporary folder, boxes are recorded, the controller answers on
// COM1 in memory. Usage: bench_clock [seconds=10]

#include "bench/controller_on_fakes.h"
#include "bench/measure.h"
#include "console/settings_file.h"
#include "console/startup.h"
#include "console/unit1.h"
#include "console/unit2.h"
#include "controls/dsleds.h"
#include "controls/push_button.h"
#include "platform/testing/fake_serial.h"
#include "platform/testing/fakes.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cmath>

namespace {

using bench::Clock;

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

/// Milliseconds of the count-down elapsed since `zaklad`, on the program's tick clock (the
/// steady clock in whole milliseconds, 32 bits) but with the fraction of the current millisecond.
double elapsedSince(qint32 zaklad)
{
    const double now
        = std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
    const double whole = std::floor(now);
    const auto tick = static_cast<quint32>(static_cast<quint64>(whole));
    return double(tick - static_cast<quint32>(zaklad)) + (now - whole);
}

int shownDigit(TdsDisplaySegments segments)
{
    for (int digit = 0; digit <= 9; ++digit) {
        if (controls::digitSegments(digit) == segments) {
            return digit;
        }
    }
    return -1;
}

/// Watches the paints of the seconds digit and the clock's timer events.
class Probe final : public QObject
{
public:
    Probe(TForm1 &form)
        : m_form(form)
    {
        m_form.CasJedSekDsSevenSegmentDisplay->installEventFilter(this);
        m_form.PomTimer->installEventFilter(this);
        // Connected after the window's own handler, so it runs when that has returned.
        connect(m_form.PomTimer, &QTimer::timeout, this, [this] {
            if (m_tickStarted != Clock::time_point()) {
                tickCosts.push_back(bench::microseconds(Clock::now() - m_tickStarted));
                m_tickStarted = Clock::time_point();
            }
        });
    }

    void startMeasuring()
    {
        m_measuring = true;
        m_lastShown = m_form.CasJedSekDsSevenSegmentDisplay->Segments();
    }

    std::vector<double> delays;    ///< ms from a second's boundary to the paint showing it
    std::vector<double> tickCosts; ///< µs per clock tick
    int wrongDigits = 0;           ///< paints showing another second than the one just begun

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_measuring) {
            return false;
        }
        if (watched == m_form.PomTimer && event->type() == QEvent::Timer) {
            m_tickStarted = Clock::now();
        } else if (event->type() == QEvent::Paint) {
            paintOfSeconds();
        }
        return false;
    }

private:
    void paintOfSeconds()
    {
        const TdsDisplaySegments shown = m_form.CasJedSekDsSevenSegmentDisplay->Segments();
        if (shown == m_lastShown) {
            return;
        }
        m_lastShown = shown;
        // The shown second changes whenever the time left passes a whole second: at elapsed
        // times CelkovyCas mod 1000 + k * 1000.
        const qint32 total = m_form.CelkovyCas;
        const double elapsed = elapsedSince(m_form.Zaklad);
        const double phase = total % 1000;
        const double boundary = phase + 1000.0 * std::floor((elapsed - phase) / 1000.0);
        delays.push_back(elapsed - boundary);
        const auto left = static_cast<qint64>(total - boundary) - 1;
        if (shownDigit(shown) != int((left % 60000) / 1000 % 10)) {
            ++wrongDigits;
        }
    }

    TForm1 &m_form;
    bool m_measuring = false;
    TdsDisplaySegments m_lastShown = 0;
    Clock::time_point m_tickStarted;
};

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    console::prepareApplication(app);
    const int seconds = app.arguments().size() > 1 ? app.arguments().at(1).toInt() : 10;

    QTemporaryDir settings;
    console::setSettingsFilePath(settings.filePath(QStringLiteral("bodovka.ini")));
    testing::RecordingDialogs dialogs;
    testing::FakeSerial serial;
    bench::answerProbesOnCom1(serial);

    TForm1 form1;
    TForm2 form2(&form1);
    form1.show();
    const QDeadlineTimer scanDeadline(15000);
    while (dialogs.shown.isEmpty() && !scanDeadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (dialogs.texts() != QStringList { QStringLiteral("Zařízení nalezeno na COM1") }) {
        std::fprintf(stderr, "bench_clock: the scan did not find the controller: %s\n",
                     dialogs.texts().join(QStringLiteral(", ")).toUtf8().constData());
        return 1;
    }

    Probe probe(form1);
    runFor(200); // let the window settle after the scan
    const double cpuBefore = cpuSeconds();
    const Clock::time_point wallBefore = Clock::now();
    probe.startMeasuring();
    form1.Button1->click();
    runFor(seconds * 1000);
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = bench::milliseconds(Clock::now() - wallBefore) / 1000.0;
    form1.Button1->click();

    const double cpuShare = 100.0 * cpu / wall;
    bench::row(QStringLiteral("clock running %1 s: CPU time, share of one core").arg(seconds),
               bench::number(cpuShare, 2) + QStringLiteral(" % (target < 3 %)"));
    bench::row(QStringLiteral("second boundary to paint of the seconds digit, median / largest "
                              "(%1 seconds)")
                   .arg(probe.delays.size()),
               QStringLiteral("%1 / %2 ms (target < 15 ms)")
                   .arg(bench::number(bench::median(probe.delays)),
                        bench::number(bench::largest(probe.delays))));
    if (probe.wrongDigits != 0) {
        bench::row(QStringLiteral("paints of the seconds digit showing a wrong second"),
                   QString::number(probe.wrongDigits));
    }
    bench::row(QStringLiteral("one clock tick (PomTimerTimer), median / largest (%1 ticks)")
                   .arg(probe.tickCosts.size()),
               QStringLiteral("%1 / %2 µs")
                   .arg(bench::number(bench::median(probe.tickCosts)),
                        bench::number(bench::largest(probe.tickCosts))));

    // The same with the match window open, three penalties per team and a timeout running.
    form1.ZapasButton->click();
    auto *entry = form1.matchWindow()->findChild<QLineEdit *>(QStringLiteral("PenaltyEntry"));
    for (const char *line : { "D12", "D4 5", "D9 10", "H7", "H8 5", "H3 10" }) {
        entry->setText(QString::fromLatin1(line));
        QMetaObject::invokeMethod(entry, "returnPressed");
    }
    form1.matchWindow()->findChild<QPushButton *>(QStringLiteral("TimeoutHome"))->click();
    const double cpuBeforePenalties = cpuSeconds();
    const Clock::time_point wallBeforePenalties = Clock::now();
    form1.Button1->click();
    runFor(seconds * 1000);
    const double cpuPenalties = cpuSeconds() - cpuBeforePenalties;
    const double wallPenalties = bench::milliseconds(Clock::now() - wallBeforePenalties) / 1000.0;
    form1.Button1->click();
    bench::row(QStringLiteral("clock running %1 s with 6 penalties, a timeout and the match "
                              "window: CPU time, share of one core")
                   .arg(seconds),
               bench::number(100.0 * cpuPenalties / wallPenalties, 2)
                   + QStringLiteral(" % (without them: %1 %)").arg(bench::number(cpuShare, 2)));
    bench::row(QStringLiteral("peak memory (max RSS) of the console with the clock running"),
               QStringLiteral("%1 MiB").arg(bench::number(peakKilobytes() / 1024.0)));
    console::setSettingsFilePath(QString());
    return 0;
}
