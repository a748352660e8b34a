#pragma once

#include "database.h"
#include "engine.h"
#include "localchanges.h"
#include "syncstate.h"

#include <QHash>
#include <QSet>
#include <QUrl>

namespace carddav {
struct Error;
}

namespace syncengine {

// A card as the server holds it now.
struct ServerCard {
    QByteArray etag;
    QString text;
};

// A card no link knows: a contact to add, or one paired with a new contact of
// equal values (pairedRow, an index into the picture's unlinked rows).
struct NewCard {
    QString href;
    QString uid;
    contact::Record values;
    int pairedRow = -1;
};

class Engine {
public:
    Engine(const QString& book, carddav::Client& client, const SyncOptions& options);
    Summary run();

private:
    bool runLocked();
    bool readServer();
    bool readBook();
    bool relinkMoved();
    void plan();
    bool checkDeletions();
    bool makeBackup();
    bool applyLinks();
    bool pushNewContacts();
    bool finish();

    // One linked contact brought in step with its card.
    bool settle(syncstate::Link link, const localchanges::LocalState& local);
    // Both sides' changes merged, sent and stored; server is what the server
    // holds now (the link's own card when it did not change).
    bool reconcile(syncstate::Link link, contact::Record mine, qint64 row, ServerCard server,
                   bool serverChanged);
    bool removeCard(const syncstate::Link& link, const localchanges::LocalState& local);
    bool recreateCard(const syncstate::Link& link, const localchanges::LocalState& local);
    bool addFromCard(const QString& href, const ServerCard& card, const contact::Record& values,
                     const QString& dropHref = {});

    // The card at href, fetched again; false when the server has it no more.
    bool refetch(const QString& href, ServerCard* card);
    // Per contact: a refusal is named and the sync goes on; a server gone
    // stops it.
    bool refused(const carddav::Error& error, const QString& name);
    StoreError write(const std::function<StoreError(QSqlQuery&)>& work);
    StoreError saveLink(QSqlQuery& q, const syncstate::Link& link);
    void name(const QString& line);
    void step();
    QString now() const;
    bool fail(const QString& error);
    bool fail(const StoreError& error);
    bool fail(const carddav::Error& error);

    QString m_book;
    carddav::Client& m_client;
    SyncOptions m_options;
    database::Connection m_connection;
    QSqlDatabase m_db;
    syncstate::Account m_account;
    QUrl m_bookUrl;
    Summary m_summary;

    QList<syncstate::Link> m_links;
    QHash<QString, ServerCard> m_cards; // changed or new on the server, fetched
    QSet<QString> m_removed;            // gone from the server
    QSet<QString> m_reportedRemoved;    // ...of those, the ones it said were deleted
    QString m_token;
    qint64 m_serverCount = 0;
    qint64 m_bookCount = 0;
    qint64 m_lastLogged = 0;
    localchanges::Picture m_picture;
    QList<NewCard> m_newCards;
    QSet<int> m_paired;
    QStringList m_localDeletions;
    QStringList m_remoteDeletions;
    bool m_largeDeletion = false;
    QList<qint64> m_unsettled; // rows whose logged changes wait for the next sync
    QList<QPair<qint64, contact::Record>> m_conflictCopies;
    qint64 m_done = 0;
    qint64 m_unnamed = 0;
};

} // namespace syncengine
