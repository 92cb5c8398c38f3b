#pragma once

#include "link/protocol.h"

#include <QByteArray>

#include <initializer_list>

namespace testing {

/// Bytes written as numbers, e.g. bytes({ 0xCA, 5, 0 }).
inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values) {
        result.append(static_cast<char>(v));
    }
    return result;
}

/// A command's bytes as the line carries them.
inline QByteArray bytes(const devicelink::protocol::Message &message)
{
    return QByteArray(reinterpret_cast<const char *>(message.data()), qsizetype(message.size()));
}

} // namespace testing
