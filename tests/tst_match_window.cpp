#include "support/console_fixture.h"

#include "controls/push_button.h"
#include "match/events.h"
#include "match/journal.h"
#include "match/match.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using testing::Console;

class TestMatchWindow final : public QObject
{
    Q_OBJECT

private slots:
    void keyboardEntry();
};

void TestMatchWindow::keyboardEntry()
{
    Console c;
    TForm1 &f = *c.form1;
    f.activateWindow();
    QTest::keyClick(&f, Qt::Key_Z, Qt::AltModifier);
    QDialog *window = f.matchWindow();
    QVERIFY(window != nullptr);
    QTRY_VERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Zápas"));
    auto *entry = window->findChild<QLineEdit *>(QStringLiteral("PenaltyEntry"));
    auto *reason = window->findChild<QLabel *>(QStringLiteral("PenaltyReason"));
    auto *list = window->findChild<QTreeWidget *>(QStringLiteral("Penalties"));
    QTRY_VERIFY(entry->hasFocus());

    // Good lines are recorded; a line it cannot read is refused with the reason beside it.
    const struct
    {
        const char *line;
        bool taken;
    } lines[] = {
        { "D12", true }, { "h7 5", true }, { "X3", false }, { "D100", false }, { "H4 7", false }
    };
    int taken = 0;
    for (const auto &l : lines) {
        QTest::keyClicks(entry, QString::fromUtf8(l.line));
        QTest::keyClick(entry, Qt::Key_Return);
        taken += l.taken ? 1 : 0;
        QVERIFY2(reason->text().isEmpty() == l.taken, l.line);
        QCOMPARE(list->topLevelItemCount(), taken);
        QCOMPARE(entry->text().isEmpty(), l.taken); // a refused line stays to be mended
        entry->clear();
    }
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("12"));
    QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("5′"));

    // Ctrl+Z takes the last one back and leaves the game clock alone.
    QTest::keyClick(entry, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(list->topLevelItemCount(), 1);
    QVERIFY(!f.PomTimer->isActive());
    const auto &events = f.journal().events();
    const auto penalties = std::count_if(events.begin(), events.end(), [](const match::Event &e) {
        return e.kind == match::events::penalty;
    });
    QCOMPARE(penalties, 2);
    QCOMPARE(events.back().kind, match::events::penaltyRemoved);

    // A timeout counts on the wall clock from the moment it was taken.
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("TimeoutHome")),
                      Qt::LeftButton);
    QCOMPARE(f.match().timeoutsTaken(match::Side::Home), 1);
    QVERIFY(f.match().timeoutLeftMs(match::Side::Home, QDateTime::currentMSecsSinceEpoch()) > 0);

    QTest::keyClick(entry, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(TestMatchWindow)
#include "tst_match_window.moc"
