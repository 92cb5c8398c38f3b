#include "feed/request.h"

namespace feed {
namespace {

using Status = Request::Status;

bool isTokenChar(char c)
{
    // RFC 9110 tchar
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView text)
{
    if (text.isEmpty()) {
        return false;
    }
    for (const char c : text) {
        if (!isTokenChar(c)) {
            return false;
        }
    }
    return true;
}

/// The line without its end (CR LF or LF).
QByteArrayView withoutLineEnd(QByteArrayView line)
{
    line.chop(1);
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

/// "METHOD SP target SP HTTP/1.x"; fills method, path and query.
bool readRequestLine(QByteArrayView line, Request &request)
{
    const qsizetype firstSpace = line.indexOf(' ');
    const qsizetype lastSpace = line.lastIndexOf(' ');
    if (firstSpace <= 0 || lastSpace == firstSpace) {
        return false;
    }
    const QByteArrayView method = line.first(firstSpace);
    const QByteArrayView target = line.sliced(firstSpace + 1, lastSpace - firstSpace - 1);
    const QByteArrayView version = line.sliced(lastSpace + 1);
    if (!isToken(method) || (version != "HTTP/1.1" && version != "HTTP/1.0")) {
        return false;
    }
    if (!target.startsWith('/')) {
        return false;
    }
    for (const char c : target) {
        if (c <= ' ' || c >= 0x7F) {
            return false;
        }
    }
    const qsizetype question = target.indexOf('?');
    request.method = method.toByteArray();
    request.path = (question < 0 ? target : target.first(question)).toByteArray();
    request.query = question < 0 ? QByteArray() : target.sliced(question + 1).toByteArray();
    return true;
}

/// "Name: value" with a token for the name and no control character but tab in the value.
bool isHeaderLine(QByteArrayView line)
{
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || !isToken(line.first(colon))) {
        return false;
    }
    for (const char c : line.sliced(colon + 1)) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace

Request parseRequest(QByteArrayView bytes, qsizetype maxHeadBytes)
{
    Request request;
    const QByteArrayView limited = bytes.first(std::min(bytes.size(), maxHeadBytes));
    qsizetype start = 0;
    bool first = true;
    while (true) {
        const qsizetype newline = limited.indexOf('\n', start);
        if (newline < 0) {
            // Only the limit decides a line that has not ended yet.
            request.status = bytes.size() >= maxHeadBytes ? Status::TooLarge : Status::NeedMore;
            if (request.status == Status::TooLarge) {
                request.method.clear();
                request.path.clear();
                request.query.clear();
            }
            return request;
        }
        const QByteArrayView line = withoutLineEnd(limited.sliced(start, newline + 1 - start));
        start = newline + 1;
        if (first) {
            if (!readRequestLine(line, request)) {
                return Request { Status::Bad, {}, {}, {}, 0 };
            }
            first = false;
        } else if (line.isEmpty()) {
            request.status = Status::Complete;
            request.headLength = start;
            return request;
        } else if (!isHeaderLine(line)) {
            return Request { Status::Bad, {}, {}, {}, 0 };
        }
    }
}

} // namespace feed
