#pragma once

#include "feed/board.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpServer;
class QTcpSocket;

namespace feed {

struct Request;

/// What the server allows each client; the defaults are the program's.
struct Limits
{
    qsizetype maxRequestBytes = 8 * 1024; ///< request line and headers
    int requestTimeoutMs = 10'000;        ///< to send a whole request, and to take the answer
    int maxConnections = 64;              ///< open at once; any more are closed at once
    qint64 maxPendingBytes = 64 * 1024;   ///< unsent to an event stream before it is dropped
    int keepAliveMs = 15'000;             ///< a comment on every stream after this long quiet
};

/// The live feed: a read-only HTTP server for the board's pages, its state and a stream of
/// Server-Sent Events. Nothing a client sends reaches anything but this object; it runs on the
/// thread that created it and emits no signal, so a change handed over from inside a clock tick
/// can never lead back into the caller.
class Server final : public QObject
{
    Q_OBJECT

public:
    explicit Server(QObject *parent = nullptr);
    explicit Server(const Limits &limits, QObject *parent = nullptr);
    ~Server() override;

    /// Opens the port (0: any free one) on the loopback address, or on every interface.
    /// False when it cannot; errorString() says why.
    bool listen(quint16 port, bool everyInterface);
    QString errorString() const;
    /// The port bound; 0 before a successful listen().
    quint16 port() const;

    /// What the board shows now. Only a change does any work: it counts, builds the state
    /// once and queues the same event to every stream.
    void setBoard(const Board &board);
    /// The state last built, as /state.json answers it.
    QByteArray stateJson() const { return m_json; }

    int connectionCount() const { return int(m_clients.size()); }
    int streamCount() const { return int(m_streams.size()); }

private:
    enum class Phase { Reading, Streaming, Closing };
    struct Client
    {
        QByteArray head;
        Phase phase = Phase::Reading;
        QTimer *deadline = nullptr;
    };

    void accept();
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, Client &client, const Request &request);
    /// Sends a whole answer and closes once it is out (or after the time-out).
    void finish(QTcpSocket *socket, Client &client, const QByteArray &bytes);
    void startStream(QTcpSocket *socket, Client &client, bool withBody);
    void sendToStreams(const QByteArray &bytes);
    void drop(QTcpSocket *socket);

    Limits m_limits;
    QTcpServer *m_server;
    QHash<QTcpSocket *, Client> m_clients;
    QList<QTcpSocket *> m_streams;
    QTimer m_keepAlive;
    Board m_board;
    quint64 m_seq = 0;
    QByteArray m_json;
    QByteArray m_event;
};

/// The host name to put in the feed's address: "localhost" for the loopback; for every
/// interface, the first IPv4 address of an interface that is up and not the loopback (what a
/// TV in the hall can type), else the computer's name.
QString hostForAddress(bool everyInterface);

} // namespace feed
