#include "vcardread.h"

#include "contactrecord.h"
#include "logicallines.h"
#include "mapping.h"
#include "typedcolumns.h"
#include "usertexts.h"

#include <QStringView>

namespace interchange {

namespace {
// Calls take(text, line) for each logical line of the text in pieces (see
// vcard::LogicalLines), without a copy of the lines. A logical line keeps its
// first KeptValueLength characters: what goes on past them (a phone's photo) is
// read over.
template <typename Take> void forEachLogicalLine(const TextPieces& pieces, Take take)
{
    vcard::LogicalLines<Take> lines(take, KeptValueLength);
    // What follows the last line feed: the last line once the pieces end. Of
    // a line longer than KeptValueLength, its beginning and its last two
    // characters (a CR, a soft break's '=') are held.
    QString rest;
    const auto hold = [&rest](QStringView part) {
        if (rest.size() + part.size() <= KeptValueLength + 2) {
            rest += part;
            return;
        }
        QString last = rest.right(2);
        last = (last += part.right(2)).right(2);
        if (rest.size() < KeptValueLength)
            rest += part.first(KeptValueLength - rest.size());
        rest.truncate(KeptValueLength);
        rest += last;
    };
    QString text;
    while (pieces(&text)) {
        qsizetype start = 0;
        for (qsizetype end; (end = text.indexOf(u'\n', start)) >= 0; start = end + 1) {
            const QStringView line = QStringView(text).mid(start, end - start);
            if (rest.isEmpty()) {
                lines.add(line);
            } else {
                hold(line);
                lines.add(rest);
                rest.clear();
            }
        }
        hold(QStringView(text).mid(start));
    }
    lines.add(rest);
    lines.finish();
}

// One card's properties as a contact; what has no room in it into leftOut (a
// cell of the LeftOutHeader column).
contact::Record contactOf(const QList<vcard::Property>& properties, QString* leftOut)
{
    QList<vcard::LeftOut> left;
    const contact::Record c = vcard::contactOf(properties, &left);
    for (const vcard::LeftOut& value : left)
        noteLeftOut(leftOut, fieldWord(value.field), value.value);
    return c;
}
} // namespace

CsvTable readVCards(const QString& text)
{
    return collect([&text](const RowSink& sink) { return readVCards(text, sink); });
}

QString readVCards(const QString& text, const RowSink& sink)
{
    bool given = false;
    return readVCards(
        [&](QString* piece) {
            if (given)
                return false;
            *piece = text;
            return given = true;
        },
        sink);
}

QString readVCards(const TextPieces& pieces, const RowSink& sink)
{
    static const QList<contact::Field> order = contact::recordOrder();
    bool stopped = !sink(contact::columns() << LeftOutHeader, 0);
    bool any = false;
    QList<vcard::Property> card;
    int begin = 0;
    bool open = false;
    bool undecodable = false;
    const auto hand = [&](const QStringList& row) {
        any = true;
        stopped = stopped || !sink(row, begin);
    };
    forEachLogicalLine(pieces, [&](const QString& line, int lineNumber) {
        if (stopped)
            return;
        const vcard::Property p = vcard::parse(line);
        if (p.name == QLatin1String("BEGIN") &&
            p.value.trimmed().toUpper() == QLatin1String("VCARD")) {
            if (open) // the card before never ended
                hand(QStringList());
            open = true;
            begin = lineNumber;
            card.clear();
            undecodable = false;
        } else if (p.name == QLatin1String("END") && open && undecodable) {
            hand(QStringList());
            open = false;
        } else if (p.name == QLatin1String("END") && open) {
            QString leftOut;
            const contact::Record c = contactOf(card, &leftOut);
            QStringList row;
            row.reserve(order.size() + 1);
            for (const contact::Field field : order)
                row << c[field];
            row << leftOut;
            hand(row);
            open = false;
        } else if (open) {
            undecodable = undecodable || p.undecodable;
            card << p;
        }
    });
    if (open && !stopped)
        hand(QStringList());
    if (!any && !stopped)
        return QStringLiteral("O arquivo não tem nenhum cartão vCard.");
    return QString();
}

} // namespace interchange
