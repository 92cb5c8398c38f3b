// Faults of the settings file: made read-only (or replaced by a folder) in the middle of a
// game, and the console killed while it writes.

#include "support/console_fixture.h"
#include "support/ports_folder.h"
#include "support/simulator_process.h"

#include "console/settings_file.h"
#include "controls/int_text.h"
#include "controls/push_button.h"
#include "controls/spin.h"
#include "link/comdrv32.h"
#include "link/protocol.h"
#include "match/journal.h"
#include "match/journal_reader.h"
#include "platform/profile.h"
#include "platform/serial.h"
#include "platform/testing/fakes.h"
#include "platform/testing/scripted_controller.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

using testing::Console;
using testing::ScriptedController;
using testing::shownScore;
using testing::shownTime;

namespace {

constexpr int presetMs = 7 * 60000;
constexpr int helperWaitMs = 10000;
constexpr int kills = 25;
constexpr int longestRunMs = 120; // how long a writer may run before it is killed
// The name of a temporary file that a killed write leaves beside the settings.
const QRegularExpression temporaryName(QStringLiteral("^bodovka\\.ini\\.[A-Za-z0-9]{6}$"));

enum class Fault { ReadOnly, Folder };

struct KeyRange
{
    const char *key;
    int low;
    int high;
};

// Every key the console keeps, with the values the writer can leave in it.
constexpr KeyRange settingsKeys[] = {
    { "Minuty", 0, 59 }, { "Sekundy", 0, 59 }, { "Setiny", 0, 99 },
    { "Polocas", 1, 3 }, { "Sirena", 1, 9 },   { "Pripojeni", 0, 1 },
};

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

/// Why the settings file at `path` is not complete, or an empty text when it is.
QString incompleteness(const QString &path)
{
    for (const KeyRange &range : settingsKeys) {
        const QString key = QLatin1String(range.key);
        const QString text = platform::readProfileString(path, QStringLiteral("Nastaveni"), key,
                                                         QStringLiteral("(missing)"));
        const std::optional<qint32> value = controls::tryStrToInt(text);
        if (!value || *value < range.low || *value > range.high) {
            return QStringLiteral("%1=%2").arg(key, text);
        }
    }
    return {};
}

/// A scripted controller on COM1 of a ports folder, the only port that opens.
struct ControllerOnCom1
{
    ControllerOnCom1() { ports.linkNowhere(2, 10); }
    bool ok() const { return ports.ok() && peer.ok(); }

    const testing::PortsFolder ports;
    ScriptedController peer { ports.link(1) };
};

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestFaultsFiles final : public QObject
{
    Q_OBJECT

private slots:
    void refusedWriteInTheMiddleOfAGame_data();
    void refusedWriteInTheMiddleOfAGame();
    void killedWhileWritingLeavesACompleteFile();
    void refusedSavesOfAStreamingControllerDoNotStackBoxes();
    void matchKilledWhileTheClockRunsComesBack();
};

void TestFaultsFiles::refusedWriteInTheMiddleOfAGame_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("button");

    QTest::newRow("period, read-only file") << Fault::ReadOnly << QStringLiteral("PolocasButton");
    QTest::newRow("siren, read-only file") << Fault::ReadOnly << QStringLiteral("SirenaButton");
    QTest::newRow("period, folder in its place")
        << Fault::Folder << QStringLiteral("PolocasButton");
    QTest::newRow("siren, folder in its place") << Fault::Folder << QStringLiteral("SirenaButton");
}

void TestFaultsFiles::refusedWriteInTheMiddleOfAGame()
{
    QFETCH(Fault, fault);
    QFETCH(QString, button);

    ControllerOnCom1 line;
    QVERIFY(line.ok());
    ScriptedController &peer = line.peer;
    Console c(testing::realPorts());
    QCOMPARE(c.dialogs.texts(), testing::strings("Zařízení nalezeno na COM1"));
    TForm1 &f = *c.form1;
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QTRY_COMPARE(peer.received().right(1), QByteArray::fromHex("a5"));

    // Mid-game the settings become unwritable.
    const QString path = c.settingsPath();
    const QByteArray contents = c.settingsContents();
    if (fault == Fault::ReadOnly) {
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    } else {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
    }
    f.PolocasSpinEdit->setText(QStringLiteral("2"));
    f.SirenaSpinEdit->setText(QStringLiteral("8"));
    const qsizetype sentBefore = peer.received().size();
    const qsizetype boxes = c.dialogs.shown.size();
    QTest::mouseClick(f.findChild<controls::PushButton *>(button), Qt::LeftButton);

    QCOMPARE(c.dialogs.shown.size(), boxes + 1);
    const auto &box = c.dialogs.shown.last();
    QCOMPARE(box.text, QStringLiteral("Unable to write to ") + path + QLatin1Char('.'));
    QCOMPARE(box.caption, QStringLiteral("Bodovka"));
    QCOMPARE(box.icon, platform::MsgIcon::Error);
    if (fault == Fault::ReadOnly) {
        QCOMPARE(c.settingsContents(), contents);
    }

    // The program goes on: the next command that needs no file is sent, and it is the first
    // thing on the line since the refused one.
    f.DomaciSpinEdit->setText(QStringLiteral("12"));
    f.HosteSpinEdit->setText(QStringLiteral("7"));
    QTest::mouseClick(f.SkoreButton, Qt::LeftButton);
    QTRY_COMPARE(peer.receivedFrom(sentBefore),
                 testing::bytes(devicelink::protocol::setScore(12, 7)));
    QCOMPARE(c.dialogs.shown.size(), boxes + 1);

    c.ticks.advance(2500);
    QTRY_COMPARE(shownTime(f),
                 testing::expectedDisplay(presetMs - qint64(c.ticks.now() - quint32(f.Zaklad))));
    if (fault == Fault::ReadOnly) {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
}

void TestFaultsFiles::killedWhileWritingLeavesACompleteFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bodovka.ini"));
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    int complete = 0;
    for (int run = 0; run < kills; ++run) {
        QProcess writer;
        writer.start(QStringLiteral(BODOVKA_FAULT_HELPER),
                     { QStringLiteral("write-settings"), path });
        QVERIFY(writer.waitForStarted(helperWaitMs));
        QVERIFY(writer.waitForReadyRead(helperWaitMs));
        QCOMPARE(writer.readAllStandardOutput(), QByteArray("writing\n"));

        // Killed at a random moment of its writing, as a power cut or the task manager would.
        QSignalSpy finished(&writer, &QProcess::finished);
        QTimer::singleShot(int(random.bounded(longestRunMs)), &writer, [&] { writer.kill(); });
        QVERIFY(finished.wait(helperWaitMs));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        // Killed by the test, not ended by an error of its own. A sanitizer report may be cut
        // short by the kill, but its first line is out by then.
        const QByteArray errors = writer.readAllStandardError();
        QVERIFY2(writer.exitCode() == SIGKILL && !testing::hasSanitizerReport(errors),
                 errors.constData());

        // Either no file (killed before it was created again) or a complete one. A write
        // killed before its rename leaves its temporary file (bodovka.ini.XXXXXX) beside it;
        // nothing reads that, and nothing else may be there but the match journal's folder.
        QStringList left
            = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        left.removeIf([&](const QString &name) {
            return temporaryName.match(name).hasMatch() || name == u"zapasy";
        });
        QVERIFY2(left.isEmpty() || left == QStringList { QStringLiteral("bodovka.ini") },
                 qPrintable(QStringLiteral("run %1 (seed %2) left %3")
                                .arg(run)
                                .arg(seed)
                                .arg(left.join(QStringLiteral(", ")))));
        if (left.isEmpty()) {
            continue;
        }
        const QString why = incompleteness(path);
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("run %1 (seed %2): %3; the file:\n%4")
                                               .arg(run)
                                               .arg(seed)
                                               .arg(why, fileText(path))));
        ++complete;
    }
    // Most kills find a file: the check above was not idle.
    QVERIFY2(complete >= kills / 2, qPrintable(QStringLiteral("%1 files seen").arg(complete)));

    // The console starts on what the kills left, and writes as usual.
    testing::RecordingDialogs dialogs;
    console::setSettingsFilePath(path);
    {
        TForm1 form;
        QVERIFY(incompleteness(path).isEmpty());
        form.SirenaSpinEdit->setText(QStringLiteral("3"));
        form.SirenaButtonClick();
    }
    console::setSettingsFilePath(QString());
    QVERIFY(dialogs.shown.isEmpty());
    QCOMPARE(platform::readProfileString(path, QStringLiteral("Nastaveni"),
                                         QStringLiteral("Sirena"), QString()),
             QStringLiteral("3"));
}

void TestFaultsFiles::refusedSavesOfAStreamingControllerDoNotStackBoxes()
{
    ControllerOnCom1 line;
    QVERIFY(line.ok());
    ScriptedController &peer = line.peer;
    Console c(testing::realPorts());
    TForm1 &f = *c.form1;
    QVERIFY(f.Port && f.Port->Connected());

    // The operator wants the controller's settings saved; then the file becomes read-only,
    // while the controller keeps sending its time.
    c.dialogs.answers = { platform::MsgResult::Yes };
    QTest::mouseClick(f.NacistVseButton, Qt::LeftButton);
    QCOMPARE(f.UlozitNastaveni, quint8(1));
    QVERIFY(QFile::setPermissions(c.settingsPath(), QFile::ReadOwner));
    const QByteArray timeBlock = QByteArray::fromHex("dc000001000200");
    constexpr int blocks = 4;
    int sent = 1;
    int open = 0;
    int deepest = 0;
    const qsizetype boxesBefore = c.dialogs.shown.size();
    c.dialogs.whileOpen = [&](const testing::RecordingDialogs::Shown &) {
        // The operator reads the box for a while; meanwhile the next time blocks come.
        deepest = std::max(deepest, ++open);
        for (; sent < blocks; ++sent) {
            peer.send(timeBlock);
            QTimer reading;
            QSignalSpy ticks(&reading, &QTimer::timeout);
            reading.start(20);
            QTRY_VERIFY(ticks.count() >= 5); // several poll periods of the driver
        }
        --open;
    };
    QVERIFY(peer.send(timeBlock));
    // The same message again while its box is open adds no box; once it is closed, it does.
    QTRY_COMPARE(sent, blocks);
    QTRY_COMPARE(open, 0);
    QCOMPARE(c.dialogs.shown.size(), boxesBefore + 1);
    QVERIFY(peer.send(timeBlock));
    QTRY_COMPARE(c.dialogs.shown.size(), boxesBefore + 2);
    QTRY_COMPARE(open, 0);
    for (qsizetype i = boxesBefore; i < c.dialogs.shown.size(); ++i) {
        QCOMPARE(c.dialogs.shown[i].text,
                 QStringLiteral("Unable to write to ") + c.settingsPath() + QLatin1Char('.'));
    }
    // One box at a time: the next one comes after the operator has closed the last.
    QCOMPARE(deepest, 1);
    QFile::setPermissions(c.settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
}

void TestFaultsFiles::matchKilledWhileTheClockRunsComesBack()
{
    Console::Options options;
    options.show = false;
    Console c(options);
    QProcess player;
    player.start(QStringLiteral(BODOVKA_FAULT_HELPER),
                 { QStringLiteral("play"), c.settingsPath() });
    QVERIFY(player.waitForStarted(helperWaitMs));
    QVERIFY(player.waitForReadyRead(helperWaitMs));
    QCOMPARE(player.readAllStandardOutput(), QByteArray("running\n"));
    player.kill();
    QVERIFY(player.waitForFinished(helperWaitMs));

    // Started again on the same folder: the scan's box, then the question, answered Yes.
    c.dialogs.answers = { platform::MsgResult::Ok, platform::MsgResult::Yes };
    c.showAndScan();
    QTRY_COMPARE(c.dialogs.shown.size(), 2);
    QVERIFY2(c.dialogs.shown[1].text.contains(u"nebyl ukončen (2. poločas, zbývá 0"),
             qPrintable(c.dialogs.shown[1].text));
    QFile file(match::Journal::newestJournal(TForm1::journalFolder()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const match::JournalState last = match::readJournal(file.readAll());
    QVERIFY(last.running);
    const qint64 mustHaveRun
        = last.elapsedAtStartMs + last.runningSince.msecsTo(QDateTime::currentDateTime());

    TForm1 &f = *c.form1;
    QVERIFY(f.PomTimer->isActive());
    QVERIFY2(qAbs(f.Uplynulo - mustHaveRun) <= 1000,
             qPrintable(QStringLiteral("%1 ms run, %2 ms due").arg(f.Uplynulo).arg(mustHaveRun)));
    QCOMPARE(shownScore(f), QStringLiteral("03:02"));
    QCOMPARE(f.Polocas, 2u);
    QCOMPARE(f.PolocasSpinEdit->text(), QStringLiteral("2"));
    // Nothing that would toggle the board's clock: only the question for its values.
    QByteArray sent;
    for (const auto &write : c.serial.callsNamed(QStringLiteral("write"))) {
        sent += write.bytes;
    }
    QCOMPARE(sent.replace(char(devicelink::protocol::Probe), QByteArray()),
             QByteArray(1, char(devicelink::protocol::ReadBack)));
}

QTEST_MAIN(TestFaultsFiles)
#include "tst_faults_files.moc"
