#pragma once

#include <QString>

// Letter case of typed text, the Unicode way and one character at a time, so that
// a text keeps its length; only letters ever change.
namespace textcase {

// Every letter in lower case.
QString lower(const QString& text);

// Every letter in lower case, except one that starts the text or follows a word
// separator (blank, tab, line feed, vertical tab, form feed, carriage return or
// null), which is raised to upper case. Hyphens, apostrophes, digits and the like
// are no separators.
QString proper(const QString& text);

} // namespace textcase
