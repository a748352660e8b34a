#include "cardfields.h"

#include "card.h"
#include "import.h"
#include "writeback.h"

namespace cardfields {

contact::Record valuesOf(const QString& card, QString* uid)
{
    const vcard::Card c = vcard::Card::parse(card);
    if (uid)
        *uid = c.uid();
    return interchange::cleanedContact(vcard::fields(c));
}

QString rewritten(const QString& card, const contact::Record& before, const contact::Record& after)
{
    return vcard::withFields(vcard::Card::parse(card), before, after).text();
}

QString created(const contact::Record& values, const QString& uid)
{
    return vcard::newCard(values, uid).text();
}

QString uidOf(const QString& card)
{
    return vcard::Card::parse(card).uid();
}

bool sameCard(const QString& a, const QString& b)
{
    return vcard::sameContent(vcard::Card::parse(a), vcard::Card::parse(b));
}

} // namespace cardfields
