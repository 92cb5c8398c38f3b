#pragma once

// The test doubles of the clock, the beep and the boxes, as most tests use them together.
#include "platform/testing/beep_counter.h"
#include "platform/testing/fake_ticks.h"
#include "platform/testing/recording_dialogs.h"
