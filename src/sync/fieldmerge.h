#pragma once

#include "contactrecord.h"

#include <QDate>
#include <QList>

// Two sides' changes to one contact, each found against the values both held
// after the last sync.
namespace fieldmerge {

struct Merged {
    contact::Record fields;
    // Fields both sides changed to different values: the server's value is
    // taken, and the local version is kept whole as a conflict copy.
    QList<contact::Field> conflicts;
};

// Every field changed on one side only takes that side's value.
Merged merge(const contact::Record& base, const contact::Record& local,
             const contact::Record& server);

// The name of a conflict copy: "Ana Souza (conflito 08/12/2026)", the name cut
// so that the whole fits the name's field, never inside a character.
QString conflictName(const QString& name, const QDate& day);

} // namespace fieldmerge
