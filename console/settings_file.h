#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace console {

/// The settings file beside the executable: its name with ".ini" for the extension.
QString settingsFilePath();
/// Points the program at another settings file (tests); an empty path restores the default.
void setSettingsFilePath(const QString &path);

/// One access to the settings file, opened and freed around each read or write.
class SettingsFile
{
public:
    explicit SettingsFile(QString path = settingsFilePath());

    bool exists() const;
    /// Reads the whole file once, so that every key read after it comes from that one read.
    /// A file that is there but cannot be read (another program holds it) is tried again for
    /// up to `patienceMs`; false, with the reason in `*error`, when it still cannot be read.
    bool load(quint32 patienceMs, QString *error);
    /// The key's value in the integer text syntax; `defaultValue` when it is missing, empty
    /// or not a number.
    qint32 readInteger(const QString &section, const QString &key, qint32 defaultValue) const;
    /// The key's text; `defaultValue` when it is missing.
    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) const;
    /// Several texts in one write, as writeIntegers does.
    void writeStrings(const QString &section, const QList<std::pair<QString, QString>> &values);
    /// Writes through to the file at once; throws "Unable to write to <path>" when refused.
    void writeInteger(const QString &section, const QString &key, qint32 value);
    /// Writes several keys in order with one replacement of the file, so that nothing
    /// (a crash, a kill) can leave only some of them behind; throws like writeInteger, and
    /// then none of them is written.
    void writeIntegers(const QString &section, const QList<std::pair<QString, qint32>> &values);

private:
    QString m_path;
    std::optional<QByteArray> m_contents; ///< the file as load() read it
};

} // namespace console
