#include "tests/support/LocalHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace pelmar::test {

LocalHttpServer::LocalHttpServer(Responder responder)
    : m_responder(std::move(responder))
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &LocalHttpServer::onConnection);
}

LocalHttpServer::~LocalHttpServer()
{
    for (QTcpSocket* s : m_sockets) {
        s->abort();
        delete s;
    }
}

QUrl LocalHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

QByteArray LocalHttpServer::reply(const QByteArray& statusLine, const QByteArray& body, const QByteArray& extraHeaders)
{
    return statusLine + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders
        + "Connection: close\r\n\r\n" + body;
}

QByteArray LocalHttpServer::replyUntilClose(const QByteArray& statusLine, const QByteArray& body)
{
    return statusLine + "\r\nConnection: close\r\n\r\n" + body;
}

void LocalHttpServer::onConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(nullptr);
        m_sockets.append(socket);
        auto head = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
            *head += socket->readAll();
            const qsizetype end = head->indexOf("\r\n\r\n");
            if (end < 0 || head->isEmpty())
                return;
            const QByteArray request = head->left(end + 4);
            head->clear();
            m_requests.append(request);
            const QByteArray answer = m_responder(request);
            if (answer.isEmpty())
                return; // the silent server
            socket->write(answer);
            socket->disconnectFromHost();
        });
    }
}

QByteArray headerValue(const QByteArray& requestHead, const QByteArray& name)
{
    const QList<QByteArray> lines = requestHead.split('\n');
    for (QByteArray line : lines) {
        line = line.trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

} // namespace pelmar::test
