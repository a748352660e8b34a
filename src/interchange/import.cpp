#include "import.h"

#include "accessread.h"
#include "contacttable.h"
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

namespace {
// The records of a CSV file's bytes, each decoded on its own: as UTF-8 when it
// is, else as Windows-1252 (unless the file said UTF-8 with a byte order mark).
// A record ends at a line break outside quotes, a quote opening one only at a
// cell's beginning, as readCsv reads the text; its line is the one it begins on.
class RecordDecoder {
public:
    RecordDecoder(char separator, bool windows1252Allowed)
        : m_separator(separator), m_windows1252Allowed(windows1252Allowed)
    {
    }

    // The records that end in what was held and bytes; a record that does not
    // end is held for the next call, or decoded when the bytes are the last.
    QString decode(QByteArrayView bytes, bool last)
    {
        m_held += bytes;
        QString text;
        qsizetype begin = 0;
        for (qsizetype i = m_scanned; i < m_held.size(); ++i) {
            const char c = m_held.at(i);
            if (m_quoted) {
                if (c == '"' && i + 1 < m_held.size() && m_held.at(i + 1) == '"')
                    ++i;
                else if (c == '"')
                    m_quoted = false;
                else if (c == '\n')
                    ++m_line;
            } else if (c == '"' && m_cellStart) {
                m_quoted = true;
                m_cellStart = false;
            } else if (c == m_separator) {
                m_cellStart = true;
            } else if (c == '\r' || c == '\n') {
                if (c == '\r' && i + 1 < m_held.size() && m_held.at(i + 1) == '\n')
                    ++i;
                text += record(QByteArrayView(m_held).sliced(begin, i + 1 - begin));
                begin = i + 1;
                m_recordLine = ++m_line;
                m_cellStart = true;
            } else {
                m_cellStart = false;
            }
        }
        if (last && begin < m_held.size()) {
            text += record(QByteArrayView(m_held).sliced(begin));
            begin = m_held.size();
        }
        m_held.remove(0, begin);
        m_scanned = m_held.size();
        return text;
    }

    QList<int> windows1252Lines;
    QList<int> undecodableLines;

private:
    QString record(QByteArrayView bytes)
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
        bool ok = false;
        if (m_windows1252Allowed) {
            text = decodeWindows1252(bytes, &ok);
            if (ok) {
                windows1252Lines << m_recordLine;
                return text;
            }
            text = QString::fromLatin1(bytes);
        }
        undecodableLines << m_recordLine;
        return text;
    }

    char m_separator;
    bool m_windows1252Allowed;
    QByteArray m_held;
    qsizetype m_scanned = 0;
    bool m_quoted = false;
    bool m_cellStart = true;
    int m_line = 1;
    int m_recordLine = 1;
};

// A text file in pieces of about PieceBytes, each ending after a line feed but
// the last: check() reads it all once, next() then hands on its pieces decoded
// as decodeText decodes the whole.
class FileText {
public:
    explicit FileText(QFile* file) : m_file(file) {}

    bool check()
    {
        QByteArray bytes;
        for (bool firstPiece = true; nextBytes(&bytes); firstPiece = false) {
            if (firstPiece) {
                utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
                utf8Bom = bytes.startsWith("\xEF\xBB\xBF");
                separator = csvSeparator(QString::fromLatin1(bytes.left(1 << 16))).toLatin1();
            }
            if (blank && !QByteArrayView(bytes).trimmed().isEmpty()) {
                const QByteArrayView start = QByteArrayView(bytes).trimmed();
                vCardFile = start.size() >= 11 &&
                            start.first(11).compare("begin:vcard", Qt::CaseInsensitive) == 0;
            }
            hasNul = hasNul || bytes.contains('\0');
            blank = blank && QByteArrayView(bytes).trimmed().isEmpty();
            lineFeeds += bytes.count('\n');
            cards += cardsIn(bytes);
            if (utf8) {
                QStringDecoder decoder = utf8Decoder(firstPiece);
                const QString text = decoder.decode(bytes);
                utf8 = !decoder.hasError();
            }
            windows1252 =
                windows1252 && std::none_of(bytes.begin(), bytes.end(), [](char c) {
                    return c == '\x81' || c == '\x8D' || c == '\x8F' || c == '\x90' || c == '\x9D';
                });
        }
        // A CSV file not all in UTF-8 is decoded a record at a time.
        if (!utf8 && !vCardFile && !utf16) {
            m_records.emplace(separator, !utf8Bom);
            windows1252 = true;
        }
        if (utf16) {
            hasNul = false;
            m_utf16.emplace(QStringDecoder::Utf16);
        }
        decodes = utf8 || windows1252 || utf16;
        if (!error.isEmpty())
            return false;
        m_file->seek(0);
        m_done = false;
        m_firstPiece = true;
        return true;
    }

    bool next(QString* piece)
    {
        QByteArray bytes;
        if (!nextBytes(&bytes)) {
            if (m_records && !m_recordsEnded) {
                // What did not end with a line break.
                m_recordsEnded = true;
                *piece = m_records->decode({}, true);
                return !piece->isEmpty();
            }
            return false;
        }
        if (m_utf16) {
            *piece = m_utf16->decode(bytes);
        } else if (m_records) {
            *piece = m_records->decode(bytes, false);
        } else if (utf8) {
            QStringDecoder decoder = utf8Decoder(m_firstPiece);
            *piece = decoder.decode(bytes);
            if (m_firstPiece && piece->startsWith(QChar(0xFEFF)))
                piece->remove(0, 1);
        } else {
            bool ok = false;
            *piece = decodeWindows1252(bytes, &ok);
        }
        m_firstPiece = false;
        return true;
    }

    bool blank = true;
    bool hasNul = false;
    bool utf8 = true;
    bool windows1252 = true; // no byte Windows-1252 leaves undefined
    bool decodes = true;     // in UTF-8 or in Windows-1252
    qint64 lineFeeds = 0;
    qint64 cards = 0;     // "BEGIN:VCARD" in any letter case
    QString error;        // why the file could not be read
    bool utf16 = false;   // begins with a UTF-16 byte order mark
    bool utf8Bom = false; // with UTF-8's
    bool vCardFile = false;
    char separator = ',';

    // The lines of the CSV records read as Windows-1252, and of those that
    // could not be decoded.
    QList<int> windows1252Lines() const
    {
        return m_records ? m_records->windows1252Lines : QList<int>();
    }
    bool undecodable(int line) const
    {
        return m_records && m_records->undecodableLines.contains(line);
    }

private:
    static constexpr qint64 PieceBytes = 4 << 20;

    // The decoder of the whole text: a later piece keeps a byte order mark
    // it begins with, as a character.
    static QStringDecoder utf8Decoder(bool firstPiece)
    {
        return QStringDecoder(QStringDecoder::Utf8,
                              firstPiece ? QStringDecoder::Flag::Stateless
                                         : QStringDecoder::Flag::Stateless |
                                               QStringDecoder::Flag::ConvertInitialBom);
    }

    static qint64 cardsIn(QByteArrayView bytes)
    {
        static const QByteArray begin("begin:vcard");
        qint64 count = 0;
        for (qsizetype at = 0; (at = bytes.indexOf(':', at)) >= 0; ++at) {
            if (at >= 5 && at + 6 <= bytes.size() &&
                bytes.sliced(at - 5, 11).compare(begin, Qt::CaseInsensitive) == 0)
                ++count;
        }
        return count;
    }

    bool nextBytes(QByteArray* bytes)
    {
        if (m_done)
            return false;
        QByteArray read = m_file->read(PieceBytes);
        if (m_file->error() != QFileDevice::NoError) {
            error = m_file->errorString();
            m_done = true;
            return false;
        }
        QByteArray piece = m_rest + read;
        m_rest.clear();
        // A line longer than a piece makes the piece longer (what was kept
        // from before holds no line feed: only what is read is looked at).
        while (read.size() == PieceBytes && !read.contains('\n')) {
            read = m_file->read(PieceBytes);
            piece += read;
        }
        if (m_file->error() != QFileDevice::NoError) {
            error = m_file->errorString();
            m_done = true;
            return false;
        }
        if (read.size() < PieceBytes) {
            m_done = true;
        } else {
            const qsizetype end = piece.lastIndexOf('\n') + 1;
            if (end > 0) {
                m_rest = piece.mid(end);
                piece.truncate(end);
            }
        }
        if (piece.isEmpty() && m_done)
            return false;
        *bytes = piece;
        return true;
    }

    QFile* m_file;
    std::optional<RecordDecoder> m_records;
    bool m_recordsEnded = false;
    std::optional<QStringDecoder> m_utf16;
    QByteArray m_rest;
    bool m_done = false;
    bool m_firstPiece = true;
};

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
