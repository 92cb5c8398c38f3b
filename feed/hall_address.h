#pragma once

#include <QHostAddress>
#include <QList>
#include <QNetworkInterface>
#include <QString>

namespace feed {

/// One IPv4 address of a network adapter, with what tells the hall's network from a virtual
/// one (a virtual machine's, a container's, a VPN's) that a TV in the hall cannot reach.
struct AddressCandidate
{
    QString name;        ///< the system's name: "eth0", "docker0", "ethernet_32769"
    QString humanName;   ///< "Ethernet", "Wi-Fi", "vEthernet (WSL)"
    QString description; ///< Windows: the driver's "Hyper-V Virtual Ethernet Adapter"
    QNetworkInterface::InterfaceType type = QNetworkInterface::Unknown;
    QNetworkInterface::InterfaceFlags flags;
    QHostAddress address;
    bool defaultGateway = false; ///< the default route leaves through this adapter
};

/// The address a TV in the hall can type, out of `candidates`: never a loopback, virtual, VPN
/// or down adapter's; the default gateway's adapter first, then wired and wireless ones, a
/// self-assigned address (169.254.x.x) last; among equals the first. Empty when none fits.
QString hallAddress(const QList<AddressCandidate> &candidates);

/// Every IPv4 address of every adapter of this computer, with what the system says of them.
QList<AddressCandidate> localCandidates();

} // namespace feed
