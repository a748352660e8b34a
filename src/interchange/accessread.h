#pragma once

#include "csvread.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reading old Access (Jet 3 and Jet 4) database files, never writing them. The
// file is read by listrano-access-reader, a program of its own, from the
// descriptor opened here.
namespace interchange {

// Whether a file's first bytes are an Access database's signature.
bool isAccessFile(const QByteArray& head);
bool isAccessFile(const QString& path);

// The user tables of the Access file at path, in the file's order; an empty list
// and a Portuguese reason in error when the file cannot be read.
QStringList accessTables(const QString& path, QString* error);

// The rows of one table of the Access file at path, handed to sink as they are
// read: the column names first, then each row with its number (from 1) as its
// line. Text is in the file's own code page; columns that hold pictures or
// other binary data come out empty. Answers a Portuguese reason when the file
// cannot be read whole (damaged, cut short, a complaint while reading), after
// some rows may have been handed on; an empty text otherwise, also when sink
// stopped the reading.
QString readAccessTable(const QString& path, const QString& table, const RowSink& sink);
// The same gathered; no rows when the file cannot be read whole.
CsvTable readAccessTable(const QString& path, const QString& table);

// For tests: the program run in place of listrano-access-reader; empty for
// the reader itself.
void setAccessReader(const QString& program);

} // namespace interchange
