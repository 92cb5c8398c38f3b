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

/// Turns an absolute target "http://host:port/path?query" (any scheme) into what follows its
/// authority ("/path?query", or "" for none); false when the target is not absolute.
bool toOrigin(QByteArrayView &target)
{
    const qsizetype colon = target.indexOf("://");
    if (colon <= 0 || !isToken(target.first(colon))) {
        return false;
    }
    const QByteArrayView rest = target.sliced(colon + 3);
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != '/' && rest[end] != '?') {
        ++end;
    }
    target = rest.sliced(end);
    return true;
}

/// "METHOD SP target SP HTTP/1.x"; fills method, path and query, and says whether the version
/// is 1.1 (which needs a Host header).
bool readRequestLine(QByteArrayView line, Request &request, bool &version11)
{
    const qsizetype firstSpace = line.indexOf(' ');
    const qsizetype lastSpace = line.lastIndexOf(' ');
    if (firstSpace <= 0 || lastSpace == firstSpace) {
        return false;
    }
    const QByteArrayView method = line.first(firstSpace);
    QByteArrayView target = line.sliced(firstSpace + 1, lastSpace - firstSpace - 1);
    const QByteArrayView version = line.sliced(lastSpace + 1);
    if (!isToken(method) || (version != "HTTP/1.1" && version != "HTTP/1.0")) {
        return false;
    }
    version11 = version == "HTTP/1.1";
    for (const char c : target) {
        if (c <= ' ' || c >= 0x7F) {
            return false;
        }
    }
    if (!target.startsWith('/') && !toOrigin(target)) {
        return false;
    }
    const qsizetype question = target.indexOf('?');
    request.method = method.toByteArray();
    request.path = (question < 0 ? target : target.first(question)).toByteArray();
    if (!request.path.startsWith('/')) {
        request.path.prepend('/'); // "http://host" and "http://host?x" ask for the root
    }
    request.query = question < 0 ? QByteArray() : target.sliced(question + 1).toByteArray();
    return true;
}

/// Whether a request line not yet ended can still become one: a method of token characters
/// so far, up to the first space.
bool canBeginRequestLine(QByteArrayView partial)
{
    for (qsizetype i = 0; i < partial.size(); ++i) {
        if (partial[i] == ' ') {
            return i > 0;
        }
        if (!isTokenChar(partial[i])) {
            return false;
        }
    }
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

bool isHostHeader(QByteArrayView line)
{
    return line.size() >= 5 && line.first(5).compare("host:", Qt::CaseInsensitive) == 0;
}

} // namespace

Request parseRequest(QByteArrayView bytes, qsizetype maxHeadBytes)
{
    Request request;
    const QByteArrayView limited = bytes.first(std::min(bytes.size(), maxHeadBytes));
    const Request bad { Status::Bad, {}, {}, {}, 0 };
    qsizetype start = 0;
    bool first = true;
    bool version11 = false;
    int hosts = 0;
    while (true) {
        const qsizetype newline = limited.indexOf('\n', start);
        if (newline < 0) {
            if (first && !canBeginRequestLine(limited)) {
                return bad; // a TLS handshake or other bytes that are no request at all
            }
            // Only the limit decides a line that has not ended yet.
            if (bytes.size() < maxHeadBytes) {
                request.status = Status::NeedMore;
                return request;
            }
            return Request { first ? Status::TargetTooLong : Status::TooLarge, {}, {}, {}, 0 };
        }
        const QByteArrayView line = withoutLineEnd(limited.sliced(start, newline + 1 - start));
        start = newline + 1;
        if (first) {
            if (!readRequestLine(line, request, version11)) {
                return bad;
            }
            first = false;
        } else if (line.isEmpty()) {
            if (hosts > 1 || (version11 && hosts == 0)) {
                return bad;
            }
            request.status = Status::Complete;
            request.headLength = start;
            return request;
        } else if (!isHeaderLine(line)) {
            return bad;
        } else if (isHostHeader(line)) {
            ++hosts;
        }
    }
}

} // namespace feed
