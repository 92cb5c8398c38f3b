// The yardstick of the console's start-up: a window of the main window's size with its nine
// seven-segment digits where it has them (period 1, time 07:00, score 00:00), drawn by our own
// TdsSevenSegmentDisplay, and nothing else: no settings file, no port, no translation, no font
// of our own. bench_startup and bench/windows_startup.sh start it beside the console.
// With --texts it also shows two of the main window's captions in its two fonts: what any
// window with text pays for (the font database, the font files, shaping, glyphs).
// With BODOVKA_STARTUP_REPORT set it prints the same line as the console (app/main.cpp).
//   bare_window [--texts]
#include "bench/main_window_digits.h"
#include "console/fonts.h"
#include "console/startup_report.h"
#include "controls/segment_geometry.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

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

    // The values the main window shows first: period 1, time 07:00, score 00:00.
    const int values[] = { 1, 0, 7, 0, 0, 0, 0, 0, 0 };
    for (int i = 0; i < 9; ++i) {
        TdsSevenSegmentDisplay *digit = bench::addDigit(&window, bench::mainWindowDigits[i]);
        digit->setSegments(controls::digitSegments(values[i]));
        digit->setValue(values[i]);
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
