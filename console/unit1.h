#pragma once

#include "link/discovery.h"
#include "link/game_state.h"
#include "link/reply_parser.h"

#include <QWidget>

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
namespace feed {
class Server;
}

/// The main window: the scoreboard's digits, the operator's fields and buttons, and the game
/// state the whole program works on.
class TForm1 : public QWidget,
               public devicelink::GameState,
               private devicelink::ReplyListener,
               private devicelink::DeviceScanHost
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
    controls::PushButton *Button1; // Start/Stop of the game clock
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

    /// The connection test: finds the controller on COM1 to COM10.
    void ZkouskaPripojeni();
    /// The driver's receive handler: every byte through the reply parser, in order.
    void PrijemDat(QObject *Sender, const quint8 *DataPtr, qint32 DataSize);
    void PrijmiBajt(quint8 b); // one received byte into the reply parser

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void connectHandlers();
    /// Connect, then one byte at a time; a port that cannot be opened sends nothing.
    void send(const std::vector<quint8> &bytes);
    void writeSetting(const QString &key, qint32 value);
    /// Runs the window's activation after the current handler has returned.
    void queueActivation();
    /// Opens the live feed when the settings file switches it on; says why when it cannot.
    void startFeed(const console::SettingsFile &ini);
    /// Hands the feed what the board shows now; while the feed is off, a pointer test only.
    void publishBoard();

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
    bool m_closing = false;
    bool m_scanning = false;
    quint64 m_readings = 0;     ///< counts the tick's readings of the clock
    quint64 m_shownReading = 0; ///< the newest reading shown, so an older one is not
    feed::Server *m_feed = nullptr;
};

extern TForm1 *Form1;
