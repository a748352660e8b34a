#pragma once

#include "contactrecord.h"
#include "progress.h"
#include "storeerror.h"

#include <QString>
#include <QStringList>

// Contacts out of the database: CSV for spreadsheets, vCard for address books.
namespace interchange {

enum class Format { Csv, VCard };

// The format a file name asks for (".csv", ".vcf"); false when neither.
bool formatOf(const QString& fileName, Format* format);

// One CSV cell: quoted when it holds the separator, a quote or a line break; a
// text a spreadsheet would run as a formula (=, +, - or @ first) gets a leading '.
QString csvCell(const QString& text);
// The header and one line per contact: our seventeen columns under our names,
// ';' between cells, CRLF after each line.
QString csvHeader();
QString csvLine(const contact::Record& contact);

// One vCard 3.0 card, as vcard::vCard writes it.
QString vCard(const contact::Record& contact);

// Why nothing is written at target: what is there, looked at itself (a link
// is never followed), is not a regular file. Empty when nothing is there or a
// regular file is.
QString unwritableTarget(const QString& target);

// What becomes of a file already at the target.
enum class Existing { Replace, Refuse };

// Writes every contact of the database to target, whole or not at all; returns
// how many. A file already at target is replaced only when the new one is whole,
// and not at all when progress stops the export; with Existing::Refuse never
// (a FileExists error). A symbolic link, or anything but a regular file, at
// target is never written to nor replaced.
StoreResult<qint64> exportContacts(const QString& database, const QString& target, Format format,
                                   const Progress& progress = {},
                                   Existing existing = Existing::Replace);

} // namespace interchange
