#include "contactrecord.h"

namespace contact {

QString headerKey(const QString& header)
{
    QString key;
    for (const QChar ch : header.normalized(QString::NormalizationForm_D)) {
        if (ch.isLetterOrNumber())
            key.append(ch.toLower());
    }
    return key;
}

bool fieldOfHeader(const QString& header, Field* field)
{
    const QString key = headerKey(header);
    for (int f = 0; f < FieldCount; ++f) {
        const QStringList known = QString::fromLatin1(Fields[f].headers).split(u' ');
        if (key == headerKey(column(Field(f))) || known.contains(key)) {
            *field = Field(f);
            return true;
        }
    }
    return false;
}

bool isOrganizationHeader(const QString& header)
{
    return QString::fromLatin1(OrganizationHeaders).split(u' ').contains(headerKey(header));
}

bool isEmptyMaskText(const QString& text)
{
    if (!text.contains(u'_'))
        return false;
    for (const QChar ch : text) {
        if (!EmptyMaskCharacters.contains(ch))
            return false;
    }
    return true;
}

} // namespace contact
