#pragma once

#include "contactrecord.h"
#include "mapping.h"
#include "property.h"

#include <QList>
#include <QString>

// A card kept whole, as a server or a file holds it: what is not ours to change
// is written back as it came.
namespace vcard {

// One content line: as read, unfolded (line breaks of a fold and a
// quoted-printable soft break taken out), and what it says.
struct ContentLine {
    QString raw;
    Property property;
};

class Card {
public:
    Card() = default;

    // The cards of a text, each from its BEGIN:VCARD to its END:VCARD; what
    // lies between cards is no card's. A card that does not end is left out.
    static QList<Card> parseCards(const QString& text);
    // The first card of a text; an empty card (isEmpty) when it holds none.
    static Card parse(const QString& text);
    // A card of these content lines (unfolded), BEGIN and END around them.
    static Card fromLines(const QStringList& lines);

    bool isEmpty() const { return m_lines.isEmpty(); }
    // The lines between BEGIN and END, in order: a property's index is its
    // place here.
    const QList<ContentLine>& lines() const { return m_lines; }
    QList<Property> properties() const;

    // The card as text: each line as it was read, folded at 75 bytes, CRLF
    // after each.
    QString text() const;
    // 4 for a 4.0 card, else 3 (a 2.1 card and one without VERSION too).
    int version() const;
    // UID's value, unescaped; empty without one.
    QString uid() const;

    // The same card with other lines between BEGIN and END.
    Card withLines(const QList<ContentLine>& lines) const;

private:
    QString m_begin = QStringLiteral("BEGIN:VCARD");
    QString m_end = QStringLiteral("END:VCARD");
    QList<ContentLine> m_lines;
};

// Whether two cards say the same: the same properties, in any order, each with
// the same name and group, the same parameters (in any order, names and TYPE
// values in any letter case, a list of values the same as the parameter
// repeated) and the same value once unescaped, however the lines were folded.
// How a value was encoded (quoted-printable, CHARSET) does not count.
bool sameContent(const Card& a, const Card& b);

// The card's values for our seventeen fields, as the card holds them (the
// import's clean-up not run), and where each came from.
contact::Record fields(const Card& card, Origins* origins = nullptr);

// A new vCard 3.0 card of a contact (as the export writes one) with this UID.
Card newCard(const contact::Record& record, const QString& uid);

} // namespace vcard
