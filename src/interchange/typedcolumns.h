#pragma once

#include "contactrecord.h"

#include <QStringList>

#include <map>

// Columns whose field a row's own cells decide, as contact exports of web
// address books write them: "Phone 1 - Type" = "Mobile" beside "Phone 1 - Value",
// "Address 2 - Label" = "Work" beside "Address 2 - City", and names in parts
// ("First Name", "Last Name") with no column for the whole name.
namespace interchange {

// A header with one more column under our own name for each field such columns
// fill, and each row with those cells, taken from the row's own: phones by type
// (mobile, work, work mobile, anything else home; fax numbers left out), the
// first e-mail (a preferred one, marked "* ", first), addresses by type (work,
// anything else home), and the name's parts joined when no column holds the
// whole name. A header without such columns stays as it is.
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
