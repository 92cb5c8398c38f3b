// Time to paint one main-window digit (121 x 209) into an image.
#include "controls/dsleds.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <vector>

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
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

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

    // Warm up caches and lazy initialisation before measuring.
    medianMicroseconds(paintDigit, 3, 100);
    const double digitUs = medianMicroseconds(paintDigit, 41, 200);
    const double ledUs = medianMicroseconds(paintLed, 41, 200);

    std::printf("| measure | value |\n|---|---|\n");
    std::printf("| digit 121 x 209, median paint | %.1f us |\n", digitUs);
    std::printf("| LED 33 x 33, median paint | %.1f us |\n", ledUs);
    return 0;
}
