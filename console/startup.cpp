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

QPoint placeBeside(const QRect &area, const QRect &main, const QSize &outer)
{
    constexpr int gap = 8;
    const QPoint candidates[] = {
        { main.right() + 1 + gap, main.top() },
        { main.left() - gap - outer.width(), main.top() },
        { main.left(), main.bottom() + 1 + gap },
        { main.left(), main.top() - gap - outer.height() },
        { area.right() + 1 - outer.width(), area.top() },
        { area.left(), area.bottom() + 1 - outer.height() },
    };
    QPoint best = area.topLeft();
    qint64 leastCovered = -1;
    for (const QPoint &candidate : candidates) {
        const QPoint inside(
            std::max(area.left(), std::min(candidate.x(), area.right() + 1 - outer.width())),
            std::max(area.top(), std::min(candidate.y(), area.bottom() + 1 - outer.height())));
        const QRect covered = main.intersected(QRect(inside, outer));
        const qint64 size = covered.isEmpty() ? 0 : qint64(covered.width()) * covered.height();
        if (leastCovered < 0 || size < leastCovered) {
            best = inside;
            leastCovered = size;
        }
        if (size == 0) {
            break;
        }
    }
    return best;
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
