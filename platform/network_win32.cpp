// Compiled alone by the cross compiler as a check, so it needs nothing from the build system.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include "platform/network.h"

#include <winsock2.h>
// After winsock2.h, whose types it uses.
#include <iphlpapi.h>

namespace platform {

std::vector<AdapterFacts> adapterFacts()
{
    const ULONG flags = GAA_FLAG_INCLUDE_GATEWAYS | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST
                        | GAA_FLAG_SKIP_DNS_SERVER;
    // The list's size is known only by asking; it may grow between two calls.
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result
            = GetAdaptersAddresses(AF_INET, flags, nullptr,
                                   reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data()), &size);
    }
    std::vector<AdapterFacts> facts;
    if (result != NO_ERROR) {
        return facts;
    }
    for (auto *adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        AdapterFacts fact;
        fact.index = int(adapter->IfIndex);
        fact.description = adapter->Description != nullptr ? adapter->Description : L"";
        fact.defaultGateway = adapter->FirstGatewayAddress != nullptr;
        facts.push_back(fact);
    }
    return facts;
}

void shutdownSending(std::intptr_t descriptor)
{
    ::shutdown(static_cast<SOCKET>(descriptor), SD_SEND);
}

} // namespace platform
