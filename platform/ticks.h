#pragma once

#include <QtGlobal>

namespace platform {

/// Millisecond tick count and blocking sleep. The program measures game time against the
/// tick count only, so tests swap in a clock they advance by hand.
class TickSource
{
public:
    virtual ~TickSource() = default;
    /// Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick count.
    virtual quint32 tickCount() = 0;
    virtual void sleep(quint32 ms) = 0;
};

quint32 tickCount();
void sleep(quint32 ms);

/// Installs a replacement; nullptr restores the system clock. The caller keeps ownership.
void setTickSource(TickSource *source);

} // namespace platform
