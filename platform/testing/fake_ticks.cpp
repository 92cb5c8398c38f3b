#include "platform/testing/fake_ticks.h"

namespace testing {

FakeTicks::FakeTicks(quint32 start)
    : m_now(start)
{
    platform::setTickSource(this);
}

FakeTicks::~FakeTicks()
{
    platform::setTickSource(nullptr);
}

quint32 FakeTicks::tickCount()
{
    const quint32 now = m_now;
    m_now += m_autoAdvance;
    return now;
}

void FakeTicks::sleep(quint32 ms)
{
    m_now += ms;
    m_slept += ms;
}

} // namespace testing
