#include "console/settings_file.h"

#include "controls/int_text.h"
#include "platform/errors.h"
#include "platform/profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using controls::intToStr;
using controls::tryStrToInt;

namespace console {
namespace {
QString overridePath;
} // namespace

QString settingsFilePath()
{
    if (!overridePath.isEmpty()) {
        return overridePath;
    }
    // The executable does not move while it runs: its path is resolved once.
    static const QString beside = [] {
        const QFileInfo exe(QCoreApplication::applicationFilePath());
        return QDir::toNativeSeparators(exe.absolutePath() + QLatin1Char('/')
                                        + exe.completeBaseName() + QStringLiteral(".ini"));
    }();
    return beside;
}

void setSettingsFilePath(const QString &path)
{
    overridePath = path;
}

SettingsFile::SettingsFile(QString path)
    : m_path(std::move(path))
{
}

bool SettingsFile::exists() const
{
    // A folder or anything else that is not a file is no settings file: creating one fails.
    return QFileInfo(m_path).isFile();
}

bool SettingsFile::load(quint32 patienceMs, QString *error)
{
    m_contents = platform::readProfileFile(m_path, patienceMs, error);
    return m_contents.has_value();
}

qint32 SettingsFile::readInteger(const QString &section, const QString &key,
                                 qint32 defaultValue) const
{
    const QString text = m_contents ? platform::profileString(*m_contents, section, key, QString())
                                    : platform::readProfileString(m_path, section, key, QString());
    return tryStrToInt(text).value_or(defaultValue);
}

QString SettingsFile::readString(const QString &section, const QString &key,
                                 const QString &defaultValue) const
{
    return m_contents ? platform::profileString(*m_contents, section, key, defaultValue)
                      : platform::readProfileString(m_path, section, key, defaultValue);
}

void SettingsFile::writeStrings(const QString &section,
                                const QList<std::pair<QString, QString>> &values)
{
    if (!platform::writeProfileStrings(m_path, section, values)) {
        throw platform::Error(QStringLiteral("Unable to write to ") + m_path);
    }
}

void SettingsFile::writeInteger(const QString &section, const QString &key, qint32 value)
{
    if (!platform::writeProfileString(m_path, section, key, intToStr(value))) {
        throw platform::Error(QStringLiteral("Unable to write to ") + m_path);
    }
}

void SettingsFile::writeIntegers(const QString &section,
                                 const QList<std::pair<QString, qint32>> &values)
{
    QList<std::pair<QString, QString>> texts;
    for (const auto &[key, value] : values) {
        texts.append({ key, intToStr(value) });
    }
    if (!platform::writeProfileStrings(m_path, section, texts)) {
        throw platform::Error(QStringLiteral("Unable to write to ") + m_path);
    }
}

} // namespace console
