// The feed's pages in a real browser: headless Chromium, driven by support/browser_pages.mjs
// over its DevTools pipe, reads the board and the overlay from the console window with the feed
// on, while the test sends a score through the window's button.

#include "support/console_fixture.h"

#include "controls/push_button.h"
#include "controls/spin.h"
#include "feed/server.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

using namespace testing;

namespace {

class Browser
{
public:
    Browser(const QString &node, const QString &chromium, quint16 port)
    {
        m_process.start(node,
                        { QStringLiteral(BODOVKA_BROWSER_SCRIPT), chromium,
                          QStringLiteral("http://127.0.0.1:%1").arg(port), m_profile.path() });
    }
    ~Browser()
    {
        m_process.write("quit\n");
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    /// The script's answer to one command; the console's event loop runs meanwhile, since it
    /// serves the pages.
    QString ask(const QString &command)
    {
        m_process.write(command.toUtf8() + '\n');
        const QDeadlineTimer deadline(60000);
        while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning
               && !deadline.hasExpired()) {
            QTest::qWait(10);
        }
        const QString answer = QString::fromUtf8(m_process.readLine()).trimmed();
        return answer.isEmpty() ? QStringLiteral("no answer: ")
                                      + QString::fromUtf8(m_process.readAllStandardError())
                                : answer;
    }

    /// What a page shows, after `shown NAME` in an answer.
    static QJsonObject shown(const QString &answer)
    {
        return QJsonDocument::fromJson(answer.section(u' ', 2).toUtf8()).object();
    }

private:
    QTemporaryDir m_profile;
    QProcess m_process;
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

void sendScore(TForm1 &form, const char *home, const char *guest)
{
    form.DomaciSpinEdit->setText(QLatin1String(home));
    form.HosteSpinEdit->setText(QLatin1String(guest));
    QTest::mouseClick(form.SkoreButton, Qt::LeftButton);
}

} // namespace

class TestBrowser final : public QObject
{
    Q_OBJECT

private slots:
    void pagesFollowTheConsole();
    void frozenConsoleShownStale();
};

void TestBrowser::pagesFollowTheConsole()
{
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (node.isEmpty() || chromium.isEmpty()) {
        QSKIP(
            "needs node and chromium (Debian packages nodejs and chromium; ./test installs them)");
    }
    const quint16 port = freePort();
    Console::Options options;
    options.settings = QStringLiteral("[Nastaveni]\r\nMinuty=6\r\nSekundy=57\r\nSetiny=0\r\n"
                                      "Polocas=2\r\nSirena=5\r\nPripojeni=1\r\n"
                                      "[Vysilani]\r\nPort=%1\r\n")
                           .arg(port)
                           .toLatin1();
    Console c(options);
    sendScore(*c.form1, "5", "3");

    Browser browser(node, chromium, port);
    const QJsonObject expected { { QStringLiteral("period"), QStringLiteral("2") },
                                 { QStringLiteral("time"), QStringLiteral("06:57") },
                                 { QStringLiteral("home"), QStringLiteral("05") },
                                 { QStringLiteral("guest"), QStringLiteral("03") } };
    QCOMPARE(browser.ask(QStringLiteral("open board / 1080 1920")), QStringLiteral("opened board"));
    QCOMPARE(browser.ask(QStringLiteral("open overlay /overlay 1920 1080")),
             QStringLiteral("opened overlay"));
    for (const char *page : { "board", "overlay" }) {
        const QString answer
            = browser.ask(QStringLiteral("wait %1 guest 03 5000").arg(QLatin1String(page)));
        QVERIFY2(answer.startsWith(QStringLiteral("shown")), qPrintable(answer));
        const QJsonObject shown = Browser::shown(answer);
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            QCOMPARE(shown.value(it.key()), it.value());
        }
    }
    const QJsonObject overlay = Browser::shown(browser.ask(QStringLiteral("read overlay")));
    const QJsonArray transparent { QStringLiteral("rgba(0, 0, 0, 0)"),
                                   QStringLiteral("rgba(0, 0, 0, 0)") };
    QCOMPARE(overlay.value(QStringLiteral("background")).toArray(), transparent);

    // A score sent from the console reaches both pages within a second, without a reload.
    sendScore(*c.form1, "7", "3");
    for (const char *page : { "board", "overlay" }) {
        const QString answer
            = browser.ask(QStringLiteral("wait %1 home 07 1000").arg(QLatin1String(page)));
        QVERIFY2(answer.startsWith(QStringLiteral("shown")), qPrintable(answer));
        QCOMPARE(Browser::shown(answer).value(QStringLiteral("reloaded")), QJsonValue(false));
    }

    // Penalties in the state the console hands over: the board lists them under the scores.
    feed::Board board;
    board.penalties = { { true, 12, QStringLiteral("2"), QStringLiteral("1:57"), false },
                        { false, 7, QStringLiteral("2"), QStringLiteral("2:00"), true } };
    c.form1->feed()->setBoard(board);
    const QString penalties
        = browser.ask(QStringLiteral("wait board penalties #12 1:57, #7 2:00 čeká 5000"));
    QVERIFY2(penalties.startsWith(QStringLiteral("shown")), qPrintable(penalties));

    // The console gone, the pages say that what they show is stale.
    c.form2.reset();
    c.form1.reset();
    const QString cut = browser.ask(QStringLiteral("wait board stale true 10000"));
    QVERIFY2(cut.startsWith(QStringLiteral("shown")), qPrintable(cut));
}

void TestBrowser::frozenConsoleShownStale()
{
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (node.isEmpty() || chromium.isEmpty()) {
        QSKIP("needs node and chromium");
    }
    // The real console in a folder of its own with its settings file: it finds no port and
    // waits in its box, serving the feed meanwhile.
    QTemporaryDir dir;
    const quint16 port = freePort();
    const QString program = dir.filePath(QStringLiteral("bodovka")); // reads bodovka.ini
    QVERIFY(QFile::copy(QStringLiteral(BODOVKA_CONSOLE_PATH), program));
    QFile ini(dir.filePath(QStringLiteral("bodovka.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Vysilani]\r\nPort=" + QByteArray::number(port) + "\r\n");
    ini.close();
    QProcess console;
    console.start(program, {});
    const auto served = [port] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return probe.waitForConnected(500);
    };
    QTRY_VERIFY_WITH_TIMEOUT(served(), 20000);

    Browser browser(node, chromium, port);
    QCOMPARE(browser.ask(QStringLiteral("open board / 1920 1080")), QStringLiteral("opened board"));
    const QString live = browser.ask(QStringLiteral("wait board stale false 10000"));
    // Frozen as a hung system freezes it: its connections stay open, and silent.
    ::kill(pid_t(console.processId()), SIGSTOP);
    const QString frozen = browser.ask(QStringLiteral("wait board stale true 10000"));
    ::kill(pid_t(console.processId()), SIGCONT);
    console.kill();
    console.waitForFinished();
    QVERIFY2(live.startsWith(QStringLiteral("shown")), qPrintable(live));
    QVERIFY2(frozen.startsWith(QStringLiteral("shown")), qPrintable(frozen));
}

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
