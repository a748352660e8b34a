#include "personname.h"

#include <QStringList>

namespace personname {

namespace {
bool oneOf(const QString& word, std::initializer_list<const char16_t*> words)
{
    for (const char16_t* w : words) {
        if (word.compare(QStringView(w), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
} // namespace

NameParts split(const QString& name)
{
    NameParts parts;
    const QStringList words = name.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return parts;
    if (oneOf(words.constLast(), {u"Ltda", u"Ltda.", u"S.A.", u"S/A", u"ME", u"EPP", u"EIRELI"})) {
        parts.company = true;
        return parts;
    }
    parts.given = words.constFirst();
    if (words.size() == 1)
        return parts;
    // The family name grows leftwards from the last word, never into the first.
    qsizetype start = words.size() - 1;
    if (start > 1 && oneOf(words.at(start), {u"Filho", u"Júnior", u"Junior", u"Neto", u"Sobrinho"}))
        --start;
    if (start > 1 && oneOf(words.at(start - 1), {u"da", u"de", u"do", u"das", u"dos", u"e"}))
        --start;
    parts.family = words.mid(start).join(u' ');
    parts.additional = words.mid(1, start - 1).join(u' ');
    return parts;
}

} // namespace personname
