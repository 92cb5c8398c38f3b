#pragma once

// What the system tells about network adapters and sockets beyond Qt, bound to Win32 or to
// POSIX. Free of operating system and Qt types: the Win32 binding is compiled alone by a cross
// compiler as a check.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

/// One network adapter as the system sees it.
struct AdapterFacts
{
    int index = 0;               ///< the interface index, as QNetworkInterface::index() has it
    std::wstring description;    ///< Windows: "Hyper-V Virtual Ethernet Adapter"; POSIX: empty
    bool defaultGateway = false; ///< the default route (IPv4) leaves through it
};

/// The adapters the system can tell something about: on Windows every adapter with an IPv4
/// address; on Linux the ones the default route leaves through (/proc/net/route); elsewhere
/// none. Empty when the system does not say.
std::vector<AdapterFacts> adapterFacts();

/// Ends the sending side of a connected socket (a half-close): the peer reads everything sent,
/// then the end, while what it still sends can be read and thrown away. A socket closed with
/// unread bytes would be reset instead, and a reset can wipe an answer the peer has not read.
void shutdownSending(std::intptr_t descriptor);

} // namespace platform
