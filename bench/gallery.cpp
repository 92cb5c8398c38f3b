// Hand-run picture of the display controls laid out as on the main window.
//   gallery [--screenshot FILE.png] [--icon FILE.ico]
// --icon writes the program's icon (app/bodovka.ico): a red seven-segment 8 at the sizes
// Windows asks for, and exits.
#include "bench/main_window_digits.h"
#include "controls/dsleds.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QtEndian>

#include <cstdio>
#include <iterator>

namespace {

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

/// One icon picture: a lit 8 on the scoreboard's grey, as the main window shows the time.
QByteArray iconPng(int size)
{
    TdsSevenSegmentDisplay digit;
    // The digit's own proportions (20 by 38 units), as tall as the icon.
    digit.resize(qMax(8, size * 20 / 38 + 2), size);
    digit.setSegmentWidth(4);
    digit.setBackColor(clGray);
    digit.setOffColor(clGray);
    digit.setOnColor(clRed);
    digit.setValue(8);
    QPixmap picture(size, size);
    picture.fill(controls::resolveColor(clGray, digit.palette()));
    QPainter painter(&picture);
    painter.drawPixmap((size - digit.width()) / 2, 0, digit.grab());
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return png;
}

/// A Windows icon file holding one PNG picture per size (read by Windows Vista and later).
bool writeIcon(const QString &file)
{
    const int sizes[] = { 16, 24, 32, 48, 256 };
    const int count = int(std::size(sizes));
    QByteArray directory;
    QByteArray pictures;
    const auto put16 = [](QByteArray &to, quint16 v) {
        to.append(2, 0);
        qToLittleEndian(v, to.end() - 2);
    };
    const auto put32 = [](QByteArray &to, quint32 v) {
        to.append(4, 0);
        qToLittleEndian(v, to.end() - 4);
    };
    put16(directory, 0); // reserved
    put16(directory, 1); // an icon
    put16(directory, quint16(count));
    quint32 offset = 6 + 16 * count;
    for (const int size : sizes) {
        const QByteArray png = iconPng(size);
        directory.append(char(size % 256)); // 256 is written as 0
        directory.append(char(size % 256));
        directory.append(2, 0); // no palette, reserved
        put16(directory, 1);    // planes
        put16(directory, 32);   // bits per pixel
        put32(directory, quint32(png.size()));
        put32(directory, offset);
        offset += quint32(png.size());
        pictures += png;
    }
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(directory + pictures) == offset;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save the window to FILE and exit."),
                                        QStringLiteral("FILE"));
    parser.addOption(screenshot);
    const QCommandLineOption icon(QStringLiteral("icon"),
                                  QStringLiteral("Write the program's icon to FILE and exit."),
                                  QStringLiteral("FILE"));
    parser.addOption(icon);
    parser.process(app);
    if (parser.isSet(icon)) {
        if (!writeIcon(parser.value(icon))) {
            std::fprintf(stderr, "gallery: cannot write %s\n", qPrintable(parser.value(icon)));
            return 1;
        }
        return 0;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bodovka: display controls"));
    window.setFixedSize(779, 591);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, controls::resolveColor(clBtnFace, palette));
    window.setPalette(palette);

    // One digit a line, where the main window places it, showing 0 to 8.
    for (int i = 0; i < 9; ++i) {
        TdsSevenSegmentDisplay *digit = bench::addDigit(&window, bench::mainWindowDigits[i]);
        // A new digit reads 0 but is dark: assign 8 first so that 0 shows too.
        digit->setValue(8);
        digit->setValue(i);
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
