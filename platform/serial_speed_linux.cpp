// Line speeds without a B constant (14400, 56000) need the kernel's termios2, whose header
// clashes with the C library's <termios.h>; hence this file of its own.

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cstdint>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace platform::detail {

bool setCustomLineSpeed(int fd, std::uint32_t baud)
{
    termios2 t {};
    if (baud == 0 || ioctl(fd, TCGETS2, &t) != 0) {
        return false;
    }
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &t) == 0;
}

} // namespace platform::detail
