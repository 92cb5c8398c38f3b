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
    QCOMPARE(
        feed::toJson({ 2, { 0, 6, 5, 7 }, { 1, 5 }, { 0, 3 }, true, 5 }, 17),
        R"({"seq":17,"period":2,"time":"06:57","running":true,"home":15,"guest":3,"siren":5})");
    // A display that shows no digit: '-' in the time, null for a number.
    QCOMPARE(feed::toJson({ none, { none, 1, 0, none }, { none, 5 }, { 9, 9 }, false, 0 }, 0),
             R"({"seq":0,"period":null,"time":"-1:0-","running":false,"home":null,"guest":99,)"
             R"("siren":0})");
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
