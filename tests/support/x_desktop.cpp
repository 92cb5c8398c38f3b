#include "x_desktop.h"

#include "controls/segment_geometry.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace testing {
namespace {

const QColor silver(192, 192, 192);
constexpr QSize digitSize(121, 209);
constexpr QSize mainWindowSize(779, 591);
constexpr int segmentWidth = 4;

QString colourName(QRgb rgb)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(rgb)).arg(qGreen(rgb)).arg(qBlue(rgb));
}

/// Every bar of the digit in the picture that does not show `value`: lit bars in the digit's
/// colour, dark bars silver.
QStringList digitMismatches(const QImage &window, const DigitPlace &place, int value)
{
    QStringList wrong;
    const TdsDisplaySegments lit = controls::digitSegments(value);
    for (int bar = 0; bar < controls::segmentCount; ++bar) {
        const QPolygon outline
            = controls::segmentPolygon(bar, digitSize.width(), digitSize.height(), segmentWidth);
        const QPoint inside = place.topLeft + outline.boundingRect().center();
        const bool on = controls::hasSegment(lit, static_cast<TdsDisplaySegment>(bar));
        const QColor expected = on ? place.on : silver;
        const QRgb seen = window.pixel(inside);
        if (QColor(seen) != expected) {
            wrong += QStringLiteral("%1 (%2) bar %3 is %4, not %5")
                         .arg(QLatin1String(place.name))
                         .arg(value)
                         .arg(bar)
                         .arg(colourName(seen), colourName(expected.rgb()));
        }
    }
    return wrong;
}

} // namespace

std::optional<QString> xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(desktopWaitMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(desktopWaitMs);
        return std::nullopt;
    }
    if (process.exitCode() != 0 && arguments.value(0) != QLatin1String("search")) {
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString findWindow(const QString &titlePattern, qint64 pid)
{
    QStringList arguments { QStringLiteral("search"), QStringLiteral("--all"),
                            QStringLiteral("--onlyvisible") };
    if (pid != 0) {
        arguments += { QStringLiteral("--pid"), QString::number(pid) };
    }
    arguments += { QStringLiteral("--name"), titlePattern };
    const QString found = xdotool(arguments).value_or(QString());
    return found.isEmpty() ? QString() : found.split(u'\n').constFirst();
}

bool focusWindow(const QString &windowId)
{
    return xdotool({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), windowId })
        .has_value();
}

bool pressKeys(const QStringList &keyNames)
{
    return xdotool(QStringList { QStringLiteral("key"), QStringLiteral("--delay"),
                                 QStringLiteral("20") }
                   + keyNames)
        .has_value();
}

bool typeText(const QString &text)
{
    return xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                     QStringLiteral("--"), text })
        .has_value();
}

bool clickAt(const QString &windowId, QPoint point)
{
    return xdotool({ QStringLiteral("mousemove"), QStringLiteral("--window"), windowId,
                     QString::number(point.x()), QString::number(point.y()),
                     QStringLiteral("click"), QStringLiteral("1") })
        .has_value();
}

bool closeWindow(const QString &windowId)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) {
        return false;
    }
    xcb_connection_t *connection = x11->connection();
    const auto atom = [connection](const char *name) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    };
    xcb_client_message_event_t event {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = windowId.toUInt();
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    if (event.type == XCB_ATOM_NONE || event.data.data32[0] == XCB_ATOM_NONE) {
        return false;
    }
    xcb_send_event(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&event));
    return xcb_flush(connection) > 0;
}

QImage grabWindow(const QString &windowId)
{
    return QGuiApplication::primaryScreen()->grabWindow(WId(windowId.toULongLong())).toImage();
}

QStringList waitForDigits(const QString &windowId, const DigitValues &expected,
                          const QString &keepAs)
{
    QImage shot;
    QStringList wrong;
    const auto matches = [&] {
        shot = grabWindow(windowId);
        wrong.clear();
        if (shot.size() != mainWindowSize) {
            wrong += QStringLiteral("the window is %1 x %2").arg(shot.width()).arg(shot.height());
            return false;
        }
        for (const auto &[place, value] : expected) {
            wrong += digitMismatches(shot, place, value);
        }
        return wrong.isEmpty();
    };
    if (!QTest::qWaitFor(matches, desktopWaitMs)) {
        const QString kept = QDir::current().absoluteFilePath(keepAs);
        shot.save(kept);
        wrong += QStringLiteral("screenshot kept in ") + kept;
    }
    return wrong;
}

} // namespace testing
