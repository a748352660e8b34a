#include "mapping.h"

#include "kindwords.h"
#include "writtenforms.h"

#include <QHash>

namespace vcard {

contact::Record contactOf(const QList<Property>& properties, QList<LeftOut>* leftOut,
                          Origins* origins)
{
    using namespace contact;
    Record c;
    Origins from;
    const auto leave = [leftOut](Field field, const QString& value) {
        if (leftOut && !value.isEmpty())
            leftOut->append({field, value});
    };
    // The labels of grouped properties: item1.TEL beside item1.X-ABLabel.
    QHash<QString, QString> labels;
    for (const Property& p : properties) {
        if (p.name == QLatin1String("X-ABLABEL") && !p.group.isEmpty())
            labels.insert(p.group, unescaped(p.value));
    }
    QString structuredName;
    QString organization;
    int structuredAt = -1, organizationAt = -1;
    bool emailPreferred = false;
    // The business phone's own extension wins over the one kept beside it (an
    // extension changed on a phone is dialled, not kept).
    QString businessExtension, keptExtension;
    int businessAt = -1, keptAt = -1;
    for (int i = 0; i < properties.size(); ++i) {
        const Property& p = properties.at(i);
        // A label that says the kind wins over the types.
        const QString label = p.group.isEmpty() ? QString() : labels.value(p.group);
        const bool labelled = !label.isEmpty() && namesKind(label);
        const bool work = labelled ? isWork(label) : p.types.contains(QStringLiteral("WORK"));
        if (p.name == QLatin1String("FN")) {
            c[Nome] = unescaped(p.value).trimmed();
            from.fields[Nome] = {i, -1};
        } else if (p.name == QLatin1String("N")) {
            const QStringList n = components(p.value);
            structuredName = (n.value(1) + u' ' + n.value(2) + u' ' + n.value(0)).simplified();
            structuredAt = i;
        } else if (p.name == QLatin1String("ORG")) {
            organization = components(p.value).value(0).trimmed();
            organizationAt = i;
        } else if (p.name == QLatin1String("EMAIL")) {
            const QString email = unescaped(p.value).trimmed();
            if (c[Email].isEmpty() || (p.preferred && !emailPreferred)) {
                leave(Email, c[Email]);
                c[Email] = email;
                from.fields[Email] = {i, -1};
                emailPreferred = p.preferred;
            } else if (email != c[Email]) {
                leave(Email, email);
            }
        } else if (p.name == QLatin1String("ADR")) {
            const QStringList a = components(p.value);
            const Field street = work ? EndCom : EndRes;
            if (!c[street].isEmpty()) {
                QStringList parts;
                for (const int part : {Street, District, City, State, PostalCode}) {
                    if (!a.value(part).trimmed().isEmpty())
                        parts << a.value(part).trimmed();
                }
                leave(street, parts.join(QStringLiteral(", ")));
                continue;
            }
            const std::pair<Field, AddressComponent> parts[] = {
                {street, Street},
                {work ? BairroCom : BairroRes, District},
                {work ? CidadeCom : CidadeRes, City},
                {work ? UfCom : UfRes, State},
                {work ? CepCom : CepRes, PostalCode}};
            for (const auto& [field, component] : parts) {
                c[field] = a.value(component);
                from.fields[field] = {i, component};
            }
        } else if (p.name == QLatin1String("TEL")) {
            QString number = unescaped(p.value).trimmed();
            if (number.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive))
                number = number.mid(4).replace(u'-', u' ');
            // An extension is the business phone's own field; any other number
            // keeps its extension in its text, a URI's written out.
            const writtenform::SplitPhone split = writtenform::splitExtension(number);
            const bool cell = p.types.contains(QStringLiteral("CELL"));
            const Field field = labelled ? phoneField(label)
                                : work   ? (cell ? CelularCom : FoneCom)
                                         : (cell ? CelularRes : FoneRes);
            if (!c[field].isEmpty()) {
                if (unescaped(p.value).trimmed() != c[field])
                    leave(field, unescaped(p.value));
                continue;
            }
            if (!split.extension.isEmpty()) {
                if (field == FoneCom) {
                    businessExtension = split.extension;
                    businessAt = i;
                    number = split.number;
                } else if (number.contains(QStringLiteral(";ext="), Qt::CaseInsensitive)) {
                    number = split.number + QStringLiteral(" ramal ") + split.extension;
                }
            }
            c[field] = number.trimmed();
            from.fields[field] = {i, -1};
        } else if (p.name == QLatin1String("X-LISTRANO-RAMAL")) {
            keptExtension = unescaped(p.value);
            keptAt = i;
        }
    }
    // The business phone's own extension (changed on a phone, say) wins over
    // the one kept beside it.
    c[Ramal] = !businessExtension.isEmpty() ? businessExtension : keptExtension;
    from.fields[Ramal] = {!businessExtension.isEmpty() ? businessAt : keptAt, -1};
    if (!c[Nome].isEmpty()) {
        from.name = NameFrom::FormattedName;
    } else if (!structuredName.isEmpty()) {
        c[Nome] = structuredName;
        from.name = NameFrom::StructuredName;
        from.fields[Nome] = {structuredAt, -1};
    } else if (!organization.isEmpty()) {
        c[Nome] = organization;
        from.name = NameFrom::Organization;
        from.fields[Nome] = {organizationAt, -1};
    } else if (!from.fields[Nome].isNone()) {
        from.name = NameFrom::FormattedName; // an empty one
    }
    if (origins)
        *origins = from;
    return c;
}

} // namespace vcard
