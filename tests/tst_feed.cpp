// The live feed's server on a free port, over real local sockets.

#include "feed/server.h"

#include <QTcpSocket>
#include <QTest>

#include <memory>

using feed::Board;
using feed::Limits;
using feed::Server;

namespace {

Board board(const char *time, int home, int guest)
{
    Board b;
    b.period = 2;
    b.time = { qint8(time[0] - '0'), qint8(time[1] - '0'), qint8(time[3] - '0'),
               qint8(time[4] - '0') };
    b.home = { qint8(home / 10), qint8(home % 10) };
    b.guest = { qint8(guest / 10), qint8(guest % 10) };
    b.running = true;
    b.siren = 5;
    return b;
}

std::unique_ptr<Server> listening(const Limits &limits = {})
{
    auto server = std::make_unique<Server>(limits);
    if (!server->listen(0, false)) {
        qWarning("the feed cannot listen: %s", qPrintable(server->errorString()));
    }
    return server;
}

/// A client connected to the server's port that has sent `request`.
std::unique_ptr<QTcpSocket> client(const Server &server, const QByteArray &request = {})
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, server.port());
    socket->write(request);
    return socket;
}

/// Everything the server sends until it closes the connection.
QByteArray untilClosed(QTcpSocket &socket)
{
    QByteArray all;
    const bool closed = QTest::qWaitFor(
        [&] {
            all += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        },
        10000);
    if (!closed) {
        qWarning("the feed did not close the connection");
    }
    return all + socket.readAll();
}

/// What arrives on a stream until `count` events or comments have ended (blank lines).
QByteArray blocks(QTcpSocket &socket, int count)
{
    QByteArray all;
    const bool arrived = QTest::qWaitFor(
        [&] {
            all += socket.readAll();
            return all.count("\n\n") >= count;
        },
        10000);
    if (!arrived) {
        qWarning("the feed sent less than awaited: %s", all.constData());
    }
    return all;
}

const QByteArray state = R"({"seq":1,"period":2,"time":"06:57","running":true,"home":5,"guest":3,)"
                         R"("siren":5})";

} // namespace

class TestFeed final : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void streamStartsWithTheStateThenOneEventPerChange();
    void quietStreamGetsComments();
    void oversizeRequestRefused();
    void silentConnectionClosed();
    void connectionOverTheLimitClosed();
    void slowReaderDropped();
};

void TestFeed::answers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArrayList>("headers");
    QTest::addColumn<QByteArray>("body"); // "*": any, but not empty

    const QByteArrayList live { "Cache-Control: no-store", "Access-Control-Allow-Origin: *" };
    const QByteArrayList json = QByteArrayList { "Content-Type: application/json" } + live;
    const QByteArrayList html { "Content-Type: text/html; charset=utf-8" };
    QTest::newRow("state") << QByteArray("GET /state.json HTTP/1.1\r\nHost: x\r\n\r\n")
                           << QByteArray("200 OK") << json << state;
    QTest::newRow("state, HEAD: no body") << QByteArray("HEAD /state.json HTTP/1.1\r\n\r\n")
                                          << QByteArray("200 OK") << json << QByteArray();
    QTest::newRow("board") << QByteArray("GET / HTTP/1.0\n\n") << QByteArray("200 OK") << html
                           << QByteArray("*");
    QTest::newRow("overlay, query ignored, more sent after the request")
        << QByteArray("GET /overlay?domaci=Sokol&scale=1.5 HTTP/1.1\r\n\r\nGET / HTTP/1.1\r\n")
        << QByteArray("200 OK") << html << QByteArray("*");
    QTest::newRow("script") << QByteArray("GET /feed.js HTTP/1.1\r\n\r\n") << QByteArray("200 OK")
                            << QByteArrayList { "Content-Type: text/javascript; charset=utf-8" }
                            << QByteArray("*");
    QTest::newRow("events, HEAD: headers only")
        << QByteArray("HEAD /events HTTP/1.1\r\n\r\n") << QByteArray("200 OK")
        << QByteArrayList { "Content-Type: text/event-stream" } + live << QByteArray();
    QTest::newRow("POST refused") << QByteArray("POST /state.json HTTP/1.1\r\n\r\n{}")
                                  << QByteArray("405 Method Not Allowed")
                                  << QByteArrayList { "Allow: GET, HEAD" } << QByteArray("*");
    QTest::newRow("unknown path") << QByteArray("GET /board.html HTTP/1.1\r\n\r\n")
                                  << QByteArray("404 Not Found") << QByteArrayList()
                                  << QByteArray("*");
    QTest::newRow("not HTTP") << QByteArray("hello\r\n\r\n") << QByteArray("400 Bad Request")
                              << QByteArrayList() << QByteArray("*");
}

void TestFeed::answers()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, status);
    QFETCH(QByteArrayList, headers);
    QFETCH(QByteArray, body);

    const auto server = listening();
    server->setBoard(board("06:57", 5, 3));
    const auto socket = client(*server, request);
    const QByteArray answer = untilClosed(*socket);
    const qsizetype end = answer.indexOf("\r\n\r\n");
    QVERIFY2(end > 0, answer.constData());
    const QByteArrayList lines = answer.first(end + 2).split('\n');
    QCOMPARE(lines.first(), "HTTP/1.1 " + status + '\r');
    for (const QByteArray &header : headers) {
        QVERIFY2(lines.contains(header + '\r'), header.constData());
    }
    QVERIFY(lines.contains("Connection: close\r"));
    const QByteArray received = answer.sliced(end + 4);
    if (body == "*") {
        QVERIFY(!received.isEmpty());
    } else {
        QCOMPARE(received, body);
    }
    QTRY_COMPARE(server->connectionCount(), 0);
}

void TestFeed::streamStartsWithTheStateThenOneEventPerChange()
{
    const auto server = listening();
    server->setBoard(board("06:57", 5, 3));
    const auto socket
        = client(*server, "GET /events HTTP/1.1\r\nAccept: text/event-stream\r\n\r\n");
    const QByteArray first = blocks(*socket, 1);
    QVERIFY2(first.startsWith("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"),
             first.constData());
    QVERIFY2(first.endsWith("\r\n\r\nretry: 1000\ndata: " + state + "\n\n"), first.constData());

    // The same board again is no change; the next change is the next event, with seq 2.
    server->setBoard(board("06:57", 5, 3));
    server->setBoard(board("06:57", 6, 3));
    QCOMPARE(blocks(*socket, 1),
             R"(data: {"seq":2,"period":2,"time":"06:57","running":true,"home":6,"guest":3,)"
             R"("siren":5})"
             "\n\n");
    QCOMPARE(server->streamCount(), 1);
}

void TestFeed::quietStreamGetsComments()
{
    Limits limits;
    limits.keepAliveMs = 20;
    const auto server = listening(limits);
    const auto socket = client(*server, "GET /events HTTP/1.1\r\n\r\n");
    QVERIFY(blocks(*socket, 4).endsWith("\n\n: keep-alive\n\n: keep-alive\n\n"));
}

void TestFeed::oversizeRequestRefused()
{
    Limits limits;
    limits.maxRequestBytes = 256;
    const auto server = listening(limits);
    const QByteArray fits = "GET / HTTP/1.1\r\nX: " + QByteArray(256 - 23, 'x') + "\r\n\r\n";
    QVERIFY(untilClosed(*client(*server, fits)).startsWith("HTTP/1.1 200 OK\r\n"));
    const QByteArray over = "GET / HTTP/1.1\r\nX: " + QByteArray(256 - 22, 'x') + "\r\n\r\n";
    QVERIFY(untilClosed(*client(*server, over)).startsWith("HTTP/1.1 431 "));
    QTRY_COMPARE(server->connectionCount(), 0);
}

void TestFeed::silentConnectionClosed()
{
    Limits limits;
    limits.requestTimeoutMs = 50;
    const auto server = listening(limits);
    const auto socket = client(*server, "GET / HTTP/1.1\r\n");
    QCOMPARE(untilClosed(*socket), QByteArray());
    QCOMPARE(server->connectionCount(), 0);
}

void TestFeed::connectionOverTheLimitClosed()
{
    const auto server = listening(); // 64 at once by default
    std::vector<std::unique_ptr<QTcpSocket>> open;
    for (int i = 0; i < 64; ++i) {
        open.push_back(client(*server));
    }
    QTRY_COMPARE(server->connectionCount(), 64);
    const auto extra = client(*server, "GET /state.json HTTP/1.1\r\n\r\n");
    QCOMPARE(untilClosed(*extra), QByteArray());
    QCOMPARE(server->connectionCount(), 64);
    open.pop_back();
    QTRY_COMPARE(server->connectionCount(), 63);
    QVERIFY(untilClosed(*client(*server, "GET / HTTP/1.1\r\n\r\n")).startsWith("HTTP/1.1 200"));
}

void TestFeed::slowReaderDropped()
{
    Limits limits;
    limits.maxPendingBytes = 4096;
    const auto server = listening(limits);
    const auto reader = client(*server, "GET /events HTTP/1.1\r\n\r\n");
    const auto stalled = client(*server, "GET /events HTTP/1.1\r\n\r\n");
    stalled->setReadBufferSize(1); // takes no more from the system than that
    QTRY_COMPARE(server->streamCount(), 2);
    // Changes until the system's buffers are full and 4 KiB wait for the stalled reader.
    for (int i = 0; i < 1'000'000 && server->streamCount() == 2; ++i) {
        server->setBoard(board("00:00", i / 100 % 100, i % 100));
        reader->readAll();
        QCoreApplication::processEvents();
    }
    QCOMPARE(server->connectionCount(), 1);
    QCOMPARE(reader->state(), QAbstractSocket::ConnectedState);
}

QTEST_GUILESS_MAIN(TestFeed)
#include "tst_feed.moc"
