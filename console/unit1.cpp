#include "console/unit1.h"

#include "console/clock.h"
#include "console/field_rules.h"
#include "console/fonts.h"
#include "console/pictures.h"
#include "console/settings_file.h"
#include "console/startup.h"
#include "console/unit2.h"
#include "controls/dsleds.h"
#include "controls/int_text.h"
#include "controls/push_button.h"
#include "controls/spin.h"
#include "controls/tcolor.h"
#include "feed/server.h"
#include "link/comdrv32.h"
#include "link/protocol.h"
#include "match/event.h"
#include "match/events.h"
#include "match/journal.h"
#include "match/match.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/ticks.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <limits>
#include <memory>

using controls::intToStr;
using controls::strToInt;

TForm1 *Form1 = nullptr;

namespace {

const QString section = QStringLiteral("Nastaveni");
const QString feedSection = QStringLiteral("Vysilani");
const QString startCaption = QStringLiteral("&Start");
const QString stopCaption = QStringLiteral("&Stop");
// How long start-up waits for a settings file that another program holds.
constexpr quint32 settingsPatienceMs = 5000;

// Tick counts are 32-bit and wrap; differences are taken modulo 2^32 like the system does.
qint32 ticksBetween(qint32 later, qint32 earlier)
{
    return static_cast<qint32>(static_cast<quint32>(later) - static_cast<quint32>(earlier));
}

// Sums of 32-bit integers wrap round as the platform's do: 2147483647 + 1 is -2147483648.
qint32 wrappingSum(qint32 a, qint32 b)
{
    return static_cast<qint32>(static_cast<quint32>(a) + static_cast<quint32>(b));
}

/// The digit whose pattern a display shows; feed::Board::noDigit for any other pattern.
qint8 digitShown(const TdsSevenSegmentDisplay *display)
{
    const TdsDisplaySegments shown = display->Segments();
    for (qint8 digit = 0; digit <= 9; ++digit) {
        if (controls::digitSegments(digit) == shown) {
            return digit;
        }
    }
    return feed::Board::noDigit;
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QWidget(parent)
    , m_parser(*this, *this)
{
    Form1 = this;
    createControls();
    connectHandlers();
    openJournal();
    platform::guarded([this] { FormCreate(); });
}

TForm1::~TForm1()
{
    if (Form1 == this) {
        Form1 = nullptr;
    }
}

void TForm1::createControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(779, 591);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        move(console::placeInside(screen->availableGeometry(), QSize(787, 618)));
    }
    setFont(console::windowFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, controls::resolveColor(clBtnFace, pal));
    setPalette(pal);
    setAutoFillBackground(true);

    auto digit = [this](const char *name, int left, int top, TColor on, int shown) {
        auto *d = new TdsSevenSegmentDisplay(this);
        d->setObjectName(QLatin1String(name));
        d->setGeometry(left, top, 121, 209);
        d->setSegmentWidth(4);
        d->setBackColor(clGray);
        d->setOffColor(clSilver);
        d->setOnColor(on);
        d->setSegments(controls::digitSegments(shown));
        d->setValue(shown);
        return d;
    };
    PolocasDsSevenSegmentDisplay = digit("PolocasDsSevenSegmentDisplay", 88, 96, clYellow, 1);
    CasDesMinDsSevenSegmentDisplay = digit("CasDesMinDsSevenSegmentDisplay", 256, 96, clRed, 0);
    CasJedMinDsSevenSegmentDisplay = digit("CasJedMinDsSevenSegmentDisplay", 376, 96, clRed, 0);
    CasDesSekDsSevenSegmentDisplay = digit("CasDesSekDsSevenSegmentDisplay", 528, 96, clRed, 0);
    CasJedSekDsSevenSegmentDisplay = digit("CasJedSekDsSevenSegmentDisplay", 648, 96, clRed, 0);
    SkoDomDesDsSevenSegmentDisplay = digit("SkoDomDesDsSevenSegmentDisplay", 192, 336, clLime, 0);
    SkoDomJedDsSevenSegmentDisplay = digit("SkoDomJedDsSevenSegmentDisplay", 312, 336, clLime, 0);
    SkoHosDesDsSevenSegmentDisplay = digit("SkoHosDesDsSevenSegmentDisplay", 464, 336, clLime, 0);
    SkoHosJedDsSevenSegmentDisplay = digit("SkoHosJedDsSevenSegmentDisplay", 584, 336, clLime, 0);

    auto led = [this](const char *name, int left, int top, TColor on, TColor off) {
        auto *l = new TdsLed(this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(left, top, 33, 33);
        l->setShape(ltEllipse);
        l->setBevel(blNone);
        l->setStyle(lsStandard);
        l->setOnColor(on);
        l->setOffColor(off);
        l->setLedOn(true);
        return l;
    };
    dsLed3 = led("dsLed3", 496, 160, clRed, clGray);
    dsLed1 = led("dsLed1", 496, 224, clRed, clGray);
    dsLed2 = led("dsLed2", 432, 400, clLime, clRed);
    dsLed4 = led("dsLed4", 432, 464, clLime, clRed);

    auto label = [this](const char *name, int left, int top, const QString &caption, bool large) {
        auto *l = new QLabel(caption, this);
        l->setObjectName(QLatin1String(name));
        if (large) {
            l->setFont(console::largeFont());
        }
        l->move(left, top);
        l->adjustSize();
        return l;
    };
    Label3 = label("Label3", 88, 64, QStringLiteral("Poločas"), true);
    Label2 = label("Label2", 256, 64, QStringLiteral("Čas"), true);
    Domaci = label("Domaci", 192, 304, QStringLiteral("Domací"), true);
    Label1 = label("Label1", 464, 304, QStringLiteral("Hosté"), true);
    Label4 = label("Label4", 16, 392, QStringLiteral("Siréna"), true);
    Label5 = label("Label5", 60, 432, QStringLiteral("Sekund"), false);

    SpeedButton2 = new QToolButton(this);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setGeometry(8, 16, 41, 41);
    SpeedButton2->setAutoRaise(true);
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    SpeedButton2->setIcon(console::connectionIcon());
    SpeedButton2->setIconSize(QSize(30, 30));

    PripojeniRadioGroup = new QGroupBox(QStringLiteral("Připojení bodovky"), this);
    PripojeniRadioGroup->setObjectName(QStringLiteral("PripojeniRadioGroup"));
    PripojeniRadioGroup->setGeometry(56, 8, 105, 57);
    m_comItem = new QRadioButton(QStringLiteral("COM"), PripojeniRadioGroup);
    m_comItem->setObjectName(QStringLiteral("PripojeniRadioGroupCOM"));
    m_comItem->setGeometry(8, 16, 89, 17);
    m_usbItem = new QRadioButton(QStringLiteral("USB"), PripojeniRadioGroup);
    m_usbItem->setObjectName(QStringLiteral("PripojeniRadioGroupUSB"));
    m_usbItem->setGeometry(8, 34, 89, 17);
    PripojeniRadioGroup->setEnabled(false);

    auto button = [this](const char *name, int left, int top, int width, int height,
                         const QString &caption) {
        auto *b = new controls::PushButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setGeometry(left, top, width, height);
        b->setAutoDefault(true); // Enter presses the focused button, as Space does
        return b;
    };
    NastavitVseButton
        = button("NastavitVseButton", 224, 24, 75, 25, QStringLiteral("N&astavit vše"));
    NacistVseButton = button("NacistVseButton", 328, 24, 75, 25, QStringLiteral("Načís&t vše"));
    // The match window's button sits where nothing was, left of the home score's field.
    ZapasButton = button("ZapasButton", 16, 560, 81, 25, QStringLiteral("&Zápas…"));
    Button1 = button("Button1", 616, 8, 155, 81, startCaption);
    Button1->setFont(console::largeFont());
    CasButton = button("CasButton", 472, 64, 75, 25, QStringLiteral("&Nastavit čas"));
    PolocasButton = button("PolocasButton", 8, 208, 75, 25, QStringLiteral("O&deslat"));
    SirenaButton = button("SirenaButton", 16, 456, 81, 25, QStringLiteral("Od&eslat"));
    SkoreButton = button("SkoreButton", 392, 560, 107, 25, QStringLiteral("&Odeslat"));

    // Range before value, handlers attached afterwards: building the window runs no handler.
    auto spin = [this](const char *name, int left, int top, int width, qint32 min, qint32 max,
                       qint32 value) {
        auto *s = new TSpinEdit(this);
        s->setObjectName(QLatin1String(name));
        s->setGeometry(left, top, width, 22);
        s->setMaxValue(max);
        s->setMinValue(min);
        s->setValue(value);
        return s;
    };
    PolocasSpinEdit = spin("PolocasSpinEdit", 8, 168, 73, 0, 4, 1);
    SirenaSpinEdit = spin("SirenaSpinEdit", 16, 424, 41, 0, 11, 4);
    DomaciSpinEdit = spin("DomaciSpinEdit", 272, 560, 73, -1, 100, 0);
    HosteSpinEdit = spin("HosteSpinEdit", 552, 560, 73, -1, 100, 0);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    PomTimer = new QTimer(this);
    PomTimer->setObjectName(QStringLiteral("PomTimer"));
    PomTimer->setInterval(10);
    PomTimer->setTimerType(Qt::PreciseTimer);

    const QList<QWidget *> tabOrder {
        Button1,           CasButton,       PolocasSpinEdit, PolocasButton, DomaciSpinEdit,
        HosteSpinEdit,     SkoreButton,     SirenaSpinEdit,  SirenaButton,  PripojeniRadioGroup,
        NastavitVseButton, NacistVseButton, ZapasButton
    };
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    Button1->setFocus();
}

void TForm1::connectHandlers()
{
    auto onClick = [this](controls::PushButton *b, void (TForm1::*handler)()) {
        connect(b, &QAbstractButton::clicked, this,
                [this, handler] { platform::guarded([&] { (this->*handler)(); }); });
    };
    onClick(SkoreButton, &TForm1::SkoreButtonClick);
    onClick(PolocasButton, &TForm1::PolocasButtonClick);
    onClick(SirenaButton, &TForm1::SirenaButtonClick);
    onClick(NastavitVseButton, &TForm1::NastavitVseButtonClick);
    onClick(NacistVseButton, &TForm1::NacistVseButtonClick);
    onClick(ZapasButton, &TForm1::ZapasButtonClick);
    onClick(Button1, &TForm1::Button1Click);
    onClick(CasButton, &TForm1::CasButtonClick);
    connect(SpeedButton2, &QAbstractButton::clicked, this,
            [this] { platform::guarded([this] { SpeedButton2Click(); }); });
    for (QRadioButton *item : { m_comItem, m_usbItem }) {
        connect(item, &QAbstractButton::clicked, this,
                [this] { platform::guarded([this] { PripojeniRadioGroupClick(); }); });
    }
    connect(Timer2, &QTimer::timeout, this,
            [this] { platform::guarded([this] { Timer2Timer(); }); });
    connect(PomTimer, &QTimer::timeout, this, [this] {
        // Re-armed first: Qt does not deliver a timer again while its slot runs, and the tick
        // must go on inside a box or a scan that this tick's own message processing opens.
        if (PomTimer->isActive()) {
            PomTimer->start();
        }
        platform::guarded([this] { PomTimerTimer(); });
    });

    // The fields call their handlers directly, so that an error reaches whoever changed the text.
    DomaciSpinEdit->OnChange = [this](QObject *) { DomaciSpinEditChange(); };
    HosteSpinEdit->OnChange = [this](QObject *) { HosteSpinEditChange(); };
    PolocasSpinEdit->OnChange = [this](QObject *) { PolocasSpinEditChange(); };
    SirenaSpinEdit->OnChange = [this](QObject *) { SirenaSpinEditChange(); };
    DomaciSpinEdit->OnExit
        = [this](QObject *) { console::checkNumberOnExit(DomaciSpinEdit, QStringLiteral("0")); };
    HosteSpinEdit->OnExit
        = [this](QObject *) { console::checkNumberOnExit(HosteSpinEdit, QStringLiteral("0")); };
    PolocasSpinEdit->OnExit
        = [this](QObject *) { console::checkNumberOnExit(PolocasSpinEdit, QStringLiteral("1")); };
    SirenaSpinEdit->OnExit
        = [this](QObject *) { console::checkNumberOnExit(SirenaSpinEdit, QStringLiteral("5")); };
}

int TForm1::PripojeniItemIndex() const
{
    if (m_comItem->isChecked()) {
        return 0;
    }
    return m_usbItem->isChecked() ? 1 : -1;
}

void TForm1::setPripojeniItemIndex(int index)
{
    if (index == 0 || index == 1) {
        (index == 0 ? m_comItem : m_usbItem)->setChecked(true);
        return;
    }
    // No item: both buttons off, which an exclusive group allows only while it is suspended.
    m_comItem->setAutoExclusive(false);
    m_usbItem->setAutoExclusive(false);
    m_comItem->setChecked(false);
    m_usbItem->setChecked(false);
    m_comItem->setAutoExclusive(true);
    m_usbItem->setAutoExclusive(true);
}

void TForm1::ZobrazCas(unsigned tensOfMinutes, unsigned unitsOfMinutes, unsigned unitsOfSeconds,
                       unsigned tensOfSeconds)
{
    const unsigned digits[] = { tensOfMinutes, unitsOfMinutes, unitsOfSeconds, tensOfSeconds };
    TdsSevenSegmentDisplay *const displays[]
        = { CasDesMinDsSevenSegmentDisplay, CasJedMinDsSevenSegmentDisplay,
            CasJedSekDsSevenSegmentDisplay, CasDesSekDsSevenSegmentDisplay };
    for (int i = 0; i < 4; ++i) {
        if (digits[i] <= 9) {
            displays[i]->setSegments(controls::digitSegments(static_cast<int>(digits[i])));
        }
    }
    publishBoard();
}

void TForm1::ZobrazSkore(unsigned tensOfHome, unsigned unitsOfHome, unsigned unitsOfGuest,
                         unsigned tensOfGuest)
{
    const unsigned digits[] = { tensOfHome, unitsOfHome, unitsOfGuest, tensOfGuest };
    TdsSevenSegmentDisplay *const displays[]
        = { SkoDomDesDsSevenSegmentDisplay, SkoDomJedDsSevenSegmentDisplay,
            SkoHosJedDsSevenSegmentDisplay, SkoHosDesDsSevenSegmentDisplay };
    for (int i = 0; i < 4; ++i) {
        if (digits[i] <= 9) {
            displays[i]->setSegments(controls::digitSegments(static_cast<int>(digits[i])));
        }
    }
    publishBoard();
}

void TForm1::ZobrazPolocas(unsigned period)
{
    if (period <= 9) {
        PolocasDsSevenSegmentDisplay->setSegments(
            controls::digitSegments(static_cast<int>(period)));
    }
    publishBoard();
}

void TForm1::refreshPenalties()
{
    // Each tick comes here: a compare, unless a penalty's shown second has changed (or the
    // clock was set back).
    const qint64 now = gameNow();
    if (m_penaltiesDueMs != 0 && now < m_penaltiesDueMs && now >= m_penaltiesFromMs) {
        return;
    }
    m_penaltiesFromMs = now;
    m_penaltiesDueMs = std::numeric_limits<qint64>::max();
    m_shownPenalties.clear();
    for (const match::Match::ShownPenalty &p : m_match->penalties(now)) {
        const qint64 shownSeconds = (p.leftMs + 999) / 1000;
        m_shownPenalties.append({ p.id, p.side == match::Side::Home, p.number, p.length,
                                  QStringLiteral("%1:%2")
                                      .arg(shownSeconds / 60)
                                      .arg(shownSeconds % 60, 2, 10, QLatin1Char('0')),
                                  p.waiting });
        if (!p.waiting) {
            m_penaltiesDueMs
                = std::min(m_penaltiesDueMs, now + p.leftMs - (shownSeconds - 1) * 1000);
        }
    }
    for (const bool home : { true, false }) {
        const match::Side side = home ? match::Side::Home : match::Side::Guest;
        feed::Board::Timeouts &t = home ? m_boardTimeouts[0] : m_boardTimeouts[1];
        t.taken = m_match->timeoutsTaken(side);
        const auto left = m_match->timeoutLeftMs(side, QDateTime::currentMSecsSinceEpoch());
        t.left.reset();
        if (left) {
            const qint64 seconds = (*left + 999) / 1000;
            t.left = QStringLiteral("%1:%2")
                         .arg(seconds / 60)
                         .arg(seconds % 60, 2, 10, QLatin1Char('0'));
        }
        t.ended = m_match->timeoutEnded(side, QDateTime::currentMSecsSinceEpoch());
    }
    if (m_matchWindow != nullptr && m_matchWindow->isVisible()) {
        m_matchWindow->refresh();
    }
}

void TForm1::publishBoard()
{
    if (m_match) {
        refreshPenalties();
    }
    if (m_feed == nullptr) {
        return;
    }
    feed::Board board;
    board.period = digitShown(PolocasDsSevenSegmentDisplay);
    board.time
        = { digitShown(CasDesMinDsSevenSegmentDisplay), digitShown(CasJedMinDsSevenSegmentDisplay),
            digitShown(CasDesSekDsSevenSegmentDisplay),
            digitShown(CasJedSekDsSevenSegmentDisplay) };
    board.home = { digitShown(SkoDomDesDsSevenSegmentDisplay),
                   digitShown(SkoDomJedDsSevenSegmentDisplay) };
    board.guest = { digitShown(SkoHosDesDsSevenSegmentDisplay),
                    digitShown(SkoHosJedDsSevenSegmentDisplay) };
    board.running = PomTimer->isActive();
    board.siren = Sirena;
    const match::Team &home = m_match->team(match::Side::Home);
    const match::Team &guest = m_match->team(match::Side::Guest);
    board.homeTeam = { home.name, home.shortName, home.color };
    board.guestTeam = { guest.name, guest.shortName, guest.color };
    board.sport = m_match->rules().name;
    for (const PenaltyRow &row : m_shownPenalties) {
        board.penalties.append({ row.home, row.number, row.length, row.left, row.waiting });
    }
    board.homeTimeouts = m_boardTimeouts[0];
    board.guestTimeouts = m_boardTimeouts[1];
    m_feed->setBoard(board); // compares, and sends only a change
}

void TForm1::startFeed(const console::SettingsFile &ini)
{
    const qint32 port = ini.readInteger(feedSection, QStringLiteral("Port"), 0);
    if (port < 1 || port > 65535) {
        return;
    }
    const bool everyInterface = ini.readInteger(feedSection, QStringLiteral("Sit"), 0) == 1;
    auto server = std::make_unique<feed::Server>(this);
    if (!server->listen(static_cast<quint16>(port), everyInterface)) {
        platform::messageBox(QStringLiteral("Vysílání na portu %1 nelze spustit: %2")
                                 .arg(port)
                                 .arg(server->errorString()),
                             platform::applicationTitle(), platform::MsgIcon::Warning);
        return;
    }
    m_feed = server.release();
    m_feed->setSheet([this] { return sheet(); });
    setWindowTitle(windowTitle()
                   + QStringLiteral(" – vysílání http://%1:%2/")
                         .arg(feed::hostForAddress(everyInterface))
                         .arg(m_feed->port()));
    publishBoard();
}

void TForm1::FormCreate()
{
    setWindowTitle(QStringLiteral("Bodovka 1.3"));
    {
        console::SettingsFile ini;
        if (!ini.exists()) {
            // All six in one go: a program killed half-way must not leave a file that
            // exists, and so is never created again, but lacks the later keys.
            ini.writeIntegers(section, { { QStringLiteral("Minuty"), 7 },
                                         { QStringLiteral("Sekundy"), 0 },
                                         { QStringLiteral("Setiny"), 0 },
                                         { QStringLiteral("Polocas"), 1 },
                                         { QStringLiteral("Sirena"), 5 },
                                         { QStringLiteral("Pripojeni"), 1 } });
        }
    }
    // One read for every key. A file another program holds is waited for (nothing runs yet);
    // one that stays unreadable must not be taken for zeros: the console then works with the
    // values of a first start and leaves the file as it is.
    console::SettingsFile ini;
    QString why;
    const bool loaded = ini.load(settingsPatienceMs, &why);
    if (loaded) {
        Minuty = ini.readInteger(section, QStringLiteral("Minuty"), Minuty);
        Sekundy = ini.readInteger(section, QStringLiteral("Sekundy"), Sekundy);
        Setiny = ini.readInteger(section, QStringLiteral("Setiny"), Setiny);
        Polocas = ini.readInteger(section, QStringLiteral("Polocas"), Polocas);
        Sirena = ini.readInteger(section, QStringLiteral("Sirena"), Sirena);
        Pripojeni = ini.readInteger(section, QStringLiteral("Pripojeni"), Pripojeni);
    } else {
        Minuty = 7;
        Sekundy = 0;
        Setiny = 0;
        Polocas = 1;
        Sirena = 5;
        Pripojeni = 1;
        platform::messageBox(
            QStringLiteral("Soubor nastavení %1 nelze přečíst: %2. Bodovka pracuje s výchozími "
                           "hodnotami (čas 07:00, 1. poločas, siréna 5 s) a soubor nemění.")
                .arg(console::settingsFilePath(), why),
            platform::applicationTitle(), platform::MsgIcon::Warning);
    }
    StavSpojeni = 0;
    IndexPrijmu = 0;
    StavPrijmu = 0;
    Uplynulo = 0;
    CasStartu = 0;
    CasStopu = 0;
    Zaklad = 0;
    AktMinuty = Minuty;
    AktSekundy = Sekundy;
    AktSetiny = Setiny;
    CelkovyCas = presetMs();
    if (loaded) {
        readMatchSettings(ini);
        startFeed(ini);
    }
    record(match::events::programStart, {},
           match::formatPreset(Minuty, Sekundy, Setiny) + QLatin1Char(' ')
               + QString::number(Sirena));
}

void TForm1::FormActivate()
{
    setPripojeniItemIndex(Pripojeni);
    ZobrazCas(Minuty / 10, Minuty % 10, Sekundy % 10, Sekundy / 10);
    PolocasSpinEdit->setText(intToStr(Polocas));
    ZobrazPolocas(static_cast<unsigned>(strToInt(PolocasSpinEdit->text())));
    SirenaSpinEdit->setText(intToStr(Sirena));
    // The scan waits before it probes and may end in a box: the operator sees the window
    // drawn first.
    if (m_awaitingFirstPaint) {
        m_scanAfterPaint = true;
        return;
    }
    if (StavSpojeni == 0) {
        ZkouskaPripojeni();
    }
    if (!m_resumeOffered) {
        m_resumeOffered = true;
        offerToResume();
    }
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        m_awaitingFirstPaint = true;
        queueActivation();
        // A window started minimized is not painted: it scans all the same.
        QTimer::singleShot(500, this, [this] { firstPaintDone(); });
    }
}

void TForm1::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    firstPaintDone();
}

void TForm1::firstPaintDone()
{
    m_awaitingFirstPaint = false;
    if (m_scanAfterPaint) {
        m_scanAfterPaint = false;
        queueActivation();
    }
}

void TForm1::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    if (StavSpojeni == 1 && Port) {
        Port->Disconnect();
    }
    platform::guarded([this] {
        record(match::events::programEnd);
        writeSheet();
    });
    event->accept();
}

void TForm1::queueActivation()
{
    QTimer::singleShot(0, this, [this] { platform::guarded([this] { FormActivate(); }); });
}

void TForm1::send(const std::vector<quint8> &bytes)
{
    // Before the first scan there is no driver yet: nothing can be sent.
    if (Port == nullptr) {
        return;
    }
    const QString port = QStringLiteral("COM%1").arg(int(Port->ComPort()) + 1);
    // The handler goes on (a Start still starts the console's clock); the operator learns
    // after it that the scoreboard did not get the command.
    const devicelink::SendResult result = Port->sendCommand(bytes);
    if (result == devicelink::SendResult::Sent || result == devicelink::SendResult::TimedOut) {
        recordPortBack();
    }
    switch (result) {
    case devicelink::SendResult::Sent:
    case devicelink::SendResult::NotOpen: // a port that cannot be opened sends nothing, silently
        break;
    case devicelink::SendResult::Gone:
        platform::showErrorBoxLater(
            QStringLiteral("Bodovku na portu %1 nelze zastihnout: příkaz nebyl odeslán").arg(port));
        break;
    case devicelink::SendResult::TimedOut:
        platform::showErrorBoxLater(
            QStringLiteral("Bodovka na portu %1 nepřevzala celý příkaz (linka stojí): příkaz "
                           "nebyl odeslán celý, odešlete ho znovu")
                .arg(port));
        break;
    }
}

void TForm1::writeSetting(const QString &key, qint32 value)
{
    writeSettings({ { key, value } });
}

void TForm1::DomaciSpinEditChange()
{
    console::wrapText(DomaciSpinEdit, QStringLiteral("-1"), QStringLiteral("99"),
                      QStringLiteral("100"), QStringLiteral("0"));
}

void TForm1::HosteSpinEditChange()
{
    console::wrapText(HosteSpinEdit, QStringLiteral("-1"), QStringLiteral("99"),
                      QStringLiteral("100"), QStringLiteral("0"));
}

void TForm1::PolocasSpinEditChange()
{
    console::wrapText(PolocasSpinEdit, QStringLiteral("0"), QStringLiteral("3"),
                      QStringLiteral("4"), QStringLiteral("1"));
}

void TForm1::SirenaSpinEditChange()
{
    console::wrapText(SirenaSpinEdit, QStringLiteral("0"), QStringLiteral("9"),
                      QStringLiteral("10"), QStringLiteral("1"));
}

void TForm1::SkoreButtonClick()
{
    const qint32 guest = strToInt(HosteSpinEdit->text());
    const qint32 home = strToInt(DomaciSpinEdit->text());
    ZobrazSkore(static_cast<unsigned>(home / 10), static_cast<unsigned>(home % 10),
                static_cast<unsigned>(guest % 10), static_cast<unsigned>(guest / 10));
    const int oldHome = SkoreDomaci;
    const int oldGuest = SkoreHoste;
    SkoreDomaci = strToInt(DomaciSpinEdit->text());
    SkoreHoste = strToInt(HosteSpinEdit->text());
    send(devicelink::protocol::setScore(SkoreDomaci, SkoreHoste));
    recordScoreSent(oldHome, oldGuest);
}

void TForm1::PolocasButtonClick()
{
    const qint32 period = strToInt(PolocasSpinEdit->text());
    ZobrazPolocas(static_cast<unsigned>(period));
    Polocas = period;
    writeSetting(QStringLiteral("Polocas"), Polocas);
    send(devicelink::protocol::setPeriod(Polocas));
    record(match::events::period, {}, QString::number(Polocas));
}

void TForm1::SirenaButtonClick()
{
    Sirena = strToInt(SirenaSpinEdit->text());
    writeSetting(QStringLiteral("Sirena"), Sirena);
    send(devicelink::protocol::setSiren(Sirena));
    publishBoard();
    record(match::events::siren, {}, QString::number(Sirena));
}

void TForm1::NastavitVseButtonClick()
{
    std::vector<quint8> bytes = devicelink::protocol::setTime(Minuty, Sekundy, Setiny);
    for (const auto &command :
         { devicelink::protocol::setScore(SkoreDomaci, SkoreHoste),
           devicelink::protocol::setPeriod(Polocas), devicelink::protocol::setSiren(Sirena) }) {
        bytes.insert(bytes.end(), command.begin(), command.end());
    }
    send(bytes);
    record(match::events::setAll, {},
           QStringLiteral("%1 %2:%3 %4 %5")
               .arg(match::formatPreset(Minuty, Sekundy, Setiny))
               .arg(SkoreDomaci)
               .arg(SkoreHoste)
               .arg(Polocas)
               .arg(Sirena));
}

void TForm1::NacistVseButtonClick()
{
    send({ devicelink::protocol::ReadBack });
    const platform::MsgResult answer = platform::messageBox(
        QStringLiteral("Chcete uložit nastavení z bodovky?"), QStringLiteral("Uložení nastavení"),
        platform::MsgIcon::Question, platform::MsgButtons::YesNo);
    UlozitNastaveni = answer == platform::MsgResult::Yes ? 1 : 0;
}

void TForm1::PripojeniRadioGroupClick()
{
    Pripojeni = PripojeniItemIndex() == 0 ? 0 : 1;
    writeSetting(QStringLiteral("Pripojeni"), Pripojeni);
}

void TForm1::SpeedButton2Click()
{
    if (m_scanning) {
        return;
    }
    if (Port) {
        Port->Disconnect();
    }
    StavSpojeni = 0;
    ZkouskaPripojeni();
}

void TForm1::Button1Click()
{
    send({ devicelink::protocol::StartStop });
    if (Button1->text() == startCaption) {
        CasStartu = static_cast<qint32>(platform::tickCount());
        PomTimer->start();
        if (CasStopu != 0) {
            CasStopu = ticksBetween(CasStartu, CasStopu);
            Zaklad = wrappingSum(Zaklad, CasStopu);
        } else {
            Zaklad = CasStartu;
        }
        Button1->setText(stopCaption);
        CasButton->setEnabled(false);
    } else {
        CasStopu = static_cast<qint32>(platform::tickCount());
        PomTimer->stop();
        Button1->setText(startCaption);
        CasButton->setEnabled(true);
        send({ devicelink::protocol::ReadBack });
    }
    publishBoard();
    PomTimerTimer();
    record(PomTimer->isActive() ? match::events::clockStart : match::events::clockStop, {},
           match::formatShown(AktMinuty, AktSekundy));
}

void TForm1::PomTimerTimer()
{
    Uplynulo = ticksBetween(static_cast<qint32>(platform::tickCount()), Zaklad);
    const quint64 reading = ++m_readings;
    QCoreApplication::processEvents();
    if (m_shownReading > reading) {
        // A tick run meanwhile (inside a box, say) has shown a newer reading, or ended the
        // period: this one's is older and would put the clock back.
        return;
    }
    m_shownReading = reading;
    if (showClock().remaining >= 1) {
        return;
    }

    PomTimer->stop();
    // The one time the journal is written from inside the tick: the period's end, as the
    // period ran out, with the period that follows.
    match::Event ended = matchEvent(match::events::periodEnd);
    Zaklad = 0;
    Uplynulo = 0;
    CasStopu = 0;
    CasStartu = 0;
    Button1->setText(startCaption);
    CasButton->setEnabled(true);
    CelkovyCas = presetMs();
    AktMinuty = Minuty;
    AktSekundy = Sekundy;
    AktSetiny = Setiny;
    ZobrazCas(Minuty / 10, Minuty % 10, Sekundy % 10, Sekundy / 10);
    PolocasSpinEdit->setText(intToStr(wrappingSum(PolocasSpinEdit->Value(), 1)));
    ended.value = PolocasSpinEdit->text();
    record(ended);
    PolocasButtonClick();
    writeSheet();
    platform::showMessage(QStringLiteral("Konec"));
}

console::ClockReading TForm1::showClock()
{
    const console::ClockReading shown = console::readClock(CelkovyCas, Uplynulo);
    AktSekundy = shown.seconds;
    AktMinuty = shown.minutes;
    AktSetiny = shown.hundredths;
    ZobrazCas(AktMinuty / 10, AktMinuty % 10, AktSekundy % 10, AktSekundy / 10);
    return shown;
}

void TForm1::Timer2Timer()
{
    Timer2->stop();
}

void TForm1::CasButtonClick()
{
    if (Form2 == nullptr) {
        new TForm2(this); // built at its first use: nothing of it is needed before
    }
    Form2->exec();
    // However the handler ends, the window is activated again once the dialog has closed.
    queueActivation();
    if (Form2->result() != QDialog::Rejected) {
        return;
    }
    // All three or none: new minutes beside old seconds would be a preset nobody set.
    writeSettings({ { QStringLiteral("Minuty"), Minuty },
                    { QStringLiteral("Sekundy"), Sekundy },
                    { QStringLiteral("Setiny"), Setiny } });
    send(devicelink::protocol::setTime(Minuty, Sekundy, Setiny));
    match::Event set
        = matchEvent(match::events::timeSet, {}, match::formatPreset(Minuty, Sekundy, Setiny));
    set.elapsedMs = 0; // the period's clock starts afresh
    record(set);
}

void TForm1::ZkouskaPripojeni()
{
    // The scan keeps the message loop running; a second one started inside it would lose the
    // first one's port.
    if (m_scanning) {
        return;
    }
    {
        const QScopedValueRollback<bool> scanning(m_scanning, true);
        ::ZkouskaPripojeni(*this, *this, *Timer2);
    }
    if (!m_closing) {
        recordScanResult();
    }
}

TCommPortDriver *TForm1::createDriver()
{
    auto *driver = new TCommPortDriver(this);
    driver->OnReceiveData = [this](QObject *sender, const quint8 *data, qint32 size) {
        PrijemDat(sender, data, size);
    };
    driver->onDeviceGone = [this] { recordPortLost(); };
    return driver;
}

void TForm1::resetReplyParser()
{
    m_parser.reset();
}

bool TForm1::scanAbandoned() const
{
    return m_closing;
}

void TForm1::PrijemDat(QObject *, const quint8 *DataPtr, qint32 DataSize)
{
    for (qint32 i = 0; i < DataSize; ++i) {
        PrijmiBajt(DataPtr[i]);
    }
}

void TForm1::PrijmiBajt(quint8 b)
{
    m_parser.consume(b);
}

void TForm1::timeBlockCompleted()
{
    ZobrazCas(AktMinuty / 10, AktMinuty % 10, AktSekundy % 10, AktSekundy / 10);
    if (m_checkingResumedTime) {
        takeResumedTime();
    }
    recordReplies();
    if (UlozitNastaveni == 1) {
        // The preset goes to the file, not the time received.
        writeSettings({ { QStringLiteral("Minuty"), Minuty },
                        { QStringLiteral("Sekundy"), Sekundy },
                        { QStringLiteral("Setiny"), Setiny },
                        { QStringLiteral("Polocas"), Polocas },
                        { QStringLiteral("Sirena"), Sirena } });
    }
}

void TForm1::settingsBlockCompleted()
{
    PolocasSpinEdit->setText(intToStr(Polocas));
    SirenaSpinEdit->setText(intToStr(Sirena));
    DomaciSpinEdit->setText(intToStr(SkoreDomaci));
    HosteSpinEdit->setText(intToStr(SkoreHoste));
    const qint32 guest = strToInt(HosteSpinEdit->text());
    const qint32 home = strToInt(DomaciSpinEdit->text());
    ZobrazSkore(static_cast<unsigned>(home / 10), static_cast<unsigned>(home % 10),
                static_cast<unsigned>(guest % 10), static_cast<unsigned>(guest / 10));
    ZobrazPolocas(static_cast<unsigned>(strToInt(PolocasSpinEdit->text())));
    recordReplies();
}
