#pragma once

#include "contactrecord.h"
#include "kindwords.h"

#include <QStringList>

#include <map>

// Columns whose field a row's own cells decide, as contact exports of web
// address books write them: "Phone 1 - Type" = "Mobile" beside "Phone 1 - Value",
// "Address 2 - Label" = "Work" beside "Address 2 - City", and names in parts
// ("First Name", "Last Name") with no column for the whole name.
namespace interchange {

// The column a reader adds for the values a row holds that its contact has no
// room for: a second number of a kind, a second e-mail, a second address of a
// kind. The import names them in its summary.
inline const QString LeftOutHeader = QStringLiteral("(valores que não couberam)");
// Adds value (made one line, blanks at its ends off) to a cell of that column,
// with what it is ("celular"); an empty value is nothing left out.
void noteLeftOut(QString* cell, const QString& what, const QString& value);
// The values a cell of that column holds, each with what it is:
// "celular +55 11 98877-6655".
QStringList leftOutValues(const QString& cell);

// The kind a phone's or an address's type or label says, as cards say it.
using vcard::isWork;
using vcard::namesKind;
using vcard::phoneField;

// A header with one more column under our own name for each field such columns
// fill, and each row with those cells, taken from the row's own: phones by type
// or label (see phoneField; fax numbers left out), the first e-mail (a
// preferred one, marked "* ", first), addresses by type (work, anything else
// home). A second value of a field already filled goes to the LeftOutHeader
// column. The name's parts are joined, for the rows no column gives the whole
// name; "Nome" is the given name when a family name ("Sobrenome") stands beside
// it. A header without such columns stays as it is.
class OwnColumns {
public:
    explicit OwnColumns(const QStringList& header);

    const QStringList& header() const { return m_header; }
    void extend(QStringList& row) const;

    // The numbered groups of columns taken apart.
    enum class Kind { Phone, Email, Address };

private:
    struct Group {
        int type = -1;                // the column of its type or label
        std::map<QString, int> parts; // part -> column
    };

    QStringList m_header;
    qsizetype m_width;
    std::map<std::pair<Kind, int>, Group> m_groups; // by kind and number
    std::map<int, int> m_nameParts;                 // part -> column, in the name's order
    bool m_composeName = false;
    QList<contact::Field> m_added;
};

} // namespace interchange
