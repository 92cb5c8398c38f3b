#include "platform/network.h"

#include <fstream>
#include <sstream>

#include <net/if.h>
#include <sys/socket.h>

namespace platform {

std::vector<AdapterFacts> adapterFacts()
{
    // Linux lists its IPv4 routes here, one a line after a heading: the default route has
    // destination and mask 0.
    std::vector<AdapterFacts> facts;
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line);
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags, references, use, metric, mask;
        if (fields >> name >> destination >> gateway >> flags >> references >> use >> metric >> mask
            && destination == "00000000" && mask == "00000000") {
            const unsigned index = if_nametoindex(name.c_str());
            if (index != 0) {
                facts.push_back({ int(index), {}, true });
            }
        }
    }
    return facts;
}

void shutdownSending(std::intptr_t descriptor)
{
    ::shutdown(int(descriptor), SHUT_WR);
}

} // namespace platform
