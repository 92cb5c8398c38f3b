#include "link/protocol.h"
#include "link/reply_parser.h"

#include <QRandomGenerator>
#include <QTest>

#include <stdexcept>

using devicelink::GameState;
using devicelink::ReplyListener;
using devicelink::ReplyParser;

namespace {

using Bytes = QList<int>;

class Recorder final : public ReplyListener
{
public:
    explicit Recorder(GameState &state)
        : m_state(state)
    {
    }
    void timeBlockCompleted() override
    {
        QCOMPARE_EQ(m_state.StavPrijmu, 0); // idle before the window acts on the block
        times.append({ m_state.AktMinuty, m_state.AktSekundy, m_state.AktSetiny });
        if (throwOnTime) {
            throw std::runtime_error("refused");
        }
    }
    void settingsBlockCompleted() override
    {
        settings.append(
            { m_state.Sirena, m_state.Polocas, m_state.SkoreHoste, m_state.SkoreDomaci });
    }
    QList<QList<int>> times;
    QList<QList<int>> settings;
    bool throwOnTime = false;

private:
    GameState &m_state;
};

struct Fixture
{
    GameState state;
    Recorder recorder { state };
    ReplyParser parser { state, recorder };
    void feed(const Bytes &bytes)
    {
        for (int b : bytes) {
            parser.consume(static_cast<quint8>(b));
        }
    }
};

} // namespace

class TestReplyParser final : public QObject
{
    Q_OBJECT

private slots:
    void timeBlocks_data();
    void timeBlocks();
    void settingsBlocks_data();
    void settingsBlocks();
    void bytesOutsideBlocksAreDroppedButRecorded();
    void resetReturnsToIdle();
    void errorInCompletionLeavesParserIdle();
    void garbageThenZerosThenValidBlock();
    void commandBytes_data();
    void commandBytes();
};

void TestReplyParser::timeBlocks_data()
{
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<QList<int>>("time"); // minutes, seconds, hundredths of the last block
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("stateAfter");

    QTest::newRow("01:23.45") << Bytes { 0xDC, 5, 4, 3, 2, 1, 0 } << QList<int> { 1, 23, 45 } << 1
                              << 0;
    QTest::newRow("headers are data inside a block")
        << Bytes { 0xDC, 0xFC, 1, 0xDC, 0, 2, 0 } << QList<int> { 2, 220, 262 } << 1 << 0;
    QTest::newRow("lone probe answer completed by whatever follows")
        << Bytes { 0xDC, 0xDC, 5, 4, 3, 2, 1 } << QList<int> { 12, 34, 270 } << 1 << 0;
    QTest::newRow("tens of seconds wrap in 8 bits")
        << Bytes { 0xDC, 0, 0, 6, 30, 0, 0 } << QList<int> { 0, (6 + 300) % 256, 0 } << 1 << 0;
    QTest::newRow("short block waits for the rest")
        << Bytes { 0xDC, 1, 2, 3 } << QList<int> {} << 0 << 1;
    QTest::newRow("two blocks in one batch")
        << Bytes { 0xDC, 0, 0, 0, 0, 7, 0, 0x00, 0xDC, 9, 9, 9, 5, 9, 5 }
        << QList<int> { 59, 59, 99 } << 2 << 0;
}

void TestReplyParser::timeBlocks()
{
    QFETCH(Bytes, bytes);
    QFETCH(QList<int>, time);
    QFETCH(int, blocks);
    QFETCH(int, stateAfter);
    Fixture f;
    f.feed(bytes);
    QCOMPARE(f.recorder.times.size(), blocks);
    if (blocks > 0) {
        QCOMPARE(f.recorder.times.last(), time);
    }
    QCOMPARE(f.state.StavPrijmu, stateAfter);
    QVERIFY(f.recorder.settings.isEmpty());
    // The received time never touches the preset.
    QCOMPARE(f.state.Minuty, quint8(0));
    QCOMPARE(f.state.CelkovyCas, 0);
}

void TestReplyParser::settingsBlocks_data()
{
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<QList<int>>("settings"); // siren, period, guest, home
    QTest::addColumn<QList<int>>("time");     // empty: no time block completed
    QTest::addColumn<int>("stateAfter");

    QTest::newRow("settings alone wait for the time")
        << Bytes { 0xFC, 7, 2, 1, 3, 0, 1 } << QList<int> { 7, 2, 31, 10 } << QList<int> {} << 1;
    QTest::newRow("period 4 is stored as sent")
        << Bytes { 0xFC, 5, 4, 0, 0, 0, 0 } << QList<int> { 5, 4, 0, 0 } << QList<int> {} << 1;
    QTest::newRow("followed by a headerless time block")
        << Bytes { 0xFC, 7, 2, 1, 3, 0, 1, 0, 5, 7, 5, 2, 1 } << QList<int> { 7, 2, 31, 10 }
        << QList<int> { 12, 57, 50 } << 0;
    QTest::newRow("followed by a headed time block")
        << Bytes { 0xFC, 7, 2, 1, 3, 0, 1, 0xDC, 0, 5, 7, 5, 2, 1 } << QList<int> { 7, 2, 31, 10 }
        << QList<int> { 12, 57, 50 } << 0;
    QTest::newRow("a later header is recognised")
        << Bytes { 0xFC, 7, 2, 1, 3, 0, 1, 0, 5, 7, 5, 2, 1, 0xFC, 3, 1, 0, 0, 0, 0 }
        << QList<int> { 3, 1, 0, 0 } << QList<int> { 12, 57, 50 } << 1;
    QTest::newRow("only the first place may repeat the header")
        << Bytes { 0xFC, 1, 1, 0, 0, 0, 0, 0, 0xDC, 0, 0, 0, 0 } << QList<int> { 1, 1, 0, 0 }
        << QList<int> { 0, 0, 2200 } << 0;
    QTest::newRow("scores wrap in 8 bits")
        << Bytes { 0xFC, 1, 1, 9, 30, 9, 30 } << QList<int> { 1, 1, 309 % 256, 309 % 256 }
        << QList<int> {} << 1;
}

void TestReplyParser::settingsBlocks()
{
    QFETCH(Bytes, bytes);
    QFETCH(QList<int>, settings);
    QFETCH(QList<int>, time);
    QFETCH(int, stateAfter);
    Fixture f;
    f.feed(bytes);
    QVERIFY(!f.recorder.settings.isEmpty());
    QCOMPARE(f.recorder.settings.last(), settings);
    QCOMPARE(f.recorder.times.size(), time.isEmpty() ? 0 : 1);
    if (!time.isEmpty()) {
        QCOMPARE(f.recorder.times.last(), time);
    }
    QCOMPARE(f.state.StavPrijmu, stateAfter);
}

void TestReplyParser::bytesOutsideBlocksAreDroppedButRecorded()
{
    Fixture f;
    f.feed({ 0xCC });
    QCOMPARE(f.state.PosledniBajt, quint8(0xCC));
    QCOMPARE(f.state.StavPrijmu, 0);
    f.feed({ 0xDC, 1, 2, 3, 4, 5, 6 });
    QCOMPARE(f.state.PosledniBajt, quint8(6));
    QCOMPARE(f.recorder.times.size(), 1);
}

void TestReplyParser::resetReturnsToIdle()
{
    Fixture f;
    f.feed({ 0xFC, 1, 1, 0, 0, 0, 0 }); // now waiting for a time block
    f.parser.reset();
    QCOMPARE(f.state.StavPrijmu, 0);
    QCOMPARE(f.state.IndexPrijmu, quint8(0));
    // After a reset a 0xDC is an ordinary header again, not a repeated one.
    f.feed({ 0xDC, 0xDC, 0, 0, 0, 0, 0 });
    QCOMPARE(f.recorder.times.size(), 1);
    QCOMPARE(f.recorder.times.last(), (QList<int> { 0, 0, 220 }));
}

void TestReplyParser::errorInCompletionLeavesParserIdle()
{
    Fixture f;
    f.recorder.throwOnTime = true;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.feed({ 0xDC, 0, 0, 0, 0, 0, 0 }));
    QCOMPARE(f.state.StavPrijmu, 0);
    f.recorder.throwOnTime = false;
    f.feed({ 0xFC, 2, 3, 0, 0, 0, 0 });
    QCOMPARE(f.recorder.settings.size(), 1);
}

void TestReplyParser::garbageThenZerosThenValidBlock()
{
    QRandomGenerator random(20261208);
    Fixture f;
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 250000; ++i) {
            f.parser.consume(static_cast<quint8>(random.bounded(256)));
        }
        // Twelve zeros complete whatever block the garbage left open.
        f.feed(Bytes(12, 0));
        QCOMPARE(f.state.StavPrijmu, 0);
        f.recorder.times.clear();
        f.feed({ 0xDC, 8, 9, 6, 5, 4, 3 });
        QCOMPARE(f.recorder.times.size(), 1);
        QCOMPARE(f.recorder.times.last(), (QList<int> { 34, 56, 98 }));
    }
}

void TestReplyParser::commandBytes_data()
{
    QTest::addColumn<devicelink::protocol::Message>("message");
    QTest::addColumn<devicelink::protocol::Message>("bytes");
    using devicelink::protocol::Message;
    QTest::newRow("score 7 : 12") << devicelink::protocol::setScore(7, 12)
                                  << Message { 0xCA, 2, 1, 7, 0 };
    QTest::newRow("score 99 : 0") << devicelink::protocol::setScore(99, 0)
                                  << Message { 0xCA, 0, 0, 9, 9 };
    QTest::newRow("time 07:00.00")
        << devicelink::protocol::setTime(7, 0, 0) << Message { 0xEA, 0, 0, 0, 0, 7, 0 };
    QTest::newRow("time 10:00.00")
        << devicelink::protocol::setTime(10, 0, 0) << Message { 0xEA, 0, 0, 0, 0, 0, 1 };
    QTest::newRow("time 59:48.37")
        << devicelink::protocol::setTime(59, 48, 37) << Message { 0xEA, 7, 3, 8, 4, 9, 5 };
    QTest::newRow("time 120 minutes")
        << devicelink::protocol::setTime(120, 0, 0) << Message { 0xEA, 0, 0, 0, 0, 0, 12 };
    QTest::newRow("period") << devicelink::protocol::setPeriod(2) << Message { 0xD5, 2 };
    QTest::newRow("siren") << devicelink::protocol::setSiren(5) << Message { 0xDA, 5 };
}

void TestReplyParser::commandBytes()
{
    QFETCH(devicelink::protocol::Message, message);
    QFETCH(devicelink::protocol::Message, bytes);
    QCOMPARE(message, bytes);
}

QTEST_APPLESS_MAIN(TestReplyParser)
#include "tst_reply_parser.moc"
