#include "radicaleserver.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

namespace {

// The system's own Python, the one the server is installed for.
const QString Python = QStringLiteral("/usr/bin/python3");

bool write(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

} // namespace

RadicaleServer::RadicaleServer()
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

RadicaleServer::~RadicaleServer()
{
    stop();
}

QUrl RadicaleServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_port));
}

bool RadicaleServer::start()
{
    m_error.clear();
    if (!m_dir.isValid()) {
        m_error = m_dir.errorString();
        return false;
    }
    if (m_port == 0) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) {
            m_error = probe.errorString();
            return false;
        }
        m_port = probe.serverPort();
    }
    const QString config = m_dir.filePath(QStringLiteral("config"));
    const QByteArray settings = QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n"
                                               "[auth]\ntype = htpasswd\nhtpasswd_filename = %2\n"
                                               "htpasswd_encryption = plain\ndelay = 0\n"
                                               "[storage]\nfilesystem_folder = %3\n"
                                               "[rights]\ntype = owner_only\n"
                                               "[web]\ntype = none\n"
                                               "[logging]\nlevel = warning\n")
                                    .arg(m_port)
                                    .arg(m_dir.filePath(QStringLiteral("users")),
                                         m_dir.filePath(QStringLiteral("collections")))
                                    .toUtf8();
    if (!write(config, settings) ||
        !write(m_dir.filePath(QStringLiteral("users")), (user() + ':' + password()).toUtf8())) {
        m_error = QStringLiteral("cannot write the server's configuration in %1").arg(m_dir.path());
        return false;
    }
    // A test that crashes takes its server with it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(Python, {QStringLiteral("-m"), QStringLiteral("radicale"),
                             QStringLiteral("--config"), config});
    const bool answering = QTest::qWaitFor(
        [this] {
            if (m_process.state() == QProcess::NotRunning)
                return true;
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            return socket.waitForConnected(200);
        },
        15000);
    if (!answering || m_process.state() == QProcess::NotRunning) {
        m_error = QStringLiteral("the server did not come up: %1")
                      .arg(QString::fromLocal8Bit(m_process.readAll()));
        stop();
        return false;
    }
    return true;
}

void RadicaleServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QUrl RadicaleServer::createAddressBook(const QString& name, const QString& displayName)
{
    QUrl book = url().resolved(QUrl(user() + '/' + name + '/'));
    QNetworkRequest request(book);
    request.setRawHeader("Authorization",
                         "Basic " + (user() + ':' + password()).toUtf8().toBase64());
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/xml; charset=utf-8");
    QString body =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
            "<d:mkcol xmlns:d=\"DAV:\" xmlns:card=\"urn:ietf:params:xml:ns:carddav\">"
            "<d:set><d:prop><d:resourcetype><d:collection/><card:addressbook/></d:resourcetype>"
            "<d:displayname>%1</d:displayname></d:prop></d:set></d:mkcol>")
            .arg(displayName.toHtmlEscaped());
    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(
        network.sendCustomRequest(request, "MKCOL", body.toUtf8()));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 201) {
        m_error = QStringLiteral("MKCOL %1 answered %2").arg(book.toString()).arg(status);
        return {};
    }
    return book;
}

bool RadicaleServer::writeCards(const QString& book, int count,
                                const std::function<QByteArray(int)>& card)
{
    stop();
    const QString folder =
        storageFolder() + QStringLiteral("/collection-root/%1/%2").arg(user(), book);
    if (!QFile::exists(folder + QStringLiteral("/.Radicale.props"))) {
        m_error = QStringLiteral("no address book in %1").arg(folder);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        QFile file(folder + QStringLiteral("/cartao-%1.vcf").arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(card(i)) < 0) {
            m_error = file.fileName() + QStringLiteral(": ") + file.errorString();
            return false;
        }
    }
    return start();
}
