#include "davxml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace carddav::davxml {

namespace {

QString nameOf(const QXmlStreamReader& xml)
{
    return QStringLiteral("{%1}%2").arg(xml.namespaceUri(), xml.name());
}

bool isDav(const QXmlStreamReader& xml, QLatin1String local)
{
    return xml.namespaceUri() == Dav && xml.name() == local;
}

// Reads the property whose start element was just read, up to its end.
Property readProperty(QXmlStreamReader& xml)
{
    Property property;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            property.elements.insert(nameOf(xml));
            if (isDav(xml, QLatin1String("href")))
                property.hrefs
                    << xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
            else
                ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (depth == 1)
                property.text += xml.text();
            break;
        default:
            break;
        }
    }
    return property;
}

void readPropstat(QXmlStreamReader& xml, Response& response)
{
    QHash<QString, Property> properties;
    int status = 0;
    while (xml.readNextStartElement()) {
        if (isDav(xml, QLatin1String("prop"))) {
            while (xml.readNextStartElement()) {
                const QString name = nameOf(xml);
                properties.insert(name, readProperty(xml));
            }
        } else if (isDav(xml, QLatin1String("status"))) {
            status = statusCode(xml.readElementText(QXmlStreamReader::SkipChildElements));
        } else {
            xml.skipCurrentElement();
        }
    }
    if (status / 100 == 2)
        response.properties.insert(properties);
}

Response readResponse(QXmlStreamReader& xml)
{
    Response response;
    while (xml.readNextStartElement()) {
        if (isDav(xml, QLatin1String("href")) && response.href.isEmpty())
            response.href = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        else if (isDav(xml, QLatin1String("status")))
            response.status = statusCode(xml.readElementText(QXmlStreamReader::SkipChildElements));
        else if (isDav(xml, QLatin1String("propstat")))
            readPropstat(xml, response);
        else
            xml.skipCurrentElement();
    }
    return response;
}

QString errorText(const QXmlStreamReader& xml)
{
    return QStringLiteral("%1 (linha %2)").arg(xml.errorString()).arg(xml.lineNumber());
}

void writeEmpty(QXmlStreamWriter& xml, const QString& name)
{
    const int close = name.indexOf(QLatin1Char('}'));
    xml.writeEmptyElement(name.mid(1, close - 1), name.mid(close + 1));
}

void writeProp(QXmlStreamWriter& xml, const QStringList& properties)
{
    xml.writeStartElement(Dav, QStringLiteral("prop"));
    for (const QString& name : properties)
        writeEmpty(xml, name);
    xml.writeEndElement();
}

// A request body: the root element in ns, its content written by content.
template <class Content> QByteArray document(const QString& ns, const char* root, Content&& content)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    xml.writeStartDocument();
    xml.writeNamespace(Dav, QStringLiteral("d"));
    xml.writeNamespace(CardDav, QStringLiteral("card"));
    xml.writeStartElement(ns, QLatin1String(root));
    content(xml);
    xml.writeEndDocument();
    return body;
}

} // namespace

Multistatus parseMultistatus(const QByteArray& body)
{
    Multistatus multistatus;
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || !isDav(xml, QLatin1String("multistatus"))) {
        multistatus.error = xml.hasError() ? errorText(xml) : QStringLiteral("sem multistatus");
        return multistatus;
    }
    while (xml.readNextStartElement()) {
        if (isDav(xml, QLatin1String("response")))
            multistatus.responses << readResponse(xml);
        else if (isDav(xml, QLatin1String("sync-token")))
            multistatus.syncToken =
                xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError())
        multistatus.error = errorText(xml);
    return multistatus;
}

QSet<QString> errorConditions(const QByteArray& body)
{
    QSet<QString> conditions;
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || !isDav(xml, QLatin1String("error")))
        return conditions;
    while (xml.readNextStartElement()) {
        conditions.insert(nameOf(xml));
        xml.skipCurrentElement();
    }
    return conditions;
}

int statusCode(const QString& statusLine)
{
    const QStringList words = statusLine.simplified().split(QLatin1Char(' '));
    return words.size() < 2 ? 0 : words.at(1).toInt();
}

QByteArray propfind(const QStringList& properties)
{
    return document(Dav, "propfind", [&](QXmlStreamWriter& xml) { writeProp(xml, properties); });
}

QByteArray syncCollection(const QString& token, const QStringList& properties)
{
    return document(Dav, "sync-collection", [&](QXmlStreamWriter& xml) {
        xml.writeTextElement(Dav, QStringLiteral("sync-token"), token);
        xml.writeTextElement(Dav, QStringLiteral("sync-level"), QStringLiteral("1"));
        writeProp(xml, properties);
    });
}

QByteArray multiget(const QStringList& hrefs, const QStringList& properties)
{
    return document(CardDav, "addressbook-multiget", [&](QXmlStreamWriter& xml) {
        writeProp(xml, properties);
        for (const QString& href : hrefs)
            xml.writeTextElement(Dav, QStringLiteral("href"), href);
    });
}

} // namespace carddav::davxml
