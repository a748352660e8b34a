#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

namespace carddav {
class Client;
}

// One two-way synchronisation of a book with the address book it is linked to.
namespace syncengine {

struct SyncOptions {
    bool confirmDeletions = false; // go on with a mass deletion
    QDate today = QDate::currentDate();
    // Called as cards are handled; a false answer is not asked for.
    std::function<void(qint64 done, qint64 total)> progress;
    // How long to wait for another sync of the same book to end.
    int lockWaitMs = 30000;
};

struct Summary {
    enum Outcome { Done, Failed, Busy, StoppedBeforeDeleting } outcome = Done;
    QString bookName;
    QString host;
    qint64 received = 0; // contacts added or changed in the book
    qint64 sent = 0;     // cards added or changed on the server
    qint64 deleted = 0;  // contacts and cards deleted, both sides
    qint64 conflicts = 0;
    qint64 alreadyEqual = 0; // contacts and cards found equal and linked
    QStringList named;       // conflicts and refusals, one line each
    qint64 wouldDelete = 0;  // StoppedBeforeDeleting: how many, and the first names
    QStringList toDelete;
    QString backup; // the copy of the book made before the sync, if any
    QString error;  // Failed and Busy: why, in the user's words
    // "Sincronizado com Contatos em nuvem.exemplo.com.br: 12 recebidos, 3
    // enviados, 1 excluído, 1 conflito"
    QString text() const;
};

// The most deletions a sync makes without asking: more than this many and more
// than a tenth of either side stops it before deleting anything.
inline constexpr int DeletionsWithoutAsking = 10;
inline constexpr int NamedAtMost = 100;

Summary synchronise(const QString& book, carddav::Client& client, const SyncOptions& options = {});

// The copy made beside the book before a first sync or a large deletion:
// Quelmar-antes-da-sincronizacao-AAAA-MM-DD.mdb.
QString backupName(const QString& book, const QDate& day);

} // namespace syncengine
