#include "feed/server.h"

#include "feed/request.h"

#include <QFile>
#include <QHostInfo>
#include <QNetworkInterface>
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
    , m_server(new QTcpServer(this))
{
    m_json = toJson(m_board, m_seq);
    m_event = "data: " + m_json + "\n\n";
    m_keepAlive.setInterval(m_limits.keepAliveMs);
    connect(&m_keepAlive, &QTimer::timeout, this,
            [this] { sendToStreams(QByteArrayLiteral(": keep-alive\n\n")); });
    connect(m_server, &QTcpServer::newConnection, this, &Server::accept);
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
    return m_server->listen(everyInterface ? QHostAddress::Any : QHostAddress::LocalHost, port);
}

QString Server::errorString() const
{
    return m_server->errorString();
}

quint16 Server::port() const
{
    return m_server->serverPort();
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

void Server::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_clients.size() >= m_limits.maxConnections) {
            socket->abort();
            delete socket;
            continue;
        }
        Client &client = m_clients[socket];
        client.deadline = new QTimer(socket);
        client.deadline->setSingleShot(true);
        client.deadline->start(m_limits.requestTimeoutMs);
        connect(client.deadline, &QTimer::timeout, this, [this, socket] { drop(socket); });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
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
    socket->write(bytes);
    socket->disconnectFromHost(); // may drop the socket at once when everything went out
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
    client.phase = Phase::Streaming;
    client.deadline->stop();
    m_streams.append(socket);
    if (!m_keepAlive.isActive()) {
        m_keepAlive.start();
    }
    // The page rebuilds itself from this first event after every (re)connection.
    socket->write(headers + "retry: 1000\n" + m_event);
}

void Server::sendToStreams(const QByteArray &bytes)
{
    if (m_streams.isEmpty()) {
        return;
    }
    m_keepAlive.start(); // quiet is counted from the last thing sent
    QList<QTcpSocket *> slow;
    for (QTcpSocket *socket : std::as_const(m_streams)) {
        socket->write(bytes);
        if (socket->bytesToWrite() >= m_limits.maxPendingBytes) {
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
        m_keepAlive.stop();
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
    // Wired and wireless adapters first: virtual ones (VPNs, virtual machines) come up too, but a
    // TV cannot reach them; a self-assigned address only when nothing better exists.
    const auto wanted = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
    for (const bool strict : { true, false }) {
        for (const QNetworkInterface &adapter : QNetworkInterface::allInterfaces()) {
            const auto type = adapter.type();
            if ((adapter.flags() & wanted) != wanted
                || adapter.flags().testFlag(QNetworkInterface::IsLoopBack)
                || (strict && type != QNetworkInterface::Ethernet
                    && type != QNetworkInterface::Wifi)) {
                continue;
            }
            for (const QNetworkAddressEntry &entry : adapter.addressEntries()) {
                const QHostAddress ip = entry.ip();
                if (ip.protocol() == QAbstractSocket::IPv4Protocol
                    && !(strict && ip.isLinkLocal())) {
                    return ip.toString();
                }
            }
        }
    }
    return QHostInfo::localHostName();
}

} // namespace feed
