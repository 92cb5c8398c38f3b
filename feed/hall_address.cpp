#include "feed/hall_address.h"

#include "platform/network.h"

#include <QHash>

#include <optional>

namespace feed {
namespace {

/// Beginnings of the names Linux and the BSDs give virtual adapters: containers, bridges of
/// virtual machines, tunnels and VPNs.
const char *const virtualNamePrefixes[] = {
    "docker", "br-", "veth",      "virbr", "vboxnet", "vmnet", "tun",     "tap",    "wg",
    "ppp",    "zt",  "tailscale", "lxc",   "lxd",     "cni",   "flannel", "podman", "utun",
};

/// Words in Windows' adapter names and descriptions that mark a virtual adapter: Hyper-V and
/// WSL ("vEthernet (WSL)"), VirtualBox, VMware, OpenVPN's TAP driver and other VPNs.
const char *const virtualWords[] = {
    "virtual",   "vpn", "tap",    "hyper-v",   "vmware",    "virtualbox", "loopback",
    "vethernet", "wsl", "tunnel", "wireguard", "tailscale", "zerotier",   "docker",
};

bool isVirtual(const AddressCandidate &candidate)
{
    const QString name = candidate.name.toLower();
    for (const char *prefix : virtualNamePrefixes) {
        if (name.startsWith(QLatin1String(prefix))) {
            return true;
        }
    }
    const QString text = candidate.humanName.toLower() + u' ' + candidate.description.toLower();
    for (const char *word : virtualWords) {
        if (text.contains(QLatin1String(word))) {
            return true;
        }
    }
    const auto type = candidate.type;
    // VirtualBox gives its host-only network 192.168.56.0/24 unless told otherwise.
    return type == QNetworkInterface::Virtual || type == QNetworkInterface::Ppp
           || type == QNetworkInterface::Loopback
           || candidate.address.isInSubnet(QHostAddress(QStringLiteral("192.168.56.0")), 24);
}

/// Lower is better; none for a candidate a TV cannot reach.
std::optional<int> rank(const AddressCandidate &candidate)
{
    const auto wanted = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
    const QHostAddress &ip = candidate.address;
    if ((candidate.flags & wanted) != wanted
        || candidate.flags.testFlag(QNetworkInterface::IsLoopBack)
        || ip.protocol() != QAbstractSocket::IPv4Protocol || ip.isLoopback()
        || isVirtual(candidate)) {
        return std::nullopt;
    }
    const bool physical = candidate.type == QNetworkInterface::Ethernet
                          || candidate.type == QNetworkInterface::Wifi;
    return (ip.isLinkLocal() ? 4 : 0) + (candidate.defaultGateway ? 0 : 2) + (physical ? 0 : 1);
}

} // namespace

QString hallAddress(const QList<AddressCandidate> &candidates)
{
    std::optional<int> best;
    QString address;
    for (const AddressCandidate &candidate : candidates) {
        const std::optional<int> r = rank(candidate);
        if (r && (!best || *r < *best)) {
            best = r;
            address = candidate.address.toString();
        }
    }
    return address;
}

QList<AddressCandidate> localCandidates()
{
    QHash<int, platform::AdapterFacts> facts;
    for (const platform::AdapterFacts &fact : platform::adapterFacts()) {
        facts.insert(fact.index, fact);
    }
    QList<AddressCandidate> candidates;
    for (const QNetworkInterface &adapter : QNetworkInterface::allInterfaces()) {
        const platform::AdapterFacts fact = facts.value(adapter.index());
        for (const QNetworkAddressEntry &entry : adapter.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                candidates.append({ adapter.name(), adapter.humanReadableName(),
                                    QString::fromStdWString(fact.description), adapter.type(),
                                    adapter.flags(), entry.ip(), fact.defaultGateway });
            }
        }
    }
    return candidates;
}

} // namespace feed
