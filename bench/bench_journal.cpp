// The cost of one line of the match journal: formatted, written and flushed to the disk, as a
// command or the clock's Start and Stop write it. The clock's tick has 10 ms; the journal is
// written from it only at a period's end.

#include "measure.h"

#include "match/events.h"
#include "match/journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-journal-XXXXXX"));
    match::Journal journal(dir.filePath(QStringLiteral("zapasy")));
    constexpr int lines = 500;
    std::vector<double> costs;
    costs.reserve(lines);
    for (int i = 0; i < lines; ++i) {
        match::Event event;
        event.period = 1 + i / 200;
        event.shown = match::formatShown(6 - i / 60 % 7, 59 - i % 60);
        event.elapsedMs = i * 1250;
        event.kind = i % 2 ? match::events::clockStop : match::events::clockStart;
        event.value = event.shown;
        event.home = i / 10;
        event.guest = i / 13;
        const auto before = bench::Clock::now();
        journal.record(event);
        costs.push_back(bench::microseconds(bench::Clock::now() - before));
    }
    if (!journal.writing()) {
        std::fprintf(stderr, "bench_journal: %s\n", qPrintable(journal.lastError()));
        return 1;
    }
    bench::row(QStringLiteral("one journal line written and flushed, median / largest (%1 lines)")
                   .arg(lines),
               QStringLiteral("%1 / %2 µs (the clock's tick: 10 000 µs)")
                   .arg(bench::number(bench::median(costs)), bench::number(bench::largest(costs))));
    return 0;
}
