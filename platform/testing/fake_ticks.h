#pragma once

#include "platform/ticks.h"

namespace testing {

/// A clock that moves only when told to (or when something sleeps on it). Installs itself
/// for its lifetime.
class FakeTicks final : public platform::TickSource
{
public:
    explicit FakeTicks(quint32 start = 1000);
    ~FakeTicks() override;
    quint32 tickCount() override;
    void sleep(quint32 ms) override;
    void advance(quint32 ms) { m_now += ms; }
    void set(quint32 now) { m_now = now; }
    /// Added to the clock on every reading, so that loops waiting for a deadline finish.
    void setAutoAdvance(quint32 ms) { m_autoAdvance = ms; }
    quint32 now() const { return m_now; }
    quint32 sleptMs() const { return m_slept; }

private:
    quint32 m_now;
    quint32 m_autoAdvance = 0;
    quint32 m_slept = 0;
};

} // namespace testing
