#include "console/startup.h"

#include "console/fonts.h"
#include "platform/dialogs.h"
#include "platform/message_boxes.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRect>
#include <QTranslator>

#include <algorithm>

namespace console {

void prepareScaling()
{
    // The window is laid out in fixed pixels. A fractional factor (1.25, 1.75) makes it taller
    // than a laptop's free area and blurs the segment edges; a whole one keeps every pixel.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Floor);
    // With the factor rounded down Qt still reports the screen's own 120 to 168 dpi, and the
    // style would size its radio circles and frames from that, too large for the fixed
    // layout: the style works at 96 dpi, times the whole factor.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
}

QPoint placeInside(const QRect &area, const QSize &outer)
{
    const QPoint centred = area.center() - QPoint(outer.width() / 2, outer.height() / 2);
    return { std::max(centred.x(), area.left()), std::max(centred.y(), area.top()) };
}

void prepareApplication(QApplication &app)
{
    const QString title = QStringLiteral("Bodovka");
    app.setApplicationName(title);
    platform::setApplicationTitle(title);
    platform::installMessageBoxes();

    // The copy built into the program first: the scorer's PC has no Qt installed.
    auto *translator = new QTranslator(&app);
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    const QString name = QStringLiteral("qtbase");
    const QString prefix = QStringLiteral("_");
    if (translator->load(czech, name, prefix, QStringLiteral(":/translations"))
        || translator->load(czech, name, prefix,
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(translator);
    }
    installFontSubstitutions();
    app.setFont(windowFont());
}

} // namespace console
