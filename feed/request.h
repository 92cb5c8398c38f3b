#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace feed {

/// What the bytes received so far on a connection make of an HTTP request's head.
struct Request
{
    enum class Status {
        NeedMore, ///< no blank line yet and nothing wrong so far
        Complete, ///< request line and headers up to the blank line
        Bad,      ///< not an HTTP/1.x request
        TooLarge, ///< the head passes the limit
    };

    Status status = Status::NeedMore;
    QByteArray method;        ///< as sent: "GET", "HEAD", "POST" and so on
    QByteArray path;          ///< the target up to the first '?', not decoded
    QByteArray query;         ///< after the '?', not decoded
    qsizetype headLength = 0; ///< bytes up to and including the blank line (Complete only)
};

/// Reads a request head from the start of `bytes`: the request line "METHOD /target HTTP/1.x",
/// header lines "Name: value", and a blank line; lines end in CR LF or LF alone. Anything after
/// the head is left alone. Called again with more bytes, it decides afresh, so a caller can keep
/// the bytes of a connection and ask after each read. A head longer than `maxHeadBytes`
/// (line ends included) is TooLarge as soon as that many bytes hold no blank line.
Request parseRequest(QByteArrayView bytes, qsizetype maxHeadBytes = 8192);

} // namespace feed
