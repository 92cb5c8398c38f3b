#pragma once

// The display controls, as the windows use them: the seven-segment digit and the LED.
#include "controls/led.h"
#include "controls/seven_segment_display.h"
