#pragma once

#include "contactrecord.h"
#include "property.h"

#include <array>

// The one mapping from a card's properties to our seventeen fields, for the
// file import and the synchronisation alike.
namespace vcard {

// The ADR components that feed our address fields.
enum AddressComponent : int {
    PostOfficeBox = 0,
    District = 1, // the extended address
    Street = 2,
    City = 3,
    State = 4,
    PostalCode = 5,
    Country = 6,
};

// Where a field's value was read from: the property's index in the card (in
// the list given to contactOf) and, for the address fields, the ADR component;
// property -1 when the card has none. The business extension's is the
// business TEL when the extension was taken off its number, else
// X-LISTRANO-RAMAL. Every field of an address taken has its origin, its own
// component empty or not.
struct Origin {
    int property = -1;
    int component = -1;
    bool isNone() const { return property < 0; }
};

// How the name was got: from FN, else from N's parts, else from ORG; None
// when the card has neither (the import then gives it the e-mail or a phone).
enum class NameFrom { None, FormattedName, StructuredName, Organization };

struct Origins {
    std::array<Origin, contact::FieldCount> fields;
    NameFrom name = NameFrom::None;
};

// A value the contact has no room for: a second e-mail, a second number or
// address of a kind.
struct LeftOut {
    contact::Field field;
    QString value;
};

// One card's properties (those between BEGIN and END) as a contact, the values
// as the card holds them, before the import's clean-up. FN gives the name (N's
// given, additional and family names when there is none, then ORG); the first
// EMAIL, a preferred one first; ADR and TEL by type, home unless told work, or
// by the label of their group (item1.X-ABLabel:Escritório) when it says the
// kind. An extension on the business phone goes to the business extension
// (before X-LISTRANO-RAMAL's); another phone keeps its own in its text.
contact::Record contactOf(const QList<Property>& properties, QList<LeftOut>* leftOut = nullptr,
                          Origins* origins = nullptr);

} // namespace vcard
