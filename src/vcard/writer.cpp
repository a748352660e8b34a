#include "writer.h"

#include "personname.h"
#include "property.h"
#include "writtenforms.h"

#include <algorithm>

namespace vcard {

namespace {
const QString Crlf = QStringLiteral("\r\n");

QString property(const QString& name, const QString& value)
{
    return value.isEmpty() ? QString() : folded(name + u':' + value);
}
} // namespace

QString folded(const QString& line, bool quotedPrintable)
{
    QString out;
    out.reserve(line.size() + line.size() / 36 + 2);
    int bytes = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char16_t unit = line.at(i).unicode();
        const bool pair = QChar::isHighSurrogate(unit) && i + 1 < line.size();
        const int size = pair ? 4 : unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
        if (bytes + size > 75) {
            // The '=' a physical line would end in goes on to the next.
            const bool moved = quotedPrintable && out.endsWith(u'=') && bytes > 2;
            if (moved)
                out.chop(1);
            out += Crlf;
            out += u' ';
            bytes = 1;
            if (moved) {
                out += u'=';
                ++bytes;
            }
        }
        out += line.at(i);
        if (pair)
            out += line.at(++i);
        bytes += size;
    }
    return out + Crlf;
}

QString phoneValue(const QString& stored)
{
    return stored.contains(u'_') ? QString() : writtenform::internationalPhone(stored);
}

QString postalValue(const QString& stored)
{
    return stored.contains(u'_') ? QString() : writtenform::plainCep(stored);
}

bool isDialledExtension(const QString& extension)
{
    return !extension.isEmpty() && std::all_of(extension.begin(), extension.end(),
                                               [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QString businessPhoneValue(const QString& storedPhone, const QString& extension)
{
    // An extension of digits alone is also dialled, after a pause, as phones do.
    QString business = escaped(phoneValue(storedPhone));
    if (!business.isEmpty() && isDialledExtension(extension))
        business += u',' + extension;
    return business;
}

QString structuredNameValue(const QString& name)
{
    const personname::NameParts parts = personname::split(name);
    return escaped(parts.family) + u';' + escaped(parts.given) + u';' + escaped(parts.additional) +
           QStringLiteral(";;");
}

QString vCard(const contact::Record& c, const QString& uid)
{
    using namespace contact;
    const auto address = [&c](Field street, Field district, Field city, Field state, Field cep) {
        const QStringList parts = {QString(),          escaped(c[district]),
                                   escaped(c[street]), escaped(c[city]),
                                   escaped(c[state]),  escaped(postalValue(c[cep]))};
        const QString joined = parts.join(u';');
        return joined.count(u';') == joined.size() ? QString() : joined + QStringLiteral(";");
    };
    QString card = QStringLiteral("BEGIN:VCARD") + Crlf + QStringLiteral("VERSION:3.0") + Crlf;
    card += property(QStringLiteral("UID"), escaped(uid));
    card += folded(QStringLiteral("FN:") + escaped(c[Nome]));
    card += folded(QStringLiteral("N:") + structuredNameValue(c[Nome]));
    if (personname::split(c[Nome]).company)
        card += property(QStringLiteral("ORG"), escaped(c[Nome]));
    card += property(QStringLiteral("EMAIL;TYPE=INTERNET"), escaped(c[Email]));
    card += property(QStringLiteral("ADR;TYPE=HOME"),
                     address(EndRes, BairroRes, CidadeRes, UfRes, CepRes));
    card += property(QStringLiteral("TEL;TYPE=HOME,VOICE"), escaped(phoneValue(c[FoneRes])));
    card += property(QStringLiteral("TEL;TYPE=CELL"), escaped(phoneValue(c[CelularRes])));
    card += property(QStringLiteral("ADR;TYPE=WORK"),
                     address(EndCom, BairroCom, CidadeCom, UfCom, CepCom));
    card +=
        property(QStringLiteral("TEL;TYPE=WORK,VOICE"), businessPhoneValue(c[FoneCom], c[Ramal]));
    card += property(QStringLiteral("X-LISTRANO-RAMAL"), escaped(c[Ramal]));
    card += property(QStringLiteral("TEL;TYPE=WORK,CELL"), escaped(phoneValue(c[CelularCom])));
    return card + QStringLiteral("END:VCARD") + Crlf;
}

} // namespace vcard
