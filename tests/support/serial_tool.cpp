// The Windows serial binding and TCommPortDriver on one port, for a test on the other end of
// the line to drive through standard input and output:
//   serial_tool COMn      prints "open", or "refused" and exits 1
// then one command a line:
//   send                  writes the bytes 0 to 255, one SendByte each; prints "sent <n>", n the
//                         number of writes that reported success
//   receive <n>           waits up to 10 s for n bytes; prints "received <hex>" with all it got
//   close, or the end     closes the port and exits 0
#include "link/comdrv32.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

void say(const std::string &line)
{
    std::cout << line << std::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const std::string name = argc > 1 ? argv[1] : "";
    const int number = name.rfind("COM", 0) == 0 ? std::atoi(name.c_str() + 3) : 0;
    if (number < 1 || number > 10) {
        std::cerr << "usage: serial_tool COM1..COM10" << std::endl;
        return 2;
    }

    TCommPortDriver port;
    port.setComPort(TComPortNumber(number - 1));
    QByteArray received;
    port.OnReceiveData = [&received](QObject *, const quint8 *data, qint32 size) {
        received.append(reinterpret_cast<const char *>(data), size);
    };
    if (!port.Connect()) {
        say("refused");
        return 1;
    }
    say("open");

    std::string command;
    while (std::getline(std::cin, command) && command != "close") {
        if (command == "send") {
            int sent = 0;
            for (int value = 0; value < 256; ++value) {
                sent += port.SendByte(quint8(value)) ? 1 : 0;
            }
            say("sent " + std::to_string(sent));
        } else if (command.rfind("receive ", 0) == 0) {
            const qsizetype wanted = std::stoi(command.substr(8));
            const QDeadlineTimer deadline(10000);
            while (received.size() < wanted && !deadline.hasExpired()) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            }
            say("received " + received.toHex().toStdString());
            received.clear();
        } else {
            std::cerr << "unknown command: " << command << std::endl;
        }
    }
    port.Disconnect();
    return 0;
}
