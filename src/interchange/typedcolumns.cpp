#include "typedcolumns.h"

#include "contactrecord.h"

#include <QRegularExpression>


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
        key == QLatin1String("primeironome"))
        return First;
    if (key == QLatin1String("middlename") || key == QLatin1String("additionalname"))
        return Middle;
    if (key == QLatin1String("lastname") || key == QLatin1String("familyname") ||
        key == QLatin1String("sobrenome"))
        return Last;
    return std::nullopt;
}

bool says(const QString& type, const char* english, const char* portuguese)
{
    return type.contains(QLatin1String(english), Qt::CaseInsensitive) ||
           type.contains(QLatin1String(portuguese), Qt::CaseInsensitive);
}

bool isWork(const QString& type)
{
    return says(type, "work", "trabalho") || says(type, "business", "comercial");
}

// The field a phone of this type fills; FieldCount for none (a fax).
Field phoneField(const QString& type)
{
    if (says(type, "fax", "fax") || says(type, "pager", "pager"))
        return contact::FieldCount;
    const bool mobile = says(type, "mobile", "celular") || says(type, "cell", "cel");
    if (isWork(type))
        return mobile ? contact::CelularCom : contact::FoneCom;
    return mobile ? contact::CelularRes : contact::FoneRes;
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

// The first of the values a cell lists (" ::: " between them).
QString firstValue(const QString& cell)
{
    return cell.section(QStringLiteral(" ::: "), 0, 0).trimmed();
}

} // namespace

OwnColumns::OwnColumns(const QStringList& header) : m_header(header), m_width(header.size())
{
    bool hasName = false;
    for (int c = 0; c < header.size(); ++c) {
        Field field;
        if (contact::fieldOfHeader(header.at(c), &field) && field == contact::Nome)
            hasName = true;
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
    m_composeName = !hasName && !m_nameParts.empty();

    // The fields these columns can fill get a column each.
    if (m_composeName)
        m_added << contact::Nome;
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
}

void OwnColumns::extend(QStringList& row) const
{
    if (m_added.isEmpty() || row.size() != m_width)
        return; // a row of another width is counted as an error by the import
    contact::Record own;
    bool preferredEmail = false;
    const auto cell = [&row](int c) { return c < 0 ? QString() : row.at(c).trimmed(); };
    for (const auto& [key, group] : m_groups) {
        const QString type = cell(group.type);
        const bool preferred = type.startsWith(u'*');
        for (const auto& [part, c] : group.parts) {
            const QString value = part == QLatin1String("value") || part == QLatin1String("street")
                                      ? firstValue(cell(c))
                                      : cell(c);
            if (value.isEmpty())
                continue;
            Field field = contact::FieldCount;
            if (key.first == Kind::Phone && part == QLatin1String("value"))
                field = phoneField(type);
            else if (key.first == Kind::Address)
                field = addressField(part, isWork(type));
            else if (key.first == Kind::Email && part == QLatin1String("value")) {
                if (preferred && !preferredEmail)
                    own[contact::Email].clear();
                preferredEmail = preferredEmail || preferred;
                field = contact::Email;
            }
            if (field != contact::FieldCount && own[field].isEmpty())
                own[field] = value;
        }
    }
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
}

} // namespace interchange
