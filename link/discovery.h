#pragma once

#include "link/game_state.h"

class QTimer;
class TCommPortDriver;

namespace devicelink {

/// What the scan needs from the window that owns the link.
class DeviceScanHost
{
public:
    virtual ~DeviceScanHost() = default;
    /// A new driver owned by the window, with the reply handler installed.
    virtual TCommPortDriver *createDriver() = 0;
    /// Returns the reply parser to idle, so the next byte is read as a header.
    virtual void resetReplyParser() = 0;
    /// True once the window is closing: the scan gives up at once.
    virtual bool scanAbandoned() const = 0;
};

} // namespace devicelink

/// Finds the scoreboard controller: probes COM1 to COM10 in turn and leaves the driver open
/// on the port that answers. Keeps the message loop running while it waits, so the operator's
/// buttons, the poll and the clock go on meanwhile. `answerWindow` is a disabled one-second
/// timer whose tick handler disables it.
void ZkouskaPripojeni(devicelink::GameState &state, devicelink::DeviceScanHost &host,
                      QTimer &answerWindow);
