#include "StubHttpServer.h"

#include <QTcpSocket>

StubHttpServer::StubHttpServer(QObject* parent) : QTcpServer(parent) {
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, &StubHttpServer::onNewConnection);
}

QByteArray StubHttpServer::jsonResponse(const QByteArray& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QUrl StubHttpServer::baseUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(serverPort()));
}

void StubHttpServer::onNewConnection() {
    while (QTcpSocket* socket = nextPendingConnection()) {
        socket->setParent(this);
        socket->setProperty("head", QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    }
}

void StubHttpServer::onReadyRead(QTcpSocket* socket) {
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", head);
    if (socket->property("answered").toBool() || !head.contains("\r\n\r\n")) {
        return;
    }
    // Requests with a body are recorded as soon as their head is in.
    socket->setProperty("answered", true);
    m_requestLines.append(head.left(head.indexOf("\r\n")));
    switch (m_mode) {
        case Answer:
            socket->write(m_response);
            socket->disconnectFromHost();
            break;
        case SilentAfterHeaders:
            socket->write(m_response);
            socket->flush();
            break;
        case NeverAnswer:
            break;
    }
}
