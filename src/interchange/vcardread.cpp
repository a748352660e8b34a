#include "vcardread.h"

#include "contactrecord.h"
#include "typedcolumns.h"
#include "usertexts.h"
#include "writtenforms.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringView>

namespace interchange {

namespace {
struct Property {
    QString group;     // "item1" of "item1.TEL", upper case
    QString name;      // upper case, group taken off
    QStringList types; // upper case, from TYPE= and bare 2.1 parameters
    bool preferred = false;
    QString value; // decoded, still escaped
    // Quoted-printable bytes its character set cannot read: the card cannot
    // be read, rather than hold replacement characters.
    bool undecodable = false;
};

// Where a quoted-printable value cut short may end: before an escape it cut
// ("=C"), and before the bytes of a UTF-8 character it cut.
qsizetype wholeEscapesEnd(QStringView value)
{
    qsizetype end = value.size();
    if (value.endsWith(u'='))
        end -= 1;
    else if (end >= 2 && value.at(end - 2) == u'=')
        end -= 2;
    const auto byteBefore = [&value](qsizetype at) {
        bool ok = false;
        const int byte =
            at >= 3 && value.at(at - 3) == u'=' ? value.sliced(at - 2, 2).toInt(&ok, 16) : -1;
        return ok ? byte : -1;
    };
    qsizetype lead = end;
    int continuations = 0;
    for (int byte; continuations < 3 && (byte = byteBefore(lead)) >= 0x80 && byte < 0xC0; lead -= 3)
        ++continuations;
    const int first = byteBefore(lead);
    if (first < 0xC0)
        return end;
    const int length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
    return continuations + 1 < length ? lead - 3 : end;
}

// Calls take(text, line) for each logical line of the text in pieces: a
// physical line that begins with a blank or a tab continues the one before, and
// so does the line after a quoted-printable value's soft break (a '=' at the
// end). One pass, without a copy of the lines. A logical line keeps its first
// KeptValueLength characters: what goes on past them (a phone's photo) is read
// over.
template <typename Take> void forEachLogicalLine(const TextPieces& pieces, Take take)
{
    static constexpr QStringView QuotedPrintable = u"QUOTED-PRINTABLE";
    QString current;
    bool full = false; // current holds KeptValueLength characters, and went on
    int currentLine = 0;
    bool softBreak = false;
    int number = 0;
    // What is known of the current line's name and parameters, the part before
    // its first ':': each character is looked at once, however many lines a
    // line without a ':' goes on for.
    qsizetype scanned = 0;
    qsizetype colon = -1;
    bool quotedPrintable = false;
    const auto add = [&](QStringView part) {
        if (full)
            return;
        full = current.size() + part.size() > KeptValueLength;
        current += full ? part.first(KeptValueLength - current.size()) : part;
    };
    const auto give = [&] {
        if (full && quotedPrintable)
            current.truncate(wholeEscapesEnd(current));
        take(current, currentLine);
    };
    const auto physical = [&](QStringView line) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        ++number;
        if (currentLine && softBreak) {
            if (!full)
                current.chop(1);
            scanned = qMin(scanned, current.size());
            add(line);
        } else if (currentLine && (line.startsWith(u' ') || line.startsWith(u'\t'))) {
            add(line.mid(1));
        } else {
            if (currentLine)
                give();
            current.clear();
            full = false;
            add(line);
            currentLine = number;
            scanned = 0;
            colon = -1;
            quotedPrintable = false;
        }
        if (colon < 0) {
            colon = current.indexOf(u':', scanned);
            const qsizetype end = colon < 0 ? current.size() : colon;
            // The word may have begun in the part looked at before.
            const qsizetype from = qMax(qsizetype(0), scanned - QuotedPrintable.size() + 1);
            quotedPrintable =
                quotedPrintable || QStringView(current)
                                       .sliced(from, end - from)
                                       .contains(QuotedPrintable, Qt::CaseInsensitive);
            scanned = end;
        }
        softBreak = quotedPrintable && (full ? line.endsWith(u'=') : current.endsWith(u'='));
    };
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
                physical(line);
            } else {
                hold(line);
                physical(rest);
                rest.clear();
            }
        }
        hold(QStringView(text).mid(start));
    }
    physical(rest);
    if (currentLine)
        give();
}

QByteArray quotedPrintable(const QString& value)
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
    // Views into the line: a property's parameters cost no copies.
    const QList<QStringView> parts = QStringView(line).left(colon).split(u';');
    QStringView name = parts.constFirst();
    const qsizetype dot = name.lastIndexOf(u'.');
    p.group = name.left(qMax(dot, qsizetype(0))).toString().toUpper();
    p.name = name.mid(dot + 1).toString().toUpper();
    bool qp = false;
    QString charset;
    const auto is = [](QStringView text, const char16_t* word) {
        return text.compare(QStringView(word), Qt::CaseInsensitive) == 0;
    };
    for (qsizetype k = 1; k < parts.size(); ++k) {
        const QStringView part = parts.at(k);
        const qsizetype equals = part.indexOf(u'=');
        const QStringView key = (equals < 0 ? part : part.left(equals)).trimmed();
        const QStringView value = equals < 0 ? QStringView() : part.mid(equals + 1);
        if (is(key, u"TYPE")) {
            for (const QStringView t : value.split(u','))
                p.types << t.toString().remove(u'"').trimmed().toUpper();
        } else if (is(key, u"ENCODING")) {
            qp = is(value, u"QUOTED-PRINTABLE");
        } else if (is(key, u"CHARSET")) {
            charset = value.toString().toUpper();
        } else if (is(key, u"PREF")) {
            p.preferred = true;
        } else if (equals < 0) {
            p.types << key.toString().toUpper(); // 2.1: TEL;HOME;CELL
            qp = qp || is(key, u"QUOTED-PRINTABLE");
        }
    }
    p.preferred = p.preferred || p.types.contains(QStringLiteral("PREF"));
    p.value = line.mid(colon + 1);
    if (qp) {
        // Without a character set, as the file's text: UTF-8, else Windows-1252.
        const QByteArray bytes = quotedPrintable(p.value);
        bool ok = false;
        if (charset == QLatin1String("UTF-8")) {
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            p.value = utf8.decode(bytes);
            ok = !utf8.hasError();
        } else {
            p.value = decodeText(bytes, &ok);
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

// The components of a structured value, split at the ';' no backslash escapes.
QStringList components(const QString& value)
{
    QStringList parts;
    QString part;
    for (int i = 0; i < value.size(); ++i) {
        if (value.at(i) == u'\\' && i + 1 < value.size()) {
            part += value.mid(i, 2);
            ++i;
        } else if (value.at(i) == u';') {
            parts << unescaped(part);
            part.clear();
        } else {
            part += value.at(i);
        }
    }
    return parts << unescaped(part);
}

// One card's properties as a contact; what has no room in it into leftOut (a
// cell of the LeftOutHeader column).
contact::Record contactOf(const QList<Property>& properties, QString* leftOut)
{
    using namespace contact;
    Record c;
    // The labels of grouped properties: item1.TEL beside item1.X-ABLabel.
    QHash<QString, QString> labels;
    for (const Property& p : properties) {
        if (p.name == QLatin1String("X-ABLABEL") && !p.group.isEmpty())
            labels.insert(p.group, unescaped(p.value));
    }
    QString structuredName;
    QString organization;
    bool emailPreferred = false;
    // The business phone's own extension wins over the one kept beside it (an
    // extension changed on a phone is dialled, not kept); another phone's comes last.
    QString businessExtension, keptExtension;
    for (const Property& p : properties) {
        // A label that says the kind wins over the types.
        const QString label = p.group.isEmpty() ? QString() : labels.value(p.group);
        const bool labelled = !label.isEmpty() && namesKind(label);
        const bool work = labelled ? isWork(label) : p.types.contains(QStringLiteral("WORK"));
        if (p.name == QLatin1String("FN")) {
            c[Nome] = unescaped(p.value).trimmed();
        } else if (p.name == QLatin1String("N")) {
            const QStringList n = components(p.value);
            structuredName = (n.value(1) + u' ' + n.value(2) + u' ' + n.value(0)).simplified();
        } else if (p.name == QLatin1String("ORG")) {
            organization = components(p.value).value(0).trimmed();
        } else if (p.name == QLatin1String("EMAIL")) {
            const QString email = unescaped(p.value).trimmed();
            if (c[Email].isEmpty() || (p.preferred && !emailPreferred)) {
                noteLeftOut(leftOut, fieldWord(Email), c[Email]);
                c[Email] = email;
                emailPreferred = p.preferred;
            } else if (email != c[Email]) {
                noteLeftOut(leftOut, fieldWord(Email), email);
            }
        } else if (p.name == QLatin1String("ADR")) {
            const QStringList a = components(p.value);
            const Field street = work ? EndCom : EndRes;
            if (!c[street].isEmpty()) {
                QStringList parts;
                for (const int part : {2, 1, 3, 4, 5}) {
                    if (!a.value(part).trimmed().isEmpty())
                        parts << a.value(part).trimmed();
                }
                noteLeftOut(leftOut, fieldWord(street), parts.join(QStringLiteral(", ")));
                continue;
            }
            c[street] = a.value(2);
            c[work ? BairroCom : BairroRes] = a.value(1);
            c[work ? CidadeCom : CidadeRes] = a.value(3);
            c[work ? UfCom : UfRes] = a.value(4);
            c[work ? CepCom : CepRes] = a.value(5);
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
                    noteLeftOut(leftOut, fieldWord(field), unescaped(p.value));
                continue;
            }
            if (!split.extension.isEmpty()) {
                if (field == FoneCom) {
                    businessExtension = split.extension;
                    number = split.number;
                } else if (number.contains(QStringLiteral(";ext="), Qt::CaseInsensitive)) {
                    number = split.number + QStringLiteral(" ramal ") + split.extension;
                }
            }
            c[field] = number.trimmed();
        } else if (p.name == QLatin1String("X-LISTRANO-RAMAL")) {
            keptExtension = unescaped(p.value);
        }
    }
    // The business phone's own extension (changed on a phone, say) wins over
    // the one kept beside it.
    c[Ramal] = !businessExtension.isEmpty() ? businessExtension : keptExtension;
    if (c[Nome].isEmpty())
        c[Nome] = structuredName.isEmpty() ? organization : structuredName;
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
    QList<Property> card;
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
        const Property p = parse(line);
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
