#include "cardfields.h"

#include "card.h"
#include "import.h"
#include "writeback.h"

namespace cardfields {

namespace {
vcard::Card parsed(const QString& text)
{
    return vcard::Card::parse(text);
}
} // namespace

contact::Record cleaned(const contact::Record& raw)
{
    return interchange::cleanedContact(raw);
}

contact::Record valuesOf(const QString& card, QString* uid)
{
    const vcard::Card c = parsed(card);
    if (uid)
        *uid = c.uid();
    return cleaned(vcard::fields(c));
}

QString rewritten(const QString& card, const contact::Record& before, const contact::Record& after)
{
    return vcard::withFields(parsed(card), before, after).text();
}

QString created(const contact::Record& values, const QString& uid)
{
    return vcard::newCard(values, uid).text();
}

QString uidOf(const QString& card)
{
    return parsed(card).uid();
}

bool sameCard(const QString& a, const QString& b)
{
    return vcard::sameContent(parsed(a), parsed(b));
}

} // namespace cardfields
