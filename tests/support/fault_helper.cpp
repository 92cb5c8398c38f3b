// A second process for the fault tests.
//   fault_helper open-port <ports folder> <n>
//       opens COMn with the console's serial driver; prints "opened" (exit 0) or "refused"
//       (exit 3).
//   fault_helper hold-port <ports folder> <n>
//       opens COMn like open-port and, once it has, holds it until it is killed.
//   fault_helper write-settings <settings file>
//       prints "writing", then writes the settings through the main window's own handlers, in
//       a loop until it is killed; every other round starts from a missing file, as at a first
//       start.
//   fault_helper play <settings file>
//       a console with a controller in memory on COM1: sends the score 3 : 2 and period 2,
//       starts the clock, prints "running" and plays on until it is killed.

#include "console/settings_file.h"
#include "console/unit1.h"
#include "controls/spin.h"
#include "link/comdrv32.h"
#include "link/protocol.h"
#include "platform/errors.h"
#include "platform/serial.h"
#include "platform/testing/fake_serial.h"
#include "platform/testing/recording_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace {

int openPort(int argc, char *argv[], bool hold)
{
    QCoreApplication app(argc, argv);
    platform::setSerialPortsDirectory(argv[2]);
    TCommPortDriver driver;
    driver.setComPort(static_cast<TComPortNumber>(pnCOM1 + std::atoi(argv[3]) - 1));
    const bool opened = driver.Connect();
    std::puts(opened ? "opened" : "refused");
    std::fflush(stdout);
    if (opened && hold) {
        return app.exec();
    }
    driver.Disconnect();
    return opened ? 0 : 3;
}

void writeRound(TForm1 &form, quint32 round)
{
    const QString path = console::settingsFilePath();
    if (round % 2 == 0) {
        QFile::remove(path);
        form.FormCreate(); // creates the file with the defaults
    }
    // A time block with saving on writes the preset, the period and the siren.
    form.UlozitNastaveni = 1;
    form.Minuty = quint8(round % 60);
    form.Sekundy = quint8(round * 7 % 60);
    form.Setiny = quint8(round * 13 % 100);
    form.Polocas = quint8(1 + round % 3);
    form.Sirena = quint8(1 + round % 9);
    form.PrijmiBajt(devicelink::protocol::ReplyTime);
    for (int i = 0; i < 6; ++i) {
        form.PrijmiBajt(quint8(i));
    }
    form.PolocasSpinEdit->setText(QString::number(1 + (round + 1) % 3));
    form.PolocasButtonClick();
    form.SirenaSpinEdit->setText(QString::number(1 + (round + 4) % 9));
    form.SirenaButtonClick();
    form.setPripojeniItemIndex(int(round % 2));
    form.PripojeniRadioGroupClick();
}

int writeSettings(int argc, char *argv[])
{
    // No one is there to answer a box: it stays printed on the error output.
    QApplication app(argc, argv);
    console::setSettingsFilePath(QString::fromLocal8Bit(argv[2]));
    try {
        TForm1 form; // never shown: no scan, and the sends find no driver
        std::puts("writing");
        std::fflush(stdout);
        for (quint32 round = 0;; ++round) {
            writeRound(form, round);
        }
    } catch (const platform::Error &e) {
        std::fprintf(stderr, "fault_helper: %s\n", qPrintable(e.message()));
    }
    return 4;
}

int play(int argc, char *argv[])
{
    QApplication app(argc, argv);
    console::setSettingsFilePath(QString::fromLocal8Bit(argv[2]));
    testing::RecordingDialogs dialogs;
    testing::FakeSerial serial;
    serial.present.insert(QStringLiteral("COM1"));
    serial.onWrite = [&](platform::SerialHandle handle, const QByteArray &bytes) {
        if (bytes.contains(char(devicelink::protocol::Probe))) {
            serial.queueInput(handle, QByteArray(1, char(devicelink::protocol::ReplyTime)));
        }
    };
    TForm1 form;
    form.show();
    if (!QTest::qWaitFor([&] { return form.StavSpojeni == 1; }, 20000)) {
        return 5;
    }
    form.DomaciSpinEdit->setText(QStringLiteral("3"));
    form.HosteSpinEdit->setText(QStringLiteral("2"));
    form.SkoreButtonClick();
    form.PolocasSpinEdit->setText(QStringLiteral("2"));
    form.PolocasButtonClick();
    form.Button1Click();
    std::puts("running");
    std::fflush(stdout);
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    const QByteArray command = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if ((command == "open-port" || command == "hold-port") && argc == 4) {
        return openPort(argc, argv, command == "hold-port");
    }
    if (command == "write-settings" && argc == 3) {
        return writeSettings(argc, argv);
    }
    if (command == "play" && argc == 3) {
        return play(argc, argv);
    }
    std::fputs("usage: fault_helper open-port DIR N | hold-port DIR N | write-settings FILE | "
               "play FILE\n",
               stderr);
    return 2;
}
