// The yardstick of the console's start-up: a window of the main window's size with its nine
// seven-segment digits where it has them (period 1, time 07:00, score 00:00), drawn by our own
// TdsSevenSegmentDisplay, and nothing else: no settings file, no port, no translation, no font
// of our own. bench_startup and bench/windows_startup.sh start it beside the console.
// With --texts it also shows two of the main window's captions in its two fonts: what any
// window with text pays for (the font database, the font files, shaping, glyphs).
// With BODOVKA_STARTUP_REPORT set it prints the same line as the console (app/main.cpp).
//   bare_window [--texts]
#include "console/fonts.h"
#include "console/startup_report.h"
#include "controls/dsleds.h"
#include "controls/segment_geometry.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

namespace {

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
    const auto began = console::StartupReport::Clock::now();
    QApplication app(argc, argv);
    const bool texts = app.arguments().contains(QStringLiteral("--texts"));
    if (texts) {
        console::installFontSubstitutions();
        app.setFont(console::windowFont());
    }

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

    if (texts) {
        auto *large = new QLabel(QStringLiteral("Poločas"), &window);
        large->setFont(console::largeFont());
        large->move(88, 64);
        (new QLabel(QStringLiteral("Sekund"), &window))->move(60, 432);
    }

    console::StartupReport report(began);
    report.watch(&window);
    window.show();
    return app.exec();
}
