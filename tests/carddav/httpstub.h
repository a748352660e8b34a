#pragma once

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QUrl>

#include <functional>
#include <memory>

// A small HTTP server of the test's own, on 127.0.0.1, for the answers a real
// server seldom gives. It serves in the test's thread, so the client's local
// event loop keeps it going. An empty answer is no answer at all. Given a TLS
// configuration it serves https.
class HttpStub {
public:
    struct Seen {
        QByteArray method;
        QByteArray path;
        QByteArray head; // the request line and the headers
        QByteArray body;
    };
    using Answer = std::function<QByteArray(const Seen&)>;

    explicit HttpStub(Answer answer, const QSslConfiguration& tls = {})
        : m_answer(std::move(answer)), m_tls(!tls.isNull())
    {
        if (m_tls) {
            auto* server = new QSslServer;
            server->setSslConfiguration(tls);
            m_server.reset(server);
        } else {
            m_server.reset(new QTcpServer);
        }
        m_server->listen(QHostAddress::LocalHost, 0);
        QObject::connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, m_server.get(),
                         [this] {
                             while (QTcpSocket* socket = m_server->nextPendingConnection())
                                 serve(socket);
                         });
    }

    QUrl url() const
    {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2/")
                        .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
                        .arg(port()));
    }
    quint16 port() const { return m_server->serverPort(); }
    QList<Seen> seen;

    // A certificate for 127.0.0.1 that no authority vouches for, and its SHA-256.
    static QSslConfiguration selfSigned()
    {
        QFile certificate(QStringLiteral(CARDDAV_TEST_DIR "/selfsigned.crt"));
        QFile key(QStringLiteral(CARDDAV_TEST_DIR "/selfsigned.key"));
        if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
            qFatal("the test certificate is missing");
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(&certificate));
        tls.setPrivateKey(QSslKey(&key, QSsl::Rsa));
        return tls;
    }
    static QByteArray fingerprint()
    {
        return selfSigned().localCertificate().digest(QCryptographicHash::Sha256).toHex();
    }

    static QByteArray answer(int status, const QByteArray& body = {},
                             const QByteArray& headers = {})
    {
        return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nConnection: close\r\n" +
               "Content-Type: application/xml; charset=utf-8\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\n" + headers + "\r\n" + body;
    }

private:
    void serve(QTcpSocket* socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype headEnd = buffer->indexOf("\r\n\r\n");
            if (headEnd < 0)
                return;
            qsizetype length = 0;
            for (const QByteArray& line : buffer->left(headEnd).split('\n')) {
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            }
            if (buffer->size() < headEnd + 4 + length)
                return;
            const QList<QByteArray> first = buffer->left(buffer->indexOf("\r\n")).split(' ');
            seen << Seen{first.value(0), first.value(1), buffer->left(headEnd),
                         buffer->mid(headEnd + 4, length)};
            buffer->clear();
            const QByteArray reply = m_answer(seen.last());
            if (reply.isEmpty())
                return;
            socket->write(reply);
            socket->disconnectFromHost();
        };
        QObject::connect(socket, &QTcpSocket::readyRead, socket, read);
        if (socket->bytesAvailable() > 0)
            read();
    }

    Answer m_answer;
    bool m_tls;
    std::unique_ptr<QTcpServer> m_server;
};
