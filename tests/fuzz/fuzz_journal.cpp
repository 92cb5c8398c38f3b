// Fuzzes the match journal's reader with any bytes. What it reads must hold together: no
// event without the header; only known kinds, teams D, H or none, scores and times that can
// be written; each event written again reads back the same; the state agrees with the last
// event; a line appended after the repaired end reads whole; the events of a prefix of the
// bytes are a prefix of the events of the whole.

#include "match/events.h"
#include "match/journal_line.h"
#include "match/journal_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace match;

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "journal reader: %s\n", what);
        std::abort();
    }
}

bool same(const Event &a, const Event &b)
{
    return a.wall.toMSecsSinceEpoch() == b.wall.toMSecsSinceEpoch() && a.period == b.period
           && a.shown == b.shown && a.elapsedMs == b.elapsedMs && a.kind == b.kind
           && a.team == b.team && a.value == b.value && a.home == b.home && a.guest == b.guest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const JournalState state = readJournal(bytes);
    const std::vector<Event> events = readEvents(bytes);
    check(state.valid || events.empty(), "events without the header");

    QByteArray again = journalHeader();
    bool started = false;
    for (const Event &e : events) {
        check(events::known(e.kind), "an unknown kind");
        check(e.team.isEmpty() || e.team == u"D" || e.team == u"H", "a team of neither side");
        check(e.wall.isValid() && e.period >= 0 && e.home >= 0 && e.guest >= 0 && e.elapsedMs >= 0
                  && e.elapsedMs % 10 == 0,
              "a field out of range");
        started = started || e.kind == events::clockStart;
        again += journalLine(e);
    }
    const std::vector<Event> back = readEvents(again);
    check(back.size() == events.size(), "events lost when written again");
    for (std::size_t i = 0; i < back.size(); ++i) {
        check(same(back[i], events[i]), "an event changed when written again");
    }

    check(state.clockStarted == started, "clockStarted disagrees with the events");
    check(state.firstWall.isValid() == !events.empty(), "firstWall without events");
    if (!events.empty()) {
        const Event &last = events.back();
        check(state.period == last.period && state.home == last.home && state.guest == last.guest
                  && state.elapsedMs == last.elapsedMs,
              "the state is not the last line's");
        check(state.cleanClose == (last.kind == events::programEnd), "cleanClose is wrong");
    }
    check(!state.running || state.clockStarted, "running without a start");

    if (state.valid) {
        Event probe;
        probe.wall = QDateTime(QDate(2026, 12, 9), QTime(18, 30), Qt::OffsetFromUTC, 3600);
        probe.kind = events::resumed;
        const std::vector<Event> more
            = readEvents(bytes.toByteArray() + journalTailRepair(bytes) + journalLine(probe));
        check(!more.empty() && same(more.back(), probe), "a line after the repaired end is lost");
    }

    const std::vector<Event> head = readEvents(bytes.first(bytes.size() / 2));
    check(head.size() <= events.size(), "a prefix has more events");
    for (std::size_t i = 0; i < head.size(); ++i) {
        check(same(head[i], events[i]), "later bytes changed an earlier event");
    }
    return 0;
}
