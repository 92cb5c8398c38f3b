#pragma once

#include "feed/board.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QTcpServer;
class QTcpSocket;

namespace feed {

struct Request;

/// What the server allows each client; the defaults are the program's.
struct Limits
{
    qsizetype maxRequestBytes = 8 * 1024; ///< request line and headers
    int requestTimeoutMs = 10'000;        ///< to send a whole request, and to take the answer
    int maxConnections = 64;              ///< open at once; see Server::accept for who goes
    int maxStreamsPerAddress = 4;         ///< event streams of one client address at once
    qint64 maxPendingBytes = 64 * 1024;   ///< unsent to an event stream before it is dropped
    int maxStallMs = 60'000;              ///< how long a stream's unsent bytes may wait
    int streamSendBuffer = 8 * 1024;      ///< the system's send buffer of an event stream
    int heartbeatMs = 3'000;              ///< a beat on every stream after this long quiet
    int lingerMs = 2'000; ///< after an answer, how long what the client still sends is read
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

    /// Opens the port (0: any free one) on the loopback addresses (127.0.0.1, and ::1 where the
    /// machine has it), or on every interface. False when it cannot; errorString() says why.
    bool listen(quint16 port, bool everyInterface);
    QString errorString() const;
    /// The port bound; 0 before a successful listen().
    quint16 port() const;

    /// What the board shows now. Only a change does any work: it counts, builds the state
    /// once and queues the same event to every stream.
    void setBoard(const Board &board);
    /// The state last built, as /state.json answers it.
    QByteArray stateJson() const { return m_json; }
    /// What /zapis answers: a page built when it is asked for (the match sheet so far). Unset,
    /// /zapis is not found.
    void setSheet(std::function<QByteArray()> sheet) { m_sheet = std::move(sheet); }

    int connectionCount() const { return int(m_clients.size()); }
    int streamCount() const { return int(m_streams.size()); }

private:
    enum class Phase { Reading, Streaming, Closing };
    struct Client
    {
        QByteArray head;
        Phase phase = Phase::Reading;
        QTimer *deadline = nullptr;
        QHostAddress address;    ///< the client's, IPv4 as such also when it came over IPv6
        quint64 order = 0;       ///< counts up with every connection accepted: lower is older
        QElapsedTimer stalled;   ///< valid while bytes wait to go out to the stream
        bool halfClosed = false; ///< the answer is out and the sending side is shut
    };

    void accept(QTcpServer *server);
    /// At the connection limit: closes the oldest connection of the address holding the most,
    /// when that holds more than `address` would with the newcomer. False when none goes.
    bool makeRoomFor(const QHostAddress &address);
    void wrote(QTcpSocket *socket);
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, Client &client, const Request &request);
    /// Sends a whole answer and closes once it is out (or after the time-out).
    void finish(QTcpSocket *socket, Client &client, const QByteArray &bytes);
    void startStream(QTcpSocket *socket, Client &client, bool withBody);
    void sendToStreams(const QByteArray &bytes);
    void drop(QTcpSocket *socket);

    Limits m_limits;
    QList<QTcpServer *> m_servers; ///< one, or the IPv4 and the IPv6 loopback
    QHash<QTcpSocket *, Client> m_clients;
    QList<QTcpSocket *> m_streams; ///< oldest first
    QTimer m_heartbeat;
    quint64 m_accepted = 0;
    Board m_board;
    quint64 m_seq = 0;
    QByteArray m_json;
    QByteArray m_event;
    std::function<QByteArray()> m_sheet;
};

/// The host name to put in the feed's address: "localhost" for the loopback; for every
/// interface, the hall's address (see hallAddress: the default gateway's adapter, no virtual
/// or VPN adapter), else the computer's name.
QString hostForAddress(bool everyInterface);

} // namespace feed
