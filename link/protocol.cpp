#include "link/protocol.h"

namespace devicelink::protocol {
namespace {

// Units first, then tens; a value above 99 sends a "tens digit" above 9, as the field holds it.
void appendDigits(Message &m, std::uint8_t v)
{
    m.push_back(static_cast<std::uint8_t>(v % 10));
    m.push_back(static_cast<std::uint8_t>(v / 10));
}

} // namespace

Message setTime(std::uint8_t minutes, std::uint8_t seconds, std::uint8_t hundredths)
{
    Message m { SetTime };
    appendDigits(m, hundredths);
    appendDigits(m, seconds);
    appendDigits(m, minutes);
    return m;
}

Message setScore(std::uint8_t home, std::uint8_t guest)
{
    Message m { SetScore };
    appendDigits(m, guest);
    appendDigits(m, home);
    return m;
}

Message setPeriod(std::uint8_t period)
{
    return { SetPeriod, period };
}

Message setSiren(std::uint8_t siren)
{
    return { SetSiren, siren };
}

} // namespace devicelink::protocol
