// Fuzzes the settings file. The input's first three lines name a section, a key and a value
// (a missing line leaves the program's own "Nastaveni", "Minuty", "42"); the rest is the file.
// Reading gives the default or the file's value; a write that is accepted reads back, keeps
// every other line byte for byte and changes no other setting; a refused write leaves the file.

#include "platform/profile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace platform;

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "settings file: %s\n", what);
        std::abort();
    }
}

// A read default no file can hold: values stand on one line.
const QString missing = QStringLiteral("\n(missing)\n");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimmed(QByteArray text)
{
    while (!text.isEmpty() && isBlank(text.front())) {
        text.remove(0, 1);
    }
    while (!text.isEmpty() && isBlank(text.back())) {
        text.chop(1);
    }
    return text;
}

/// Names match without regard to ASCII case, after trimming spaces and tabs.
bool sameName(const QByteArray &a, const QByteArray &b)
{
    const QByteArray x = trimmed(a);
    const QByteArray y = trimmed(b);
    if (x.size() != y.size()) {
        return false;
    }
    for (qsizetype i = 0; i < x.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
        if (lower(x[i]) != lower(y[i])) {
            return false;
        }
    }
    return true;
}

/// Names and values of the kind the program writes, which must never be refused.
bool plain(const QByteArray &text, bool digitsOnly)
{
    if (text.isEmpty() || text.size() > 11) {
        return false;
    }
    for (char c : text) {
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!(digit || (!digitsOnly && letter) || (digitsOnly && c == '-'))) {
            return false;
        }
    }
    return true;
}

/// The lines of a file, each with its "\n" if it has one.
QList<QByteArray> linesOf(const QByteArray &contents)
{
    QList<QByteArray> lines;
    qsizetype pos = 0;
    while (pos < contents.size()) {
        const qsizetype newLine = contents.indexOf('\n', pos);
        const qsizetype next = newLine < 0 ? contents.size() : newLine + 1;
        lines.append(contents.sliced(pos, next - pos));
        pos = next;
    }
    return lines;
}

QByteArray withoutEnding(QByteArray line)
{
    if (line.endsWith('\n')) {
        line.chop(1);
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

bool properEnding(const QByteArray &line)
{
    return line.endsWith('\n');
}

/// A line the writer may add: blank, the section's header or the key's entry.
bool addedLine(const QByteArray &line, const QByteArray &section, const QByteArray &key)
{
    const QByteArray text = withoutEnding(line);
    return properEnding(line)
           && (text.isEmpty() || text == '[' + section + ']' || text.startsWith(key + '='));
}

/// The writer changed at most one line (the key's, keeping everything up to its "=" and its
/// line ending), or inserted lines of its own in one place, or both gave the file's unended
/// last line its line ending and added lines behind it.
void checkOnlyTheKeyChanged(const QByteArray &before, const QByteArray &after,
                            const QByteArray &section, const QByteArray &key)
{
    const QList<QByteArray> old = linesOf(before);
    const QList<QByteArray> now = linesOf(after);
    qsizetype head = 0;
    while (head < old.size() && head < now.size() && old[head] == now[head]) {
        ++head;
    }
    qsizetype tail = 0;
    while (tail < old.size() - head && tail < now.size() - head
           && old[old.size() - 1 - tail] == now[now.size() - 1 - tail]) {
        ++tail;
    }
    const QList<QByteArray> gone = old.mid(head, old.size() - head - tail);
    QList<QByteArray> added = now.mid(head, now.size() - head - tail);
    check(gone.size() <= 1, "more than one line of the old file changed");
    if (gone.size() == 1) {
        const QByteArray &line = gone.front();
        check(!added.isEmpty(), "a line of the old file vanished");
        if (!properEnding(line) && properEnding(added.front()) && added.front().startsWith(line)
            && withoutEnding(added.front().sliced(line.size())).isEmpty()) {
            // The unended last line got its line ending.
            added.removeFirst();
        } else {
            check(added.size() == 1, "a changed line became several");
            const qsizetype equals = line.indexOf('=');
            check(equals > 0, "a line without a key was changed");
            check(sameName(line.first(equals), key), "another key's line was changed");
            check(added.front().startsWith(line.first(equals + 1)),
                  "the key's spelling in the file was not kept");
            const QByteArray ending = line.sliced(withoutEnding(line).size());
            check(added.front().endsWith(ending), "the key's line ending was not kept");
            added.clear();
        }
    }
    check(added.size() <= 3, "more lines added than a new section needs");
    for (const QByteArray &line : added) {
        check(addedLine(line, section, key), "a foreign line was added");
    }
}

QString tempFolder()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/fuzz_profile-XXXXXX"));
    check(dir.isValid(), "no temporary folder");
    return dir.path();
}

bool putFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    check(file.open(QIODevice::ReadOnly), "the settings file vanished");
    return file.readAll();
}

using Setting = QPair<QByteArray, QByteArray>;

/// Settings the write must not disturb (unless they are the one written): the program's own,
/// and whatever section and key names the old file seems to hold.
QList<Setting> settingsToWatch(const QByteArray &contents)
{
    QList<Setting> names { { "Nastaveni", "Minuty" }, { "nastaveni", "POLOCAS" }, { "Jine", "X" } };
    QByteArray section;
    for (const QByteArray &line : linesOf(contents)) {
        const QByteArray text = trimmed(withoutEnding(line));
        const qsizetype close = text.indexOf(']');
        if (text.startsWith('[') && close > 0) {
            section = trimmed(text.sliced(1, close - 1));
        } else if (const qsizetype equals = text.indexOf('='); equals > 0 && names.size() < 40) {
            names.append({ section, trimmed(text.first(equals)) });
        }
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QByteArray fields[3] = { "Nastaveni", "Minuty", "42" };
    for (QByteArray &field : fields) {
        const qsizetype newLine = input.indexOf('\n');
        if (newLine < 0) {
            break;
        }
        field = input.first(newLine);
        input.remove(0, newLine + 1);
    }
    const QString section = QString::fromUtf8(fields[0]);
    const QString key = QString::fromUtf8(fields[1]);
    const QString value = QString::fromUtf8(fields[2]);
    // What the file holds of them: UTF-8, names trimmed.
    const QByteArray sectionBytes = trimmed(section.toUtf8());
    const QByteArray keyBytes = trimmed(key.toUtf8());
    const QByteArray &before = input;

    const QString path = tempFolder() + QStringLiteral("/bodovka.ini");
    check(putFile(path, before), "cannot write the temporary settings file");

    const QString read = readProfileString(path, section, key, missing);
    const std::optional<QByteArray> raw = sectionBytes.isEmpty() || keyBytes.isEmpty()
                                              ? std::nullopt
                                              : profileValue(before, sectionBytes, keyBytes);
    check(read == (raw ? QString::fromUtf8(*raw) : missing),
          "a read gave neither value nor default");

    const bool written = writeProfileString(path, section, key, value);
    const QByteArray after = fileBytes(path);
    if (!written) {
        check(after == before, "a refused write changed the file");
        check(
            !(plain(sectionBytes, false) && plain(keyBytes, false) && plain(value.toUtf8(), true)),
            "a write of the program's kind was refused");
        return 0;
    }
    check(readProfileString(path, section, key, missing) == value,
          "the written value reads back differently");
    checkOnlyTheKeyChanged(before, after, sectionBytes, keyBytes);
    for (const auto &[otherSection, otherKey] : settingsToWatch(before)) {
        if (!(sameName(otherSection, sectionBytes) && sameName(otherKey, keyBytes))) {
            check(profileValue(before, otherSection, otherKey)
                      == profileValue(after, otherSection, otherKey),
                  "another setting changed");
        }
    }
    // The same write again changes nothing.
    check(writeProfileString(path, section, key, value), "a repeated write was refused");
    check(fileBytes(path) == after, "a repeated write changed the file");
    return 0;
}
