#pragma once

#include <QString>

// A whole name as address books keep it in parts, the Brazilian way.
namespace personname {

struct NameParts {
    QString family;       // the last word, with a particle before it ("da Silva") and,
                          // after a generational suffix, the word before it too
                          // ("da Silva Filho")
    QString given;        // the first word
    QString additional;   // the words between
    bool company = false; // the name reads as a company's: nothing split
};

// The parts of name (blanks between words taken as one). A name whose last
// word is a company's form (Ltda, S.A., S/A, ME, EPP, EIRELI) is a company's;
// a one-word name is the given name alone.
NameParts split(const QString& name);

} // namespace personname
