#include "writeback.h"

#include "writer.h"
#include "writtenforms.h"

#include <algorithm>

namespace vcard {

namespace {
using namespace contact;

// The lines of a card being changed: a line's index stays its place in the
// card, whatever is removed or added.
class Edit {
public:
    explicit Edit(const Card& card)
        : four(card.version() == 4), m_lines(card.lines()), m_removed(m_lines.size(), false)
    {
    }

    const bool four;

    bool exists(int i) const { return i >= 0 && i < m_lines.size() && !m_removed.at(i); }
    const Property& at(int i) const { return m_lines.at(i).property; }
    void remove(int i)
    {
        if (exists(i))
            m_removed[i] = true;
    }
    void add(const QString& name, const QString& value)
    {
        if (!value.isEmpty())
            m_added.append(line(name + u':' + value));
    }

    // The property's value replaced, its group and parameters kept; a
    // quoted-printable value is written plainly, its CHARSET dropped.
    void setValue(int i, const QString& value)
    {
        const ContentLine& old = m_lines.at(i);
        QString head = old.raw.left(old.property.valueStart - 1);
        if (old.property.quotedPrintable ||
            head.contains(QLatin1String("CHARSET"), Qt::CaseInsensitive))
            head = plainHead(head);
        m_lines[i] = line(head + u':' + value);
    }

    // The last property of a name, which contactOf reads; -1 when none.
    int last(const char* name) const
    {
        for (int i = m_lines.size() - 1; i >= 0; --i) {
            if (exists(i) && m_lines.at(i).property.name == QLatin1String(name))
                return i;
        }
        return -1;
    }

    QList<ContentLine> lines() const
    {
        QList<ContentLine> kept;
        for (int i = 0; i < m_lines.size(); ++i) {
            if (!m_removed.at(i))
                kept << m_lines.at(i);
        }
        return kept + m_added;
    }

private:
    static ContentLine line(const QString& text) { return {text, parse(text)}; }

    // A name and parameters without those of an encoding.
    static QString plainHead(const QString& head)
    {
        QStringList kept;
        bool quoted = false;
        qsizetype start = 0;
        for (qsizetype i = 0; i <= head.size(); ++i) {
            if (i < head.size() && head.at(i) == u'"')
                quoted = !quoted;
            if (i < head.size() && (head.at(i) != u';' || quoted))
                continue;
            const QString part = head.mid(start, i - start);
            const QString key = part.section(u'=', 0, 0).trimmed().toUpper();
            const QString value = part.section(u'=', 1).trimmed().toUpper();
            if (key != QLatin1String("CHARSET") && key != QLatin1String("QUOTED-PRINTABLE") &&
                !(key == QLatin1String("ENCODING") && value == QLatin1String("QUOTED-PRINTABLE")))
                kept << part;
            start = i + 1;
        }
        return kept.join(u';');
    }

    QList<ContentLine> m_lines;
    QList<bool> m_removed;
    QList<ContentLine> m_added;
};

// A phone as a tel: URI (tel:+55-11-98765-4321;ext=215), as 4.0 cards write them.
QString telUri(const QString& number, const QString& extension = QString())
{
    const writtenform::SplitPhone split = writtenform::splitExtension(number);
    const QString ext = extension.isEmpty() ? split.extension : extension;
    QString uri = QStringLiteral("tel:") + split.number.trimmed().replace(u' ', u'-');
    return ext.isEmpty() ? uri : uri + QStringLiteral(";ext=") + ext;
}

bool isUri(const Property& p)
{
    return unescaped(p.value).trimmed().startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive);
}

// The property a new phone of this field gets, as the reader takes it back.
QString telHead(Field field, bool four)
{
    const char* types = field == FoneRes      ? "HOME,VOICE"
                        : field == CelularRes ? "CELL"
                        : field == FoneCom    ? "WORK,VOICE"
                                              : "WORK,CELL";
    return four ? QStringLiteral("TEL;VALUE=uri;TYPE=") + QString::fromLatin1(types).toLower()
                : QStringLiteral("TEL;TYPE=") + QLatin1String(types);
}

// A field held by one whole property: rewritten, removed or added.
void writeWhole(Edit& edit, int at, const QString& head, const QString& value)
{
    if (value.isEmpty())
        edit.remove(at);
    else if (edit.exists(at))
        edit.setValue(at, value);
    else
        edit.add(head, value);
}

void writeName(Edit& edit, const QString& name)
{
    writeWhole(edit, edit.last("FN"), QStringLiteral("FN"), escaped(name));
    writeWhole(edit, edit.last("N"), QStringLiteral("N"),
               name.isEmpty() ? QString() : structuredNameValue(name));
}

void writePhone(Edit& edit, Field field, int at, const QString& stored)
{
    const QString number = phoneValue(stored);
    const bool uri = edit.exists(at) ? isUri(edit.at(at)) : edit.four;
    writeWhole(edit, at, telHead(field, edit.four),
               number.isEmpty() ? QString()
               : uri            ? telUri(number)
                                : escaped(number));
}

// The business phone and its extension: the extension dialled on the phone
// when of digits, and kept as typed in X-LISTRANO-RAMAL.
void writeBusiness(Edit& edit, const Origins& origins, const Record& before, const Record& after)
{
    const bool phoneChanged = before[FoneCom] != after[FoneCom];
    const bool extensionChanged = before[Ramal] != after[Ramal];
    const int at = origins.fields[FoneCom].property;
    const QString dialled = isDialledExtension(after[Ramal]) ? after[Ramal] : QString();
    // The phone is rewritten when its number changed, or when the extension
    // changed and the phone holds one or is to.
    bool rewrite = phoneChanged;
    if (extensionChanged && edit.exists(at)) {
        const QString number = unescaped(edit.at(at).value).trimmed();
        rewrite = rewrite || !dialled.isEmpty() ||
                  !writtenform::splitExtension(number).extension.isEmpty();
    }
    bool dialledOnPhone = false;
    if (rewrite) {
        const QString number = phoneValue(after[FoneCom]);
        const bool uri = edit.exists(at) ? isUri(edit.at(at)) : edit.four;
        QString value;
        if (!number.isEmpty())
            value =
                uri ? telUri(number, dialled) : businessPhoneValue(after[FoneCom], after[Ramal]);
        writeWhole(edit, at, telHead(FoneCom, edit.four), value);
        dialledOnPhone = !value.isEmpty() && !dialled.isEmpty();
    }
    // X-LISTRANO-RAMAL holds the extension as typed; it must when the phone
    // does not.
    const int kept = edit.last("X-LISTRANO-RAMAL");
    const bool keptRight = edit.exists(kept) && unescaped(edit.at(kept).value) == after[Ramal];
    if (!keptRight && (extensionChanged || (rewrite && !dialledOnPhone && !after[Ramal].isEmpty())))
        writeWhole(edit, kept, QStringLiteral("X-LISTRANO-RAMAL"), escaped(after[Ramal]));
}

// An address, home or work: its components rewritten in its ADR, or a new ADR.
void writeAddress(Edit& edit, const Origins& origins, const Record& before, const Record& after,
                  bool work)
{
    const std::pair<Field, AddressComponent> parts[] = {{work ? EndCom : EndRes, Street},
                                                        {work ? BairroCom : BairroRes, District},
                                                        {work ? CidadeCom : CidadeRes, City},
                                                        {work ? UfCom : UfRes, State},
                                                        {work ? CepCom : CepRes, PostalCode}};
    const int at = origins.fields[parts[0].first].property;
    QStringList components = edit.exists(at) ? rawComponents(edit.at(at).value) : QStringList();
    while (components.size() < Country + 1)
        components << QString();
    bool changed = false;
    for (const auto& [field, component] : parts) {
        if (before[field] == after[field])
            continue;
        changed = true;
        components[component] =
            escaped(component == PostalCode ? postalValue(after[field]) : after[field]);
    }
    if (!changed)
        return;
    const bool empty = std::all_of(components.begin(), components.end(), [](const QString& c) {
        return unescaped(c).trimmed().isEmpty();
    });
    QString type = work ? QStringLiteral("WORK") : QStringLiteral("HOME");
    writeWhole(edit, at, QStringLiteral("ADR;TYPE=") + (edit.four ? type.toLower() : type),
               empty ? QString() : components.join(u';'));
}
} // namespace

Card withFields(const Card& card, const Record& before, const Record& after)
{
    Origins origins;
    fields(card, &origins);
    Edit edit(card);
    if (before[Nome] != after[Nome])
        writeName(edit, after[Nome]);
    if (before[Email] != after[Email])
        writeWhole(edit, origins.fields[Email].property,
                   edit.four ? QStringLiteral("EMAIL") : QStringLiteral("EMAIL;TYPE=INTERNET"),
                   escaped(after[Email]));
    for (const Field field : {FoneRes, CelularRes, CelularCom}) {
        if (before[field] != after[field])
            writePhone(edit, field, origins.fields[field].property, after[field]);
    }
    if (before[FoneCom] != after[FoneCom] || before[Ramal] != after[Ramal])
        writeBusiness(edit, origins, before, after);
    writeAddress(edit, origins, before, after, false);
    writeAddress(edit, origins, before, after, true);
    return card.withLines(edit.lines());
}

} // namespace vcard
