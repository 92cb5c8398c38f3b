// Paint times: one main-window digit (121 x 209), one LED (33 x 33) and the whole main window,
// each rendered into an image.
#include "bench/measure.h"
#include "console/settings_file.h"
#include "console/startup.h"
#include "console/unit1.h"
#include "controls/dsleds.h"
#include "platform/testing/fake_serial.h"
#include "platform/testing/fakes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

namespace {

// Median over batches, in microseconds per paint.
template<typename Paint> double medianMicroseconds(Paint paint, int batches, int perBatch)
{
    std::vector<double> samples;
    samples.reserve(std::size_t(batches));
    for (int b = 0; b < batches; ++b) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < perBatch; ++i) {
            paint(i);
        }
        samples.push_back(double(timer.nsecsElapsed()) / 1000.0 / perBatch);
    }
    return bench::median(samples);
}

} // namespace

int main(int argc, char *argv[])
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    console::prepareApplication(app);

    TdsSevenSegmentDisplay digit;
    digit.resize(121, 209);
    digit.setOnColor(clRed);
    QImage image(digit.size(), QImage::Format_ARGB32_Premultiplied);
    const auto paintDigit = [&](int i) {
        digit.setValue(i % 10);
        digit.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    };

    TdsLed led;
    led.resize(33, 33);
    led.setLedOn(true);
    QImage ledImage(led.size(), QImage::Format_ARGB32_Premultiplied);
    const auto paintLed
        = [&](int) { led.render(&ledImage, QPoint(), QRegion(), QWidget::RenderFlags()); };

    // The main window as the program builds it; never shown, so it scans no port. Its
    // settings file goes to a temporary folder.
    QTemporaryDir settings;
    console::setSettingsFilePath(settings.filePath(QStringLiteral("bodovka.ini")));
    testing::RecordingDialogs dialogs;
    testing::FakeSerial serial;
    TForm1 form1;
    form1.ensurePolished();
    QImage windowImage(form1.size(), QImage::Format_ARGB32_Premultiplied);
    const auto paintWindow = [&](int i) {
        form1.SkoHosJedDsSevenSegmentDisplay->setValue(i % 10);
        form1.render(&windowImage);
    };

    // Warm up caches and lazy initialisation before measuring.
    medianMicroseconds(paintDigit, 3, 100);
    medianMicroseconds(paintWindow, 3, 10);
    const double digitUs = medianMicroseconds(paintDigit, 41, 200);
    const double ledUs = medianMicroseconds(paintLed, 41, 200);
    const double windowUs = medianMicroseconds(paintWindow, 41, 10);

    bench::row(QStringLiteral("paint one digit 121 x 209, median"),
               bench::number(digitUs) + QStringLiteral(" µs"));
    bench::row(QStringLiteral("paint one LED 33 x 33, median"),
               bench::number(ledUs) + QStringLiteral(" µs"));
    bench::row(QStringLiteral("paint the whole main window 779 x 591 (render), median"),
               bench::number(windowUs / 1000.0, 2) + QStringLiteral(" ms"));
    console::setSettingsFilePath(QString());
    return 0;
}
