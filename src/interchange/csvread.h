#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

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

// A CSV text: the separator (';', ',' or tab) taken from the header line, cells
// quoted the RFC 4180 way (doubled quotes, line breaks inside quotes), CRLF or
// LF line ends. Empty lines are skipped. A quote left open is an error.
CsvTable readCsv(const QString& text);

} // namespace interchange
