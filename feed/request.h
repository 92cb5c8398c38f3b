#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace feed {

/// What the bytes received so far on a connection make of an HTTP request's head.
struct Request
{
    enum class Status {
        NeedMore,      ///< no blank line yet and nothing wrong so far
        Complete,      ///< request line and headers up to the blank line
        Bad,           ///< not an HTTP/1.x request, or an HTTP/1.1 one without its one Host
        TooLarge,      ///< the head passes the limit in its header lines
        TargetTooLong, ///< the request line alone passes the limit
    };

    Status status = Status::NeedMore;
    QByteArray method;        ///< as sent: "GET", "HEAD", "POST" and so on
    QByteArray path;          ///< the target's path: up to the first '?', not decoded
    QByteArray query;         ///< after the '?', not decoded
    qsizetype headLength = 0; ///< bytes up to and including the blank line (Complete only)
};

/// Reads a request head from the start of `bytes`: the request line "METHOD /target HTTP/1.x",
/// header lines "Name: value", and a blank line; lines end in CR LF or LF alone. The target may
/// also be absolute ("http://host:port/path?query", as proxies send it): its path is taken. An
/// HTTP/1.1 request needs exactly one Host header. Anything after the head is left alone.
/// Called again with more bytes, it decides afresh, so a caller can keep the bytes of a
/// connection and ask after each read. Bytes that cannot begin a request line (a first byte
/// that is no token character, such as a TLS handshake's 0x16) are Bad at once. A head longer
/// than `maxHeadBytes` (line ends included) is TargetTooLong or TooLarge as soon as that many
/// bytes hold no blank line: TargetTooLong while the request line has not ended.
Request parseRequest(QByteArrayView bytes, qsizetype maxHeadBytes = 8192);

} // namespace feed
