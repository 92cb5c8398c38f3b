#include "link/discovery.h"

#include "link/comdrv32.h"
#include "link/protocol.h"
#include "platform/dialogs.h"
#include "platform/ticks.h"

#include <QCoreApplication>
#include <QTimer>

using devicelink::DeviceScanHost;
using devicelink::GameState;

namespace {

constexpr quint32 answerWindowMs = 1000;

enum class Outcome { Found, NothingOpened, NoAnswer, Abandoned };

/// Waits up to a second for the probe's answer, keeping the message loop running. The tick
/// count decides, so that a slow machine or a test clock sees the same window.
bool waitForAnswer(GameState &state, DeviceScanHost &host, QTimer &answerWindow)
{
    const quint32 start = platform::tickCount();
    answerWindow.start();
    while (answerWindow.isActive()) {
        if (state.PosledniBajt == devicelink::protocol::ReplyTime) {
            answerWindow.stop();
            return true;
        }
        if (host.scanAbandoned() || platform::tickCount() - start >= answerWindowMs) {
            answerWindow.stop();
            break;
        }
        // The driver's poll timer wakes this at least every poll period.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return false;
}

Outcome scanOnce(GameState &state, DeviceScanHost &host, QTimer &answerWindow)
{
    QCoreApplication::processEvents();
    TCommPortDriver *port = host.createDriver();
    state.Port = port;
    port->setComPort(pnCOM1);
    port->setComPortSpeed(br9600);
    port->setComPortDataBits(db8BITS);
    port->setComPortStopBits(sb1BITS);
    port->setComPortParity(ptNONE);
    platform::sleep(100);

    bool anyOpened = false;
    for (int n = 1; n <= 10; ++n) {
        if (host.scanAbandoned()) {
            port->Disconnect();
            return Outcome::Abandoned;
        }
        port->setComPort(static_cast<TComPortNumber>(pnCOM1 + n - 1));
        port->Connect();
        if (port->Connected()) {
            anyOpened = true;
            // Only an answer to this port's probe counts: a late answer from the previous
            // port must not make this one look like the controller, and the answer must not
            // leave the parser waiting for time data.
            state.PosledniBajt = 0;
            host.resetReplyParser();
            port->SendByte(devicelink::protocol::Probe);
            if (waitForAnswer(state, host, answerWindow)) {
                host.resetReplyParser();
                state.StavSpojeni = 1;
                platform::messageBox(QStringLiteral("Zařízení nalezeno na COM%1").arg(n),
                                     QStringLiteral("Připojení"), platform::MsgIcon::Information);
                return Outcome::Found;
            }
            port->Disconnect();
        }
    }
    return anyOpened ? Outcome::NoAnswer : Outcome::NothingOpened;
}

} // namespace

void ZkouskaPripojeni(GameState &state, DeviceScanHost &host, QTimer &answerWindow)
{
    for (;;) {
        switch (scanOnce(state, host, answerWindow)) {
        case Outcome::Found:
        case Outcome::Abandoned:
            return;
        case Outcome::NothingOpened:
            platform::messageBox(QStringLiteral("Chyba inicializace portu."),
                                 platform::applicationTitle(), platform::MsgIcon::Warning);
            return;
        case Outcome::NoAnswer:
            break;
        }
        const platform::MsgResult answer = platform::messageBox(
            QStringLiteral("Zařízení nerozpoznáno. Opakovat?"), platform::applicationTitle(),
            platform::MsgIcon::Question, platform::MsgButtons::RetryCancel);
        if (answer != platform::MsgResult::Retry) {
            state.StavSpojeni = 2;
            return;
        }
    }
}
