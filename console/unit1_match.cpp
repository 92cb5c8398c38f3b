// The main window's part in the match journal: what it writes down, and how it takes a match
// back after a crash.
#include "console/unit1.h"

#include "console/clock.h"
#include "console/settings_file.h"
#include "controls/int_text.h"
#include "controls/push_button.h"
#include "controls/spin.h"
#include "link/comdrv32.h"
#include "link/protocol.h"
#include "match/events.h"
#include "match/journal.h"
#include "match/journal_reader.h"
#include "match/sheet.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/ticks.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

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

void TForm1::record(const match::Event &event)
{
    m_known = { AktMinuty, AktSekundy, SkoreDomaci, SkoreHoste, Polocas, Sirena };
    afterJournalWrite(m_journal->record(event));
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
    if (m_journal && !m_journal->filePath().isEmpty()) {
        m_journal->writeSheet(QStringLiteral("Domácí"), QStringLiteral("Hosté"));
    }
}

QByteArray TForm1::sheet() const
{
    return m_journal ? match::sheetHtml(m_journal->events(), QStringLiteral("Domácí"),
                                        QStringLiteral("Hosté"))
                     : QByteArray();
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
    const console::ClockReading shown = console::readClock(CelkovyCas, Uplynulo);
    AktMinuty = shown.minutes;
    AktSekundy = shown.seconds;
    AktSetiny = shown.hundredths;
    ZobrazCas(AktMinuty / 10, AktMinuty % 10, AktSekundy % 10, AktSekundy / 10);

    m_journal->resume(path);
    record(match::events::resumed);
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
