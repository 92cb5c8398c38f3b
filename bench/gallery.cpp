// Hand-run picture of the display controls laid out as on the main window.
//   gallery [--screenshot FILE.png]
#include "controls/dsleds.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QLabel>
#include <QTimer>

#include <cstdio>

namespace {

struct DigitPlace
{
    int left;
    int top;
    TColor onColor;
    int value;
};

struct LedPlace
{
    int left;
    int top;
    TColor onColor;
    TColor offColor;
};

void addLabel(QWidget *parent, const QString &text, int left, int top)
{
    auto *label = new QLabel(text, parent);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(27);
    font.setBold(true);
    label->setFont(font);
    label->move(left, top);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
        QStringLiteral("Save the window to FILE and exit."), QStringLiteral("FILE"));
    parser.addOption(screenshot);
    parser.process(app);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bodovka: display controls"));
    window.setFixedSize(779, 591);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, resolveColor(clBtnFace, palette));
    window.setPalette(palette);

    // One digit a line, where the main window places it.
    // clang-format off
    const DigitPlace digits[] = {
        { 88, 96, clYellow, 0 },
        { 256, 96, clRed, 1 },
        { 376, 96, clRed, 2 },
        { 528, 96, clRed, 3 },
        { 648, 96, clRed, 4 },
        { 192, 336, clLime, 5 },
        { 312, 336, clLime, 6 },
        { 464, 336, clLime, 7 },
        { 584, 336, clLime, 8 },
    };
    // clang-format on
    for (const DigitPlace &place : digits) {
        auto *digit = new TdsSevenSegmentDisplay(&window);
        digit->setGeometry(place.left, place.top, 121, 209);
        digit->setSegmentWidth(4);
        digit->setBackColor(clGray);
        digit->setOffColor(clSilver);
        digit->setOnColor(place.onColor);
        // A new digit reads 0 but is dark: assign 8 first so that 0 shows too.
        digit->setValue(8);
        digit->setValue(place.value);
    }

    const LedPlace leds[] = {
        { 496, 160, clRed, clGray },
        { 496, 224, clRed, clGray },
        { 432, 400, clLime, clRed },
        { 432, 464, clLime, clRed },
    };
    for (const LedPlace &place : leds) {
        auto *led = new TdsLed(&window);
        led->setGeometry(place.left, place.top, 33, 33);
        led->setOnColor(place.onColor);
        led->setOffColor(place.offColor);
        led->setLedOn(true);
    }

    addLabel(&window, QStringLiteral("Poločas"), 88, 64);
    addLabel(&window, QStringLiteral("Čas"), 256, 64);
    addLabel(&window, QStringLiteral("Domací"), 192, 304);
    addLabel(&window, QStringLiteral("Hosté"), 464, 304);

    window.show();
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(0, &window, [&window, &app, file] {
            const bool saved = window.grab().save(file);
            if (!saved) {
                std::fprintf(stderr, "gallery: cannot write %s\n", qPrintable(file));
            }
            app.exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
