#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>
#include <functional>

class QTcpSocket;

namespace pelmar::test {

// A small HTTP server on 127.0.0.1 for the client's tests. It runs on the
// test's own thread: the client under test spins a local event loop, which
// also serves these sockets.
class LocalHttpServer : public QObject
{
public:
    // What to send for one request head; an empty reply means "never answer".
    using Responder = std::function<QByteArray(const QByteArray& requestHead)>;

    explicit LocalHttpServer(Responder responder);
    ~LocalHttpServer() override;

    QUrl url(const QString& path) const;
    quint16 port() const { return m_server.serverPort(); }
    const QList<QByteArray>& requests() const { return m_requests; }

    // A complete reply with a Content-Length and "Connection: close".
    static QByteArray reply(const QByteArray& statusLine, const QByteArray& body, const QByteArray& extraHeaders = {});
    // A reply whose body length is given only by closing the connection.
    static QByteArray replyUntilClose(const QByteArray& statusLine, const QByteArray& body);

private:
    void onConnection();

    QTcpServer m_server;
    Responder m_responder;
    QList<QByteArray> m_requests;
    QList<QTcpSocket*> m_sockets;
};

// The value of one header of a request head, or a null array.
QByteArray headerValue(const QByteArray& requestHead, const QByteArray& name);

} // namespace pelmar::test
