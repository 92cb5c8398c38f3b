// Fuzzes the feed's request reader with any bytes. Whatever it answers must hold together: a
// complete head ends at a line end inside the limit, names a method and a path that starts with
// '/' and holds no space, no control byte and no '?'; the bytes after the head change nothing;
// one byte less is not yet complete; bad stays bad whatever follows; "too large" only at the
// limit, and waiting for more only below it; "target too long" only while the first line has
// not ended; bytes whose first one is no token character (a TLS handshake) are bad at once.

#include "feed/request.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace {

using namespace feed;
using Status = Request::Status;

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "request reader: %s\n", what);
        std::abort();
    }
}

auto fields(const Request &r)
{
    return std::tie(r.status, r.method, r.path, r.query, r.headLength);
}

bool printable(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

void checkOne(QByteArrayView bytes, qsizetype limit)
{
    const Request r = parseRequest(bytes, limit);
    check((r.status == Status::NeedMore)
              == (bytes.size() < limit && r.status != Status::Bad && r.status != Status::Complete),
          "waiting for more, or too large, on the wrong side of the limit");
    const bool tooLarge = r.status == Status::TooLarge || r.status == Status::TargetTooLong;
    check(!tooLarge || bytes.size() >= limit, "too large below the limit");
    check(r.status != Status::TargetTooLong
              || !bytes.first(std::min(bytes.size(), limit)).contains('\n'),
          "target too long after the request line ended");
    check(bytes.isEmpty() || r.status == Status::Bad
              || QByteArrayView("!#$%&'*+-.^_`|~").contains(bytes[0])
              || std::isalnum(static_cast<unsigned char>(bytes[0])),
          "bytes that cannot begin a request kept waiting");
    if (r.status == Status::Bad) {
        check(parseRequest(bytes.toByteArray() + "\r\n\r\n", limit).status == Status::Bad,
              "bad turned good by what followed");
    }
    if (r.status == Status::Complete) {
        check(r.headLength > 0 && r.headLength <= std::min(bytes.size(), limit)
                  && bytes[r.headLength - 1] == '\n',
              "head outside the bytes or the limit, or not ending a line");
        check(!r.method.isEmpty() && r.path.startsWith('/') && !r.path.contains('?')
                  && printable(r.path) && printable(r.query),
              "no method, or a path or query with a space, a control byte or a second '?'");
        check(fields(parseRequest(bytes.first(r.headLength), limit)) == fields(r),
              "the bytes after the head changed it");
        check(parseRequest(bytes.first(r.headLength - 1), limit).status == Status::NeedMore,
              "complete before the blank line ended");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkOne(bytes, 8192);
    checkOne(bytes, 48); // reaches the limit often
    return 0;
}
