#pragma once

#include <QString>

// What the command line and the desktop's dialogs both tell the user about
// contacts in and out.
namespace interchange {

// A count as Brazilians write it ("1.234").
QString brazilianNumber(qint64 n);

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
