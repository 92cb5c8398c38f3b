#pragma once

#include "platform/serial.h"
#include "platform/testing/far_end_pty.h"
#include "ports_folder.h"

namespace testing {

/// The far end of port COMn (POSIX only): a pseudo-terminal whose slave is linked as COMn in
/// a ports folder.
class ComPortPty final : public FarEndPty
{
public:
    ComPortPty(const PortsFolder &ports, int n)
        : m_linked(FarEndPty::ok() && ports.linkTo(n, slave()))
    {
    }

    /// Open and linked.
    bool linked() const { return m_linked; }

private:
    bool m_linked;
};

/// The settings block of a raw line at `baud`: binary, 8 data bits, no parity, one stop bit.
inline platform::DeviceControlBlock rawLineBlock(std::uint32_t baud)
{
    platform::DeviceControlBlock block;
    block.DCBlength = 28;
    block.BaudRate = baud;
    block.flags = platform::dcbBinary;
    block.ByteSize = 8;
    return block;
}

} // namespace testing
