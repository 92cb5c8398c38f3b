#pragma once

#include "match/event.h"
#include "platform/durable_file.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

namespace match {

/// The match journal the console keeps: one CSV file per match in a folder of its own, named
/// by the local date and time of the match's first line ("2026-12-09 18-30.csv", then
/// "2026-12-09 18-30 (2).csv" when taken). Each line reaches the disk when it is recorded.
/// Lines that cannot be written (a folder that cannot be made, a full disk, a file held by
/// another program) wait in memory, in order, and go out with the next record or
/// flushPending(). Never throws.
class Journal
{
public:
    using Clock = std::function<QDateTime()>;

    /// `folder` is created when the first file is; `clock` (by default the system's local time)
    /// stamps events that come without their time.
    explicit Journal(const QString &folder, Clock clock = {});

    /// Adds one event (its time from the clock when it has none). Until an event touches the
    /// game, the program's start and the connection are only held in memory: a console started
    /// and closed with nothing in between leaves no file. The first event that touches the game
    /// creates the file with the header and the held lines. Returns writing().
    bool record(Event event);
    /// Tries once more to write what is waiting; returns writing().
    bool flushPending();
    /// Whether everything recorded so far is on the disk (or held before the file exists).
    bool writing() const { return m_writing; }
    /// Why writing failed, in the system's words; empty while it works.
    QString lastError() const { return m_error; }

    /// Goes on with an existing journal (the match the console was running when it crashed):
    /// later lines, and those held so far, are appended to it.
    void resume(const QString &filePath);
    /// Ends the current match: its file is closed, the next event that touches the game starts
    /// a new one. Lines of the old match that still cannot be written are given up.
    void startNew();

    /// The match's file, empty until it is created.
    QString filePath() const { return m_path; }
    /// The match sheet's file beside it ("….html"), empty until the journal exists.
    QString sheetPath() const;
    /// Writes the match sheet beside the journal; false when it cannot.
    bool writeSheet(const QString &homeName, const QString &guestName);

    /// Every event of the current match: those read from a resumed file, then those recorded.
    const std::vector<Event> &events() const { return m_events; }

    /// The newest journal ("*.csv") in the folder, empty when there is none. Names sort by
    /// their date and time; among files of the same minute the one written last wins.
    static QString newestJournal(const QString &folder);

private:
    bool writeOut();
    bool writeOnce();
    QString freshPath() const;

    QString m_folder;
    Clock m_clock;
    platform::DurableFile m_file;
    bool m_begun = false;  ///< the match touched the game: it has (or wants) a file
    QDateTime m_firstWall; ///< the time of the match's first line; names its file
    QString m_path;
    QByteArray m_held;      ///< lines before the match touched the game
    QByteArray m_pending;   ///< lines not yet on the disk
    bool m_lineCut = false; ///< a failed write may have left part of a line in the file
    bool m_writing = true;
    QString m_error;
    std::vector<Event> m_events;
};

} // namespace match
