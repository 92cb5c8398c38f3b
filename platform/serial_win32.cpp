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

// What ReadFile and WriteFile fail with once the device behind the handle is gone: a USB
// adapter pulled out or a Bluetooth link lost (each driver says it its own way, some even as
// "access denied"), Wine's port whose pseudo-terminal was hung up. Taking a live port for a
// gone one costs no more than opening it again.
bool goneError(DWORD error)
{
    switch (error) {
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_BAD_COMMAND:
    case ERROR_OPERATION_ABORTED:
    case ERROR_GEN_FAILURE:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
        return true;
    default:
        return false;
    }
}

// The driver's fields over the block the port gave: its flag word whole (the bits it leaves
// clear, such as abort-on-error and DSR flow control, are meant clear), the port's own values
// where the driver sets none.
DeviceControlBlock withDriverFields(DeviceControlBlock port, const DeviceControlBlock &driver)
{
    port.DCBlength = sizeof(DCB);
    port.BaudRate = driver.BaudRate;
    port.flags = driver.flags;
    port.XonLim = driver.XonLim;
    port.XoffLim = driver.XoffLim;
    port.ByteSize = driver.ByteSize;
    port.Parity = driver.Parity;
    port.StopBits = driver.StopBits;
    port.XonChar = driver.XonChar;
    port.XoffChar = driver.XoffChar;
    return port;
}

class Win32Serial final : public SerialBackend
{
    bool m_gone = false; // of the last failed read or write

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
        if (SetCommState(h, &dcb) != FALSE) {
            return true;
        }
        // Some drivers refuse a block built from zero; they take one that starts from their own.
        DCB own {};
        own.DCBlength = sizeof own;
        if (GetCommState(h, &own) == FALSE) {
            return false;
        }
        DeviceControlBlock port;
        std::memcpy(static_cast<void *>(&port), &own, sizeof port);
        const DeviceControlBlock retry = withDriverFields(port, block);
        std::memcpy(&dcb, &retry, sizeof dcb);
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
        m_gone = false;
        const HANDLE h = toHandle(handle);
        DWORD n = 0;
        if (!h) {
            return false;
        }
        if (ReadFile(h, buffer, max, &n, nullptr) == FALSE) {
            m_gone = goneError(GetLastError());
            return false;
        }
        *got = n;
        return true;
    }

    bool write(SerialHandle handle, const void *data, std::uint32_t size,
               std::uint32_t *written) override
    {
        *written = 0;
        m_gone = false;
        const HANDLE h = toHandle(handle);
        DWORD n = 0;
        if (!h) {
            return false;
        }
        // A write that the time-outs end returns true with fewer bytes: a stall, not a device gone.
        if (WriteFile(h, data, size, &n, nullptr) == FALSE) {
            m_gone = goneError(GetLastError());
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

    bool deviceGone() const override { return m_gone; }
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
