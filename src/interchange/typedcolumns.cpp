#include "typedcolumns.h"

#include "contactrecord.h"
#include "oneline.h"
#include "usertexts.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <optional>

namespace interchange {

namespace {
using contact::Field;

// One column of a numbered group: "Phone 1 - Value" is group "phone" 1, part "value".
struct GroupColumn {
    OwnColumns::Kind kind;
    int number = 0;
    QString part;
};

std::optional<GroupColumn> groupColumn(const QString& header)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*?)\\s*(\\d+)\\s*-\\s*(.+)$"));
    const QRegularExpressionMatch m = numbered.match(header.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    using Kind = OwnColumns::Kind;
    const QString group = contact::headerKey(m.captured(1));
    Kind kind;
    if (group == QLatin1String("phone"))
        kind = Kind::Phone;
    else if (group == QLatin1String("email"))
        kind = Kind::Email;
    else if (group == QLatin1String("address"))
        kind = Kind::Address;
    else
        return std::nullopt;
    return GroupColumn{kind, m.captured(2).toInt(), contact::headerKey(m.captured(3))};
}

enum NamePart { First, Middle, Last };

std::optional<NamePart> namePart(const QString& header)
{
    const QString key = contact::headerKey(header);
    if (key == QLatin1String("firstname") || key == QLatin1String("givenname") ||
        key == QLatin1String("primeironome") || key == QLatin1String("nome"))
        return First;
    if (key == QLatin1String("middlename") || key == QLatin1String("additionalname") ||
        key == QLatin1String("nomedomeio"))
        return Middle;
    if (key == QLatin1String("lastname") || key == QLatin1String("familyname") ||
        key == QLatin1String("sobrenome"))
        return Last;
    return std::nullopt;
}

// An address part's field, home or work.
Field addressField(const QString& part, bool work)
{
    using namespace contact;
    if (part == QLatin1String("street"))
        return work ? EndCom : EndRes;
    if (part == QLatin1String("extendedaddress") || part == QLatin1String("neighborhood"))
        return work ? BairroCom : BairroRes;
    if (part == QLatin1String("city"))
        return work ? CidadeCom : CidadeRes;
    if (part == QLatin1String("region"))
        return work ? UfCom : UfRes;
    if (part == QLatin1String("postalcode"))
        return work ? CepCom : CepRes;
    return FieldCount;
}

// The values a cell lists (" ::: " between them).
QStringList values(const QString& cell)
{
    QStringList all;
    for (const QString& value : cell.split(QStringLiteral(" ::: "))) {
        if (!value.trimmed().isEmpty())
            all << value.trimmed();
    }
    return all;
}

} // namespace

void noteLeftOut(QString* cell, const QString& what, const QString& value)
{
    const QString line = textline::oneLine(value).trimmed();
    if (line.isEmpty())
        return;
    if (!cell->isEmpty())
        cell->append(u'\n');
    cell->append(what + u'\t' + line);
}

QStringList leftOutValues(const QString& cell)
{
    QStringList all;
    for (const QString& value : cell.split(u'\n', Qt::SkipEmptyParts))
        all << QString(value).replace(u'\t', u' ');
    return all;
}

OwnColumns::OwnColumns(const QStringList& header) : m_header(header), m_width(header.size())
{
    for (int c = 0; c < header.size(); ++c) {
        if (const auto column = groupColumn(header.at(c))) {
            Group& group = m_groups[{column->kind, column->number}];
            if (column->part == QLatin1String("type") || column->part == QLatin1String("label"))
                group.type = c;
            else
                group.parts[column->part] = c;
        } else if (const auto part = namePart(header.at(c))) {
            m_nameParts.emplace(int(*part), c);
        }
    }
    // "Nome" alone is the whole name; beside a family name, the given name.
    const auto given = m_nameParts.find(First);
    if (given != m_nameParts.end() && m_nameParts.size() == 1 &&
        contact::headerKey(header.at(given->second)) == QLatin1String("nome"))
        m_nameParts.clear();
    m_composeName = !m_nameParts.empty();

    // The fields these columns can fill get a column each; the parts of the
    // name no longer name a field themselves.
    if (m_composeName)
        m_added << contact::Nome;
    for (const auto& part : m_nameParts)
        m_header[part.second] = QString();
    for (const auto& [key, group] : m_groups) {
        using namespace contact;
        QList<Field> fills;
        if (key.first == Kind::Phone)
            fills = {FoneRes, CelularRes, FoneCom, CelularCom};
        else if (key.first == Kind::Email)
            fills = {Email};
        else
            for (const auto& part : group.parts)
                fills << addressField(part.first, false) << addressField(part.first, true);
        for (const Field field : fills) {
            if (field != FieldCount && !m_added.contains(field))
                m_added << field;
        }
    }
    for (const Field field : m_added)
        m_header << contact::column(field);
    if (!m_groups.empty())
        m_header << LeftOutHeader;
}

void OwnColumns::extend(QStringList& row) const
{
    if (m_added.isEmpty() || row.size() != m_width)
        return; // a row of another width is counted as an error by the import
    contact::Record own;
    QString leftOut;
    const auto cell = [&row](int c) { return c < 0 ? QString() : row.at(c).trimmed(); };
    const auto put = [&](Field field, const QString& value) {
        if (own[field].isEmpty())
            own[field] = value;
        else if (own[field] != value)
            noteLeftOut(&leftOut, fieldWord(field), value);
    };
    QStringList emails;
    qsizetype preferredEmails = 0;
    for (const auto& [key, group] : m_groups) {
        const QString type = cell(group.type);
        if (key.first == Kind::Address) {
            // An address goes in whole, or is left out whole.
            const bool work = isWork(type);
            std::map<Field, QString> address; // in the record's order
            for (const auto& [part, c] : group.parts) {
                const Field field = addressField(part, work);
                const QString value = values(cell(c)).value(0);
                if (field != contact::FieldCount && !value.isEmpty())
                    address[field] = value;
            }
            const bool taken = std::any_of(address.begin(), address.end(), [&own](const auto& a) {
                return !own[a.first].isEmpty();
            });
            QStringList parts;
            for (const auto& [field, value] : address) {
                if (!taken)
                    own[field] = value;
                parts << value;
            }
            if (taken)
                noteLeftOut(&leftOut, fieldWord(work ? contact::EndCom : contact::EndRes),
                            parts.join(QStringLiteral(", ")));
            continue;
        }
        const auto value = group.parts.find(QStringLiteral("value"));
        if (value == group.parts.end())
            continue;
        if (key.first == Kind::Email) {
            // A preferred e-mail ("* Home") goes before the others.
            const bool preferred = type.startsWith(u'*');
            const QStringList these = values(cell(value->second));
            for (qsizetype i = 0; i < these.size(); ++i)
                emails.insert(preferred && i == 0 ? preferredEmails++ : emails.size(), these.at(i));
        } else if (const Field field = phoneField(type); field != contact::FieldCount) {
            for (const QString& number : values(cell(value->second)))
                put(field, number);
        }
    }
    for (const QString& email : emails)
        put(contact::Email, email);
    if (m_composeName) {
        QStringList parts;
        for (const auto& [part, c] : m_nameParts) {
            if (!cell(c).isEmpty())
                parts << cell(c);
        }
        own[contact::Nome] = parts.join(u' ');
    }
    for (const Field field : m_added)
        row << own[field];
    if (!m_groups.empty())
        row << leftOut;
}

} // namespace interchange
