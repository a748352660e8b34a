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
