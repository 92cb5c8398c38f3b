// Compiled alone by the cross compiler as a check, so it needs nothing from the build system.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include "platform/serial.h"

#include <windows.h>

#include <cstring>

static_assert(sizeof(DCB) == 28, "the settings block is copied into a DCB");
static_assert(sizeof(DCB) == sizeof(platform::DeviceControlBlock));
static_assert(sizeof(COMMTIMEOUTS) == sizeof(platform::CommTimeouts));

namespace platform {
namespace {

// INVALID_HANDLE_VALUE (-1) is also the pseudo handle of the current process: never pass it on.
HANDLE toHandle(SerialHandle handle)
{
    return handle > 0 ? reinterpret_cast<HANDLE>(handle) : nullptr;
}

class Win32Serial final : public SerialBackend
{
public:
    SerialHandle open(const std::string &deviceName) override
    {
        const std::string path = serialDevicePath(deviceName);
        if (path.empty()) {
            return invalidSerialHandle;
        }
        const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
            return invalidSerialHandle;
        }
        // Only a serial port has line settings: anything else behind the name is refused, as
        // Wine's port whose device is gone.
        DCB dcb {};
        dcb.DCBlength = sizeof dcb;
        if (GetCommState(handle, &dcb) == FALSE) {
            CloseHandle(handle);
            return invalidSerialHandle;
        }
        return reinterpret_cast<SerialHandle>(handle);
    }

    bool setCommState(SerialHandle handle, const DeviceControlBlock &block) override
    {
        const HANDLE h = toHandle(handle);
        if (!h) {
            return false;
        }
        DCB dcb;
        std::memcpy(&dcb, &block, sizeof dcb);
        return SetCommState(h, &dcb) != FALSE;
    }

    bool setupComm(SerialHandle handle, std::uint32_t inQueue, std::uint32_t outQueue) override
    {
        const HANDLE h = toHandle(handle);
        return h && SetupComm(h, inQueue, outQueue) != FALSE;
    }

    bool setCommTimeouts(SerialHandle handle, const CommTimeouts &timeouts) override
    {
        const HANDLE h = toHandle(handle);
        if (!h) {
            return false;
        }
        COMMTIMEOUTS t;
        std::memcpy(&t, &timeouts, sizeof t);
        return SetCommTimeouts(h, &t) != FALSE;
    }

    bool purge(SerialHandle handle, std::uint32_t flags) override
    {
        const HANDLE h = toHandle(handle);
        return h && PurgeComm(h, flags) != FALSE;
    }

    bool read(SerialHandle handle, void *buffer, std::uint32_t max, std::uint32_t *got) override
    {
        *got = 0;
        const HANDLE h = toHandle(handle);
        DWORD n = 0;
        if (!h || ReadFile(h, buffer, max, &n, nullptr) == FALSE) {
            return false;
        }
        *got = n;
        return true;
    }

    bool write(SerialHandle handle, const void *data, std::uint32_t size,
               std::uint32_t *written) override
    {
        *written = 0;
        const HANDLE h = toHandle(handle);
        DWORD n = 0;
        if (!h || WriteFile(h, data, size, &n, nullptr) == FALSE) {
            return false;
        }
        *written = n;
        return n == size;
    }

    bool close(SerialHandle handle) override
    {
        const HANDLE h = toHandle(handle);
        return h && CloseHandle(h) != FALSE;
    }
};

Win32Serial win32Serial;
SerialBackend *current = &win32Serial;

} // namespace

SerialBackend &serialBackend()
{
    return *current;
}

void setSerialBackend(SerialBackend *backend)
{
    current = backend ? backend : &win32Serial;
}

// Windows opens ports by name; there is no folder of links.
void setSerialPortsDirectory(const std::string &) { }

std::string serialPortsDirectory()
{
    return {};
}

std::string serialDevicePath(const std::string &deviceName)
{
    // The \\.\ prefix is what lets COM10 and above open.
    return serialPortNumber(deviceName) ? "\\\\.\\" + deviceName : std::string();
}

} // namespace platform
