#include "platform/testing/beep_counter.h"

namespace testing {

BeepCounter::BeepCounter()
{
    platform::setBeeper(this);
}

BeepCounter::~BeepCounter()
{
    platform::setBeeper(nullptr);
}

} // namespace testing
