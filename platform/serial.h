#pragma once

// Serial ports, bound to Win32 or to POSIX termios. This header must stay free of operating
// system and Qt types: the Win32 binding is compiled alone by a cross compiler.

#include <cstdint>
#include <string>

namespace platform {

/// An open port: > 0 when open, -1 after a failed open, 0 when never opened. On Windows it
/// holds the HANDLE, on POSIX the file descriptor.
using SerialHandle = std::intptr_t;

inline constexpr SerialHandle invalidSerialHandle = -1;

/// The line settings in the byte layout of the Win32 DCB (28 bytes, little-endian on every
/// platform the program runs on).
struct DeviceControlBlock
{
    std::uint32_t DCBlength = 0;
    std::uint32_t BaudRate = 0;
    std::uint32_t flags = 0; ///< the DCB's bit fields, see the dcb* constants
    std::uint16_t wReserved = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 0;
    std::uint8_t Parity = 0;   ///< 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0; ///< 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    std::uint16_t wReserved1 = 0;
};
static_assert(sizeof(DeviceControlBlock) == 28, "the block must match the Win32 DCB");

// Bits of DeviceControlBlock::flags.
inline constexpr std::uint32_t dcbBinary = 0x1;
inline constexpr std::uint32_t dcbOutxCtsFlow = 0x4;
inline constexpr std::uint32_t dcbDtrControlMask = 0x30;
inline constexpr std::uint32_t dcbDtrControlEnable = 0x10;
inline constexpr std::uint32_t dcbDtrControlHandshake = 0x20;
inline constexpr std::uint32_t dcbOutX = 0x100;
inline constexpr std::uint32_t dcbInX = 0x200;
inline constexpr std::uint32_t dcbRtsControlMask = 0x3000;
inline constexpr std::uint32_t dcbRtsControlEnable = 0x1000;
inline constexpr std::uint32_t dcbRtsControlHandshake = 0x2000;

/// Read and write time-outs in milliseconds, in the layout of the Win32 COMMTIMEOUTS.
struct CommTimeouts
{
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};
static_assert(sizeof(CommTimeouts) == 20, "the block must match the Win32 COMMTIMEOUTS");

// Flags of SerialBackend::purge.
inline constexpr std::uint32_t purgeTxAbort = 0x1;
inline constexpr std::uint32_t purgeRxAbort = 0x2;
inline constexpr std::uint32_t purgeTxClear = 0x4;
inline constexpr std::uint32_t purgeRxClear = 0x8;

/// The operating system's serial ports. Every call on a handle that is not open fails and
/// does nothing else.
class SerialBackend
{
public:
    virtual ~SerialBackend() = default;
    /// Opens "COM1" ... "COM10" exclusively for reading and writing; returns the handle,
    /// or invalidSerialHandle when the port is missing, busy or not a serial device.
    virtual SerialHandle open(const std::string &deviceName) = 0;
    virtual bool setCommState(SerialHandle handle, const DeviceControlBlock &block) = 0;
    /// Sizes of the input and output queues in bytes.
    virtual bool setupComm(SerialHandle handle, std::uint32_t inQueue, std::uint32_t outQueue) = 0;
    virtual bool setCommTimeouts(SerialHandle handle, const CommTimeouts &timeouts) = 0;
    /// Discards queued bytes; flags are the purge* constants.
    virtual bool purge(SerialHandle handle, std::uint32_t flags) = 0;
    /// Reads up to max bytes of what is queued, without waiting; *got receives the count.
    /// A device that has gone away is a failed read.
    virtual bool read(SerialHandle handle, void *buffer, std::uint32_t max, std::uint32_t *got) = 0;
    /// Hands size bytes to the device before it returns; *written receives the count.
    virtual bool write(SerialHandle handle, const void *data, std::uint32_t size,
                       std::uint32_t *written)
        = 0;
    virtual bool close(SerialHandle handle) = 0;
    /// After a read or write that failed: true when it failed because the device has gone
    /// away (unplugged, hung up), so that the handle will never work again; false after any
    /// other failure, such as a write that timed out on a stalled line.
    virtual bool deviceGone() const = 0;
};

SerialBackend &serialBackend();

/// Installs a replacement; nullptr restores the operating system's ports. The caller keeps
/// ownership.
void setSerialBackend(SerialBackend *backend);

/// Where the POSIX binding looks for per-port links `COMn`: by default the folder `ports`
/// beside the executable. An empty directory restores the default. Meant for tests.
void setSerialPortsDirectory(const std::string &directory);
std::string serialPortsDirectory();

/// The device path a port name opens: on POSIX the link `COMn` in the ports directory when
/// there is one, else the fixed table (COM1 /dev/ttyS0 ... COM10 /dev/ttyACM3); on Windows
/// \\.\COMn. Empty for a name that is not a port.
std::string serialDevicePath(const std::string &deviceName);

/// n for a port name "COMn" (n from 1 to 999, no leading zero), 0 for anything else.
inline int serialPortNumber(const std::string &deviceName)
{
    if (deviceName.size() < 4 || deviceName.size() > 6 || deviceName.compare(0, 3, "COM") != 0
        || deviceName[3] == '0') {
        return 0;
    }
    int number = 0;
    for (std::size_t i = 3; i < deviceName.size(); ++i) {
        if (deviceName[i] < '0' || deviceName[i] > '9') {
            return 0;
        }
        number = number * 10 + (deviceName[i] - '0');
    }
    return number;
}

} // namespace platform
