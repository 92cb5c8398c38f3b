#include "platform/ticks.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {

class SystemTicks final : public TickSource
{
public:
    quint32 tickCount() override
    {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<quint32>(
            std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
    }
    void sleep(quint32 ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

SystemTicks systemTicks;
TickSource *current = &systemTicks;

} // namespace

quint32 tickCount()
{
    return current->tickCount();
}

void sleep(quint32 ms)
{
    current->sleep(ms);
}

void setTickSource(TickSource *source)
{
    current = source ? source : &systemTicks;
}

} // namespace platform
