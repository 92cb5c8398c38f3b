// Fuzzes the integer text syntax. The input is read as UTF-8 text. tryStrToInt must agree
// with a reference built here on std::from_chars, also on a view that ends where its buffer
// ends; strToInt throws exactly when tryStrToInt fails, with the operator's message; and
// intToStr writes the plain decimal form that reads back to the same number.

#include "controls/int_text.h"
#include "platform/errors.h"

#include <QString>
#include <QStringView>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

using controls::intToStr;
using controls::strToInt;
using controls::tryStrToInt;

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "integer text: %s\n", what);
        std::abort();
    }
}

/// Leading spaces (code 32 only); then "+"/"-" and decimal digits in the signed 32-bit range,
/// or "$", "x", "X", "0x", "0X" and hexadecimal digits up to FFFFFFFF read as a two's
/// complement pattern; nothing after.
std::optional<std::int32_t> reference(QStringView text)
{
    std::string ascii;
    for (QChar c : text) {
        if (c.unicode() > 0x7F) {
            return std::nullopt; // only ASCII digits, signs and prefixes count
        }
        ascii += char(c.unicode());
    }
    std::string_view rest(ascii);
    while (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return std::nullopt;
    }

    std::optional<std::string_view> hexDigits;
    if (rest.starts_with("0x") || rest.starts_with("0X")) {
        hexDigits = rest.substr(2);
    } else if (rest.front() == '$' || rest.front() == 'x' || rest.front() == 'X') {
        hexDigits = rest.substr(1);
    }
    if (hexDigits) {
        const std::string_view hex = *hexDigits;
        // An unsigned type: from_chars takes no sign for it, and none is allowed here.
        std::uint64_t pattern = 0;
        const auto [end, error] = std::from_chars(hex.begin(), hex.end(), pattern, 16);
        if (hex.empty() || error != std::errc() || end != hex.end() || pattern > 0xFFFFFFFFu) {
            return std::nullopt;
        }
        return std::int32_t(std::uint32_t(pattern));
    }

    // from_chars takes a "-" but no "+"; a "+" may not be followed by a second sign.
    if (rest.front() == '+') {
        rest.remove_prefix(1);
        if (rest.empty() || rest.front() < '0' || rest.front() > '9') {
            return std::nullopt;
        }
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(rest.begin(), rest.end(), value, 10);
    if (error != std::errc() || end != rest.end()) {
        return std::nullopt;
    }
    return value;
}

void checkText(const QString &text)
{
    const std::optional<std::int32_t> expected = reference(text);

    // A view that ends exactly where its buffer ends: reading past it is caught.
    const std::size_t size = std::size_t(text.size());
    const std::unique_ptr<QChar[]> buffer(new QChar[size]);
    std::memcpy(static_cast<void *>(buffer.get()), text.constData(), size * sizeof(QChar));
    const std::optional<qint32> got = tryStrToInt(QStringView(buffer.get(), qsizetype(size)));
    check(got == expected, "tryStrToInt differs from the reference");

    bool threw = false;
    try {
        const qint32 strict = strToInt(text);
        check(got && strict == *got, "strToInt differs from tryStrToInt");
    } catch (const platform::Error &error) {
        threw = true;
        check(error.message()
                  == QLatin1Char('\'') + text + QLatin1String("' is not a valid integer value"),
              "strToInt failed with another message");
    }
    check(threw == !got.has_value(), "strToInt throws other than when tryStrToInt fails");
}

void checkNumber(std::int32_t value)
{
    char digits[16];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    check(error == std::errc(), "to_chars failed");
    const QString text = intToStr(value);
    check(text == QLatin1String(digits, end - digits), "intToStr is not the plain decimal form");
    check(tryStrToInt(text) == value, "intToStr does not read back");
    check(strToInt(text) == value, "intToStr does not read back strictly");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    checkText(text);
    if (const std::optional<std::int32_t> value = reference(text)) {
        checkNumber(*value);
    }
    // Any four bytes as a number, so the writer sees every value, not only those typed.
    if (size >= 4) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, data, 4);
        checkNumber(std::int32_t(bits));
    }
    return 0;
}
