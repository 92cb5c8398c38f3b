// Fuzzes the feed's request reader with any bytes. Whatever it answers must hold together: a
// complete head ends at a line end inside the limit, names a token method and a path that starts
// with '/' and holds no space, no control byte and no '?'; the bytes after the head change
// nothing; one byte less is not yet complete; bad stays bad whatever follows; and a smaller limit
// gives the same head when it fits and "too large" when it does not.

#include "feed/request.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using feed::parseRequest;
using feed::Request;
using Status = Request::Status;

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "request reader: %s\n", what);
        std::abort();
    }
}

bool same(const Request &a, const Request &b)
{
    return a.status == b.status && a.method == b.method && a.path == b.path && a.query == b.query
           && a.headLength == b.headLength;
}

bool cleanTarget(const QByteArray &text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F) {
            return false;
        }
    }
    return true;
}

void checkOne(QByteArrayView bytes, qsizetype limit)
{
    const Request r = parseRequest(bytes, limit);
    switch (r.status) {
    case Status::NeedMore:
        check(bytes.size() < limit, "waiting for more beyond the limit");
        break;
    case Status::TooLarge:
        check(bytes.size() >= limit, "too large below the limit");
        break;
    case Status::Bad:
        check(parseRequest(QByteArray(bytes.toByteArray() + "\r\n\r\n"), limit).status
                  == Status::Bad,
              "bad turned good by what followed");
        break;
    case Status::Complete:
        check(r.headLength > 0 && r.headLength <= bytes.size() && r.headLength <= limit,
              "head length outside the bytes or the limit");
        check(bytes[r.headLength - 1] == '\n', "head does not end with a line end");
        check(!r.method.isEmpty() && r.path.startsWith('/'), "no method or no path");
        check(cleanTarget(r.path) && cleanTarget(r.query) && !r.path.contains('?'),
              "path or query holds a space, a control byte or a second '?'");
        check(same(parseRequest(bytes.first(r.headLength), limit), r),
              "the bytes after the head changed it");
        check(parseRequest(bytes.first(r.headLength - 1), limit).status == Status::NeedMore,
              "complete before the blank line ended");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkOne(bytes, 8192);
    constexpr qsizetype small = 48;
    checkOne(bytes, small);
    const Request full = parseRequest(bytes, 8192);
    const Request limited = parseRequest(bytes, small);
    if (full.status == Status::Complete) {
        check(full.headLength <= small ? same(full, limited) : limited.status == Status::TooLarge,
              "a smaller limit read the head differently");
    }
    return 0;
}
