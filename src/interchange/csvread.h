#pragma once

#include "bytetext.h"
#include "contactrecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Reading CSV files as spreadsheets and address books write them.
namespace interchange {

// The text of a file: UTF-8, else Windows-1252 (see bytetext).
using bytetext::decodeText;
using bytetext::decodeWindows1252;

struct CsvTable {
    QStringList header;
    QList<QStringList> rows;
    QList<int> lines; // the line each row begins on, from 1
    QString error;    // in Portuguese, when the file cannot be read at all
};

// How a reader hands on what it reads, as it reads it: the header first, then
// each row with the line it begins on (from 1). Answers false to stop reading.
using RowSink = std::function<bool(const QStringList& cells, int line)>;

// A text handed on in pieces: each call puts the next piece in piece and
// answers true, or answers false at the end. A piece ends with a line feed, but
// the last and those of a line too long for one piece, cut between characters.
using TextPieces = std::function<bool(QString* piece)>;

// The most of one value (a cell, a vCard property's line) a reader keeps: 64 KiB
// past the longest field, so that a value cut here is still longer than its
// field, and is cut there and named as any value too long. What goes on past it
// (a huge cell, a phone's photo) is read over in the pieces, never held.
inline constexpr qsizetype KeptValueLength = contact::TextMaxLength + (1 << 16);

// The separator a CSV text's header line uses most (';', ',' or a tab),
// quoted text aside.
QChar csvSeparator(QStringView text);

// A reader's records gathered into a table.
CsvTable collect(const std::function<QString(const RowSink&)>& read);

// A CSV text: the separator (';', ',' or tab) taken from the header line, cells
// quoted the RFC 4180 way (doubled quotes, line breaks inside quotes), CRLF or
// LF line ends. Empty lines are skipped. A quote left open is an error, found
// at the end: the error is returned, after the rows before it were handed on.
// A cell keeps its first KeptValueLength characters.
QString readCsv(const QString& text, const RowSink& sink);
CsvTable readCsv(const QString& text);
// The same with the text in pieces; the header line is in the first.
QString readCsv(const TextPieces& pieces, const RowSink& sink);

} // namespace interchange
