#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>

// A Radicale server of our own for a test: on 127.0.0.1 at a free port, its
// storage in a temporary folder, one user with a plain password. Stopped and
// started again it keeps its storage and its address; it stops when destroyed.
class RadicaleServer {
public:
    RadicaleServer();
    ~RadicaleServer();

    // Starts the server and waits until it answers; false, with why in
    // errorText(), when it did not come up.
    bool start();
    void stop();

    QUrl url() const; // the server's root
    QString user() const { return QStringLiteral("ana"); }
    QString password() const { return QStringLiteral("s3nha-de-teste"); }
    QString errorText() const { return m_error; }
    // The server's storage folder: collection-root/<user>/<book>/ holds a book's
    // cards, one file each, read as they are when the server is stopped.
    QString storageFolder() const { return m_dir.filePath(QStringLiteral("collections")); }
    // Writes count cards (card(i) each, as cartao-i.vcf) straight into the
    // storage of the user's address book named book, the server stopped
    // meanwhile: many cards in little time. False, with why in errorText(),
    // when a card could not be written or the server did not come back.
    bool writeCards(const QString& book, int count, const std::function<QByteArray(int)>& card);

    // A new address book of the user; its URL, or an empty one when refused.
    QUrl createAddressBook(const QString& name, const QString& displayName);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
