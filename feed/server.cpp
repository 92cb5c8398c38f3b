#include "feed/server.h"

#include "feed/hall_address.h"
#include "feed/request.h"
#include "platform/network.h"

#include <QFile>
#include <QHostInfo>
#include <QTcpServer>
#include <QTcpSocket>

namespace feed {
namespace {

const QByteArray jsonType = QByteArrayLiteral("application/json");
const QByteArray htmlType = QByteArrayLiteral("text/html; charset=utf-8");
const QByteArray scriptType = QByteArrayLiteral("text/javascript; charset=utf-8");
const QByteArray textType = QByteArrayLiteral("text/plain; charset=utf-8");
// What the state and the stream add: never cached, readable by pages from anywhere.
const QByteArray liveHeaders
    = QByteArrayLiteral("Cache-Control: no-store\r\nAccess-Control-Allow-Origin: *\r\n");
// A named event that pages see (a comment would not reach their script): while beats come, the
// console lives; a page that hears nothing for twice the interval shows that it is stale.
const QByteArray beat = QByteArrayLiteral("event: beat\ndata: 1\n\n");

/// IPv4 clients count as one address whether they came over IPv4 or IPv6 (::ffff:a.b.c.d).
QHostAddress plainAddress(const QHostAddress &address)
{
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    return isIpv4 ? QHostAddress(ipv4) : address;
}

QByteArray response(const QByteArray &status, const QByteArray &type, const QByteArray &body,
                    bool withBody, const QByteArray &extraHeaders = {})
{
    QByteArray bytes = "HTTP/1.1 " + status + "\r\nContent-Type: " + type
                       + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n"
                       + extraHeaders + "Connection: close\r\n\r\n";
    if (withBody) {
        bytes += body;
    }
    return bytes;
}

QByteArray errorResponse(const QByteArray &status, bool withBody,
                         const QByteArray &extraHeaders = {})
{
    return response(status, textType, status + '\n', withBody, extraHeaders);
}

/// The page compiled in under :/feed, or nothing for a path that has none.
const char *pageFor(const QByteArray &path, QByteArray &type)
{
    if (path == "/") {
        type = htmlType;
        return ":/feed/board.html";
    }
    if (path == "/overlay") {
        type = htmlType;
        return ":/feed/overlay.html";
    }
    if (path == "/feed.js") {
        type = scriptType;
        return ":/feed/feed.js";
    }
    return nullptr;
}

} // namespace

Server::Server(QObject *parent)
    : Server(Limits(), parent)
{
}

Server::Server(const Limits &limits, QObject *parent)
    : QObject(parent)
    , m_limits(limits)
{
    m_json = toJson(m_board, m_seq);
    m_event = "data: " + m_json + "\n\n";
    m_heartbeat.setInterval(m_limits.heartbeatMs);
    connect(&m_heartbeat, &QTimer::timeout, this, [this] { sendToStreams(beat); });
}

Server::~Server()
{
    const QList<QTcpSocket *> sockets = m_clients.keys();
    for (QTcpSocket *socket : sockets) {
        drop(socket);
    }
}

bool Server::listen(quint16 port, bool everyInterface)
{
    // The title says "localhost", which a client may resolve to ::1 as well as to 127.0.0.1:
    // both are served, on the same port. A machine without ::1 is served on 127.0.0.1 alone.
    const QList<QHostAddress> addresses
        = everyInterface
              ? QList<QHostAddress> { QHostAddress::Any }
              : QList<QHostAddress> { QHostAddress::LocalHost, QHostAddress::LocalHostIPv6 };
    qDeleteAll(m_servers);
    m_servers.clear();
    for (const QHostAddress &address : addresses) {
        auto *server = new QTcpServer(this);
        if (!server->listen(address, port) && !m_servers.isEmpty()) {
            delete server; // no ::1 on this machine, or another program holds its port
            continue;
        }
        m_servers.append(server); // a first one that failed stays for errorString()
        if (!server->isListening()) {
            return false;
        }
        connect(server, &QTcpServer::newConnection, this, [this, server] { accept(server); });
        port = server->serverPort();
    }
    return true;
}

QString Server::errorString() const
{
    return m_servers.isEmpty() ? QString() : m_servers.first()->errorString();
}

quint16 Server::port() const
{
    return m_servers.isEmpty() ? 0 : m_servers.first()->serverPort();
}

void Server::setBoard(const Board &board)
{
    if (board == m_board) {
        return;
    }
    m_board = board;
    ++m_seq;
    m_json = toJson(m_board, m_seq);
    m_event = "data: " + m_json + "\n\n";
    sendToStreams(m_event);
}

void Server::accept(QTcpServer *server)
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        const QHostAddress address = plainAddress(socket->peerAddress());
        if (m_clients.size() >= m_limits.maxConnections && !makeRoomFor(address)) {
            socket->abort();
            delete socket;
            continue;
        }
        Client &client = m_clients[socket];
        client.address = address;
        client.order = ++m_accepted;
        client.deadline = new QTimer(socket);
        client.deadline->setSingleShot(true);
        client.deadline->start(m_limits.requestTimeoutMs);
        connect(client.deadline, &QTimer::timeout, this, [this, socket] { drop(socket); });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { wrote(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        // A client that closes its sending side after the request still gets the answer:
        // Qt closes gracefully then. Every other fault ends the connection.
        connect(socket, &QTcpSocket::errorOccurred, this,
                [this, socket](QAbstractSocket::SocketError error) {
                    if (error != QAbstractSocket::RemoteHostClosedError) {
                        drop(socket);
                    }
                });
        // Whatever came with the connection is there already.
        if (socket->bytesAvailable() > 0) {
            readFrom(socket);
        }
    }
}

bool Server::makeRoomFor(const QHostAddress &address)
{
    // Many connections from one address (a page reloading in a loop, a tool gone wild) must
    // not shut out a TV at another: the address holding the most gives up its oldest.
    QHash<QHostAddress, int> held;
    for (const Client &client : std::as_const(m_clients)) {
        ++held[client.address];
    }
    QHostAddress busiest;
    for (auto it = held.cbegin(); it != held.cend(); ++it) {
        if (busiest.isNull() || it.value() > held.value(busiest)) {
            busiest = it.key();
        }
    }
    if (held.value(busiest) <= held.value(address) + 1) {
        return false;
    }
    QTcpSocket *oldest = nullptr;
    quint64 oldestOrder = 0;
    for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it) {
        if (it->address == busiest && (oldest == nullptr || it->order < oldestOrder)) {
            oldest = it.key();
            oldestOrder = it->order;
        }
    }
    drop(oldest);
    return true;
}

void Server::wrote(QTcpSocket *socket)
{
    const auto found = m_clients.find(socket);
    if (found == m_clients.end() || socket->bytesToWrite() > 0) {
        return;
    }
    Client &client = *found;
    client.stalled.invalidate();
    if (client.phase == Phase::Closing && !client.halfClosed) {
        // The answer is out: end the sending side and read on until the client closes, so
        // that bytes it sent after its request (a body) cannot turn the close into a reset
        // that wipes the answer before the client has read it.
        client.halfClosed = true;
        platform::shutdownSending(socket->socketDescriptor());
        client.deadline->start(m_limits.lingerMs);
    }
}

void Server::readFrom(QTcpSocket *socket)
{
    const auto found = m_clients.find(socket);
    if (found == m_clients.end()) {
        return;
    }
    Client &client = *found;
    if (client.phase != Phase::Reading) {
        socket->skip(socket->bytesAvailable()); // after the request: ignored
        return;
    }
    // Never more than the limit: a head that fills it without ending is too large.
    client.head += socket->read(m_limits.maxRequestBytes - client.head.size());
    const Request request = parseRequest(client.head, m_limits.maxRequestBytes);
    switch (request.status) {
    case Request::Status::NeedMore:
        return;
    case Request::Status::Bad:
        finish(socket, client, errorResponse("400 Bad Request", true));
        return;
    case Request::Status::TooLarge:
        finish(socket, client, errorResponse("431 Request Header Fields Too Large", true));
        return;
    case Request::Status::TargetTooLong:
        finish(socket, client, errorResponse("414 URI Too Long", true));
        return;
    case Request::Status::Complete:
        client.head.clear();
        socket->skip(socket->bytesAvailable());
        answer(socket, client, request);
        return;
    }
}

void Server::answer(QTcpSocket *socket, Client &client, const Request &request)
{
    const bool head = request.method == "HEAD";
    if (request.method != "GET" && !head) {
        finish(socket, client,
               errorResponse("405 Method Not Allowed", true, "Allow: GET, HEAD\r\n"));
        return;
    }
    if (request.path == "/events") {
        startStream(socket, client, !head);
        return;
    }
    if (request.path == "/state.json") {
        finish(socket, client, response("200 OK", jsonType, m_json, !head, liveHeaders));
        return;
    }
    if (request.path == "/zapis" && m_sheet) {
        finish(socket, client, response("200 OK", htmlType, m_sheet(), !head, liveHeaders));
        return;
    }
    QByteArray type;
    if (const char *name = pageFor(request.path, type)) {
        QFile page(QString::fromLatin1(name));
        if (page.open(QIODevice::ReadOnly)) {
            finish(socket, client,
                   response("200 OK", type, page.readAll(), !head, "Cache-Control: no-cache\r\n"));
            return;
        }
    }
    finish(socket, client, errorResponse("404 Not Found", !head));
}

void Server::finish(QTcpSocket *socket, Client &client, const QByteArray &bytes)
{
    client.phase = Phase::Closing;
    client.head.clear();
    // A client that does not take its answer does not keep its place for ever.
    client.deadline->start(m_limits.requestTimeoutMs);
    socket->write(bytes); // wrote() closes the sending side once it is out
}

void Server::startStream(QTcpSocket *socket, Client &client, bool withBody)
{
    const QByteArray headers = QByteArrayLiteral("HTTP/1.1 200 OK\r\n"
                                                 "Content-Type: text/event-stream\r\n")
                               + liveHeaders + "\r\n";
    if (!withBody) {
        finish(socket, client, headers.chopped(2) + "Connection: close\r\n\r\n");
        return;
    }
    // A few streams per address: the next one ends that address's oldest, so that one client
    // cannot hold every place while a screen elsewhere is turned away.
    QList<QTcpSocket *> sameAddress;
    for (QTcpSocket *stream : std::as_const(m_streams)) {
        if (m_clients.find(stream)->address == client.address) {
            sameAddress.append(stream);
        }
    }
    client.phase = Phase::Streaming;
    client.deadline->stop();
    // Dropping moves the hash's entries: `client` is not used after this.
    for (qsizetype i = 0; i + m_limits.maxStreamsPerAddress <= sameAddress.size(); ++i) {
        drop(sameAddress.at(i));
    }
    m_streams.append(socket);
    if (!m_heartbeat.isActive()) {
        m_heartbeat.start();
    }
    // What the system holds for a reader that reads nothing counts as sent; a small buffer
    // keeps that little, so that such a reader is seen by what waits here.
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, m_limits.streamSendBuffer);
    // The page rebuilds itself from this first event after every (re)connection.
    socket->write(headers + "retry: 1000\n" + m_event);
}

void Server::sendToStreams(const QByteArray &bytes)
{
    if (m_streams.isEmpty()) {
        return;
    }
    m_heartbeat.start(); // quiet is counted from the last thing sent
    QList<QTcpSocket *> slow;
    for (QTcpSocket *socket : std::as_const(m_streams)) {
        Client &client = m_clients[socket];
        if (!client.stalled.isValid()) {
            client.stalled.start(); // until wrote() sees everything out
        }
        socket->write(bytes);
        // Too much waiting, or waiting too long: a reader that takes nothing is dropped.
        if (socket->bytesToWrite() >= m_limits.maxPendingBytes
            || client.stalled.hasExpired(m_limits.maxStallMs)) {
            slow.append(socket);
        }
    }
    for (QTcpSocket *socket : std::as_const(slow)) {
        drop(socket);
    }
}

void Server::drop(QTcpSocket *socket)
{
    if (!m_clients.remove(socket)) {
        return;
    }
    m_streams.removeOne(socket);
    if (m_streams.isEmpty()) {
        m_heartbeat.stop();
    }
    // Cut loose first: abort() emits disconnected, which must not come back here.
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

QString hostForAddress(bool everyInterface)
{
    if (!everyInterface) {
        return QStringLiteral("localhost");
    }
    const QString address = hallAddress(localCandidates());
    return address.isEmpty() ? QHostInfo::localHostName() : address;
}

} // namespace feed
