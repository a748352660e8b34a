#include "localchanges.h"

#include <QMultiHash>
#include <QSet>

#include <algorithm>

#include <map>
#include <optional>

namespace localchanges {

namespace {
using syncstate::Change;

// A contact followed through its row's changes.
struct Followed {
    bool broken = false;                 // the log does not fit the contact
    std::optional<contact::Record> last; // its values after them; none: deleted
};

Followed follow(const contact::Record& base, const QList<const Change*>& changes)
{
    Followed f;
    f.last = base;
    bool replaced = false; // the contact's row was deleted and used again
    for (const Change* c : changes) {
        if (replaced)
            continue; // the changes of the row's new contact
        switch (c->kind) {
        case Change::Updated:
        case Change::Deleted:
            if (!f.last || c->before != *f.last) {
                f.broken = true;
                return f;
            }
            if (c->kind == Change::Updated)
                f.last = c->after;
            else
                f.last.reset();
            break;
        case Change::Inserted:
            if (f.last) {
                f.broken = true;
                return f;
            }
            replaced = true;
            break;
        }
    }
    return f;
}
} // namespace

Picture picture(const QList<syncstate::Link>& links, const QList<Change>& log,
                const QList<syncstate::Row>& rows)
{
    QHash<qint64, QList<const Change*>> byRow;
    for (const Change& c : log)
        byRow[c.row] << &c;
    QHash<qint64, const contact::Record*> rowValues;
    for (const syncstate::Row& r : rows)
        rowValues.insert(r.row, &r.fields);

    Picture p;
    QSet<qint64> claimed;
    // Links whose log did not fit: the values their contact may have now.
    std::map<QString, QList<contact::Record>> seek;
    for (const syncstate::Link& l : links) {
        const Followed f = follow(l.fields, byRow.value(l.row));
        const contact::Record* now = rowValues.value(l.row);
        if (!f.broken && !f.last) {
            p.links.insert(l.href, {LocalState::Deleted, 0, {}});
        } else if (!f.broken && now && *now == *f.last && !claimed.contains(l.row)) {
            claimed.insert(l.row);
            p.links.insert(l.href, {*now == l.fields ? LocalState::Unchanged : LocalState::Modified,
                                    l.row, *now});
        } else {
            QList<contact::Record> wanted;
            // The log may hold the contact's later values under its old row id.
            if (f.last && *f.last != l.fields)
                wanted << *f.last;
            wanted << l.fields;
            seek.emplace(l.href, wanted);
        }
    }
    // By values, among the rows no link holds, first come first served.
    QMultiHash<QString, qint64> free;
    for (const syncstate::Row& r : rows) {
        if (!claimed.contains(r.row))
            free.insert(syncstate::toJson(r.fields), r.row);
    }
    for (const auto& [href, wanted] : seek) {
        LocalState state{LocalState::Deleted, 0, {}};
        for (const contact::Record& values : wanted) {
            const QList<qint64> found = free.values(syncstate::toJson(values));
            if (found.isEmpty())
                continue;
            const qint64 row = *std::min_element(found.begin(), found.end());
            free.remove(syncstate::toJson(values), row);
            claimed.insert(row);
            const bool same = &values == &wanted.constLast();
            state = {same ? LocalState::Unchanged : LocalState::Modified, row, values};
            break;
        }
        p.links.insert(href, state);
    }
    for (const syncstate::Row& r : rows) {
        if (!claimed.contains(r.row))
            p.unlinked << r;
    }
    return p;
}

} // namespace localchanges
