#pragma once

#include <QStringList>

// The contact record: one row of tblQuelmar, seventeen text fields, in the order
// in which the window copies them to and from the table.
namespace contact {

inline const QString TableName = QStringLiteral("tblQuelmar");
inline const QString NameIndex = QStringLiteral("indNome");
inline const QString DatabaseFileName = QStringLiteral("Quelmar.mdb");

inline const QStringList FieldNames = {
    QStringLiteral("Nome"),
    QStringLiteral("Email"),
    QStringLiteral("EndResidencial"),
    QStringLiteral("BairroResidencial"),
    QStringLiteral("CidadeResidencial"),
    QStringLiteral("EstadoResidencial"),
    QStringLiteral("CEPResidencial"),
    QStringLiteral("FoneResidencial"),
    QStringLiteral("CelularPessoal"),
    QStringLiteral("EndComercial"),
    QStringLiteral("BairroComercial"),
    QStringLiteral("CidadeComercial"),
    QStringLiteral("EstadoComercial"),
    QStringLiteral("CEPComercial"),
    QStringLiteral("CelularComercial"),
    QStringLiteral("FoneComercial"),
    QStringLiteral("RamalComercial"),
};

// The Brazilian state codes both state lists offer, in the order they are shown.
inline const QStringList StateCodes = {
    QStringLiteral("AC"), QStringLiteral("AP"), QStringLiteral("AL"), QStringLiteral("AM"),
    QStringLiteral("BA"), QStringLiteral("CE"), QStringLiteral("DF"), QStringLiteral("ES"),
    QStringLiteral("GO"), QStringLiteral("MA"), QStringLiteral("MG"), QStringLiteral("MS"),
    QStringLiteral("MT"), QStringLiteral("PA"), QStringLiteral("PB"), QStringLiteral("PE"),
    QStringLiteral("PI"), QStringLiteral("PR"), QStringLiteral("RJ"), QStringLiteral("RN"),
    QStringLiteral("RO"), QStringLiteral("RS"), QStringLiteral("SC"), QStringLiteral("SE"),
    QStringLiteral("SP"), QStringLiteral("TO"),
};

} // namespace contact
