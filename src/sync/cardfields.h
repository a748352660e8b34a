#pragma once

#include "contactrecord.h"

#include <QString>

// A card on the server and the seventeen values of its contact: the file
// import's own reading and clean-up, and changes written back into the card
// without losing anything else it holds.
namespace cardfields {

// The contact a card gives, cleaned as an imported one is; with uid, the card's
// UID too, from the same reading.
contact::Record valuesOf(const QString& card, QString* uid = nullptr);
// The card with the fields that differ between before and after written into it.
QString rewritten(const QString& card, const contact::Record& before, const contact::Record& after);
// A new card for a contact.
QString created(const contact::Record& values, const QString& uid);
// The card's UID, empty when it has none.
QString uidOf(const QString& card);
// Whether two cards hold the same, however a server wrote them.
bool sameCard(const QString& a, const QString& b);

} // namespace cardfields
