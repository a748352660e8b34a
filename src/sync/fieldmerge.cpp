#include "fieldmerge.h"

namespace fieldmerge {

Merged merge(const contact::Record& base, const contact::Record& local,
             const contact::Record& server)
{
    Merged m;
    for (int f = 0; f < contact::FieldCount; ++f) {
        const bool ours = local[f] != base[f];
        const bool theirs = server[f] != base[f];
        m.fields[f] = ours ? local[f] : server[f];
        if (ours && theirs && local[f] != server[f]) {
            m.fields[f] = server[f];
            m.conflicts << contact::Field(f);
        }
    }
    return m;
}

QString conflictName(const QString& name, const QDate& day)
{
    const QString suffix =
        QStringLiteral(" (conflito %1)").arg(day.toString(QStringLiteral("dd/MM/yyyy")));
    qsizetype room = contact::NameMaxLength - suffix.size();
    QString kept = name.trimmed();
    if (kept.size() > room) {
        if (room > 0 && kept.at(room - 1).isHighSurrogate())
            --room;
        kept = kept.left(room).trimmed();
    }
    return kept + suffix;
}

} // namespace fieldmerge
