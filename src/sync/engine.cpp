#include "engine.h"

#include "backup.h"
#include "carddavclient.h"
#include "cardfields.h"
#include "database.h"
#include "engine_p.h"
#include "fieldmerge.h"
#include "localchanges.h"
#include "usertexts.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QUuid>

namespace syncengine {

using localchanges::LocalState;

QString backupName(const QString& book, const QDate& day)
{
    const QFileInfo info(book);
    return info.dir().filePath(QStringLiteral("%1-antes-da-sincronizacao-%2.mdb")
                                   .arg(info.completeBaseName(), day.toString(Qt::ISODate)));
}

QString Summary::text() const
{
    using interchange::countText;
    QString line = QStringLiteral("Sincronizado com %1 em %2: %3, %4, %5, %6")
                       .arg(bookName, host, countText(received, "recebido", "recebidos"),
                            countText(sent, "enviado", "enviados"),
                            countText(deleted, "excluído", "excluídos"),
                            countText(conflicts, "conflito", "conflitos"));
    if (alreadyEqual > 0)
        line += QStringLiteral("; ") + countText(alreadyEqual, "contato já igual nos dois lados",
                                                 "contatos já iguais nos dois lados");
    return line;
}

Engine::Engine(const QString& book, carddav::Client& client, const SyncOptions& options)
    : m_book(book), m_client(client), m_options(options),
      m_connection(book, QStringLiteral("listrano-sync-%1").arg(quintptr(this)))
{
}

Summary Engine::run()
{
    QLockFile lock(m_book + QStringLiteral(".sincronizando"));
    // A sync killed while writing the lock file leaves it empty, naming no
    // owner: QLockFile takes such a file for stale only once it is older than
    // this (30 s unless told), and the next sync waited that long. A running
    // sync keeps its file locked (flock), so however old, it is never taken.
    lock.setStaleLockTime(1000);
    if (!lock.tryLock(m_options.lockWaitMs)) {
        m_summary.outcome = Summary::Busy;
        m_summary.error = QStringLiteral("Outra sincronização deste banco de dados está em "
                                         "andamento; tente de novo quando ela terminar.");
        return m_summary;
    }
    if (!runLocked() && m_summary.outcome == Summary::Done)
        m_summary.outcome = Summary::Failed;
    if (m_summary.outcome == Summary::Failed && m_connection.isOpen())
        (void)syncstate::saveError(m_connection.db(), now(), m_summary.error);
    return m_summary;
}

QString Engine::now() const
{
    return QDateTime::currentDateTime().toString(Qt::ISODate);
}

bool Engine::fail(const QString& error)
{
    m_summary.outcome = Summary::Failed;
    m_summary.error = error;
    return false;
}

bool Engine::fail(const StoreError& error)
{
    return fail(QStringLiteral("O banco de dados recusou: ") + error.explained());
}

bool Engine::fail(const carddav::Error& error)
{
    return fail(error.message);
}

bool Engine::runLocked()
{
    if (m_connection.error())
        return fail(m_connection.error());
    m_db = m_connection.db();
    const StoreResult<bool> setUp = syncstate::isSetUp(m_db);
    if (setUp.error)
        return fail(setUp.error);
    if (!setUp.value)
        return fail(QStringLiteral("Este banco de dados não está ligado a nenhum catálogo de "
                                   "endereços; ligue-o com --sync-setup."));
    const StoreResult<syncstate::Account> account = syncstate::account(m_db);
    if (account.error)
        return fail(account.error);
    m_account = account.value;
    m_bookUrl = QUrl(m_account.bookUrl);
    m_summary.bookName = m_account.bookName;
    m_summary.host = m_bookUrl.host();

    if (!readServer() || !readBook() || !relinkMoved())
        return false;
    plan();
    if (!checkDeletions())
        return false;
    if (!m_account.synced || m_largeDeletion) {
        if (!makeBackup())
            return false;
    }
    if (!applyLinks() || !pushNewContacts())
        return false;
    return finish();
}

bool Engine::readServer()
{
    QHash<QString, const syncstate::Link*> byHref;
    const StoreResult<QList<syncstate::Link>> links = syncstate::links(m_db);
    if (links.error)
        return fail(links.error);
    m_links = links.value;
    for (const syncstate::Link& l : m_links)
        byHref.insert(l.href, &l);

    carddav::Result<carddav::Changes> changes =
        m_client.changesSince(m_bookUrl, m_account.syncToken);
    bool full = m_account.syncToken.isEmpty();
    if (changes.error.kind == carddav::Error::InvalidSyncToken) {
        // The server forgot our token: every card is listed again, and the
        // links tell which are known.
        changes = m_client.changesSince(m_bookUrl, QString());
        full = true;
    }
    if (changes.error.kind == carddav::Error::Forbidden ||
        changes.error.kind == carddav::Error::Protocol) {
        // No sync-collection here: the ETags of every card, each time.
        const carddav::Result<QList<carddav::Entry>> listing = m_client.listing(m_bookUrl);
        if (!listing.ok())
            return fail(listing.error);
        changes = {};
        changes.value.changed = listing.value;
        full = true;
    } else if (!changes.ok()) {
        return fail(changes.error);
    }
    m_token = changes.value.token;
    QSet<QString> listed;
    QStringList wanted;
    for (const carddav::Entry& e : changes.value.changed) {
        listed.insert(e.href);
        const syncstate::Link* link = byHref.value(e.href);
        if (!link || link->etag != e.etag)
            wanted << e.href;
    }
    for (const QString& href : changes.value.removed) {
        m_removed.insert(href);
        m_reportedRemoved.insert(href);
    }
    if (full) {
        for (const syncstate::Link& l : m_links) {
            if (!listed.contains(l.href))
                m_removed.insert(l.href);
        }
    }
    m_serverCount = full ? listed.size() : m_links.size();
    if (wanted.isEmpty())
        return true;
    const carddav::Result<QList<carddav::Fetched>> fetched = m_client.fetch(m_bookUrl, wanted);
    if (!fetched.ok())
        return fail(fetched.error);
    for (const carddav::Fetched& f : fetched.value)
        m_cards.insert(f.href, {f.etag, QString::fromUtf8(f.card)});
    // Gone between the listing and the fetch.
    for (const QString& href : wanted) {
        if (!m_cards.contains(href))
            m_removed.insert(href);
    }
    return true;
}

bool Engine::readBook()
{
    // The log and the rows as of one moment: a contact saved between two reads
    // would show in the rows and not in the log, and pass for another one.
    m_db.transaction();
    const StoreResult<QList<syncstate::Change>> log = syncstate::changes(m_db);
    const StoreResult<QList<syncstate::Row>> rows = syncstate::rows(m_db);
    m_db.commit();
    if (log.error || rows.error)
        return fail(log.error ? log.error : rows.error);
    m_lastLogged = log.value.isEmpty() ? 0 : log.value.constLast().seq;
    m_bookCount = rows.value.size();
    m_picture = localchanges::picture(m_links, log.value, rows.value);
    return true;
}

bool Engine::relinkMoved()
{
    // A card the server moved to another address keeps its UID: its link
    // follows it, rather than the contact being deleted and added again.
    QHash<QString, int> goneByUid;
    QSet<QString> linked;
    for (int i = 0; i < m_links.size(); ++i) {
        const syncstate::Link& l = m_links.at(i);
        linked.insert(l.href);
        if (!l.pending && !l.uid.isEmpty() && m_removed.contains(l.href) &&
            !m_cards.contains(l.href))
            goneByUid.insert(l.uid, i);
    }
    if (goneByUid.isEmpty())
        return true;
    for (auto it = m_cards.constBegin(); it != m_cards.constEnd(); ++it) {
        if (linked.contains(it.key()))
            continue;
        const QString uid = cardfields::uidOf(it.value().text);
        const int i = uid.isEmpty() ? -1 : goneByUid.value(uid, -1);
        if (i < 0)
            continue;
        goneByUid.remove(uid);
        syncstate::Link& l = m_links[i];
        const QString old = l.href;
        syncstate::Link moved = l;
        moved.href = it.key();
        if (StoreError e = write([&](QSqlQuery& q) {
                if (StoreError e = syncstate::dropLink(q, old))
                    return e;
                return syncstate::saveLink(q, moved);
            }))
            return fail(e);
        m_removed.remove(old);
        m_picture.links.insert(moved.href, m_picture.links.take(old));
        l.href = moved.href;
    }
    return true;
}

void Engine::plan()
{
    QSet<QString> linked;
    for (const syncstate::Link& l : m_links) {
        linked.insert(l.href);
        const LocalState local = m_picture.links.value(l.href);
        const bool changedThere = m_cards.contains(l.href);
        const bool gone = m_removed.contains(l.href);
        if (gone && !l.pending && local.kind == LocalState::Unchanged) {
            m_localDeletions << l.fields[contact::Nome];
        } else if (!changedThere && !gone && local.kind == LocalState::Deleted && !l.pending) {
            m_remoteDeletions << l.fields[contact::Nome];
        }
    }
    // Cards no link knows, first paired with new contacts of equal values.
    QMultiHash<QString, int> unlinkedRows;
    for (int i = 0; i < m_picture.unlinked.size(); ++i)
        unlinkedRows.insert(syncstate::toJson(m_picture.unlinked.at(i).fields), i);
    for (auto it = m_cards.constBegin(); it != m_cards.constEnd(); ++it) {
        if (linked.contains(it.key()))
            continue;
        QString uid;
        const contact::Record values = cardfields::valuesOf(it.value().text, &uid);
        NewCard card{it.key(), uid, values, -1};
        const QString key = unlinkedRows.isEmpty() ? QString() : syncstate::toJson(values);
        if (unlinkedRows.contains(key)) {
            QList<int> candidates = unlinkedRows.values(key);
            const int index = *std::min_element(candidates.begin(), candidates.end());
            unlinkedRows.remove(key, index);
            card.pairedRow = index;
            m_paired.insert(index);
        }
        m_newCards << card;
    }
}

bool Engine::checkDeletions()
{
    const auto tooMany = [](qint64 deletions, qint64 side) {
        return deletions > DeletionsWithoutAsking && deletions * 10 > side;
    };
    m_largeDeletion = tooMany(m_localDeletions.size(), m_bookCount) ||
                      tooMany(m_remoteDeletions.size(), m_serverCount);
    if (!m_largeDeletion || m_options.confirmDeletions)
        return true;
    m_summary.outcome = Summary::StoppedBeforeDeleting;
    m_summary.wouldDelete = m_localDeletions.size() + m_remoteDeletions.size();
    for (const QString& name : m_localDeletions + m_remoteDeletions) {
        if (m_summary.toDelete.size() >= NamedAtMost)
            break;
        m_summary.toDelete << name;
    }
    return false;
}

bool Engine::makeBackup()
{
    QString target = backupName(m_book, m_options.today);
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = backupName(m_book, m_options.today)
                     .replace(QStringLiteral(".mdb"), QStringLiteral("-%1.mdb").arg(n));
    const StoreResult<qint64> copied = interchange::backup(m_book, target);
    if (copied.error)
        return fail(QStringLiteral("Não foi possível fazer a cópia de segurança %1 antes de "
                                   "sincronizar: %2")
                        .arg(target, copied.error.explained()));
    m_summary.backup = target;
    return true;
}

StoreError Engine::write(const std::function<StoreError(QSqlQuery&)>& work)
{
    return database::inTransaction(m_db, [&](QSqlQuery& q) {
        const StoreResult<qint64> before = syncstate::lastChange(q);
        if (before.error)
            return before.error;
        if (StoreError e = work(q))
            return e;
        // What the sync itself wrote is no change to send back.
        return syncstate::forgetChangesAfter(q, before.value);
    });
}

void Engine::name(const QString& line)
{
    if (m_summary.named.size() < NamedAtMost)
        m_summary.named << line;
    else
        ++m_unnamed;
}

void Engine::step()
{
    ++m_done;
    if (m_options.progress)
        m_options.progress(m_done, m_links.size() + m_newCards.size() + m_picture.unlinked.size());
}

bool Engine::finish()
{
    if (m_unnamed > 0)
        m_summary.named << QStringLiteral("… e mais %1.").arg(m_unnamed);
    const StoreError e = write([&](QSqlQuery& q) {
        if (StoreError e = syncstate::forgetChanges(q, m_lastLogged, m_unsettled))
            return e;
        if (StoreError e = syncstate::saveToken(q, m_token))
            return e;
        return syncstate::markSynced(q, now(), m_summary.text());
    });
    return e ? fail(e) : true;
}

Summary synchronise(const QString& book, carddav::Client& client, const SyncOptions& options)
{
    return Engine(book, client, options).run();
}

} // namespace syncengine
