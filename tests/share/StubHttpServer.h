#ifndef CORVIX_TEST_STUB_HTTP_SERVER_H
#define CORVIX_TEST_STUB_HTTP_SERVER_H

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A plain-http peer that misbehaves on purpose: it answers every request with one canned
// response, or sends only the start of it, or never answers at all. It records the request lines.
class StubHttpServer : public QTcpServer {
    Q_OBJECT
public:
    enum Mode { Answer, SilentAfterHeaders, NeverAnswer };

    explicit StubHttpServer(QObject* parent = nullptr);

    void setMode(Mode mode) { m_mode = mode; }
    // The whole response for Answer; its head (status line, headers, a first part of the body)
    // for SilentAfterHeaders.
    void setResponse(const QByteArray& response) { m_response = response; }
    static QByteArray jsonResponse(const QByteArray& body);

    QUrl baseUrl() const;
    QList<QByteArray> requestLines() const { return m_requestLines; }

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);

    Mode m_mode = Answer;
    QByteArray m_response;
    QList<QByteArray> m_requestLines;
};

#endif
