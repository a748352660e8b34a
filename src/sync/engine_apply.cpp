// The changes of one sync applied, contact by contact: the server written first,
// then the book and the link in one transaction, so that a sync cut anywhere
// leaves nothing the next one would take for someone else's change.
#include "carddavclient.h"
#include "cardfields.h"
#include "engine_p.h"
#include "fieldmerge.h"

#include <QUuid>

namespace syncengine {

using localchanges::LocalState;

namespace {
// Cards changed on the server while we merge: tried again this many times.
constexpr int MergeAttempts = 4;
// Contacts written to the book in one transaction, and new cards noted before
// they are sent.
constexpr qsizetype BatchSize = 100;
} // namespace

bool Engine::refused(const carddav::Error& error, const QString& name)
{
    switch (error.kind) {
    case carddav::Error::Forbidden:
    case carddav::Error::Protocol:
    case carddav::Error::NotFound:
    case carddav::Error::PreconditionFailed:
        this->name(QStringLiteral("%1: %2").arg(name, error.message));
        return true;
    default:
        return fail(error);
    }
}

bool Engine::refetch(const QString& href, ServerCard* card)
{
    const carddav::Result<QList<carddav::Fetched>> got = m_client.fetch(m_bookUrl, {href});
    if (!got.ok())
        return fail(got.error);
    if (got.value.isEmpty())
        return false;
    *card = {got.value.constFirst().etag, QString::fromUtf8(got.value.constFirst().card)};
    return true;
}

StoreError Engine::saveLink(QSqlQuery& q, const syncstate::Link& link)
{
    if (StoreError e = syncstate::saveLink(q, link))
        return e;
    // The row's changes logged before the sync are in the link now: forgotten
    // with it, not at the end. A sync cut short would leave them, and the
    // contact's next change, which starts from the link's values, would no
    // longer follow from them: the contact would be taken for deleted, and
    // its card removed and sent again as a new one.
    return syncstate::forgetRowChanges(q, link.row, m_lastLogged);
}

bool Engine::applyLinks()
{
    for (const syncstate::Link& l : m_links) {
        step();
        if (!settle(l, m_picture.links.value(l.href)))
            return false;
    }
    // New cards in short transactions of a few contacts each.
    for (qsizetype first = 0; first < m_newCards.size(); first += BatchSize) {
        const QList<NewCard> batch = m_newCards.mid(first, BatchSize);
        qint64 paired = 0;
        const StoreError e = write([&](QSqlQuery& q) {
            // The links on a statement of their own: each is prepared once a batch.
            QSqlQuery links(m_db);
            paired = 0;
            for (const NewCard& card : batch) {
                const ServerCard& server = m_cards[card.href];
                qint64 row = 0;
                if (card.pairedRow >= 0) {
                    row = m_picture.unlinked.at(card.pairedRow).row;
                    ++paired;
                } else {
                    const StoreResult<qint64> added = syncstate::insertRow(q, card.values);
                    if (added.error)
                        return added.error;
                    row = added.value;
                }
                if (StoreError e = saveLink(links, {row, card.href, server.etag, card.uid,
                                                    server.text, card.values, false}))
                    return e;
            }
            return StoreError();
        });
        if (e)
            return fail(e);
        m_summary.alreadyEqual += paired;
        m_summary.received += batch.size() - paired;
        for (qsizetype i = 0; i < batch.size(); ++i)
            step();
    }
    return true;
}

bool Engine::settle(syncstate::Link l, const LocalState& local)
{
    const bool changedThere = m_cards.contains(l.href);
    const bool gone = m_removed.contains(l.href) && !changedThere;
    if (l.pending && !changedThere) {
        // Sent last time, and the answer never came: not there, so sent again;
        // unless the server says it was there and was deleted since.
        if (local.kind == LocalState::Deleted) {
            const StoreError e =
                write([&](QSqlQuery& q) { return syncstate::dropLink(q, l.href); });
            return e ? fail(e) : true;
        }
        if (!m_reportedRemoved.contains(l.href))
            return recreateCard(l, local);
        l.pending = false; // settled below as deleted there
    } else if (l.pending) {
        // It arrived: the card there is what was sent, no change of the server's.
        const ServerCard card = m_cards.value(l.href);
        l.pending = false;
        l.etag = card.etag;
        l.card = card.text;
        if (local.kind == LocalState::Deleted)
            return removeCard(l, local);
        return reconcile(l, local.fields, local.row, card, true);
    }
    if (local.kind == LocalState::Unchanged && !changedThere && !gone && local.row == l.row)
        return true; // in step
    switch (local.kind) {
    case LocalState::Unchanged:
    case LocalState::Modified:
        if (gone) {
            if (local.kind == LocalState::Modified)
                return recreateCard(l, local); // changed here, deleted there: kept
            const StoreError e = write([&](QSqlQuery& q) {
                const StoreResult<bool> deleted = syncstate::deleteRow(q, local.row, local.fields);
                if (deleted.error || !deleted.value)
                    return deleted.error ? deleted.error
                                         : StoreError::make(StoreError::ChangedElsewhere);
                return syncstate::dropLink(q, l.href);
            });
            if (e.kind == StoreError::ChangedElsewhere) {
                m_unsettled << local.row;
                return true;
            }
            if (e)
                return fail(e);
            ++m_summary.deleted;
            return true;
        }
        return reconcile(l, local.fields, local.row,
                         changedThere ? m_cards.value(l.href) : ServerCard{l.etag, l.card},
                         changedThere);
    case LocalState::Deleted:
        if (gone) {
            const StoreError e =
                write([&](QSqlQuery& q) { return syncstate::dropLink(q, l.href); });
            return e ? fail(e) : true;
        }
        if (changedThere) // deleted here, changed there: kept with the change
            return addFromCard(l.href, m_cards.value(l.href),
                               cardfields::valuesOf(m_cards.value(l.href).text), l.href);
        return removeCard(l, local);
    }
    return true;
}

bool Engine::reconcile(syncstate::Link l, contact::Record mine, qint64 row, ServerCard server,
                       bool serverChanged)
{
    contact::Record base = l.fields;
    contact::Record theirs = serverChanged ? cardfields::valuesOf(server.text) : l.fields;
    const contact::Record stored = mine;
    QList<contact::Record> copies;
    QList<QPair<qint64, contact::Record>> added;
    for (int attempt = 0; attempt < MergeAttempts; ++attempt) {
        const fieldmerge::Merged m = fieldmerge::merge(base, mine, theirs);
        if (!m.conflicts.isEmpty() && copies.isEmpty()) {
            // The local version kept whole beside the merged contact, once.
            contact::Record copy = mine;
            copy[contact::Nome] = fieldmerge::conflictName(mine[contact::Nome], m_options.today);
            copies << copy;
            name(QStringLiteral("%1: alterado aqui e no servidor; a versão deste computador "
                                "ficou em \"%2\".")
                     .arg(mine[contact::Nome], copy[contact::Nome]));
        }
        ServerCard kept = server;
        bool sent = false;
        if (m.fields != theirs) {
            const QString text = cardfields::rewritten(server.text, theirs, m.fields);
            const carddav::Result<QByteArray> put =
                m_client.put(l.href, text.toUtf8(), server.etag);
            if (put.error.kind == carddav::Error::PreconditionFailed) {
                // Changed there meanwhile: merged again with what it holds now.
                if (!refetch(l.href, &server))
                    return m_summary.outcome != Summary::Failed &&
                           recreateCard(l, {LocalState::Modified, row, stored});
                base = theirs;
                theirs = cardfields::valuesOf(server.text);
                mine = m.fields;
                continue;
            }
            if (!put.ok())
                return refused(put.error, mine[contact::Nome]) && (m_unsettled << row, true);
            kept = {put.value, text};
            if (put.value.isEmpty() && !refetch(l.href, &kept))
                return (m_unsettled << row, m_summary.outcome != Summary::Failed);
            sent = true;
        }
        l.row = row;
        l.etag = kept.etag;
        l.card = kept.text;
        l.fields = m.fields;
        if (l.uid.isEmpty())
            l.uid = cardfields::uidOf(kept.text);
        const StoreError e = write([&](QSqlQuery& q) {
            if (m.fields != stored) {
                const StoreResult<bool> updated = syncstate::updateRow(q, row, stored, m.fields);
                if (updated.error || !updated.value)
                    return updated.error ? updated.error
                                         : StoreError::make(StoreError::ChangedElsewhere);
            }
            added.clear();
            for (const contact::Record& copy : copies) {
                const StoreResult<qint64> inserted = syncstate::insertRow(q, copy);
                if (inserted.error)
                    return inserted.error;
                added << qMakePair(inserted.value, copy);
            }
            return saveLink(q, l);
        });
        if (e.kind == StoreError::ChangedElsewhere) {
            // Typed over meanwhile: the next sync merges it with what was sent.
            m_unsettled << row;
            return true;
        }
        if (e)
            return fail(e);
        m_conflictCopies += added;
        m_summary.conflicts += copies.size();
        m_summary.received += m.fields != stored ? 1 : 0;
        m_summary.sent += sent ? 1 : 0;
        return true;
    }
    name(QStringLiteral("%1: o cartão mudou no servidor enquanto era sincronizado; fica para a "
                        "próxima sincronização.")
             .arg(mine[contact::Nome]));
    m_unsettled << row;
    return true;
}

bool Engine::removeCard(const syncstate::Link& l, const LocalState& local)
{
    const carddav::Error removed = m_client.remove(l.href, l.etag);
    if (removed.kind == carddav::Error::PreconditionFailed) {
        ServerCard now;
        if (!refetch(l.href, &now))
            return m_summary.outcome != Summary::Failed; // gone there too
        return addFromCard(l.href, now, cardfields::valuesOf(now.text), l.href);
    }
    if (!removed.ok() && removed.kind != carddav::Error::NotFound)
        return refused(removed, l.fields[contact::Nome]) && (m_unsettled << l.row, true);
    Q_UNUSED(local);
    const StoreError e = write([&](QSqlQuery& q) { return syncstate::dropLink(q, l.href); });
    if (e)
        return fail(e);
    ++m_summary.deleted;
    return true;
}

bool Engine::recreateCard(const syncstate::Link& l, const LocalState& local)
{
    // The card as last seen, with this side's changes: what the server's
    // copy held beyond our fields survives.
    const QString text = l.card.isEmpty() ? cardfields::created(local.fields, l.uid)
                                          : cardfields::rewritten(l.card, l.fields, local.fields);
    const carddav::Result<QByteArray> put = m_client.put(l.href, text.toUtf8(), QByteArray());
    if (put.error.kind == carddav::Error::PreconditionFailed) {
        ServerCard there;
        if (!refetch(l.href, &there))
            return (m_unsettled << local.row, m_summary.outcome != Summary::Failed);
        syncstate::Link sent = l;
        sent.pending = false;
        return reconcile(sent, local.fields, local.row, there, true);
    }
    if (!put.ok())
        return refused(put.error, local.fields[contact::Nome]) && (m_unsettled << local.row, true);
    ServerCard kept{put.value, text};
    if (put.value.isEmpty() && !refetch(l.href, &kept))
        return (m_unsettled << local.row, m_summary.outcome != Summary::Failed);
    syncstate::Link linked{local.row, l.href, kept.etag, l.uid, kept.text, local.fields, false};
    const StoreError e = write([&](QSqlQuery& q) { return saveLink(q, linked); });
    if (e)
        return fail(e);
    ++m_summary.sent;
    return true;
}

bool Engine::addFromCard(const QString& href, const ServerCard& card, const contact::Record& values,
                         const QString& dropHref)
{
    const StoreError e = write([&](QSqlQuery& q) {
        if (!dropHref.isEmpty()) {
            if (StoreError e = syncstate::dropLink(q, dropHref))
                return e;
        }
        const StoreResult<qint64> added = syncstate::insertRow(q, values);
        if (added.error)
            return added.error;
        return saveLink(q, {added.value, href, card.etag, cardfields::uidOf(card.text), card.text,
                            values, false});
    });
    if (e)
        return fail(e);
    ++m_summary.received;
    return true;
}

bool Engine::pushNewContacts()
{
    QList<QPair<qint64, contact::Record>> fresh;
    for (int i = 0; i < m_picture.unlinked.size(); ++i) {
        if (!m_paired.contains(i))
            fresh << qMakePair(m_picture.unlinked.at(i).row, m_picture.unlinked.at(i).fields);
    }
    fresh += m_conflictCopies;
    for (qsizetype first = 0; first < fresh.size(); first += BatchSize) {
        QList<syncstate::Link> batch;
        for (const auto& [row, values] : fresh.mid(first, BatchSize)) {
            const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
            batch << syncstate::Link{row, m_client.hrefFor(m_bookUrl, uid), QByteArray(),
                                     uid, cardfields::created(values, uid), values,
                                     true};
        }
        // Noted before they are sent: a card whose answer is lost is found at its
        // address next time, never sent twice.
        if (StoreError e = write([&](QSqlQuery& q) {
                for (const syncstate::Link& l : batch) {
                    if (StoreError e = saveLink(q, l))
                        return e;
                }
                return StoreError();
            }))
            return fail(e);
        for (const syncstate::Link& l : batch) {
            step();
            if (!recreateCard(l, {LocalState::Modified, l.row, l.fields}))
                return false;
        }
    }
    return true;
}

} // namespace syncengine
