#pragma once

#include "platform/beep.h"

namespace testing {

/// Counts beeps. Installs itself for its lifetime.
class BeepCounter final : public platform::Beeper
{
public:
    BeepCounter();
    ~BeepCounter() override;
    void beep() override { ++count; }
    int count = 0;
};

} // namespace testing
