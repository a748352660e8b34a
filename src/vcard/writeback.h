#pragma once

#include "card.h"
#include "contactrecord.h"

// Our changes to a contact written into the card it came from.
namespace vcard {

// The card with the fields whose value differs between before (what the book
// held for the card after the last synchronisation) and after (what it holds
// now) written where contactOf reads them, and nothing else touched: every
// other property, parameter and group stays as it was, byte for byte.
// - A field the card holds is rewritten in its own property (an address
//   field in its ADR component), its group and parameters kept; a
//   quoted-printable value is written plainly, without CHARSET.
// - A field the card lacks gets a property of its kind (a TEL of the types
//   the reader takes as that phone's, EMAIL, an ADR of home or work).
// - A field emptied loses its property, or its ADR component; an ADR left
//   with no component goes. A second value of the field (a second EMAIL)
//   is then the one read.
// - A name changed rewrites FN and N, N in the parts the export writes.
// - Phones and postal codes are written as the export writes them, the
//   business extension too: in X-LISTRANO-RAMAL, and after a pause on the
//   business phone when it is of digits.
// A 4.0 card gets 4.0 syntax in what is new (lower-case types, no
// TYPE=INTERNET, phones as tel: URIs); any other gets 3.0 syntax.
Card withFields(const Card& card, const contact::Record& before, const contact::Record& after);

} // namespace vcard
