#pragma once

#include "platform/serial.h"

#include <QObject>

#include <functional>
#include <vector>

class QTimer;

// The driver's enumerations, known to Qt's meta-object system as the display controls' are: a
// value prints and parses by name ("br9600"). (Not "link": POSIX's link() takes that name.)
namespace devicelink {
Q_NAMESPACE

enum TComPortNumber {
    pnCOM1,
    pnCOM2,
    pnCOM3,
    pnCOM4,
    pnCOM5,
    pnCOM6,
    pnCOM7,
    pnCOM8,
    pnCOM9,
    pnCOM10
};
Q_ENUM_NS(TComPortNumber)

/// Index into the baud table: 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400,
/// 56000, 57600, 115200 bits per second.
enum TComPortBaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200
};
Q_ENUM_NS(TComPortBaudRate)

/// Data bits = ordinal + 5.
enum TComPortDataBits { db5BITS, db6BITS, db7BITS, db8BITS };
Q_ENUM_NS(TComPortDataBits)

/// The ordinal is the platform's stop-bit code.
enum TComPortStopBits { sb1BITS, sb1HALFBITS, sb2BITS };
Q_ENUM_NS(TComPortStopBits)

/// The ordinal is the platform's parity code.
enum TComPortParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
Q_ENUM_NS(TComPortParity)

enum TComPortHwHandshaking { hhNONE, hhRTSCTS };
Q_ENUM_NS(TComPortHwHandshaking)

enum TComPortSwHandshaking { shNONE, shXONXOFF };
Q_ENUM_NS(TComPortSwHandshaking)

} // namespace devicelink

// The program names them and their values without the namespace.
using devicelink::TComPortBaudRate;
using devicelink::TComPortDataBits;
using devicelink::TComPortHwHandshaking;
using devicelink::TComPortNumber;
using devicelink::TComPortParity;
using devicelink::TComPortStopBits;
using devicelink::TComPortSwHandshaking;
using enum devicelink::TComPortNumber;
using enum devicelink::TComPortBaudRate;
using enum devicelink::TComPortDataBits;
using enum devicelink::TComPortStopBits;
using enum devicelink::TComPortParity;
using enum devicelink::TComPortHwHandshaking;
using enum devicelink::TComPortSwHandshaking;

namespace devicelink {
/// Bits per second for a baud rate ordinal.
quint32 comPortBaudRate(TComPortBaudRate rate);

/// How a whole command went: all its bytes on the line, or why not.
enum class SendResult {
    Sent,     ///< every byte written
    NotOpen,  ///< the port could not be opened: nothing was written
    Gone,     ///< the device went away and did not come back: the command did not get through
    TimedOut, ///< the line did not take a byte: the bytes after it were not written
};
} // namespace devicelink

/// The receive handler: called from the poll with the driver, its receive buffer and the
/// number of bytes read. The bytes are overwritten by the next poll; do not keep the pointer.
using TComPortReceiveDataEvent
    = std::function<void(QObject *Sender, const quint8 *DataPtr, qint32 DataSize)>;

/// Owns one serial port: opens and closes it, pushes the line settings, polls it for received
/// bytes on a timer of the GUI thread and hands each batch to OnReceiveData, writes single
/// bytes. Reports no errors: a failed open is Connect returning false; failed reads and
/// writes are dropped, and one that failed because the device has gone away closes the port,
/// so that the next Connect opens it afresh. Destroyed with its owner (the QObject parent);
/// destruction disconnects.
class TCommPortDriver : public QObject
{
    Q_OBJECT

public:
    explicit TCommPortDriver(QObject *owner = nullptr);
    ~TCommPortDriver() override;

    /// The open handle; 0 when never opened or closed, -1 after a failed open.
    platform::SerialHandle ComHandle() const { return m_handle; }
    /// Equal value: nothing. -1: stops the poll and forgets the handle without closing it.
    /// Else: Disconnect, then adopt a non-zero value as the open handle (settings untouched).
    void setComHandle(platform::SerialHandle value);

    TComPortNumber ComPort() const { return m_port; }
    /// Stored only while closed; ignored while open.
    void setComPort(TComPortNumber value);

    // Line settings: stored, and pushed to the port at once while it is open. Values outside
    // the enumeration are ignored.
    TComPortBaudRate ComPortSpeed() const { return m_speed; }
    void setComPortSpeed(TComPortBaudRate value);
    TComPortDataBits ComPortDataBits() const { return m_dataBits; }
    void setComPortDataBits(TComPortDataBits value);
    TComPortStopBits ComPortStopBits() const { return m_stopBits; }
    void setComPortStopBits(TComPortStopBits value);
    TComPortParity ComPortParity() const { return m_parity; }
    void setComPortParity(TComPortParity value);
    TComPortHwHandshaking ComPortHwHandshaking() const { return m_hwHandshaking; }
    void setComPortHwHandshaking(TComPortHwHandshaking value);
    TComPortSwHandshaking ComPortSwHandshaking() const { return m_swHandshaking; }
    void setComPortSwHandshaking(TComPortSwHandshaking value);

    /// Bytes read per poll at most, and the size of the receive buffer. Only while closed.
    quint16 ComPortInBufSize() const { return m_inBufSize; }
    void setComPortInBufSize(quint16 value);
    /// Output queue size. Only while closed.
    quint16 ComPortOutBufSize() const { return m_outBufSize; }
    void setComPortOutBufSize(quint16 value);

    /// Poll period in milliseconds; while open, a change restarts the poll with it.
    quint16 ComPortPollingDelay() const { return m_pollingDelay; }
    void setComPortPollingDelay(quint16 value);

    /// Raise DTR from the next ApplyComSettings on.
    bool EnableDTROnOpen() const { return m_enableDtrOnOpen; }
    void setEnableDTROnOpen(bool value) { m_enableDtrOnOpen = value; }

    /// Kept for completeness; no operation uses it.
    quint16 OutputTimeout() const { return m_outputTimeout; }
    void setOutputTimeout(quint16 value) { m_outputTimeout = value; }

    TComPortReceiveDataEvent OnReceiveData;
    /// Called when a read or write found the device gone and the port was closed for it.
    std::function<void()> onDeviceGone;

    /// True exactly when the handle is greater than 0.
    bool Connected() const;
    /// Opens "COM<ComPort + 1>" exclusively, applies the settings, sets the time-outs so that
    /// a read returns at once and a write ends after 250 ms, starts the poll. True when open
    /// (also when it already was); a port that refuses the line settings is closed again.
    bool Connect();
    /// Stops the poll and closes the port when open. Always returns false.
    bool Disconnect();
    /// Pushes the line settings, purges both directions, sets the queue sizes. Only when open.
    void ApplyComSettings();
    /// Discards queued input and/or output. Only when open.
    void FlushBuffers(bool inBuf, bool outBuf);
    /// Writes one byte synchronously; false when the write failed (always on a closed port).
    bool SendByte(quint8 value);
    /// Connects, then writes a command byte by byte, whole or not at all as far as the
    /// controller can tell: a write that finds the device gone opens the port once more and
    /// writes the whole command again (a failed byte never reached the line); a byte that
    /// times out ends the command there, so a stalled line costs one time-out per command.
    devicelink::SendResult sendCommand(const std::vector<quint8> &bytes);

private:
    platform::DeviceControlBlock deviceControlBlock() const;
    /// Pushes the line settings as ApplyComSettings does; false when the port refused them.
    bool applySettings();
    /// After a failed read or write: closes the port when its device has gone away.
    void closeIfGone();
    void poll();
    void startPoll();
    void applyIfOpen();

    platform::SerialHandle m_handle = 0;
    TComPortNumber m_port = pnCOM1;
    TComPortBaudRate m_speed = br9600;
    TComPortDataBits m_dataBits = db8BITS;
    TComPortStopBits m_stopBits = sb1BITS;
    TComPortParity m_parity = ptNONE;
    TComPortHwHandshaking m_hwHandshaking = hhNONE;
    TComPortSwHandshaking m_swHandshaking = shNONE;
    quint16 m_inBufSize = 2048;
    quint16 m_outBufSize = 2048;
    quint16 m_pollingDelay = 50;
    bool m_enableDtrOnOpen = false;
    quint16 m_outputTimeout = 4000;
    std::vector<quint8> m_buffer;
    QTimer *m_pollTimer;
};
