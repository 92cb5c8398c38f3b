// bodovka-sim: the scoreboard controller on a pseudo-terminal, linked as ports/COMn beside
// the console so that the console finds it like a device on a serial port.

#include "platform/device_pty.h"
#include "platform/message_boxes.h"
#include "platform/termination_signals.h"
#include "simulator/controller.h"
#include "simulator/controller_line.h"
#include "simulator/port_link.h"
#include "simulator/window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <cstdio>
#include <memory>

using simulator::ControllerLine;
using simulator::PortLink;
using simulator::ScoreboardController;
using simulator::ScoreboardWindow;

namespace {

void printLine(std::FILE *stream, const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stream);
    std::fflush(stream);
}

struct Options
{
    bool headless = false;
    QString port = QStringLiteral("COM1");
    QString dir; ///< empty: the folder of the executable
};

/// Parses the command line; on an error or a request for help says so and returns false
/// with the exit code in `exitCode`.
bool parseOptions(const QStringList &arguments, Options &options, int &exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The scoreboard controller on a pseudo-terminal, linked as ports/COMn."));
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") },
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      QStringLiteral("No window: prints one line per command."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The port name to link (default COM1)."),
                                  QStringLiteral("COMn"), QStringLiteral("COM1"));
    const QCommandLineOption dir(QStringLiteral("dir"),
                                 QStringLiteral("The folder whose ports/ gets the link (default: "
                                                "the folder of this program)."),
                                 QStringLiteral("DIR"));
    parser.addOptions({ help, headless, port, dir });
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty()
                                  ? QStringLiteral("unexpected argument %1")
                                        .arg(parser.positionalArguments().join(u' '))
                                  : parser.errorText();
        printLine(stderr, QStringLiteral("bodovka-sim: ") + error);
        printLine(stderr, parser.helpText());
        exitCode = 2;
        return false;
    }
    if (parser.isSet(help)) {
        printLine(stdout, parser.helpText());
        exitCode = 0;
        return false;
    }
    static const QRegularExpression portName(QStringLiteral("^COM[1-9][0-9]{0,2}$"),
                                             QRegularExpression::CaseInsensitiveOption);
    options.port = parser.value(port).toUpper();
    if (!portName.match(options.port).hasMatch()) {
        printLine(stderr, QStringLiteral("bodovka-sim: %1 is no port name; use COM1, COM2, ...")
                              .arg(parser.value(port)));
        exitCode = 2;
        return false;
    }
    options.headless = parser.isSet(headless);
    options.dir = parser.value(dir);
    return true;
}

int run(QCoreApplication &app, const Options &options)
{
    platform::TerminationSignals termination;
    QObject::connect(
        &termination, &platform::TerminationSignals::received, &app, [&app](int signalNumber) {
            printLine(stdout, QStringLiteral("stopped by signal %1").arg(signalNumber));
            app.quit();
        });

    QString error;
    platform::DevicePty line;
    if (!line.open(&error)) {
        printLine(stderr, QStringLiteral("bodovka-sim: cannot open a pseudo-terminal: ") + error);
        return 1;
    }
    const QString dir
        = options.dir.isEmpty() ? QCoreApplication::applicationDirPath() : options.dir;
    const QString linkPath = QDir(dir).absoluteFilePath(QStringLiteral("ports/") + options.port);
    PortLink link;
    if (!link.create(linkPath, line.slavePath(), &error)) {
        printLine(stderr, QStringLiteral("bodovka-sim: ") + error);
        return 1;
    }

    ScoreboardController controller;
    ControllerLine session(controller, line);
    QObject::connect(&session, &ControllerLine::event, &app,
                     [](const QString &text) { printLine(stdout, text); });
    QObject::connect(&session, &ControllerLine::failed, &app, [&app](const QString &reason) {
        printLine(stderr, QStringLiteral("bodovka-sim: the line failed: ") + reason);
        app.exit(1);
    });

    std::unique_ptr<ScoreboardWindow> window;
    if (!options.headless) {
        window = std::make_unique<ScoreboardWindow>(controller);
        window->setWindowTitle(QStringLiteral("bodovka-sim %1").arg(options.port));
        window->moveBesideConsole();
        QObject::connect(&session, &ControllerLine::changed, window.get(),
                         &ScoreboardWindow::refresh);
        window->show();
    }

    printLine(stdout,
              QStringLiteral("ready %1 %2 -> %3").arg(options.port, link.path(), line.slavePath()));
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    Options options;
    int exitCode = 0;
    if (!parseOptions(arguments, options, exitCode)) {
        return exitCode;
    }
    // Without a window no display is needed: the simulator runs on any terminal or in CI, and
    // a box becomes a line on the error output.
    std::unique_ptr<QCoreApplication> app;
    if (options.headless) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        app = std::make_unique<QApplication>(argc, argv);
        platform::installMessageBoxes();
    }
    return run(*app, options);
}
