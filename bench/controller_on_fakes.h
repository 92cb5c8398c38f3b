#pragma once

// The benchmarks run the console on in-memory ports, with a controller on COM1.

#include "link/protocol.h"
#include "platform/testing/fake_serial.h"

namespace bench {

/// COM1 is present and answers the scan's probe as a controller does.
inline void answerProbesOnCom1(testing::FakeSerial &serial)
{
    serial.present.insert(QStringLiteral("COM1"));
    serial.onWrite = [&serial](platform::SerialHandle handle, const QByteArray &bytes) {
        if (bytes.contains(char(devicelink::protocol::Probe))) {
            serial.queueInput(handle, QByteArray(1, char(devicelink::protocol::ReplyTime)));
        }
    };
}

} // namespace bench
