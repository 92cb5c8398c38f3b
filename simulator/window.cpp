#include "simulator/window.h"

#include "controls/dsleds.h"
#include "simulator/controller.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace simulator {

namespace {

// The console's outer size; it opens centred on the primary screen.
constexpr QSize consoleOuterSize(787, 618);
// Room for the window manager's frame between the two windows.
constexpr int frameGap = 16;

// A hall scoreboard: dark panel, unlit bars barely visible.
constexpr TColor panelColor = clBlack;
constexpr TColor unlitColor = 0x282828;
constexpr QSize digitSize(60, 114);

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(20);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QHBoxLayout *row(std::initializer_list<QWidget *> widgets, int spacing = 6)
{
    auto *layout = new QHBoxLayout;
    layout->setSpacing(spacing);
    layout->addStretch();
    for (QWidget *widget : widgets) {
        layout->addWidget(widget);
    }
    layout->addStretch();
    return layout;
}

} // namespace

QPoint placeBesideConsole(const QRect &screen, const QSize &size, const QSize &consoleSize)
{
    const QRect console(screen.center() - QPoint(consoleSize.width() / 2, consoleSize.height() / 2),
                        consoleSize);
    const QPoint candidates[] = {
        { console.right() + 1 + frameGap, console.top() },
        { console.left() - frameGap - size.width(), console.top() },
        { console.left(), console.bottom() + 1 + frameGap },
        { console.left(), console.top() - frameGap - size.height() },
        screen.topLeft(),
        { screen.right() + 1 - size.width(), screen.top() },
        { screen.left(), screen.bottom() + 1 - size.height() },
        { screen.right() + 1 - size.width(), screen.bottom() + 1 - size.height() },
    };
    QPoint best;
    qint64 leastCovered = -1;
    for (const QPoint &candidate : candidates) {
        const QPoint inside(
            std::max(screen.left(), std::min(candidate.x(), screen.right() + 1 - size.width())),
            std::max(screen.top(), std::min(candidate.y(), screen.bottom() + 1 - size.height())));
        const QRect covered = console.intersected(QRect(inside, size));
        const qint64 area = covered.isEmpty() ? 0 : qint64(covered.width()) * covered.height();
        if (leastCovered < 0 || area < leastCovered) {
            best = inside;
            leastCovered = area;
        }
        if (area == 0) {
            break;
        }
    }
    return best;
}

ScoreboardWindow::ScoreboardWindow(const ScoreboardController &controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, controls::resolveColor(panelColor, palette));
    palette.setColor(QPalette::WindowText, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);

    m_minuteTens = makeDigit(QStringLiteral("minuteTens"), clRed);
    m_minuteUnits = makeDigit(QStringLiteral("minuteUnits"), clRed);
    m_secondTens = makeDigit(QStringLiteral("secondTens"), clRed);
    m_secondUnits = makeDigit(QStringLiteral("secondUnits"), clRed);
    m_period = makeDigit(QStringLiteral("period"), clYellow);
    m_homeTens = makeDigit(QStringLiteral("homeTens"), clLime);
    m_homeUnits = makeDigit(QStringLiteral("homeUnits"), clLime);
    m_guestTens = makeDigit(QStringLiteral("guestTens"), clLime);
    m_guestUnits = makeDigit(QStringLiteral("guestUnits"), clLime);
    m_siren = makeLamp(QStringLiteral("siren"), clYellow, 40);

    // The colon between minutes and seconds: two lamps that are always lit.
    auto *colon = new QWidget(this);
    auto *dots = new QVBoxLayout(colon);
    dots->setContentsMargins(4, 0, 4, 0);
    dots->addStretch(2);
    for (const QString &name : { QStringLiteral("colonUpper"), QStringLiteral("colonLower") }) {
        TdsLed *dot = makeLamp(name, clRed, 12);
        dot->setLedOn(true);
        dots->addWidget(dot);
        dots->addStretch(2);
    }

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(24, 16, 24, 24);
    grid->setHorizontalSpacing(48);
    grid->setVerticalSpacing(8);
    grid->addWidget(caption(QStringLiteral("Čas"), this), 0, 0, 1, 3);
    grid->addLayout(row({ m_minuteTens, m_minuteUnits, colon, m_secondTens, m_secondUnits }, 4), 1,
                    0, 1, 3);
    grid->setRowMinimumHeight(2, 16);
    grid->addWidget(caption(QStringLiteral("Domácí"), this), 3, 0);
    grid->addWidget(caption(QStringLiteral("Poločas"), this), 3, 1);
    grid->addWidget(caption(QStringLiteral("Hosté"), this), 3, 2);
    grid->addLayout(row({ m_homeTens, m_homeUnits }), 4, 0);
    grid->addLayout(row({ m_period }), 4, 1);
    grid->addLayout(row({ m_guestTens, m_guestUnits }), 4, 2);
    grid->addWidget(caption(QStringLiteral("Siréna"), this), 5, 1);
    grid->addLayout(row({ m_siren }), 6, 1);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    refresh();
}

TdsSevenSegmentDisplay *ScoreboardWindow::makeDigit(const QString &name, TColor onColor)
{
    auto *digit = new TdsSevenSegmentDisplay(this);
    digit->setObjectName(name);
    digit->setFixedSize(digitSize);
    digit->setBackColor(panelColor);
    digit->setOffColor(unlitColor);
    digit->setOnColor(onColor);
    return digit;
}

TdsLed *ScoreboardWindow::makeLamp(const QString &name, TColor onColor, int size)
{
    auto *lamp = new TdsLed(this);
    lamp->setObjectName(name);
    lamp->setFixedSize(size, size);
    lamp->setOnColor(onColor);
    lamp->setOffColor(unlitColor);
    return lamp;
}

void ScoreboardWindow::moveBesideConsole()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        move(placeBesideConsole(screen->availableGeometry(), sizeHint(), consoleOuterSize));
    }
}

void ScoreboardWindow::refresh()
{
    // Segments rather than Value: a new digit holds Value 0 with every bar dark.
    const auto show = [](TdsSevenSegmentDisplay *digit, int value) {
        digit->setSegments(controls::digitSegments(value));
    };
    const ScoreboardController &c = m_controller;
    show(m_minuteTens, c.minutes() / 10);
    show(m_minuteUnits, c.minutes() % 10);
    show(m_secondTens, c.seconds() / 10);
    show(m_secondUnits, c.seconds() % 10);
    // One digit for the period: a number above 9 shows as the control's error sign.
    show(m_period, c.period());
    show(m_homeTens, c.home() / 10);
    show(m_homeUnits, c.home() % 10);
    show(m_guestTens, c.guest() / 10);
    show(m_guestUnits, c.guest() % 10);
    m_siren->setLedOn(c.sirenSounding());
}

} // namespace simulator
