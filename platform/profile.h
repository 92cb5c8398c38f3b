#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

// The private-profile settings file: "[section]" lines and "key=value" lines, read and
// written the way settings files from the field expect. Sections and keys match without
// regard to ASCII case, spaces and tabs around them are trimmed, the first matching
// section and the first matching key within it win, and a value enclosed in one pair of
// double or single quotes is read without them.
namespace platform {

/// The value of `key` in `section` of the file at `path`, or `defaultValue` when the file,
/// the section or the key is missing or cannot be read. A key present with nothing after
/// "=" reads as an empty string. On Windows a file held by another program for a moment is
/// tried again for about a second, as a write is.
QString readProfileString(const QString &path, const QString &section, const QString &key,
                          const QString &defaultValue);

/// The whole file at `path`, for reading several keys from one read: empty when there is no
/// file. A file that is there but cannot be read (another program holds it) is read again for
/// up to `patienceMs`; then nothing, with the reason in `*error`.
std::optional<QByteArray> readProfileFile(const QString &path, quint32 patienceMs,
                                          QString *error = nullptr);

/// The value of `key` in `section` of contents that readProfileFile returned, as
/// readProfileString gives it.
QString profileString(const QByteArray &contents, const QString &section, const QString &key,
                      const QString &defaultValue);

/// How the contents of an existing settings file are read: the system's files by default.
/// Tests install one that holds the file (returns nothing, with a reason); an empty function
/// restores the default.
using ProfileFileReader
    = std::function<std::optional<QByteArray>(const QString &path, QString *error)>;
void setProfileFileReader(ProfileFileReader reader);

/// Stores `value` under `key` in `section` of the file at `path`, creating the key, the
/// section or the file as needed; every other byte of the file is kept. The file is
/// replaced atomically (written beside it, synced, renamed over it). Returns false and
/// leaves the old file untouched when the write is refused: a read-only file or folder, a
/// directory at `path`, a folder that does not exist, a name or value that cannot be stored
/// on one line. On Windows, a file that cannot be read or replaced because another program
/// holds it for a moment (a sync client, a virus scanner) is tried again for about a second
/// before the write counts as refused.
bool writeProfileString(const QString &path, const QString &section, const QString &key,
                        const QString &value);

/// Stores several keys of one section, in the given order, with one replacement of the file:
/// either all of them are written or, when the write is refused as above, none.
bool writeProfileStrings(const QString &path, const QString &section,
                         const QList<std::pair<QString, QString>> &values);

/// Runs `attempt` until it succeeds. After a failure that `held` takes for a brief hold by
/// another program, waits 50 ms (platform::sleep) and tries again, for about a second in
/// all (platform::tickCount). Returns whether an attempt succeeded.
bool retryWhileHeld(const std::function<bool()> &attempt, const std::function<bool()> &held);

/// The raw value of `key` in `section` of a file's contents (quotes already removed), or
/// nothing when the section or the key is missing.
std::optional<QByteArray> profileValue(const QByteArray &contents, const QByteArray &section,
                                       const QByteArray &key);

/// A file's contents with `key` in `section` set to `value`: replaced in place, appended
/// after the section's last key, or appended with a new section at the end. A value with
/// blanks at an end or within a pair of quotes is written in double quotes, so that it reads
/// back as given. `newLine` is used only when the contents have no line ending to follow.
QByteArray profileWithValue(const QByteArray &contents, const QByteArray &section,
                            const QByteArray &key, const QByteArray &value,
                            const QByteArray &newLine);

/// The line ending of new settings files: CRLF on Windows, LF elsewhere.
QByteArray nativeProfileNewLine();

} // namespace platform
