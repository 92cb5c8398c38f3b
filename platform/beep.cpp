#include "platform/beep.h"

#include <QApplication>

namespace platform {
namespace {

class SystemBeeper final : public Beeper
{
public:
    void beep() override { QApplication::beep(); }
};

SystemBeeper systemBeeper;
Beeper *current = &systemBeeper;

} // namespace

void beep()
{
    current->beep();
}

void setBeeper(Beeper *beeper)
{
    current = beeper ? beeper : &systemBeeper;
}

} // namespace platform
