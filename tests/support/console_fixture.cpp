#include "console_fixture.h"

#include "console/settings_file.h"
#include "controls/dsleds.h"
#include "link/protocol.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace testing {

QString expectedDisplay(qint64 remainingMs)
{
    const qint64 seconds = remainingMs / 1000;
    return QStringLiteral("%1:%2")
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int shownDigit(const TdsSevenSegmentDisplay *display)
{
    for (int digit = 0; digit <= 9; ++digit) {
        if (controls::digitSegments(digit) == display->Segments()) {
            return digit;
        }
    }
    return -1;
}

namespace {
QString digits(const TdsSevenSegmentDisplay *a, const TdsSevenSegmentDisplay *b,
               const TdsSevenSegmentDisplay *c, const TdsSevenSegmentDisplay *d)
{
    auto one = [](const TdsSevenSegmentDisplay *x) {
        const int n = shownDigit(x);
        return n < 0 ? QStringLiteral("?") : QString::number(n);
    };
    return one(a) + one(b) + QLatin1Char(':') + one(c) + one(d);
}
} // namespace

QString shownTime(const TForm1 &f)
{
    return digits(f.CasDesMinDsSevenSegmentDisplay, f.CasJedMinDsSevenSegmentDisplay,
                  f.CasDesSekDsSevenSegmentDisplay, f.CasJedSekDsSevenSegmentDisplay);
}

QString shownScore(const TForm1 &f)
{
    return digits(f.SkoDomDesDsSevenSegmentDisplay, f.SkoDomJedDsSevenSegmentDisplay,
                  f.SkoHosDesDsSevenSegmentDisplay, f.SkoHosJedDsSevenSegmentDisplay);
}

Console::Console()
    : Console(Options())
{
}

Console::Console(const Options &options)
    : m_controllerPort(options.controllerPort)
    , m_scanTickStep(options.scanTickStep)
{
    if (options.realPorts) {
        platform::setSerialBackend(nullptr);
    }
    console::setSettingsFilePath(settingsPath());
    if (options.settingsIsDir) {
        QDir(m_dir.path()).mkdir(QStringLiteral("bodovka.ini"));
    } else if (!options.settings.isEmpty()) {
        QFile file(settingsPath());
        if (file.open(QIODevice::WriteOnly)) {
            file.write(options.settings);
        }
    }
    for (const QString &port : options.ports) {
        serial.present.insert(port);
    }
    serial.onWrite = [this](platform::SerialHandle handle, const QByteArray &bytes) {
        if (m_controllerPort.isEmpty() || handle != serial.handleOf(m_controllerPort)) {
            return;
        }
        if (bytes.contains(char(devicelink::protocol::Probe))) {
            serial.queueInput(handle, QByteArray(1, char(devicelink::protocol::ReplyTime)));
        }
    };

    form1 = std::make_unique<TForm1>();
    form2 = std::make_unique<TForm2>(form1.get());
    if (options.show) {
        showAndScan();
    }
}

void Console::showAndScan()
{
    // The scan's one-second answer windows pass quickly on the test clock.
    ticks.setAutoAdvance(m_scanTickStep);
    const qsizetype boxes = dialogs.shown.size();
    form1->show();
    // Every scan ends with a box: found, no port, or the question whether to try again.
    const bool ended = QTest::qWaitFor([&] { return dialogs.shown.size() > boxes; }, 20000);
    ticks.setAutoAdvance(0);
    if (!ended) {
        qWarning("The console's first scan did not end");
    }
    takeSent();
}

Console::~Console()
{
    form2.reset();
    form1.reset();
    console::setSettingsFilePath(QString());
}

QString Console::settingsPath() const
{
    return m_dir.filePath(QStringLiteral("bodovka.ini"));
}

QByteArray Console::settingsContents() const
{
    QFile file(settingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Console::takeSent()
{
    // Everything written to the controller's port, under whichever handle it was open.
    QList<platform::SerialHandle> handles;
    QByteArray all;
    for (const auto &call : serial.calls) {
        if (call.what == QStringLiteral("open") && call.ok && call.device == m_controllerPort) {
            handles.append(call.handle);
        } else if (call.what == QStringLiteral("write") && call.ok
                   && handles.contains(call.handle)) {
            all += call.bytes;
        }
    }
    QByteArray fresh = all.mid(m_sentSoFar);
    m_sentSoFar = all.size();
    fresh.replace(QByteArray(1, char(devicelink::protocol::Probe)), QByteArray());
    return fresh;
}

void Console::reply(const QByteArray &bytes)
{
    serial.queueInput(serial.handleOf(m_controllerPort), bytes);
}

bool Console::waitForReplies()
{
    const platform::SerialHandle handle = serial.handleOf(m_controllerPort);
    return QTest::qWaitFor([&] { return serial.pendingInput(handle).isEmpty(); }, 5000);
}

Console::Options realPorts(bool show)
{
    Console::Options options;
    options.realPorts = true;
    options.scanTickStep = 20;
    options.show = show;
    return options;
}

} // namespace testing
