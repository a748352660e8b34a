#include "card.h"

#include "logicallines.h"
#include "writer.h"

#include <QSet>

#include <algorithm>

namespace vcard {

namespace {
bool isWord(const Property& p, const char* name, const char* value)
{
    return p.name == QLatin1String(name) &&
           p.value.trimmed().compare(QLatin1String(value), Qt::CaseInsensitive) == 0;
}

// A property as sameContent compares it: a text with everything that counts,
// in an order of its own.
QString comparable(const Property& p)
{
    QStringList parameters;
    for (const Parameter& parameter : p.parameters) {
        // The value is compared decoded, so how it was encoded does not count.
        if (parameter.name == QLatin1String("CHARSET") ||
            (parameter.name == QLatin1String("ENCODING") &&
             parameter.values.join(u',').compare(QLatin1String("QUOTED-PRINTABLE"),
                                                 Qt::CaseInsensitive) == 0))
            continue;
        for (const QString& value : parameter.values) {
            const QString shown =
                parameter.name == QLatin1String("TYPE") ? value.trimmed().toUpper() : value;
            if (parameter.name == QLatin1String("TYPE") &&
                shown == QLatin1String("QUOTED-PRINTABLE"))
                continue;
            parameters << parameter.name + u'=' + shown;
        }
    }
    parameters.sort();
    parameters.removeDuplicates();
    // Unit separators keep the parts apart: no value holds them.
    return p.group + u'\x1f' + p.name + u'\x1f' + parameters.join(u'\x1e') + u'\x1f' +
           components(p.value).join(u'\x1e');
}
} // namespace

QList<Card> Card::parseCards(const QString& text)
{
    QList<Card> cards;
    Card card;
    bool open = false;
    LogicalLines lines([&](const QString& line, int) {
        const Property p = vcard::parse(line);
        if (isWord(p, "BEGIN", "VCARD")) {
            card = Card();
            card.m_begin = line;
            open = true;
        } else if (open && isWord(p, "END", "VCARD")) {
            card.m_end = line;
            cards << card;
            open = false;
        } else if (open && !line.trimmed().isEmpty()) {
            card.m_lines.append({line, p});
        }
    });
    // A byte order mark a text decoded whole may begin with is no part of it.
    qsizetype start = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
    for (qsizetype end; (end = text.indexOf(u'\n', start)) >= 0; start = end + 1)
        lines.add(QStringView(text).mid(start, end - start));
    lines.add(QStringView(text).mid(start));
    lines.finish();
    return cards;
}

Card Card::parse(const QString& text)
{
    return parseCards(text).value(0);
}

Card Card::fromLines(const QStringList& lines)
{
    Card card;
    for (const QString& line : lines)
        card.m_lines.append({line, vcard::parse(line)});
    return card;
}

QList<Property> Card::properties() const
{
    QList<Property> all;
    all.reserve(m_lines.size());
    for (const ContentLine& line : m_lines)
        all << line.property;
    return all;
}

QString Card::text() const
{
    QString out = folded(m_begin);
    for (const ContentLine& line : m_lines)
        out += folded(line.raw, line.property.quotedPrintable);
    return out + folded(m_end);
}

int Card::version() const
{
    for (const ContentLine& line : m_lines) {
        if (line.property.name == QLatin1String("VERSION"))
            return line.property.value.trimmed().startsWith(u'4') ? 4 : 3;
    }
    return 3;
}

QString Card::uid() const
{
    for (const ContentLine& line : m_lines) {
        if (line.property.name == QLatin1String("UID"))
            return unescaped(line.property.value).trimmed();
    }
    return QString();
}

Card Card::withLines(const QList<ContentLine>& lines) const
{
    Card card = *this;
    card.m_lines = lines;
    return card;
}

bool sameContent(const Card& a, const Card& b)
{
    if (a.lines().size() != b.lines().size())
        return false;
    QStringList left, right;
    for (const ContentLine& line : a.lines())
        left << comparable(line.property);
    for (const ContentLine& line : b.lines())
        right << comparable(line.property);
    std::sort(left.begin(), left.end());
    std::sort(right.begin(), right.end());
    return left == right;
}

contact::Record fields(const Card& card, Origins* origins)
{
    return contactOf(card.properties(), nullptr, origins);
}

Card newCard(const contact::Record& record, const QString& uid)
{
    return Card::parse(vCard(record, uid));
}

} // namespace vcard
