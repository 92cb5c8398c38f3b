#include "platform/profile.h"

#include "platform/ticks.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {
namespace {

// A settings file is a few hundred bytes; anything far larger is not one we may rewrite.
constexpr qint64 maxFileSize = 16 * 1024 * 1024;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

QByteArrayView trimBlanks(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

/// One line of the file: [begin, end) is its text, [end, next) its line ending (if any).
struct Line
{
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};

enum class Kind { Other, Section, Key };

struct Parsed
{
    Kind kind = Kind::Other;
    QByteArrayView name;
    qsizetype valueBegin = 0; ///< first byte after "=" and the blanks behind it
    QByteArrayView value;     ///< trimmed, quotes still on
};

/// Walks the lines of a file's contents; a final line without a line ending counts too.
class LineReader
{
public:
    explicit LineReader(const QByteArray &contents)
        : m_contents(contents)
    {
    }

    bool next(Line &line)
    {
        if (m_pos >= m_contents.size()) {
            return false;
        }
        line.begin = m_pos;
        const qsizetype newLine = m_contents.indexOf('\n', m_pos);
        if (newLine < 0) {
            // A CRLF cut short by the end of the file still ends the line.
            line.next = m_contents.size();
            line.end = (line.next > m_pos && m_contents[line.next - 1] == '\r') ? line.next - 1
                                                                                : line.next;
        } else {
            line.next = newLine + 1;
            line.end = (newLine > m_pos && m_contents[newLine - 1] == '\r') ? newLine - 1 : newLine;
        }
        m_pos = line.next;
        return true;
    }

private:
    const QByteArray &m_contents;
    qsizetype m_pos = 0;
};

Parsed parse(const QByteArray &contents, const Line &line)
{
    Parsed result;
    const QByteArrayView text = QByteArrayView(contents).sliced(line.begin, line.end - line.begin);
    // A line with a NUL byte is damage, not a setting.
    if (text.contains('\0')) {
        return result;
    }
    const QByteArrayView body = trimBlanks(text);
    if (body.isEmpty() || body.front() == ';') {
        return result;
    }
    if (body.front() == '[') {
        const qsizetype close = body.indexOf(']');
        if (close > 0) {
            result.kind = Kind::Section;
            result.name = trimBlanks(body.sliced(1, close - 1));
        }
        return result;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0) {
        return result;
    }
    result.name = trimBlanks(text.first(equals));
    if (result.name.isEmpty()) {
        return result;
    }
    result.kind = Kind::Key;
    qsizetype valueBegin = equals + 1;
    while (valueBegin < text.size() && isBlank(text[valueBegin])) {
        ++valueBegin;
    }
    result.valueBegin = line.begin + valueBegin;
    result.value = trimBlanks(text.sliced(valueBegin));
    return result;
}

QByteArray withoutQuotes(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front()) {
        value = value.sliced(1, value.size() - 2);
    }
    return value.toByteArray();
}

/// A value as it stands in the file: one with blanks at an end, or that reading would take
/// for quoted, goes inside double quotes, which reading removes again.
QByteArray storedValue(const QByteArray &value)
{
    const bool quotedLook = value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
                            && value.back() == value.front();
    const bool blankEnd = !value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()));
    return quotedLook || blankEnd ? '"' + value + '"' : value;
}

QByteArray lineEnding(const QByteArray &contents, const QByteArray &fallback)
{
    const qsizetype newLine = contents.indexOf('\n');
    if (newLine < 0) {
        return fallback;
    }
    return (newLine > 0 && contents[newLine - 1] == '\r') ? QByteArrayLiteral("\r\n")
                                                          : QByteArrayLiteral("\n");
}

bool hasLineBreakOrNul(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

// Names that would read back differently, and names and values that would break the line
// they stand on, are refused rather than written.
bool validSection(const QByteArray &name)
{
    return !name.isEmpty() && !name.contains(']') && !hasLineBreakOrNul(name);
}

bool validKey(const QByteArray &name)
{
    return !name.isEmpty() && !name.contains('=') && name.front() != '[' && name.front() != ';'
           && !hasLineBreakOrNul(name);
}

QByteArray nameBytes(const QString &name)
{
    return trimBlanks(name.toUtf8()).toByteArray();
}

ProfileFileReader fileReader;

/// The whole file, or nothing when it is not a regular file or cannot be read (the reason in
/// *error).
std::optional<QByteArray> readWholeFile(const QString &path, QString *error = nullptr)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxFileSize) {
        if (error) {
            *error = info.isFile() ? QStringLiteral("the file is too large")
                                   : QStringLiteral("it is not a file");
        }
        return std::nullopt;
    }
    if (fileReader) {
        return fileReader(path, error);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return std::nullopt;
    }
    // In pieces: a read of the whole limit at once would reserve 16 MiB for every lookup.
    QByteArray data;
    while (data.size() <= maxFileSize) {
        const QByteArray piece = file.read(64 * 1024);
        if (piece.isEmpty()) {
            break;
        }
        data += piece;
    }
    if (file.error() != QFileDevice::NoError || data.size() > maxFileSize) {
        if (error) {
            *error = file.error() != QFileDevice::NoError ? file.errorString()
                                                          : QStringLiteral("the file is too large");
        }
        return std::nullopt;
    }
    return data;
}

// Root passes every permission check of the system, so the write bits are checked here:
// an operator who made the settings read-only means it.
bool permitsWriting(const QFileInfo &info)
{
    const auto writeBits
        = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.isWritable() && (info.permissions() & writeBits);
}

bool folderPermitsWriting(const QFileInfo &folder)
{
    if (!folder.isDir()) {
        return false;
    }
#ifdef Q_OS_WIN
    // The read-only attribute of a Windows folder does not protect its files.
    return true;
#else
    return permitsWriting(folder);
#endif
}

enum class WriteFailure {
    Refused, ///< nothing another program's hold explains: a name, a folder, a read-only file
    Read,    ///< the existing file could not be read
    Replace, ///< the new contents could not be put in its place
};

// A sync client or a virus scanner that has the file open for a moment makes Windows refuse
// to read it or to replace it; POSIX has no such holds.
bool mayBeHeld(WriteFailure failure)
{
#ifdef Q_OS_WIN
    return failure == WriteFailure::Read || failure == WriteFailure::Replace;
#else
    Q_UNUSED(failure);
    return false;
#endif
}

constexpr quint32 holdPatienceMs = 1000;
constexpr quint32 holdPauseMs = 50;

/// A settings file that is there but cannot be read: a sync client or a scanner may hold
/// it for a moment.
std::optional<QByteArray> readHeldFile(const QString &path, quint32 patienceMs, QString *error)
{
    std::optional<QByteArray> contents;
    const quint32 start = tickCount();
    for (;;) {
        if (!QFileInfo(path).exists()) {
            return QByteArray(); // no file: every key reads as its default
        }
        contents = readWholeFile(path, error);
        if (contents || tickCount() - start >= patienceMs) {
            return contents;
        }
        sleep(holdPauseMs);
    }
}

bool writeOnce(const QString &path, const QByteArray &sectionName,
               const QList<std::pair<QByteArray, QByteArray>> &entries, WriteFailure *failure)
{
    *failure = WriteFailure::Refused;
    const QFileInfo info(path);
    QString target = info.absoluteFilePath();
    QByteArray old;
    const bool exists = info.exists();
    if (exists) {
        // A directory, a device or an unreadable file is not replaced by a fresh file.
        if (!info.isFile() || !permitsWriting(info)) {
            return false;
        }
        const std::optional<QByteArray> contents = readWholeFile(path);
        if (!contents) {
            *failure = WriteFailure::Read;
            return false;
        }
        old = *contents;
        target = info.canonicalFilePath(); // a link keeps pointing at the rewritten file
        if (target.isEmpty()) {
            *failure = WriteFailure::Read; // gone or held since it was read
            return false;
        }
    } else if (info.isSymLink()) {
        return false; // a link to nowhere: where the settings belong is unclear
    }
    if (!folderPermitsWriting(QFileInfo(QFileInfo(target).absolutePath()))) {
        return false;
    }

    QByteArray updated = old;
    for (const auto &[key, value] : entries) {
        updated = profileWithValue(updated, sectionName, key, value, nativeProfileNewLine());
    }
    if (exists && updated == old) {
        return true;
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (file.write(updated) != updated.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *failure = file.error() == QFileDevice::RenameError ? WriteFailure::Replace
                                                            : WriteFailure::Refused;
        return false;
    }
    return true;
}

} // namespace

std::optional<QByteArray> profileValue(const QByteArray &contents, const QByteArray &section,
                                       const QByteArray &key)
{
    LineReader lines(contents);
    Line line;
    bool inSection = false;
    while (lines.next(line)) {
        const Parsed parsed = parse(contents, line);
        if (parsed.kind == Kind::Section) {
            if (inSection) {
                return std::nullopt; // only the first matching section counts
            }
            inSection = sameName(parsed.name, section);
        } else if (inSection && parsed.kind == Kind::Key && sameName(parsed.name, key)) {
            return withoutQuotes(parsed.value);
        }
    }
    return std::nullopt;
}

QByteArray profileWithValue(const QByteArray &contents, const QByteArray &section,
                            const QByteArray &key, const QByteArray &value,
                            const QByteArray &newLine)
{
    const QByteArray eol = lineEnding(contents, newLine);
    const QByteArray stored = storedValue(value);
    LineReader lines(contents);
    Line line;
    bool inSection = false;
    bool sectionFound = false;
    Line anchor; // the line after which a new key goes: the header or the section's last key
    bool lastLineBlank = true;
    while (lines.next(line)) {
        const Parsed parsed = parse(contents, line);
        lastLineBlank
            = trimBlanks(QByteArrayView(contents).sliced(line.begin, line.end - line.begin))
                  .isEmpty();
        if (parsed.kind == Kind::Section) {
            if (inSection) {
                break;
            }
            inSection = sameName(parsed.name, section);
            if (inSection) {
                sectionFound = true;
                anchor = line;
            }
        } else if (inSection && parsed.kind == Kind::Key) {
            if (sameName(parsed.name, key)) {
                return contents.first(parsed.valueBegin) + stored + contents.sliced(line.end);
            }
            anchor = line;
        }
    }

    const QByteArray entry = key + '=' + stored + eol;
    // Only the file's last line can lack a line ending, or have its CRLF cut short.
    QByteArray lastLineEnding;
    if (contents.endsWith('\r')) {
        lastLineEnding = QByteArrayLiteral("\n");
    } else if (!contents.isEmpty() && !contents.endsWith('\n')) {
        lastLineEnding = eol;
    }
    if (sectionFound) {
        QByteArray result = contents;
        const bool last = anchor.next == contents.size();
        return result.insert(anchor.next, last ? lastLineEnding + entry : entry);
    }
    QByteArray result = contents + lastLineEnding;
    if (!result.isEmpty() && !lastLineBlank) {
        result += eol;
    }
    return result + '[' + section + ']' + eol + entry;
}

QByteArray nativeProfileNewLine()
{
#ifdef Q_OS_WIN
    return QByteArrayLiteral("\r\n");
#else
    return QByteArrayLiteral("\n");
#endif
}

QString profileString(const QByteArray &contents, const QString &section, const QString &key,
                      const QString &defaultValue)
{
    const QByteArray sectionName = nameBytes(section);
    const QByteArray keyName = nameBytes(key);
    if (sectionName.isEmpty() || keyName.isEmpty()) {
        return defaultValue;
    }
    const std::optional<QByteArray> value = profileValue(contents, sectionName, keyName);
    return value ? QString::fromUtf8(*value) : defaultValue;
}

std::optional<QByteArray> readProfileFile(const QString &path, quint32 patienceMs, QString *error)
{
    return readHeldFile(path, patienceMs, error);
}

QString readProfileString(const QString &path, const QString &section, const QString &key,
                          const QString &defaultValue)
{
#ifdef Q_OS_WIN
    const quint32 patience = holdPatienceMs; // rides out a hold as a write does
#else
    const quint32 patience = 0; // nothing holds a file here
#endif
    const std::optional<QByteArray> contents = readHeldFile(path, patience, nullptr);
    return contents ? profileString(*contents, section, key, defaultValue) : defaultValue;
}

void setProfileFileReader(ProfileFileReader reader)
{
    fileReader = std::move(reader);
}

bool writeProfileString(const QString &path, const QString &section, const QString &key,
                        const QString &value)
{
    return writeProfileStrings(path, section, { { key, value } });
}

bool writeProfileStrings(const QString &path, const QString &section,
                         const QList<std::pair<QString, QString>> &values)
{
    const QByteArray sectionName = nameBytes(section);
    if (!validSection(sectionName)) {
        return false;
    }
    QList<std::pair<QByteArray, QByteArray>> entries;
    for (const auto &[key, value] : values) {
        const QByteArray keyName = nameBytes(key);
        const QByteArray valueBytes = value.toUtf8();
        if (!validKey(keyName) || hasLineBreakOrNul(valueBytes)) {
            return false;
        }
        entries.append({ keyName, valueBytes });
    }
    // Each try reads the file afresh: what another program wrote meanwhile is kept.
    WriteFailure failure = WriteFailure::Refused;
    return retryWhileHeld([&] { return writeOnce(path, sectionName, entries, &failure); },
                          [&] { return mayBeHeld(failure); });
}

bool retryWhileHeld(const std::function<bool()> &attempt, const std::function<bool()> &held)
{
    const quint32 start = tickCount();
    for (;;) {
        if (attempt()) {
            return true;
        }
        if (!held() || tickCount() - start >= holdPatienceMs) {
            return false;
        }
        sleep(holdPauseMs);
    }
}

} // namespace platform
