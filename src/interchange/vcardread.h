#pragma once

#include "csvread.h"

// Reading vCard files (2.1, 3.0, 4.0) as phones and address books write them.
namespace interchange {

// The cards of a vCard text as a table under our own column names, one row per
// card (the line of its BEGIN kept), ready for the one import path. Folded
// lines, escapes, quoted-printable values with soft line breaks and CHARSET,
// item groups, parameters in any case and TYPE lists are understood. FN gives
// the name (N's given, additional and family names when there is none, then
// ORG); the first EMAIL, a preferred one first; ADR and TEL by type, home unless
// told work, or by the label of their group (item1.X-ABLabel:Escritório) when
// it says the kind. Second values of a field already filled go to the
// LeftOutHeader column. An extension on a phone (;ext=, x123 or dialled after a pause, ,123)
// is taken off the number and goes to the business extension: the business
// phone's first, then X-LISTRANO-RAMAL's, then another phone's. A card that
// does not end is a row that cannot be read.
QString readVCards(const QString& text, const RowSink& sink);
CsvTable readVCards(const QString& text);
// The same with the text in pieces.
QString readVCards(const TextPieces& pieces, const RowSink& sink);

} // namespace interchange
