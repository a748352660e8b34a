#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Reading CSV files as spreadsheets and address books write them.
namespace interchange {

// The text of a file: UTF-8, with or without a BOM, else Windows-1252, decided
// on the bytes. False in ok when the bytes are neither.
QString decodeText(const QByteArray& bytes, bool* ok);

struct CsvTable {
    QStringList header;
    QList<QStringList> rows;
    QList<int> lines; // the line each row begins on, from 1
    QString error;    // in Portuguese, when the file cannot be read at all
};

// How a reader hands on what it reads, as it reads it: the header first, then
// each row with the line it begins on (from 1). Answers false to stop reading.
using RowSink = std::function<bool(const QStringList& cells, int line)>;

// A reader's records gathered into a table.
CsvTable collect(const std::function<QString(const RowSink&)>& read);

// A CSV text: the separator (';', ',' or tab) taken from the header line, cells
// quoted the RFC 4180 way (doubled quotes, line breaks inside quotes), CRLF or
// LF line ends. Empty lines are skipped. A quote left open is an error, found
// at the end: the error is returned, after the rows before it were handed on.
QString readCsv(const QString& text, const RowSink& sink);
CsvTable readCsv(const QString& text);

} // namespace interchange
