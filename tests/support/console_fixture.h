#pragma once

#include "bytes.h"
#include "console/unit1.h"
#include "console/unit2.h"
#include "link/protocol.h"
#include "platform/testing/fake_serial.h"
#include "platform/testing/fakes.h"

#include <QTemporaryDir>

#include <memory>

class TdsSevenSegmentDisplay;

namespace testing {

/// A list of texts written as plain literals.
template<typename... Texts> QStringList strings(const Texts &...texts)
{
    return { QString::fromUtf8(texts)... };
}

/// What a count-down shows with `remainingMs` left: whole seconds, rounded down, as "MM:SS".
QString expectedDisplay(qint64 remainingMs);

/// The digit a display shows, read from its segments; -1 for anything else.
int shownDigit(const TdsSevenSegmentDisplay *display);
/// The main window's four clock digits as "MM:SS", the score as "HH:GG".
QString shownTime(const TForm1 &form);
QString shownScore(const TForm1 &form);

/// Both windows of the console on a settings file in a temporary folder, with the boxes
/// recorded and the serial ports in memory. By default a controller answers on COM1.
class Console
{
public:
    struct Options
    {
        QByteArray settings;        ///< the settings file's contents; empty: no file
        bool settingsIsDir = false; ///< a folder where the settings file should be
        QStringList ports { QStringLiteral("COM1") };
        QString controllerPort = QStringLiteral("COM1"); ///< answers the probe; empty: none
        bool show = true;           ///< show the main window and let its first scan run
        bool realPorts = false;     ///< the system's serial ports instead of the ones in memory
        quint32 scanTickStep = 250; ///< how far the test clock moves per reading during a scan
    };

    Console();
    explicit Console(const Options &options);
    ~Console();

    /// Shows the main window and waits until its first scan has ended.
    void showAndScan();

    QString settingsPath() const;
    QByteArray settingsContents() const;

    /// Bytes sent to the controller's port since the last call (the probe is left out).
    QByteArray takeSent();
    /// Bytes the controller sends to the console next.
    void reply(const QByteArray &bytes);
    /// Waits until everything queued by reply() has been read by the driver's poll.
    bool waitForReplies();

    testing::RecordingDialogs dialogs;
    testing::FakeSerial serial;
    testing::FakeTicks ticks;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;

private:
    QTemporaryDir m_dir;
    QString m_controllerPort;
    quint32 m_scanTickStep;
    qsizetype m_sentSoFar = 0;
};

/// Options for a console on the system's serial ports, as the test links them in its ports
/// folder, whose scan moves the test clock in small steps.
Console::Options realPorts(bool show = true);

} // namespace testing
