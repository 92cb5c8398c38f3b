#include "match/journal.h"

#include "match/events.h"
#include "match/journal_line.h"
#include "match/journal_reader.h"
#include "match/sheet.h"
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <utility>

namespace match {

Journal::Journal(const QString &folder, Clock clock)
    : m_folder(folder)
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
{
}

bool Journal::record(Event event)
{
    if (!event.wall.isValid()) {
        event.wall = m_clock();
    }
    const QByteArray line = journalLine(event);
    m_events.push_back(std::move(event));
    if (!m_begun) {
        if (m_held.isEmpty()) {
            m_firstWall = m_events.back().wall;
        }
        m_held += line;
        if (!events::touchesGame(m_events.back().kind)) {
            return m_writing;
        }
        m_begun = true;
        m_pending = journalHeader() + m_held;
        m_held.clear();
        return writeOut();
    }
    m_pending += line;
    return writeOut();
}

bool Journal::flushPending()
{
    return writeOut();
}

bool Journal::writeOut()
{
    if (m_pending.isEmpty()) {
        m_writing = true;
        m_error.clear();
        return true;
    }
    // The first failure may be a moment's hold by another program: tried again for about a
    // second. Once writing has failed, each later call tries once and does not wait.
    const bool ok
        = m_writing ? platform::retryWhileHeld([this] { return writeOnce(); }, [] { return true; })
                    : writeOnce();
    m_writing = ok;
    if (ok) {
        m_error.clear();
    }
    return ok;
}

bool Journal::writeOnce()
{
    if (!m_file.isOpen()) {
        if (!QDir().mkpath(m_folder)) {
            m_error = QStringLiteral("Složku %1 nelze vytvořit.")
                          .arg(QDir::toNativeSeparators(m_folder));
            return false;
        }
        const QString path = m_path.isEmpty() ? freshPath() : m_path;
        if (!m_file.open(path)) {
            m_error = m_file.errorString();
            return false;
        }
        m_path = path;
    }
    // After a failed write the file may end inside a line: a line end closes that one, and
    // the reader skips it, so the lines written now stay whole.
    if (!m_file.append(m_lineCut ? QByteArray("\r\n") + m_pending : m_pending)) {
        m_error = m_file.errorString();
        m_lineCut = true;
        m_file.close();
        return false;
    }
    m_lineCut = false;
    m_pending.clear();
    return true;
}

QString Journal::freshPath() const
{
    const QString stem = QDir(m_folder).filePath(
        m_firstWall.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH-mm")));
    QString path = stem + QStringLiteral(".csv");
    for (int n = 2; QFileInfo::exists(path); ++n) {
        path = stem + QStringLiteral(" (%1).csv").arg(n);
    }
    return path;
}

void Journal::resume(const QString &filePath)
{
    m_file.close();
    std::vector<Event> held;
    if (!m_begun) {
        held = std::move(m_events);
    }
    QFile file(filePath);
    const QFileInfo info(filePath);
    const bool readable = file.open(QIODevice::ReadOnly);
    const QByteArray bytes = readable ? file.readAll() : QByteArray();
    m_events = readEvents(bytes);
    m_events.insert(m_events.end(), held.begin(), held.end());
    if (!info.exists() || info.size() == 0) {
        m_pending = journalHeader();
    } else {
        // A crash may have cut the last line: it is closed, so the next one starts whole.
        m_pending = readable ? journalTailRepair(bytes) : QByteArray("\r\n");
    }
    m_pending += m_held;
    m_held.clear();
    m_path = filePath;
    m_begun = true;
    m_lineCut = false;
    writeOut();
}

void Journal::startNew()
{
    if (!m_pending.isEmpty()) {
        writeOnce();
    }
    m_file.close();
    m_begun = false;
    m_path.clear();
    m_held.clear();
    m_pending.clear();
    m_lineCut = false;
    m_writing = true;
    m_error.clear();
    m_events.clear();
}

QString Journal::sheetPath() const
{
    if (m_path.isEmpty()) {
        return QString();
    }
    const QFileInfo info(m_path);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".html"));
}

bool Journal::writeSheet(const QString &homeName, const QString &guestName)
{
    // The events in memory are the file's lines (read back on resume) and those still
    // waiting to be written: the sheet does not depend on reading the file.
    const QString path = sheetPath();
    if (path.isEmpty()) {
        return false;
    }
    QSaveFile sheet(path);
    return sheet.open(QIODevice::WriteOnly)
           && sheet.write(sheetHtml(m_events, homeName, guestName)) >= 0 && sheet.commit();
}

QString Journal::newestJournal(const QString &folder)
{
    const QFileInfoList files
        = QDir(folder).entryInfoList({ QStringLiteral("*.csv") }, QDir::Files | QDir::Readable);
    // "yyyy-MM-dd HH-mm" leads every name; " (2)" would sort before ".csv" by name alone.
    const auto newer = [](const QFileInfo &a, const QFileInfo &b) {
        const QString keyA = a.fileName().left(16);
        const QString keyB = b.fileName().left(16);
        if (keyA != keyB) {
            return keyA < keyB;
        }
        if (a.lastModified() != b.lastModified()) {
            return a.lastModified() < b.lastModified();
        }
        // Written within the same moment: " (10)" comes after " (9)", which comes after none.
        return std::pair(a.fileName().size(), a.fileName())
               < std::pair(b.fileName().size(), b.fileName());
    };
    const auto newest = std::max_element(files.begin(), files.end(), newer);
    return newest == files.end() ? QString() : newest->absoluteFilePath();
}

} // namespace match
