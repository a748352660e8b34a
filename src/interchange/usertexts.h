#pragma once

#include <QString>
#include <QStringList>

// What the command line and the desktop's dialogs both tell the user about
// contacts in and out.
namespace interchange {

// A count as Brazilians write it ("1.234").
QString brazilianNumber(qint64 n);
// The count and the words that go with it, one or many ("1.234 contatos").
QString countText(qint64 n, const char* one, const char* many);
// Line numbers as a list ("3, 7, 9"), cut at limit with "…" when given.
QString lineList(const QList<int>& lines, qsizetype limit = -1);

// The kinds of file contacts are imported from.
enum class ImportSource { Csv, VCard, Access };

// The rows an import left out, each by its line, as the source knows them: rows
// of a spreadsheet or of an Access table, cards of a vCard file (by the line
// each begins on). The command line's sentence:
// "Linhas com erro (sem nome ou com células a mais ou a menos): 3, 7."
QString failedLinesText(ImportSource source, const QList<int>& lines);
// The import dialog's, cut at limit lines:
// "Sem nome ou com células a mais ou a menos, não importados: linhas 3, 7."
QString failedLinesNote(ImportSource source, const QList<int>& lines, qsizetype limit);

// What a field's value is, as a summary names it: "celular", "e-mail",
// "endereço comercial".
QString fieldWord(int field);

// How many of the values read were left out of their contacts, the first
// ones named ("Ana Souza (linha 12): celular +55 11 98877-6655"):
// "3 valores não couberam: Ana Souza (linha 12): celular +55 11 98877-6655; …";
// "; e mais N" for those not named.
QString leftOutText(qint64 count, const QStringList& named);

// "O arquivo de exportação termina em .csv (planilha) ou .vcf (vCard)"
QString exportSuffixText();

// Why there is no contact database to work on at path, and what to do about it;
// both empty when there is one.
struct DatabaseProblem {
    QString what;
    QString remedy;
};
DatabaseProblem databaseProblem(const QString& path);

} // namespace interchange
