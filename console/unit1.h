#pragma once

#include "console/clock.h"
#include "console/match_window.h"
#include "feed/board.h"
#include "link/discovery.h"
#include "link/game_state.h"
#include "link/reply_parser.h"

#include <QWidget>

#include <memory>

class QGroupBox;
class QLabel;
class QRadioButton;
class QTimer;
class QToolButton;
class TdsLed;
class TdsSevenSegmentDisplay;
class TSpinEdit;
class TCommPortDriver;

namespace controls {
class PushButton;
}
namespace console {
class SettingsFile;
}
namespace match {
class Journal;
class Match;
struct Event;
struct JournalState;
} // namespace match
namespace feed {
class Server;
} // namespace feed

/// The main window: the scoreboard's digits, the operator's fields and buttons, and the game
/// state the whole program works on.
class TForm1 : public QWidget,
               public devicelink::GameState,
               private devicelink::ReplyListener,
               private devicelink::DeviceScanHost,
               private console::MatchHost
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Digits of the scoreboard.
    TdsSevenSegmentDisplay *PolocasDsSevenSegmentDisplay;
    TdsSevenSegmentDisplay *CasDesMinDsSevenSegmentDisplay;
    TdsSevenSegmentDisplay *CasJedMinDsSevenSegmentDisplay;
    TdsSevenSegmentDisplay *CasDesSekDsSevenSegmentDisplay;
    TdsSevenSegmentDisplay *CasJedSekDsSevenSegmentDisplay;
    TdsSevenSegmentDisplay *SkoDomDesDsSevenSegmentDisplay;
    TdsSevenSegmentDisplay *SkoDomJedDsSevenSegmentDisplay;
    TdsSevenSegmentDisplay *SkoHosDesDsSevenSegmentDisplay;
    TdsSevenSegmentDisplay *SkoHosJedDsSevenSegmentDisplay;
    TdsLed *dsLed1; // lower dot of the time's colon
    TdsLed *dsLed2; // upper dot between the scores
    TdsLed *dsLed3; // upper dot of the time's colon
    TdsLed *dsLed4; // lower dot between the scores

    QLabel *Label1; // "Hosté" (guests)
    QLabel *Label2; // "Čas" (time)
    QLabel *Label3; // "Poločas" (period)
    QLabel *Label4; // "Siréna" (siren)
    QLabel *Label5; // "Sekund" (seconds), beside the siren field
    QLabel *Domaci; // "Domací" (home)

    QToolButton *SpeedButton2; // the plug button: searches for the scoreboard again
    QGroupBox *PripojeniRadioGroup;
    controls::PushButton *NastavitVseButton;
    controls::PushButton *NacistVseButton;
    controls::PushButton *ZapasButton; // opens the match window (ours: teams, penalties)
    controls::PushButton *Button1;     // Start/Stop of the game clock
    controls::PushButton *CasButton;
    TSpinEdit *PolocasSpinEdit;
    controls::PushButton *PolocasButton;
    TSpinEdit *SirenaSpinEdit;
    controls::PushButton *SirenaButton;
    TSpinEdit *DomaciSpinEdit;
    controls::PushButton *SkoreButton;
    TSpinEdit *HosteSpinEdit;
    QTimer *Timer2;   // the scan's one-second answer window
    QTimer *PomTimer; // the clock tick, 10 ms

    /// The selected item of the connection choice: 0 "COM", 1 "USB", -1 none.
    int PripojeniItemIndex() const;
    void setPripojeniItemIndex(int index);

    // Display operations. Each digit goes to the display its name says (the seconds and the
    // guest score come units first); a digit above 9 leaves its display as it was.
    void ZobrazCas(unsigned tensOfMinutes, unsigned unitsOfMinutes, unsigned unitsOfSeconds,
                   unsigned tensOfSeconds);
    void ZobrazSkore(unsigned tensOfHome, unsigned unitsOfHome, unsigned unitsOfGuest,
                     unsigned tensOfGuest);
    void ZobrazPolocas(unsigned period);

    // Handlers. Each may throw; the Qt entry points run them inside the error guard.
    void FormCreate();
    void FormActivate();
    void SkoreButtonClick();
    void PolocasButtonClick();
    void SirenaButtonClick();
    void NastavitVseButtonClick();
    void NacistVseButtonClick();
    void ZapasButtonClick();
    void PripojeniRadioGroupClick();
    void SpeedButton2Click();
    void Button1Click();
    void CasButtonClick();
    void PomTimerTimer();
    void Timer2Timer();
    void DomaciSpinEditChange();
    void HosteSpinEditChange();
    void PolocasSpinEditChange();
    void SirenaSpinEditChange();

    /// The live feed while [Vysilani] Port= switches it on; nullptr while it is off.
    feed::Server *feed() const { return m_feed; }
    /// The match journal: every event of the game, written down as it happens.
    match::Journal &journal() const { return *m_journal; }
    /// The folder of the match journals: "zapasy" beside the settings file.
    static QString journalFolder();
    /// The match sheet of the match so far, as a printable page.
    QByteArray sheet() const;
    /// Teams, sport, penalties and timeouts: the match beside the score.
    const match::Match &match() const { return *m_match; }
    /// The match window, once ZapasButton has opened it.
    console::MatchWindow *matchWindow() const { return m_matchWindow; }
    /// The game time the penalties count on, in ms.
    qint64 gameNow() const;

    /// The connection test: finds the controller on COM1 to COM10.
    void ZkouskaPripojeni();
    /// The driver's receive handler: every byte through the reply parser, in order.
    void PrijemDat(QObject *Sender, const quint8 *DataPtr, qint32 DataSize);
    void PrijmiBajt(quint8 b); // one received byte into the reply parser

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void connectHandlers();
    /// Connect, then one byte at a time; a port that cannot be opened sends nothing.
    void send(const std::vector<quint8> &bytes);
    void writeSetting(const QString &key, qint32 value);
    /// The clock's time from CelkovyCas and Uplynulo, into the Akt* fields and the digits.
    console::ClockReading showClock();
    /// Runs the window's activation after the current handler has returned.
    void queueActivation();
    /// The window has been painted (or will not be soon): a scan left for then runs now.
    void firstPaintDone();
    /// Opens the live feed when the settings file switches it on; says why when it cannot.
    void startFeed(const console::SettingsFile &ini);
    /// Hands the feed what the board shows now; while the feed is off, a pointer test only.
    void publishBoard();

    // The match journal (unit1_match.cpp).
    struct Known
    {
        int minutes, seconds, home, guest, period, siren;
    };
    void openJournal();
    match::Event matchEvent(const QString &kind, const QString &team = {},
                            const QString &value = {}) const;
    void record(const QString &kind, const QString &team = {}, const QString &value = {});
    void record(const match::Event &event);
    /// After a line was recorded: one box when the journal stopped writing, a retry timer.
    void afterJournalWrite(bool writing);
    void writeSheet();
    void recordScoreSent(int oldHome, int oldGuest);
    void recordScanResult();
    void recordPortLost();
    void recordPortBack();
    /// Each value a reply changed since the last line.
    void recordReplies();
    /// Writes keys of the settings file in one write; a refusal is written down, then raised.
    void writeSettings(const QList<std::pair<QString, qint32>> &values);
    /// After the first scan: an unfinished match in the newest journal may be taken back.
    void offerToResume();
    void resumeMatch(const match::JournalState &last, const QString &path);
    /// The first time block after a resume: the controller's time wins when it differs.
    void takeResumedTime();
    /// An action of the match window: journaled, applied, its inverse kept for Ctrl+Z.
    void matchAction(const match::Event &action);
    /// The match window and the feed after the match changed (or the second of a penalty).
    void matchChanged();
    void readMatchSettings(const console::SettingsFile &ini);
    void timeoutTick();
    /// The penalties as shown, counted again when a shown second has changed.
    void refreshPenalties();

    // MatchHost (unit1_match.cpp)
    Team team(bool home) const override;
    QStringList sports() const override;
    int sport() const override;
    QStringList lengths() const override;
    QList<PenaltyRow> penalties() const override;
    QString timeouts(bool home) const override;
    QString setTeam(bool home, const Team &team) override;
    QString setSport(int sport) override;
    QString enterPenalty(const QString &line) override;
    QString addPenalty(bool home, int number, const QString &length) override;
    QString changePenalty(int id, int number, const QString &length) override;
    QString endPenalty(int id) override;
    QString removePenalty(int id) override;
    QString takeTimeout(bool home) override;
    QString undo() override;
    void startNewMatch() override;

    // ReplyListener
    void timeBlockCompleted() override;
    void settingsBlockCompleted() override;
    // DeviceScanHost
    TCommPortDriver *createDriver() override;
    void resetReplyParser() override;
    bool scanAbandoned() const override;

    devicelink::ReplyParser m_parser;
    QRadioButton *m_comItem;
    QRadioButton *m_usbItem;
    bool m_shown = false;
    bool m_awaitingFirstPaint = false; ///< shown, not yet painted: the scan waits
    bool m_scanAfterPaint = false;     ///< an activation left its scan for the first paint
    bool m_closing = false;
    bool m_scanning = false;
    quint64 m_readings = 0;     ///< counts the tick's readings of the clock
    quint64 m_shownReading = 0; ///< the newest reading shown, so an older one is not
    feed::Server *m_feed = nullptr;
    std::unique_ptr<match::Journal> m_journal;
    QTimer *m_journalRetry = nullptr;
    bool m_journalFailureShown = false;
    Known m_known {}; ///< the values the journal's last line carried
    bool m_portLost = false;
    bool m_resumeOffered = false;
    bool m_checkingResumedTime = false;
    std::unique_ptr<match::Match> m_match;
    console::MatchWindow *m_matchWindow = nullptr;
    std::vector<match::Event> m_undo;   ///< the inverse of each match window action, last on top
    QTimer *m_timeoutTimer = nullptr;   ///< once a second while a timeout runs
    int m_timeoutsBeeped[2] = { 0, 0 }; ///< timeouts whose end has beeped, per team
    qint64 m_penaltiesDueMs = 0;        ///< the game time at which a penalty's shown second changes
    qint64 m_penaltiesFromMs = 0;       ///< the game time they were counted at
    QList<PenaltyRow> m_shownPenalties;
    feed::Board::Timeouts m_boardTimeouts[2];
};

extern TForm1 *Form1;
