#pragma once

#include "syncstate.h"

#include <QHash>
#include <QList>

// What became of the book's linked contacts since the last sync, told from the
// values each link kept, the changes the file logged and the rows now. Row ids
// alone name no contact: a deleted last row hands its id to the next insert,
// and a book dumped and reloaded is numbered anew.
namespace localchanges {

struct LocalState {
    enum Kind { Unchanged, Modified, Deleted } kind = Unchanged;
    qint64 row = 0;         // where the contact is now (Unchanged, Modified)
    contact::Record fields; // its values now (Unchanged, Modified)
};

struct Picture {
    QHash<QString, LocalState> links; // by href
    QList<syncstate::Row> unlinked;   // contacts no link holds: new since the last sync
};

// A link's contact is followed through the logged changes of its row: each must
// start from what the contact held, or the log speaks of another file's rows
// and the contact is sought by its values among the rows no other link holds
// (those it had at the last sync, or the last the log gave it). A contact
// found nowhere was deleted; a row whose contact was deleted and that was
// used again holds a new contact.
Picture picture(const QList<syncstate::Link>& links, const QList<syncstate::Change>& log,
                const QList<syncstate::Row>& rows);

} // namespace localchanges
