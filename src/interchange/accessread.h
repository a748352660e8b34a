#pragma once

#include "csvread.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reading old Access (Jet 3 and Jet 4) database files, never writing them.
namespace interchange {

// Whether a file's first bytes are an Access database's signature.
bool isAccessFile(const QByteArray& head);
bool isAccessFile(const QString& path);

// The user tables of the Access file at path, in the file's order; an empty list
// and a Portuguese reason in error when the file cannot be read.
QStringList accessTables(const QString& path, QString* error);

// The rows of one table of the Access file at path under its column names, text
// in the file's own code page, each row's number (from 1) as its line. Columns
// that hold pictures or other binary data come out empty.
CsvTable readAccessTable(const QString& path, const QString& table);

} // namespace interchange
