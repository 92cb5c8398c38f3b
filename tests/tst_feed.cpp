// The live feed's server on a free port, over real local sockets.

#include "feed/server.h"

#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <memory>

using feed::Board;
using feed::Limits;
using feed::Server;

namespace {

/// Period 2, 06:57, running, siren 5, and a score of single digits.
Board board(int home, int guest = 3)
{
    Board b;
    b.period = 2;
    b.time = { 0, 6, 5, 7 };
    b.home = { 0, qint8(home) };
    b.guest = { 0, qint8(guest) };
    b.running = true;
    b.siren = 5;
    return b;
}

QByteArray state(int seq, int home)
{
    return R"({"seq":)" + QByteArray::number(seq) + R"(,"period":2,"time":"06:57","running":true,)"
           + R"("home":)" + QByteArray::number(home) + R"(,"guest":3,"siren":5,)"
           + R"("teams":{"home":{"name":"Domácí","short":"","color":""},)"
           + R"("guest":{"name":"Hosté","short":"","color":""}},"sport":"jiný","penalties":[],)"
           + R"("timeouts":{"home":{"taken":0,"left":null,"ended":false},)"
           + R"("guest":{"taken":0,"left":null,"ended":false}}})";
}

std::unique_ptr<Server> listening(const Limits &limits = {})
{
    auto server = std::make_unique<Server>(limits);
    server->listen(0, false); // any free port; port() stays 0 if none, and the clients fail
    server->setBoard(board(5));
    server->setSheet([] { return QByteArrayLiteral("<h1>Zápis</h1>"); });
    return server;
}

/// A client connected to the server's port, from a loopback address of its own if given, that
/// has sent `request`.
std::unique_ptr<QTcpSocket> client(const Server &server, const QByteArray &request = {},
                                   const QHostAddress &from = {})
{
    auto socket = std::make_unique<QTcpSocket>();
    if (!from.isNull()) {
        socket->bind(from);
    }
    const bool ipv6 = from.protocol() == QAbstractSocket::IPv6Protocol;
    socket->connectToHost(ipv6 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost,
                          server.port());
    socket->write(request);
    return socket;
}

/// What the server sends, until it has closed the connection or `done` holds.
QByteArray received(QTcpSocket &socket, const std::function<bool(const QByteArray &)> &done = {})
{
    QByteArray all;
    (void)QTest::qWaitFor(
        [&] {
            all += socket.readAll();
            return done ? done(all) : socket.state() == QAbstractSocket::UnconnectedState;
        },
        10000);
    const bool closed = socket.state() == QAbstractSocket::UnconnectedState;
    return done || closed ? all : all + "<left open>";
}

const auto oneEvent = [](const QByteArray &bytes) { return bytes.endsWith("\n\n"); };

} // namespace

class TestFeed final : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void streamStartsWithTheStateThenOneEventPerChange();
    void silentConnectionClosed();
    void connectionOverTheLimitClosed_data();
    void connectionOverTheLimitClosed();
    void slowReaderDropped_data();
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
    const QByteArray ok = "200 OK";
    auto row = [](const char *name, const QByteArray &request, const QByteArray &status,
                  const QByteArrayList &headers, const QByteArray &body) {
        QTest::newRow(name) << request << status << headers << body;
    };
    row("state", "GET /state.json HTTP/1.1\r\nHost: x\r\n\r\n", ok, json, state(1, 5));
    row("state, HEAD: no body", "HEAD /state.json HTTP/1.1\r\nhost: x\r\n\r\n", ok, json, {});
    row("state, absolute target", "GET http://x:8095/state.json HTTP/1.1\r\nHost: x\r\n\r\n", ok,
        json, state(1, 5));
    row("board", "GET / HTTP/1.0\n\n", ok, html, "*");
    row("overlay, query ignored, more sent after the request",
        "GET /overlay?domaci=Sokol&scale=1.5 HTTP/1.1\r\nHost: x\r\n\r\nGET / HTTP/1.1\r\n", ok,
        html, "*");
    row("match sheet, built when asked", "GET /zapis HTTP/1.1\r\nHost: x\r\n\r\n", ok, html + live,
        "<h1>Zápis</h1>");
    row("script", "GET /feed.js HTTP/1.1\r\nHost: x\r\n\r\n", ok,
        { "Content-Type: text/javascript; charset=utf-8" }, "*");
    row("POST refused", "POST /state.json HTTP/1.1\r\nHost: x\r\n\r\n{}", "405 Method Not Allowed",
        { "Allow: GET, HEAD" }, "*");
    row("unknown path", "GET /board.html HTTP/1.1\r\nHost: x\r\n\r\n", "404 Not Found", {}, "*");
    row("not HTTP", "hello\r\n\r\n", "400 Bad Request", {}, "*");
    row("HTTP/1.1 without Host", "GET / HTTP/1.1\r\n\r\n", "400 Bad Request", {}, "*");
    row("TLS handshake: refused at once", "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03",
        "400 Bad Request", {}, "*");
    row("target over 8 KiB", "GET /" + QByteArray(8192, 'x') + " HTTP/1.1\r\n\r\n",
        "414 URI Too Long", {}, "*");
    row("head over 8 KiB", "GET / HTTP/1.1\r\nX: " + QByteArray(8192, 'x') + "\r\n\r\n",
        "431 Request Header Fields Too Large", {}, "*");
}

void TestFeed::answers()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, status);
    QFETCH(QByteArrayList, headers);
    QFETCH(QByteArray, body);

    const auto server = listening();
    const QByteArray answer = received(*client(*server, request));
    const qsizetype end = answer.indexOf("\r\n\r\n");
    QVERIFY2(end > 0, answer.constData());
    const QByteArrayList lines = answer.first(end + 2).split('\n');
    QCOMPARE(lines.first(), "HTTP/1.1 " + status + '\r');
    for (const QByteArray &header : headers + QByteArrayList { "Connection: close" }) {
        const QByteArray name = header.first(header.indexOf(':') + 1);
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const QByteArray &l) { return l.startsWith(name); });
        QCOMPARE(line == lines.end() ? QByteArray() : line->chopped(1), header);
    }
    const QByteArray sent = answer.sliced(end + 4);
    QCOMPARE(body == "*" && !sent.isEmpty() ? "*" : sent, body);
    QTRY_COMPARE(server->connectionCount(), 0);
}

void TestFeed::streamStartsWithTheStateThenOneEventPerChange()
{
    Limits limits;
    limits.heartbeatMs = 1000;
    const auto server = listening(limits);
    const auto socket
        = client(*server, "GET /events HTTP/1.1\r\nHost: x\r\nAccept: text/event-stream\r\n\r\n");
    const QByteArray first = received(*socket, oneEvent);
    QVERIFY2(first.startsWith("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"),
             first.constData());
    QVERIFY2(first.endsWith("\r\n\r\nretry: 1000\ndata: " + state(1, 5) + "\n\n"),
             first.constData());
    // The same board again is no change; the next change is the next event.
    server->setBoard(board(5));
    server->setBoard(board(6));
    QCOMPARE(received(*socket, oneEvent), "data: " + state(2, 6) + "\n\n");
    // Then quiet: a beat that pages see, which is no state.
    QCOMPARE(received(*socket, oneEvent), "event: beat\ndata: 1\n\n");
}

void TestFeed::silentConnectionClosed()
{
    Limits limits;
    limits.requestTimeoutMs = 50;
    const auto server = listening(limits);
    QCOMPARE(received(*client(*server, "GET / HTTP/1.1\r\n")), QByteArray());
}

void TestFeed::connectionOverTheLimitClosed_data()
{
    QTest::addColumn<QByteArray>("request"); // what each of 64 connections from 127.0.0.2 sends
    QTest::addColumn<int>("held");           // how many of them stay
    QTest::addColumn<QHostAddress>("newcomer");
    QTest::addColumn<bool>("answered"); // or closed at once

    const QByteArray events = "GET /events HTTP/1.1\r\nHost: x\r\n\r\n";
    const QHostAddress one(QStringLiteral("127.0.0.2"));
    QTest::newRow("64 silent, a 65th from the same address closed")
        << QByteArray() << 64 << one << false;
    QTest::newRow("64 silent, ::1 answered")
        << QByteArray() << 64 << QHostAddress(QHostAddress::LocalHostIPv6) << true;
    QTest::newRow("64 streams, 4 kept, 127.0.0.3 answered")
        << events << 4 << QHostAddress(QStringLiteral("127.0.0.3")) << true;
}

void TestFeed::connectionOverTheLimitClosed()
{
    QFETCH(QByteArray, request);
    QFETCH(int, held);
    QFETCH(QHostAddress, newcomer);
    QFETCH(bool, answered);

    const auto server = listening(); // 64 at once by default
    std::vector<std::unique_ptr<QTcpSocket>> open;
    for (int i = 0; i < 64; ++i) {
        open.push_back(client(*server, request, QHostAddress(QStringLiteral("127.0.0.2"))));
    }
    QTRY_COMPARE(server->connectionCount(), held);
    const QByteArray got
        = received(*client(*server, "GET /state.json HTTP/1.1\r\nHost: x\r\n\r\n", newcomer));
    QCOMPARE(got.startsWith("HTTP/1.1 200 OK"), answered);
    QTRY_COMPARE(server->connectionCount(), held);
}

void TestFeed::slowReaderDropped_data()
{
    QTest::addColumn<qint64>("maxPendingBytes");
    QTest::addColumn<int>("maxStallMs");
    QTest::newRow("4 KiB waiting") << qint64(4096) << 60'000;
    QTest::newRow("bytes waiting 0.5 s") << (qint64(1) << 30) << 500;
}

void TestFeed::slowReaderDropped()
{
    QFETCH(qint64, maxPendingBytes);
    QFETCH(int, maxStallMs);
    Limits limits;
    limits.maxPendingBytes = maxPendingBytes;
    limits.maxStallMs = maxStallMs;
    const auto server = listening(limits);
    const QByteArray events = "GET /events HTTP/1.1\r\nHost: x\r\n\r\n";
    const auto reader = client(*server, events);
    const auto stalled = client(*server, events);
    stalled->setReadBufferSize(1); // takes no more from the system than that
    QTRY_COMPARE(server->streamCount(), 2);
    // Changes until the system's buffers are full and bytes wait for the stalled reader.
    for (int i = 0; i < 1'000'000 && server->streamCount() == 2; ++i) {
        server->setBoard(board(i % 10, i / 10 % 10));
        reader->readAll();
        QCoreApplication::processEvents();
    }
    QCOMPARE(server->connectionCount(), 1);
    QCOMPARE(reader->state(), QAbstractSocket::ConnectedState);
}

QTEST_GUILESS_MAIN(TestFeed)
#include "tst_feed.moc"
