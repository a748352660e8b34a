#pragma once

#include "writtenforms.h"

#include <QList>
#include <QStringList>

#include <array>

// The contact record: one row of tblQuelmar, seventeen text fields. The field
// table below is the one place that says, for each field, which column holds it,
// which control of the contact window shows it, where it stands in the record and
// how the printed card labels it.
namespace contact {

inline const QString TableName = QStringLiteral("tblQuelmar");
inline const QString NameIndex = QStringLiteral("indNome");
inline const QString DatabaseFileName = QStringLiteral("Quelmar.mdb");

// The fields in the order the contact window lists them: page by page, as the
// form shows them.
enum Field : int {
    Nome,
    Email,
    EndRes,
    BairroRes,
    CidadeRes,
    UfRes,
    CepRes,
    FoneRes,
    CelularRes,
    EndCom,
    BairroCom,
    CidadeCom,
    UfCom,
    CepCom,
    FoneCom,
    CelularCom,
    Ramal,
    FieldCount
};

struct FieldInfo {
    const char* column;  // in tblQuelmar
    const char* control; // object name of the contact window's control
    // Place in the record, from 1: the order of the table's columns and of every
    // copy between a row and the window (the business mobile before the phone).
    int place;
    const char* cardLabel; // UTF-8; the name's label is the card's title
    // Column headers that other programs give the field, besides its column
    // name, as headerKey() writes them: a header that says neither home nor
    // business belongs to the home field. Headers of a second value ("E-mail
    // 2", "Telefone comercial 2") name the field too: the import takes the
    // first value and tells of the others.
    const char* headers;
};

// clang-format off
inline constexpr std::array<FieldInfo, FieldCount> Fields = {{
    {"Nome",              "txtNome",        1, "Relatório do Cadastro de:  ", "nome name nomecompleto fullname contactname displayname nomedeexibicao nomeparaexibicao"},
    {"Email",             "txtEmail",       2, "E-Mail:",                     "email emailaddress correioeletronico email1 emailprincipal enderecodeemail email2 email3 emailsecundario enderecodeemail2 enderecodeemail3 email2address email3address"},
    {"EndResidencial",    "txtEndRes",      3, "Endereço Residencial:",       "endereco address street rua homestreet homeaddress enderecoresidencial logradouro ruaresidencial ruadoenderecoresidencial"},
    {"BairroResidencial", "txtBairroRes",   4, "Bairro:",                     "bairro district neighborhood neighbourhood bairroresidencial homedistrict homeneighborhood"},
    {"CidadeResidencial", "txtCidadeRes",   5, "Cidade:",                     "cidade city municipio homecity cidaderesidencial cidadedoenderecoresidencial"},
    {"EstadoResidencial", "cboUfRes",       6, "Estado:",                     "estado uf state region homestate homeregion estadoresidencial ufresidencial estadodoenderecoresidencial"},
    {"CEPResidencial",    "mskCepRes",      7, "CEP:",                        "cep postalcode zip zipcode homepostalcode codigopostal cepresidencial cepdoenderecoresidencial homezip"},
    {"FoneResidencial",   "mskFoneRes",     8, "Telefone:",                   "telefone fone phone homephone telefoneresidencial foneresidencial telefonefixo telefonedecasa telefoneresidencial2 homephone2"},
    {"CelularPessoal",    "mskCelularRes",  9, "Celular:",                    "celular mobile mobilephone cellphone cell telefonecelular celularpessoal celular2"},
    {"EndComercial",      "txtEndCom",     10, "Endereço Comercial:",         "enderecocomercial businessstreet businessaddress workaddress ruacomercial ruadoenderecocomercial enderecodotrabalho"},
    {"BairroComercial",   "txtBairroCom",  11, "Bairro:",                     "businessdistrict bairrocomercial bairrodoenderecocomercial"},
    {"CidadeComercial",   "txtCidadeCom",  12, "Cidade:",                     "businesscity workcity cidadecomercial cidadedoenderecocomercial"},
    {"EstadoComercial",   "cboUfCom",      13, "Estado:",                     "businessstate businessregion workstate estadocomercial ufcomercial estadodoenderecocomercial"},
    {"CEPComercial",      "mskCepCom",     14, "CEP:",                        "businesspostalcode workpostalcode businesszip cepcomercial cepdoenderecocomercial codigopostalcomercial"},
    {"FoneComercial",     "mskFoneCom",    16, "Telefone:",                   "telefonecomercial businessphone workphone fonecomercial telefonedotrabalho telefonecomercial2 businessphone2"},
    {"CelularComercial",  "mskCelularCom", 15, "Celular:",                    "businessmobile workmobile celularcomercial celulardotrabalho"},
    {"RamalComercial",    "txtRamal",      17, "Ramal:",                      "ramal extension ext ramalcomercial"},
}};
// clang-format on

// Headers of a company's or organisation's name, which is no field of its
// own: a contact with no person's name goes by it.
inline constexpr const char* OrganizationHeaders =
    "empresa organizacao nomedaempresa organization organizationname organization1name company "
    "companyname";

// Every place from 1 to FieldCount is taken once.
constexpr bool placesAreUnique()
{
    for (int place = 1; place <= FieldCount; ++place) {
        int holders = 0;
        for (const FieldInfo& info : Fields)
            holders += info.place == place ? 1 : 0;
        if (holders != 1)
            return false;
    }
    return true;
}
static_assert(placesAreUnique(), "each place in the record belongs to one field");

inline QString column(Field field)
{
    return QString::fromLatin1(Fields[field].column);
}
inline QString controlName(Field field)
{
    return QString::fromLatin1(Fields[field].control);
}
inline QString cardLabel(Field field)
{
    return QString::fromUtf8(Fields[field].cardLabel);
}

// A column header as the headers above are written: letters and digits only,
// in lower case, accents off ("E-mail" and "Endereço" give "email", "endereco").
QString headerKey(const QString& header);

// The field a column header names: its column name or one of its usual headers,
// letter case, accents, blanks and punctuation aside. False when none.
bool fieldOfHeader(const QString& header, Field* field);

// Whether a column header names a company or organisation (see
// OrganizationHeaders).
bool isOrganizationHeader(const QString& header);

// The fields in the record's order.
inline QList<Field> recordOrder()
{
    QList<Field> order;
    for (int place = 1; place <= FieldCount; ++place) {
        for (int f = 0; f < FieldCount; ++f) {
            if (Fields[f].place == place)
                order.append(Field(f));
        }
    }
    return order;
}

// The table's columns, in the record's order.
inline QStringList columns()
{
    QStringList names;
    for (Field field : recordOrder())
        names.append(column(field));
    return names;
}
inline const QStringList FieldNames = columns();

// The most characters a field holds, as many as the contact window takes: 50
// for the name and the e-mail, PhoneMaxLength for the phones, 20 for the
// postal codes, 65,535 for every other text.
inline constexpr int NameMaxLength = 50;
inline constexpr int EmailMaxLength = 50;
inline constexpr int CepMaxLength = 20;
inline constexpr int TextMaxLength = 65535;
inline int maxLength(Field field)
{
    switch (field) {
    case Nome:
        return NameMaxLength;
    case Email:
        return EmailMaxLength;
    case CepRes:
    case CepCom:
        return CepMaxLength;
    case FoneRes:
    case CelularRes:
    case FoneCom:
    case CelularCom:
        return writtenform::PhoneMaxLength;
    default:
        return TextMaxLength;
    }
}

// Fields whose value, cut, would be another value that looks right: an
// e-mail, a phone, a postal code. Too long for them, a value is left out.
inline bool isExactField(Field field)
{
    return field == Email || maxLength(field) < NameMaxLength;
}

// The masked fields: postal codes and phones.
inline bool isMaskedField(Field field)
{
    return field == CepRes || field == FoneRes || field == CelularRes || field == CepCom ||
           field == FoneCom || field == CelularCom;
}

// What an empty masked field used to be stored as: its mask's literals and
// placeholders, "__.___-___" (or "__,___-___") and "(__) ____-____", with no
// digit typed in. Such a text holds at least one '_' and nothing but these.
inline const QString EmptyMaskCharacters = QStringLiteral("()_.,- ");
bool isEmptyMaskText(const QString& text);

// A contact's texts, one per field, indexed by Field.
using Record = std::array<QString, FieldCount>;

// The Brazilian state codes (26 states and the Federal District) both state
// lists offer, in the order they are shown.
inline const QStringList StateCodes = {
    QStringLiteral("AC"), QStringLiteral("AP"), QStringLiteral("AL"), QStringLiteral("AM"),
    QStringLiteral("BA"), QStringLiteral("CE"), QStringLiteral("DF"), QStringLiteral("ES"),
    QStringLiteral("GO"), QStringLiteral("MA"), QStringLiteral("MG"), QStringLiteral("MS"),
    QStringLiteral("MT"), QStringLiteral("PA"), QStringLiteral("PB"), QStringLiteral("PE"),
    QStringLiteral("PI"), QStringLiteral("PR"), QStringLiteral("RJ"), QStringLiteral("RN"),
    QStringLiteral("RO"), QStringLiteral("RR"), QStringLiteral("RS"), QStringLiteral("SC"),
    QStringLiteral("SE"), QStringLiteral("SP"), QStringLiteral("TO"),
};

} // namespace contact
