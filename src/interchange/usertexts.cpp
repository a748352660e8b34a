#include "usertexts.h"

#include "accessread.h"
#include "contactrecord.h"

#include <iterator>

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace interchange {

QString brazilianNumber(qint64 n)
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(n);
}

QString countText(qint64 n, const char* one, const char* many)
{
    return brazilianNumber(n) + u' ' + QString::fromUtf8(n == 1 ? one : many);
}

QString lineList(const QList<int>& lines, qsizetype limit)
{
    QStringList texts;
    for (const int line : limit < 0 ? lines : lines.mid(0, limit))
        texts << QString::number(line);
    if (limit >= 0 && lines.size() > limit)
        texts << QStringLiteral("…");
    return texts.join(QStringLiteral(", "));
}

QString failedLinesText(ImportSource source, const QList<int>& lines)
{
    QString text;
    switch (source) {
    case ImportSource::VCard:
        text = QStringLiteral("Cartões com erro (sem nome ou que não puderam ser lidos), "
                              "nas linhas: %1.");
        break;
    case ImportSource::Access:
        text = QStringLiteral("Linhas da tabela com erro (sem nome ou com células a mais ou a "
                              "menos): %1.");
        break;
    case ImportSource::Csv:
        text = QStringLiteral("Linhas com erro (sem nome ou com células a mais ou a menos): %1.");
        break;
    }
    return text.arg(lineList(lines));
}

QString failedLinesNote(ImportSource source, const QList<int>& lines, qsizetype limit)
{
    const QString text =
        source == ImportSource::VCard
            ? QStringLiteral("Cartões sem nome ou que não puderam ser lidos, não importados: "
                             "linhas %1.")
            : QStringLiteral("Sem nome ou com células a mais ou a menos, não importados: "
                             "linhas %1.");
    return text.arg(lineList(lines, limit));
}

QString fieldWord(int field)
{
    static const char* const words[] = {"nome",
                                        "e-mail",
                                        "endereço residencial",
                                        "bairro",
                                        "cidade",
                                        "estado",
                                        "CEP",
                                        "telefone residencial",
                                        "celular",
                                        "endereço comercial",
                                        "bairro comercial",
                                        "cidade comercial",
                                        "estado comercial",
                                        "CEP comercial",
                                        "telefone comercial",
                                        "celular comercial",
                                        "ramal"};
    static_assert(std::size(words) == contact::FieldCount, "a word for every field");
    return field >= 0 && field < contact::FieldCount ? QString::fromUtf8(words[field]) : QString();
}

QString leftOutText(qint64 count, const QStringList& named)
{
    QString text = countText(count, "valor não coube", "valores não couberam") +
                   QStringLiteral(": ") + named.join(QStringLiteral("; "));
    if (count > named.size())
        text += QStringLiteral("; e mais ") + brazilianNumber(count - named.size());
    return text + u'.';
}

QString exportSuffixText()
{
    return QStringLiteral("O arquivo de exportação termina em .csv (planilha) ou .vcf (vCard)");
}

DatabaseProblem databaseProblem(const QString& path)
{
    const QString file = QDir::toNativeSeparators(path);
    if (!QFileInfo::exists(path))
        return {QStringLiteral("O banco de dados de contatos %1 não existe.").arg(file),
                QStringLiteral("Para criar um vazio: listrano-initdb %1").arg(file)};
    if (isAccessFile(path))
        return {QStringLiteral("%1 é um catálogo de endereços do Access, ainda não convertido.")
                    .arg(file),
                QStringLiteral("Abra o programa para convertê-lo.")};
    return {};
}

} // namespace interchange
