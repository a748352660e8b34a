#include "property.h"

#include "bytetext.h"

#include <QStringDecoder>
#include <QStringView>

namespace vcard {

namespace {
QByteArray quotedPrintableBytes(const QString& value)
{
    QByteArray bytes;
    const QByteArray raw = value.toUtf8();
    for (int i = 0; i < raw.size(); ++i) {
        if (raw.at(i) == '=' && i + 2 < raw.size()) {
            bool ok = false;
            const int byte = raw.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                bytes.append(char(byte));
                i += 2;
                continue;
            }
        }
        bytes.append(raw.at(i));
    }
    return bytes;
}

// A parameter's values: split at the commas outside quotes, quotes taken off.
QStringList parameterValues(QStringView text)
{
    QStringList values;
    QString value;
    bool quoted = false;
    for (const QChar ch : text) {
        if (ch == u'"') {
            quoted = !quoted;
        } else if (ch == u',' && !quoted) {
            values << value;
            value.clear();
        } else {
            value += ch;
        }
    }
    return values << value;
}

template <typename Split> QStringList split(const QString& value, Split each)
{
    QStringList parts;
    QString part;
    for (int i = 0; i < value.size(); ++i) {
        if (value.at(i) == u'\\' && i + 1 < value.size()) {
            part += value.mid(i, 2);
            ++i;
        } else if (value.at(i) == u';') {
            parts << each(part);
            part.clear();
        } else {
            part += value.at(i);
        }
    }
    return parts << each(part);
}
} // namespace

Property parse(const QString& line)
{
    Property p;
    // The value begins at the first ':' outside a quoted parameter.
    int colon = -1;
    bool quoted = false;
    for (int i = 0; i < line.size() && colon < 0; ++i) {
        if (line.at(i) == u'"')
            quoted = !quoted;
        else if (line.at(i) == u':' && !quoted)
            colon = i;
    }
    if (colon < 0)
        return p;
    p.valueStart = colon + 1;
    // Views into the line: a property's parameters cost no copies but their own.
    const QList<QStringView> parts = QStringView(line).left(colon).split(u';');
    QStringView name = parts.constFirst();
    const qsizetype dot = name.lastIndexOf(u'.');
    p.group = name.left(qMax(dot, qsizetype(0))).toString().toUpper();
    p.name = name.mid(dot + 1).toString().toUpper();
    QString charset;
    const auto is = [](QStringView text, const char16_t* word) {
        return text.compare(QStringView(word), Qt::CaseInsensitive) == 0;
    };
    for (qsizetype k = 1; k < parts.size(); ++k) {
        const QStringView part = parts.at(k);
        const qsizetype equals = part.indexOf(u'=');
        const QStringView key = (equals < 0 ? part : part.left(equals)).trimmed();
        const QStringView value = equals < 0 ? QStringView() : part.mid(equals + 1);
        if (equals < 0)
            p.parameters.append({QStringLiteral("TYPE"), {key.toString()}});
        else
            p.parameters.append({key.toString().toUpper(), parameterValues(value)});
        if (is(key, u"TYPE")) {
            for (const QStringView t : value.split(u','))
                p.types << t.toString().remove(u'"').trimmed().toUpper();
        } else if (is(key, u"ENCODING")) {
            p.quotedPrintable = is(value, u"QUOTED-PRINTABLE");
        } else if (is(key, u"CHARSET")) {
            charset = value.toString().toUpper();
        } else if (is(key, u"PREF")) {
            p.preferred = true;
        } else if (equals < 0) {
            p.types << key.toString().toUpper(); // 2.1: TEL;HOME;CELL
            p.quotedPrintable = p.quotedPrintable || is(key, u"QUOTED-PRINTABLE");
        }
    }
    p.preferred = p.preferred || p.types.contains(QStringLiteral("PREF"));
    p.value = line.mid(colon + 1);
    if (p.quotedPrintable) {
        // Without a character set, as the file's text: UTF-8, else Windows-1252.
        const QByteArray bytes = quotedPrintableBytes(p.value);
        bool ok = false;
        if (charset == QLatin1String("UTF-8")) {
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            p.value = utf8.decode(bytes);
            ok = !utf8.hasError();
        } else {
            p.value = bytetext::decodeText(bytes, &ok);
        }
        p.undecodable = !ok;
    }
    return p;
}

QString unescaped(const QString& value)
{
    if (!value.contains(u'\\'))
        return value;
    QString out;
    for (int i = 0; i < value.size(); ++i) {
        if (value.at(i) == u'\\' && i + 1 < value.size()) {
            const QChar next = value.at(++i);
            out += next == u'n' || next == u'N' ? QChar(u'\n') : next;
        } else {
            out += value.at(i);
        }
    }
    return out;
}

QString escaped(QString value)
{
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u',', QStringLiteral("\\,"));
    value.replace(u';', QStringLiteral("\\;"));
    value.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    value.replace(u'\n', QStringLiteral("\\n"));
    value.replace(u'\r', QStringLiteral("\\n"));
    return value;
}

QStringList components(const QString& value)
{
    return split(value, [](const QString& part) { return unescaped(part); });
}

QStringList rawComponents(const QString& value)
{
    return split(value, [](const QString& part) { return part; });
}

} // namespace vcard
