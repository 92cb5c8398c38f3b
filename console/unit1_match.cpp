// The main window's part in the match: what it writes down in the journal, how it takes a
// match back after a crash, and the match window's teams, penalties and timeouts.
#include "console/unit1.h"

#include "console/clock.h"
#include "console/settings_file.h"
#include "console/startup.h"
#include "controls/int_text.h"
#include "controls/push_button.h"
#include "controls/spin.h"
#include "link/comdrv32.h"
#include "link/protocol.h"
#include "match/events.h"
#include "match/journal.h"
#include "match/journal_reader.h"
#include "match/match.h"
#include "match/penalty_entry.h"
#include "match/sheet.h"
#include "platform/beep.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/ticks.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <variant>

using controls::intToStr;

namespace {

const QString home = QStringLiteral("D");
const QString guest = QStringLiteral("H");

QString scoreText(int homeScore, int guestScore)
{
    return QStringLiteral("%1:%2").arg(homeScore).arg(guestScore);
}

// How often lines that could not be written are tried again; never from the clock's tick.
constexpr int journalRetryMs = 2000;

qint32 presetOf(const match::JournalState &last)
{
    return last.presetMinutes * 60000 + last.presetSeconds * 1000 + last.presetHundredths * 10;
}

/// The period's elapsed time now: a clock that ran when the journal ends ran on meanwhile,
/// as the board's did.
qint32 elapsedNow(const match::JournalState &last)
{
    if (!last.running) {
        return last.elapsedMs;
    }
    const qint64 since = last.runningSince.msecsTo(QDateTime::currentDateTime());
    return last.elapsedAtStartMs + qint32(qBound<qint64>(0, since, qint64(24) * 3600 * 1000));
}

} // namespace

QString TForm1::journalFolder()
{
    return QFileInfo(console::settingsFilePath()).absolutePath() + QStringLiteral("/zapasy");
}

void TForm1::openJournal()
{
    m_match = std::make_unique<match::Match>();
    m_timeoutTimer = new QTimer(this);
    m_timeoutTimer->setInterval(1000);
    connect(m_timeoutTimer, &QTimer::timeout, this,
            [this] { platform::guarded([this] { timeoutTick(); }); });
    m_journal = std::make_unique<match::Journal>(journalFolder());
    m_journalRetry = new QTimer(this);
    m_journalRetry->setInterval(journalRetryMs);
    connect(m_journalRetry, &QTimer::timeout, this, [this] {
        platform::guarded([this] { afterJournalWrite(m_journal->flushPending()); });
    });
}

match::Event TForm1::matchEvent(const QString &kind, const QString &team,
                                const QString &value) const
{
    match::Event event;
    event.period = Polocas;
    event.shown = match::formatShown(AktMinuty, AktSekundy);
    event.elapsedMs = Uplynulo;
    event.kind = kind;
    event.team = team;
    event.value = value;
    event.home = SkoreDomaci;
    event.guest = SkoreHoste;
    return event;
}

void TForm1::record(const QString &kind, const QString &team, const QString &value)
{
    record(matchEvent(kind, team, value));
}

void TForm1::record(const match::Event &line)
{
    match::Event event = line;
    if (!event.wall.isValid()) {
        event.wall = QDateTime::currentDateTime(); // the timeouts count on it
    }
    m_known = { AktMinuty, AktSekundy, SkoreDomaci, SkoreHoste, Polocas, Sirena };
    afterJournalWrite(m_journal->record(event));
    m_match->apply(event);
}

void TForm1::afterJournalWrite(bool writing)
{
    if (writing) {
        m_journalRetry->stop();
        m_journalFailureShown = false;
        return;
    }
    // The game goes on: the lines wait in memory and go out as soon as the file takes them.
    if (!m_journalRetry->isActive()) {
        m_journalRetry->start();
    }
    if (!m_journalFailureShown) {
        m_journalFailureShown = true;
        platform::showErrorBoxLater(
            QStringLiteral("Zápis zápasu nelze uložit do %1: %2. Bodovka si události pamatuje a "
                           "uloží je, jakmile to půjde")
                .arg(QDir::toNativeSeparators(journalFolder()), m_journal->lastError()));
    }
}

void TForm1::writeSheet()
{
    if (!m_journal->filePath().isEmpty()) {
        m_journal->writeSheet(m_match->team(match::Side::Home).name,
                              m_match->team(match::Side::Guest).name);
    }
}

QByteArray TForm1::sheet() const
{
    return match::sheetHtml(m_journal->events(), m_match->team(match::Side::Home).name,
                            m_match->team(match::Side::Guest).name);
}

void TForm1::recordScoreSent(int oldHome, int oldGuest)
{
    if (SkoreDomaci == oldHome + 1 && SkoreHoste == oldGuest) {
        record(match::events::goal, home, QString::number(SkoreDomaci));
    } else if (SkoreHoste == oldGuest + 1 && SkoreDomaci == oldHome) {
        record(match::events::goal, guest, QString::number(SkoreHoste));
    } else if (SkoreDomaci == oldHome && SkoreHoste == oldGuest) {
        record(match::events::score, {}, scoreText(SkoreDomaci, SkoreHoste));
    } else {
        record(match::events::scoreCorrection, {},
               scoreText(oldHome, oldGuest) + QStringLiteral(" → ")
                   + scoreText(SkoreDomaci, SkoreHoste));
    }
}

void TForm1::recordScanResult()
{
    record(match::events::connection, {},
           StavSpojeni == 1 && Port ? QStringLiteral("COM%1").arg(int(Port->ComPort()) + 1)
                                    : QStringLiteral("nenalezeno"));
}

void TForm1::recordPortLost()
{
    if (!m_portLost && Port) {
        m_portLost = true;
        record(match::events::portLost, {}, QStringLiteral("COM%1").arg(int(Port->ComPort()) + 1));
    }
}

void TForm1::recordPortBack()
{
    if (m_portLost && Port && Port->Connected()) {
        m_portLost = false;
        record(match::events::portRestored, {},
               QStringLiteral("COM%1").arg(int(Port->ComPort()) + 1));
    }
}

void TForm1::writeSettings(const QList<std::pair<QString, qint32>> &values)
{
    try {
        console::SettingsFile().writeIntegers(QStringLiteral("Nastaveni"), values);
    } catch (const platform::Error &e) {
        record(match::events::settingsNotWritten, {}, e.message());
        throw;
    }
}

void TForm1::recordReplies()
{
    const Known before = m_known;
    // A running clock's time changes with every block; only a standing one's is news.
    if (!PomTimer->isActive() && (AktMinuty != before.minutes || AktSekundy != before.seconds)) {
        record(match::events::reply, {},
               QStringLiteral("čas ") + match::formatShown(AktMinuty, AktSekundy));
    }
    if (SkoreDomaci != before.home || SkoreHoste != before.guest) {
        record(match::events::reply, {},
               QStringLiteral("skóre ") + scoreText(SkoreDomaci, SkoreHoste));
    }
    if (Polocas != before.period) {
        record(match::events::reply, {}, QStringLiteral("poločas %1").arg(Polocas));
    }
    if (Sirena != before.siren) {
        record(match::events::reply, {}, QStringLiteral("siréna %1").arg(Sirena));
    }
}

void TForm1::offerToResume()
{
    const QString path = match::Journal::newestJournal(journalFolder());
    if (path.isEmpty()) {
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const match::JournalState last = match::readJournal(file.readAll());
    if (!last.valid || last.cleanClose || !last.clockStarted) {
        return;
    }
    const console::ClockReading left = console::readClock(presetOf(last), elapsedNow(last));
    const QString question
        = QStringLiteral("Zápas z %1 nebyl ukončen (%2. poločas, zbývá %3, skóre %4 : %5). "
                         "Pokračovat v něm?")
              .arg(last.firstWall.toString(QStringLiteral("HH:mm")))
              .arg(last.period)
              .arg(match::formatShown(qMax(0, int(left.minutes)), qMax(0, int(left.seconds))))
              .arg(last.home)
              .arg(last.guest);
    if (platform::messageBox(question, platform::applicationTitle(), platform::MsgIcon::Question,
                             platform::MsgButtons::YesNo)
        != platform::MsgResult::Yes) {
        return; // the old file stays as it is; the next event begins a new one
    }
    resumeMatch(last, path);
}

void TForm1::resumeMatch(const match::JournalState &last, const QString &path)
{
    // The running time is measured again from the moment the answer came.
    const qint32 elapsed = elapsedNow(last);
    Minuty = last.presetMinutes;
    Sekundy = last.presetSeconds;
    Setiny = last.presetHundredths;
    CelkovyCas = presetMs();
    Polocas = last.period;
    Sirena = last.siren;
    SkoreDomaci = last.home;
    SkoreHoste = last.guest;
    DomaciSpinEdit->setText(intToStr(SkoreDomaci));
    HosteSpinEdit->setText(intToStr(SkoreHoste));
    PolocasSpinEdit->setText(intToStr(Polocas));
    SirenaSpinEdit->setText(intToStr(Sirena));
    ZobrazSkore(SkoreDomaci / 10, SkoreDomaci % 10, SkoreHoste % 10, SkoreHoste / 10);
    ZobrazPolocas(Polocas);

    const qint32 now = static_cast<qint32>(platform::tickCount());
    Zaklad = static_cast<qint32>(static_cast<quint32>(now) - static_cast<quint32>(elapsed));
    CasStartu = now;
    Uplynulo = elapsed;
    if (last.running) {
        // The board ran on by itself: the console's clock joins it, nothing is sent to start.
        CasStopu = 0;
        PomTimer->start();
        Button1->setText(QStringLiteral("&Stop"));
        CasButton->setEnabled(false);
    } else {
        // As if stopped just now: the next Start goes on from the elapsed time.
        CasStopu = now;
    }
    showClock();

    // The match beside the score comes back from the same lines: teams, penalties, timeouts.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        for (const match::Event &event : match::readEvents(file.readAll())) {
            m_match->apply(event);
        }
    }
    m_journal->resume(path);
    record(match::events::resumed);
    matchChanged();
    // The controller's own values are asked for; where they differ, they win (see the blocks).
    m_checkingResumedTime = true;
    send({ devicelink::protocol::ReadBack });
}

void TForm1::takeResumedTime()
{
    m_checkingResumedTime = false;
    // The controller's time against the console's, to the second: the controller's wins.
    const qint32 controllerRemaining = AktMinuty * 60000 + AktSekundy * 1000 + AktSetiny * 10;
    const qint32 consoleRemaining = CelkovyCas - Uplynulo;
    if (qAbs(controllerRemaining - consoleRemaining) <= 1000) {
        return;
    }
    const qint32 elapsed = CelkovyCas - controllerRemaining;
    Zaklad = static_cast<qint32>(static_cast<quint32>(Zaklad)
                                 + static_cast<quint32>(Uplynulo - elapsed));
    Uplynulo = elapsed;
    record(
        match::events::reply, {},
        QStringLiteral("čas %1 místo %2")
            .arg(match::formatShown(AktMinuty, AktSekundy),
                 match::formatShown(consoleRemaining / 60000 % 60, consoleRemaining / 1000 % 60)));
}

// ---- The match window's match: teams, sport, penalties and timeouts ----

namespace {

const QString matchSection = QStringLiteral("Zapas");

match::Side sideOf(bool home)
{
    return home ? match::Side::Home : match::Side::Guest;
}

/// What is left as the screens show it: whole seconds, counted up, "1:57".
QString leftText(qint64 ms)
{
    const qint64 seconds = (qMax<qint64>(0, ms) + 999) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

qint64 wallNow()
{
    return QDateTime::currentMSecsSinceEpoch();
}

const match::Sport sportOrder[]
    = { match::Sport::Handball, match::Sport::Floorball, match::Sport::Hockey, match::Sport::Futsal,
        match::Sport::Other };

} // namespace

qint64 TForm1::gameNow() const
{
    // The elapsed time as the clock shows it, so that a Stop's read-back moves the penalties
    // with the time on the board; while it runs, the console's own count.
    qint32 elapsed = Uplynulo;
    if (!PomTimer->isActive()) {
        const qint32 shown = AktMinuty * 60000 + AktSekundy * 1000 + AktSetiny * 10;
        const qint32 fromShown = CelkovyCas - shown;
        if (fromShown >= 0 && fromShown <= CelkovyCas) {
            elapsed = fromShown;
        }
    }
    return m_match->gameTime().now(elapsed);
}

void TForm1::readMatchSettings(const console::SettingsFile &ini)
{
    for (const bool home : { true, false }) {
        const QString prefix = home ? QStringLiteral("Domaci") : QStringLiteral("Hoste");
        match::Team team = match::Team::byDefault(sideOf(home));
        team.name = ini.readString(matchSection, prefix + QStringLiteral("Nazev"), team.name);
        team.shortName = ini.readString(matchSection, prefix + QStringLiteral("Zkratka"), {});
        team.color = ini.readString(matchSection, prefix + QStringLiteral("Barva"), {});
        if (!team.refusal()) {
            m_match->apply(match::Match::teamEvent(sideOf(home), team));
        }
    }
    const auto sport
        = match::sportFromName(ini.readString(matchSection, QStringLiteral("Sport"), {}));
    if (sport) {
        m_match->apply(match::Match::sportEvent(*sport));
    }
}

void TForm1::ZapasButtonClick()
{
    if (m_matchWindow == nullptr) {
        m_matchWindow = new console::MatchWindow(*this, this);
        m_matchWindow->setWindowFlag(Qt::Window);
        m_matchWindow->adjustSize();
        if (const QScreen *screen = this->screen()) {
            m_matchWindow->move(console::placeBeside(screen->availableGeometry(), frameGeometry(),
                                                     m_matchWindow->frameGeometry().size()));
        }
    }
    m_matchWindow->show();
    m_matchWindow->raise();
    m_matchWindow->activateWindow();
}

void TForm1::matchAction(const match::Event &action)
{
    match::Event event = matchEvent(action.kind, action.team, action.value);
    const std::optional<match::Event> inverse = m_match->inverseOf(event);
    record(event);
    if (inverse) {
        m_undo.push_back(*inverse);
    }
    matchChanged();
}

void TForm1::matchChanged()
{
    m_penaltiesDueMs = 0; // recounted at once
    if (m_match->timeoutLeftMs(match::Side::Home, wallNow()).value_or(0) > 0
        || m_match->timeoutLeftMs(match::Side::Guest, wallNow()).value_or(0) > 0) {
        m_timeoutTimer->start();
    }
    publishBoard();
}

void TForm1::timeoutTick()
{
    for (const bool home : { true, false }) {
        const match::Side side = sideOf(home);
        const int taken = m_match->timeoutsTaken(side);
        if (m_match->timeoutEnded(side, wallNow()) && m_timeoutsBeeped[home ? 0 : 1] < taken) {
            m_timeoutsBeeped[home ? 0 : 1] = taken; // one beep per timeout, never again
            platform::beep();
        }
    }
    if (m_match->timeoutLeftMs(match::Side::Home, wallNow()).value_or(0) <= 0
        && m_match->timeoutLeftMs(match::Side::Guest, wallNow()).value_or(0) <= 0) {
        m_timeoutTimer->stop();
    }
    m_penaltiesDueMs = 0;
    publishBoard();
}

console::MatchHost::Team TForm1::team(bool home) const
{
    const match::Team &t = m_match->team(sideOf(home));
    return { t.name, t.shortName, t.color };
}

QStringList TForm1::sports() const
{
    QStringList names;
    for (const match::Sport sport : sportOrder) {
        names << match::rulesOf(sport).name;
    }
    return names;
}

int TForm1::sport() const
{
    return int(std::find(std::begin(sportOrder), std::end(sportOrder), m_match->sport())
               - std::begin(sportOrder));
}

QStringList TForm1::lengths() const
{
    return m_match->rules().lengths;
}

QList<console::MatchHost::PenaltyRow> TForm1::penalties() const
{
    return m_shownPenalties;
}

QString TForm1::timeouts(bool home) const
{
    const match::Side side = sideOf(home);
    QString text = QStringLiteral("vybráno: %1").arg(m_match->timeoutsTaken(side));
    if (const auto left = m_match->timeoutLeftMs(side, wallNow()); left && *left > 0) {
        text += QStringLiteral(", běží: ") + leftText(*left);
    } else if (m_match->timeoutEnded(side, wallNow())) {
        text += QStringLiteral(", skončil");
    }
    return text;
}

QString TForm1::setTeam(bool home, const Team &team)
{
    match::Team t { team.name, team.shortName, team.color.toLower() };
    if (const auto refusal = t.refusal()) {
        return *refusal;
    }
    matchAction(match::Match::teamEvent(sideOf(home), t));
    const QString prefix = home ? QStringLiteral("Domaci") : QStringLiteral("Hoste");
    try {
        // The next match starts with them.
        console::SettingsFile().writeStrings(matchSection,
                                             { { prefix + QStringLiteral("Nazev"), t.name },
                                               { prefix + QStringLiteral("Zkratka"), t.shortName },
                                               { prefix + QStringLiteral("Barva"), t.color } });
    } catch (const platform::Error &e) {
        record(match::events::settingsNotWritten, {}, e.message());
        return e.message();
    }
    return {};
}

QString TForm1::setSport(int index)
{
    if (index < 0 || index >= int(std::size(sportOrder)) || sportOrder[index] == m_match->sport()) {
        return {};
    }
    matchAction(match::Match::sportEvent(sportOrder[index]));
    try {
        console::SettingsFile().writeStrings(
            matchSection, { { QStringLiteral("Sport"), m_match->rules().name } });
    } catch (const platform::Error &e) {
        record(match::events::settingsNotWritten, {}, e.message());
        return e.message();
    }
    return {};
}

QString TForm1::enterPenalty(const QString &line)
{
    const auto entry = match::parsePenaltyEntry(line, m_match->rules());
    if (const QString *refusal = std::get_if<QString>(&entry)) {
        return *refusal;
    }
    const auto &penalty = std::get<match::PenaltyEntry>(entry);
    return addPenalty(penalty.side == match::Side::Home, penalty.number, penalty.length);
}

QString TForm1::addPenalty(bool home, int number, const QString &length)
{
    if (const auto refusal = m_match->refusePenalty(number, length)) {
        return *refusal;
    }
    matchAction(match::Match::penaltyEvent(sideOf(home), number, length, gameNow()));
    return {};
}

QString TForm1::changePenalty(int id, int number, const QString &length)
{
    if (const auto refusal = m_match->refusePenaltyChange(id, number, length)) {
        return *refusal;
    }
    matchAction(m_match->penaltyChangeEvent(id, number, length));
    return {};
}

QString TForm1::endPenalty(int id)
{
    if (const auto refusal = m_match->refusePenaltyId(id)) {
        return *refusal;
    }
    matchAction(m_match->penaltyEndEvent(id, gameNow()));
    return {};
}

QString TForm1::removePenalty(int id)
{
    if (const auto refusal = m_match->refusePenaltyId(id)) {
        return *refusal;
    }
    matchAction(m_match->penaltyRemoveEvent(id));
    return {};
}

QString TForm1::takeTimeout(bool home)
{
    const QString refusal = m_match->refuseTimeout(sideOf(home), Polocas, wallNow());
    if (!refusal.isEmpty()) {
        return refusal;
    }
    matchAction(m_match->timeoutEvent(sideOf(home)));
    return {};
}

QString TForm1::undo()
{
    if (m_undo.empty()) {
        return QStringLiteral("Není co vrátit.");
    }
    const match::Event inverse = m_undo.back();
    m_undo.pop_back();
    record(matchEvent(inverse.kind, inverse.team, inverse.value));
    matchChanged();
    return {};
}

void TForm1::startNewMatch()
{
    m_journal->startNew();
    m_undo.clear();
    // The clock stands at the preset, the score is 0 : 0 and the period 1; nothing is sent.
    PomTimer->stop();
    Button1->setText(QStringLiteral("&Start"));
    CasButton->setEnabled(true);
    Zaklad = 0;
    Uplynulo = 0;
    CasStartu = 0;
    CasStopu = 0;
    CelkovyCas = presetMs();
    AktMinuty = Minuty;
    AktSekundy = Sekundy;
    AktSetiny = Setiny;
    ZobrazCas(Minuty / 10, Minuty % 10, Sekundy % 10, Sekundy / 10);
    SkoreDomaci = 0;
    SkoreHoste = 0;
    DomaciSpinEdit->setText(QStringLiteral("0"));
    HosteSpinEdit->setText(QStringLiteral("0"));
    ZobrazSkore(0, 0, 0, 0);
    Polocas = 1;
    PolocasSpinEdit->setText(QStringLiteral("1"));
    ZobrazPolocas(1);
    record(match::events::newMatch, {},
           match::formatPreset(Minuty, Sekundy, Setiny) + QLatin1Char(' ')
               + QString::number(Sirena));
    matchChanged();
}
