#pragma once

#include "contactrecord.h"

#include <QString>

// Our fields written as vCard values, and the one vCard 3.0 writer.
namespace vcard {

// A content line folded so that no line passes 75 bytes, never inside a
// character's UTF-8 bytes, CRLF after it. Folded for a quoted-printable
// value, no line ends in '=', which would read as a soft break.
QString folded(const QString& line, bool quotedPrintable = false);

// A stored phone as cards write it: with an area code in the international
// form (+55 11 98765-4321); an unfilled mask ("(__) ____-____") is no number.
QString phoneValue(const QString& stored);
// A stored CEP as cards write it: 01310-100; an unfilled mask is none.
QString postalValue(const QString& stored);
// Whether an extension is of digits alone, and so dialled after a pause on the
// business phone (",215").
bool isDialledExtension(const QString& extension);
// The business phone's value, escaped: its number and a dialled extension.
QString businessPhoneValue(const QString& storedPhone, const QString& extension);
// N's value for a whole name: family;given;additional;; (personname::split),
// escaped; all empty for a company's name.
QString structuredNameValue(const QString& name);

// One vCard 3.0 card: phones in the international form (+55 11 98765-4321),
// postal codes as 01310-100, anything else as stored; values escaped, lines
// folded at 75 bytes, CRLF after each. FN holds the whole name and N its parts
// (personname::split); a company's name goes in ORG, with N empty. An extension
// of digits is written after a pause on the business phone (",215") as well
// as in X-LISTRANO-RAMAL, which holds any extension as typed. With a uid, a UID
// after VERSION.
QString vCard(const contact::Record& contact, const QString& uid = QString());

} // namespace vcard
