#pragma once

#include "contactrecord.h"
#include "csvread.h"
#include "progress.h"
#include "storeerror.h"
#include "usertexts.h"

#include <QList>
#include <QString>

// Contacts into the database, from rows with named columns.
namespace interchange {

// What a column holds that is no field: a company's name, or the values a
// reader left out (see LeftOutHeader).
enum OtherColumn { NoField = -1, OrganizationColumn = -2, LeftOutColumn = -3 };

// The field each column of a header fills (see contact::fieldOfHeader), or an
// OtherColumn. Several columns may name one field ("E-mail 1", "E-mail 2").
QList<int> fieldsOf(const QStringList& header);

// Whether rows under these columns can give a contact a name: a column of the
// name, of a company, of an e-mail or of a phone.
bool namesContacts(const QList<int>& fields);

// A table's row as a contact, its columns filling the fields fieldsOf gave:
// each value made one line (textline::oneLine) with the blanks at its ends
// off, a leading ' that kept a spreadsheet from running a cell as a formula
// taken off; phones and postal codes in the mask forms. Of several columns of
// one field the first with a value fills it; the others' different values go
// to leftOut ("celular +55 11 98877-6655"), with those a reader left out. A
// value longer than its field (contact::maxLength) is cut there, or left out
// when its field isExactField; either way it goes to leftOut too. With
// no name, the contact goes by its company, else by its e-mail, else by its
// first phone.
contact::Record contactOf(const QList<int>& fields, const QStringList& row,
                          QStringList* leftOut = nullptr);

// A contact's values cleaned as the import cleans a row of our own columns
// (see contactOf): what a card's values become in the book.
contact::Record cleanedContact(const contact::Record& values, QStringList* leftOut = nullptr);

// Access contact books stored an untouched CEP or phone as its mask's
// placeholders ("(__) ____-____"): in a table read from one, such a masked field
// becomes the empty text the program stores now; a partial entry stays.
void clearEmptyMasks(CsvTable* table);

struct ImportSummary {
    qint64 imported = 0;
    qint64 duplicates = 0;  // all seventeen fields equal to a stored contact's
    QList<int> failedLines; // rows not imported: no name, or the wrong number of cells
    // The values of imported contacts that had no room in them; the first
    // LeftOutNamed named with the contact and its line.
    qint64 leftOut = 0;
    QStringList leftOutNamed;
    // A CSV file's records that were not in UTF-8, read as Windows-1252, by line.
    QList<int> windows1252Lines;
    ImportSource source = ImportSource::Csv; // what the rows came from
    StoreError error;                        // the whole import undone
    // An Access file's tables, when it has no contact table and none was named.
    QStringList tables;
    QString text() const; // "1.234 contatos importados, 12 já existentes ignorados, 3 com erro"
    // "3 valores não couberam: Ana Souza (linha 12): celular …", empty when none.
    QString leftOutText() const;
    // "2 linhas lidas como Windows-1252: 14, 27", the first 20 lines named;
    // empty when none.
    QString windows1252Text() const;
};
inline constexpr qsizetype LeftOutNamed = 100;

// Reads a file's records, handing each on to sink; returns why the file cannot
// be read, empty when it can.
using Reader = std::function<QString(const RowSink& sink)>;

// Adds the contacts a reader gives to the database at path in one transaction,
// each as it is read: all or nothing. Stored contacts are never changed or
// deleted. expected is how many rows to tell progress to expect.
ImportSummary importRows(const QString& path, const Reader& read, qint64 expected,
                         const Progress& progress = {});
// The same with rows already read.
ImportSummary importTable(const QString& path, const CsvTable& table,
                          const Progress& progress = {});

struct ImportRequest {
    QString table; // of an Access file; its contact table when empty
    Progress progress;
};

// Adds the contacts of the file at source, its format (vCard, CSV or Access)
// taken from its content.
ImportSummary importFile(const QString& path, const QString& source,
                         const ImportRequest& request = {});

} // namespace interchange
