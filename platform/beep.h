#pragma once

namespace platform {

/// The system's default beep (refused characters and refused steps of a spin field).
class Beeper
{
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

void beep();

/// Installs a replacement; nullptr restores the system beep. The caller keeps ownership.
void setBeeper(Beeper *beeper);

} // namespace platform
