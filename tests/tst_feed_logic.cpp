// The feed's pure logic: the state as it is sent, and the choice of the hall's address.

#include "feed/board.h"
#include "feed/hall_address.h"

#include <QTest>

using feed::AddressCandidate;
using Candidates = QList<AddressCandidate>;

namespace {

/// An adapter that is up, named as Windows or Linux names it.
AddressCandidate a(const char *name, const char *address, bool gateway = false,
                   QNetworkInterface::InterfaceType type = QNetworkInterface::Ethernet,
                   const char *description = "")
{
    return { QLatin1String(name),
             QLatin1String(name),
             QLatin1String(description),
             type,
             QNetworkInterface::IsUp | QNetworkInterface::IsRunning,
             QHostAddress(QLatin1String(address)),
             gateway };
}

/// A board of the console's digits, with the teams, penalties and timeouts left as they start.
feed::Board digits(qint8 period, std::array<qint8, 4> time, std::array<qint8, 2> home,
                   std::array<qint8, 2> guest, bool running, quint8 siren)
{
    feed::Board board;
    board.period = period;
    board.time = time;
    board.home = home;
    board.guest = guest;
    board.running = running;
    board.siren = siren;
    return board;
}

} // namespace

class TestFeedLogic final : public QObject
{
    Q_OBJECT

private slots:
    void stateJson();
    void hallAddress_data();
    void hallAddress();
};

void TestFeedLogic::stateJson()
{
    const qint8 none = feed::Board::noDigit;
    const QByteArray unnamed
        = R"(,"teams":{"home":{"name":"Domácí","short":"","color":""},"guest":{"name":"Hosté",)"
          R"("short":"","color":""}},"sport":"jiný","penalties":[],"timeouts":{"home":{"taken":0,)"
          R"("left":null,"ended":false},"guest":{"taken":0,"left":null,"ended":false}}})";
    QCOMPARE(feed::toJson(digits(2, { 0, 6, 5, 7 }, { 1, 5 }, { 0, 3 }, true, 5), 17),
             R"({"seq":17,"period":2,"time":"06:57","running":true,"home":15,"guest":3,)"
             R"("siren":5)"
                 + unnamed);
    // A display that shows no digit: '-' in the time, null for a number.
    QCOMPARE(feed::toJson(digits(none, { none, 1, 0, none }, { none, 5 }, { 9, 9 }, false, 0), 0),
             R"({"seq":0,"period":null,"time":"-1:0-","running":false,"home":null,"guest":99,)"
             R"("siren":0)"
                 + unnamed);

    // The operator's texts escaped, the penalties in their order, a running and an ended timeout.
    feed::Board board;
    board.homeTeam = { QStringLiteral("Sokol \"Bílá\" \\ Hora\n\t\x01Ž"), QStringLiteral("SOK"),
                       QStringLiteral("#c00000") };
    board.sport = QStringLiteral("florbal");
    board.penalties = { { true, 12, QStringLiteral("2"), QStringLiteral("1:57"), false },
                        { false, 7, QStringLiteral("2+2"), QStringLiteral("4:00"), true } };
    board.homeTimeouts = { 1, QStringLiteral("0:42"), false };
    board.guestTimeouts = { 1, QStringLiteral("0:00"), true };
    const QByteArray json = feed::toJson(board, 1);
    QCOMPARE(json.mid(json.indexOf(",\"teams\"")),
             R"(,"teams":{"home":{"name":"Sokol \"Bílá\" \\ Hora\u000a\u0009\u0001Ž",)"
             R"("short":"SOK","color":"#c00000"},"guest":{"name":"Hosté","short":"","color":""}},)"
             R"("sport":"florbal","penalties":[{"team":"home","number":12,"length":"2",)"
             R"("left":"1:57","waiting":false},{"team":"guest","number":7,"length":"2+2",)"
             R"("left":"4:00","waiting":true}],"timeouts":{"home":{"taken":1,"left":"0:42",)"
             R"("ended":false},"guest":{"taken":1,"left":"0:00","ended":true}}})");
}

void TestFeedLogic::hallAddress_data()
{
    QTest::addColumn<Candidates>("candidates");
    QTest::addColumn<QString>("address");

    const auto wifi = QNetworkInterface::Wifi, wired = QNetworkInterface::Ethernet;
    auto down = a("Ethernet", "192.168.1.20");
    down.flags = {};
    QTest::newRow("WSL's vEthernet and VirtualBox first, the Wi-Fi with the gateway wins")
        << Candidates { a("vEthernet (WSL)", "172.20.0.1"), a("Ethernet 2", "192.168.56.1"),
                        a("Wi-Fi", "10.0.0.7", true, wifi) }
        << QStringLiteral("10.0.0.7");
    QTest::newRow("no gateway known: Hyper-V, VMware, TAP, containers and tunnels left out")
        << Candidates { a("Ethernet 3", "172.28.0.1", false, wired, "Hyper-V Virtual Ethernet"),
                        a("VMware Network Adapter VMnet8", "192.168.80.1"),
                        a("Ethernet 4", "10.8.0.2", false, wired, "TAP-Windows Adapter V9"),
                        a("docker0", "172.17.0.1"),
                        a("br-4f2a", "172.18.0.1"),
                        a("tun0", "10.9.0.2", true, QNetworkInterface::Virtual),
                        a("eth0", "192.168.0.30") }
        << QStringLiteral("192.168.0.30");
    QTest::newRow("self-assigned only when nothing better; a down adapter and PPP never")
        << Candidates { down, a("eth1", "169.254.10.20"),
                        a("ppp0", "10.64.0.1", false, QNetworkInterface::Ppp) }
        << QStringLiteral("169.254.10.20");
}

void TestFeedLogic::hallAddress()
{
    QFETCH(Candidates, candidates);
    QFETCH(QString, address);
    QCOMPARE(feed::hallAddress(candidates), address);
}

QTEST_GUILESS_MAIN(TestFeedLogic)
#include "tst_feed_logic.moc"
