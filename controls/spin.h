#pragma once

// The numeric spin field with its arrow pair and its auto-repeat arrows, as the windows use it.
#include "controls/spin_button.h"
#include "controls/spin_edit.h"
#include "controls/timer_speed_button.h"
