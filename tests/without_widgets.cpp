// Uses the device link (driver, reply parser, device scan) and the simulator's controller and
// links nothing else of the program: the build proves that they need no widget, and the test
// without_widgets checks that the program loads neither Qt Widgets nor Qt Gui.

#include "link/comdrv32.h"
#include "link/discovery.h"
#include "link/protocol.h"
#include "link/reply_parser.h"
#include "platform/device_pty.h"
#include "simulator/controller.h"
#include "simulator/controller_line.h"

#include <QCoreApplication>
#include <QTimer>

using devicelink::DeviceScanHost;
using devicelink::GameState;
using devicelink::ReplyListener;
using devicelink::ReplyParser;
using simulator::ControllerLine;
using simulator::ScoreboardController;

namespace {

class Host final : public DeviceScanHost, public ReplyListener
{
public:
    TCommPortDriver *createDriver() override { return &driver; }
    void resetReplyParser() override { }
    bool scanAbandoned() const override { return true; }
    void timeBlockCompleted() override { ++blocks; }
    void settingsBlockCompleted() override { ++blocks; }

    TCommPortDriver driver;
    int blocks = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    GameState state;
    Host host;
    QTimer answerWindow;
    ZkouskaPripojeni(state, host, answerWindow);

    ScoreboardController controller;
    ReplyParser parser(state, host);
    for (const char b : controller.receive(QByteArray(1, char(devicelink::protocol::Probe)))) {
        parser.consume(quint8(b));
    }
    platform::DevicePty line;
    ControllerLine session(controller, line);
    return host.blocks == 1 ? 0 : 1;
}
