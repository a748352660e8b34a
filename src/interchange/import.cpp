#include "import.h"

#include "accessread.h"
#include "contacttable.h"
#include "filetext.h"
#include "oneline.h"
#include "sourcefile.h"
#include "typedcolumns.h"
#include "usertexts.h"
#include "vcardread.h"
#include "writtenforms.h"

#include <algorithm>
#include <optional>

#include <QFile>
#include <QStringDecoder>

namespace interchange {

using filetext::FileText;

namespace {
bool isPhoneField(contact::Field f)
{
    using namespace contact;
    return f == FoneRes || f == CelularRes || f == FoneCom || f == CelularCom;
}

// A value as the summary names it: its beginning, with "…" when it goes on.
constexpr qsizetype ShownLength = 100;
QString shown(const QString& value)
{
    if (value.size() <= ShownLength)
        return value;
    const qsizetype end = ShownLength - (value.at(ShownLength - 1).isHighSurrogate() ? 1 : 0);
    return value.left(end) + u'…';
}

// A value longer than its field holds: a text cut where the field ends (never
// between the halves of a surrogate pair); an e-mail, a phone or a postal
// code left out, as cut it would be another. Either way it is told.
void fit(contact::Record& contact, contact::Field field, QStringList* leftOut)
{
    QString& value = contact[field];
    const int max = contact::maxLength(field);
    if (value.size() <= max)
        return;
    if (leftOut)
        *leftOut << fieldWord(field) + u' ' + value.left(ShownLength + 1); // shown cuts it
    if (contact::isExactField(field))
        value = QStringLiteral("");
    else
        value.truncate(max - (value.at(max - 1).isHighSurrogate() ? 1 : 0));
}
} // namespace

QList<int> fieldsOf(const QStringList& header)
{
    QList<int> fields;
    for (const QString& column : header) {
        contact::Field field;
        if (column == LeftOutHeader)
            fields << LeftOutColumn;
        else if (contact::fieldOfHeader(column, &field))
            fields << int(field);
        else
            fields << (contact::isOrganizationHeader(column) ? OrganizationColumn : NoField);
    }
    return fields;
}

bool namesContacts(const QList<int>& fields)
{
    using namespace contact;
    return std::any_of(fields.begin(), fields.end(), [](int f) {
        return f == Nome || f == OrganizationColumn || f == Email || isPhoneField(Field(f));
    });
}

contact::Record contactOf(const QList<int>& fields, const QStringList& row, QStringList* leftOut)
{
    using namespace contact;
    Record contact;
    QString organization;
    QString extension; // written in the business phone
    for (int i = 0; i < fields.size() && i < row.size(); ++i) {
        if (fields.at(i) == LeftOutColumn && leftOut)
            *leftOut << leftOutValues(row.at(i));
        if (fields.at(i) < 0 && fields.at(i) != OrganizationColumn)
            continue;
        const QString read =
            writtenform::unguardFormula(textline::oneLine(row.at(i)).trimmed()).trimmed();
        if (fields.at(i) == OrganizationColumn) {
            if (organization.isEmpty())
                organization = read;
            continue;
        }
        const auto field = Field(fields.at(i));
        if (read.isEmpty()) {
            if (contact[field].isNull())
                contact[field] = QStringLiteral("");
            continue;
        }
        if (!contact[field].isEmpty()) {
            // Another column of a field already filled: a second e-mail, say.
            if (leftOut && field != Nome && read != contact[field])
                *leftOut << fieldWord(field) + u' ' + read;
            continue;
        }
        QString value = read;
        if (field == FoneCom) {
            const writtenform::SplitPhone split = writtenform::splitExtension(value);
            extension = split.extension;
            value = writtenform::wholePhoneForm(extension.isEmpty() ? value : split.number);
        } else if (isPhoneField(field)) {
            value = writtenform::wholePhoneForm(value);
        } else if (field == CepRes || field == CepCom) {
            value = writtenform::cepForm(value);
        } else if (field == UfRes || field == UfCom) {
            value = writtenform::stateCode(value);
        }
        contact[field] = value;
    }
    // The business phone's extension goes to its own field, unless that holds
    // another: then it stays with the number.
    const QString ramal = contact[Ramal];
    if (!extension.isEmpty() && ramal.isEmpty())
        contact[Ramal] = extension;
    else if (!extension.isEmpty() && ramal != extension) {
        const QString withExtension =
            writtenform::wholePhoneForm(contact[FoneCom] + QStringLiteral(" ramal ") + extension);
        if (withExtension.size() <= maxLength(FoneCom))
            contact[FoneCom] = withExtension;
        else if (leftOut)
            *leftOut << fieldWord(Ramal) + u' ' + extension.left(ShownLength + 1);
    }
    for (int f = 0; f < FieldCount; ++f)
        fit(contact, Field(f), leftOut);
    // A company, or someone known only by an e-mail or a number, goes by it.
    for (const Field by : {Email, FoneRes, CelularRes, FoneCom, CelularCom}) {
        if (contact[Nome].isEmpty())
            contact[Nome] = organization.isEmpty() ? contact[by] : organization;
    }
    fit(contact, Nome, leftOut);
    return contact;
}

contact::Record cleanedContact(const contact::Record& values, QStringList* leftOut)
{
    static const QList<contact::Field> order = contact::recordOrder();
    static const QList<int> fields = fieldsOf(contact::columns());
    QStringList row;
    for (const contact::Field field : order)
        row << values[field];
    return contactOf(fields, row, leftOut);
}

namespace {
void clearEmptyMasks(const QList<int>& fields, QStringList* row)
{
    for (int i = 0; i < fields.size() && i < row->size(); ++i) {
        if (fields.at(i) >= 0 && contact::isMaskedField(contact::Field(fields.at(i))) &&
            contact::isEmptyMaskText(row->at(i)))
            (*row)[i] = QStringLiteral("");
    }
}
} // namespace

void clearEmptyMasks(CsvTable* table)
{
    const QList<int> fields = fieldsOf(table->header);
    for (QStringList& row : table->rows)
        clearEmptyMasks(fields, &row);
}

QString ImportSummary::text() const
{
    return countText(imported, "contato importado", "contatos importados") + QStringLiteral(", ") +
           countText(duplicates, "já existente ignorado", "já existentes ignorados") +
           QStringLiteral(", ") + countText(failedLines.size(), "com erro", "com erro");
}

QString ImportSummary::windows1252Text() const
{
    return windows1252Lines.isEmpty()
               ? QString()
               : countText(windows1252Lines.size(), "linha lida como Windows-1252",
                           "linhas lidas como Windows-1252") +
                     QStringLiteral(": ") + lineList(windows1252Lines, 20);
}

QString ImportSummary::leftOutText() const
{
    return leftOut == 0 ? QString() : interchange::leftOutText(leftOut, leftOutNamed);
}

ImportSummary importRows(const QString& path, const Reader& read, qint64 expected,
                         const Progress& progress)
{
    ImportSummary summary;
    contacttable::Writer writer(path);
    if ((summary.error = writer.error()))
        return summary;
    std::optional<OwnColumns> own;
    QList<int> fields;
    qint64 seen = 0;
    // Each row goes in as it is read; the first record is the header.
    const QString readError = read([&](const QStringList& cells, int line) {
        if (!own) {
            own.emplace(cells);
            fields = fieldsOf(own->header());
            if (!namesContacts(fields)) {
                summary.error = StoreError::make(
                    StoreError::Io,
                    QStringLiteral("O cabeçalho não tem uma coluna de nome (Nome, Name...)."));
                return false;
            }
            return true;
        }
        if (progress && seen % ProgressStep == 0 && !progress(seen, qMax(expected, seen))) {
            summary.error = StoreError::make(StoreError::Cancelled);
            return false;
        }
        ++seen;
        QStringList row = cells;
        own->extend(row);
        QStringList leftOut;
        const contact::Record contact = contactOf(fields, row, &leftOut);
        if (row.size() != own->header().size() || contact[contact::Nome].isEmpty()) {
            summary.failedLines << line;
            return true;
        }
        const StoreResult<bool> added = writer.add(contact);
        if ((summary.error = added.error))
            return false;
        ++(added.value ? summary.imported : summary.duplicates);
        // A duplicate's values are all in the book already, or none is.
        if (added.value) {
            summary.leftOut += leftOut.size();
            for (const QString& value : leftOut) {
                if (summary.leftOutNamed.size() < LeftOutNamed)
                    summary.leftOutNamed
                        << QStringLiteral("%1 (linha %2): %3")
                               .arg(contact[contact::Nome], QString::number(line), shown(value));
            }
        }
        return true;
    });
    if (!summary.error && !readError.isEmpty())
        summary.error = StoreError::make(StoreError::Io, readError);
    if (!summary.error && progress && !progress(seen, seen))
        summary.error = StoreError::make(StoreError::Cancelled);
    // All or nothing: a writer left uncommitted undoes the whole import.
    if (!summary.error)
        summary.error = writer.commit();
    if (summary.error) {
        summary.imported = summary.duplicates = 0;
        summary.failedLines.clear();
        summary.leftOut = 0;
        summary.leftOutNamed.clear();
    }
    return summary;
}

ImportSummary importTable(const QString& path, const CsvTable& table, const Progress& progress)
{
    if (!table.error.isEmpty()) {
        ImportSummary summary;
        summary.error = StoreError::make(StoreError::Io, table.error);
        return summary;
    }
    return importRows(
        path,
        [&table](const RowSink& sink) {
            if (!sink(table.header, 0))
                return QString();
            for (qsizetype r = 0; r < table.rows.size(); ++r) {
                if (!sink(table.rows.at(r), table.lines.value(r)))
                    break;
            }
            return QString();
        },
        table.rows.size(), progress);
}

ImportSummary importFile(const QString& path, const QString& source, const ImportRequest& request)
{
    ImportSummary summary;
    const auto refuse = [&summary](const QString& why) {
        summary.error = StoreError::make(StoreError::Io, why);
        return summary;
    };
    // Nothing is read from a pipe or a device, and nothing through a link.
    const SourceFile opened(source);
    if (!opened.isOpen())
        return refuse(opened.error());
    QFile file;
    if (!file.open(opened.descriptor(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return refuse(file.errorString());
    if (isAccessFile(file.peek(20))) {
        // The file's tables are asked for only when none was named.
        QString wanted = request.table;
        if (wanted.isEmpty()) {
            QString error;
            const QStringList tables = accessTables(opened.openedPath(), &error);
            if (!error.isEmpty())
                return refuse(error);
            const auto own = std::find_if(tables.begin(), tables.end(), [](const QString& t) {
                return t.compare(contact::TableName, Qt::CaseInsensitive) == 0;
            });
            if (own == tables.end()) {
                summary.tables = tables;
                return refuse(QStringLiteral("O arquivo do Access não tem uma tabela de "
                                             "contatos (%1); as tabelas dele são: %2.")
                                  .arg(contact::TableName, tables.join(QStringLiteral(", "))));
            }
            wanted = *own;
        }
        // The rows go in as the reader sends them; a file found damaged on
        // the way leaves the book as it was.
        const QString checked = opened.openedPath(); // the file checked, never the path again
        const auto read = [&checked, &wanted](const RowSink& sink) {
            QList<int> fields;
            return readAccessTable(checked, wanted, [&](const QStringList& cells, int line) {
                if (line == 0) {
                    fields = fieldsOf(cells);
                    return sink(cells, line);
                }
                QStringList row = cells;
                clearEmptyMasks(fields, &row);
                return sink(row, line);
            });
        };
        summary = importRows(path, read, 0, request.progress);
        summary.source = ImportSource::Access;
        return summary;
    }
    // The file is read in pieces, twice: once to learn its encoding (and
    // whether it holds anything), then into the database, the rows as they are
    // read. Only a piece of it is ever held.
    FileText text(&file);
    if (!text.check())
        return refuse(file.errorString());
    if (text.blank)
        return refuse(QStringLiteral("O arquivo está vazio."));
    if (!text.decodes || text.hasNul)
        return refuse(QStringLiteral("O arquivo não é texto em UTF-8 nem em Windows-1252."));
    // How many contacts to expect is counted only for someone watching.
    const bool watched = bool(request.progress);
    // The blank pieces at the beginning, and the first with something in it.
    QStringList first;
    const auto readFirst = [&] {
        QString piece;
        while (text.next(&piece)) {
            first << piece;
            if (!QStringView(piece).trimmed().isEmpty())
                break;
        }
        return text.error.isEmpty();
    };
    if (!readFirst())
        return refuse(text.error);
    const auto pieces = [&](QString* piece) {
        if (!first.isEmpty()) {
            *piece = first.takeFirst();
            return true;
        }
        return text.next(piece);
    };
    const auto failed = [&](const QString& readError) {
        return readError.isEmpty() ? text.error : readError;
    };
    const bool vCards =
        !first.isEmpty() &&
        QStringView(first.constLast()).trimmed().startsWith(u"BEGIN:VCARD", Qt::CaseInsensitive);
    if (vCards) {
        summary = importRows(
            path, [&](const RowSink& sink) { return failed(readVCards(pieces, sink)); },
            watched ? text.cards : 0, request.progress);
        summary.source = ImportSource::VCard;
        return summary;
    }
    // A record that could not be decoded is a line with an error.
    QList<int> undecodable;
    summary = importRows(
        path,
        [&](const RowSink& sink) {
            return failed(readCsv(pieces, [&](const QStringList& cells, int line) {
                if (line > 0 && text.undecodable(line)) {
                    undecodable << line;
                    return true;
                }
                return sink(cells, line);
            }));
        },
        watched ? text.lineFeeds : 0, request.progress);
    if (!summary.error) {
        summary.failedLines += undecodable;
        std::sort(summary.failedLines.begin(), summary.failedLines.end());
        summary.windows1252Lines = text.windows1252Lines();
    }
    return summary;
}

} // namespace interchange
