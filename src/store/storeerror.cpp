#include "storeerror.h"

#include "systemerror.h"

#include <QSqlError>

namespace {
const QString FileReplacedText =
    QStringLiteral("O arquivo do banco de dados foi removido ou substituído por outro programa. "
                   "Feche e abra o Listrano novamente.");

QString defaultText(StoreError::Kind kind)
{
    switch (kind) {
    case StoreError::None:
    case StoreError::Engine:
        break;
    case StoreError::NoCurrentRecord:
        return QStringLiteral("Não há registro atual.");
    case StoreError::NotEditing:
        return QStringLiteral("Não há inclusão nem alteração de registro em andamento.");
    case StoreError::AddPending:
        return QStringLiteral("Há um registro novo em inclusão.");
    case StoreError::NoSuchField:
        return QStringLiteral("Campo inexistente na tabela.");
    case StoreError::NoIndex:
        return QStringLiteral("Nenhum índice foi escolhido para a pesquisa.");
    case StoreError::BadComparison:
        return QStringLiteral("Comparação de pesquisa não suportada.");
    case StoreError::Closed:
        return QStringLiteral("O conjunto de registros está fechado.");
    case StoreError::RowGone:
        return QStringLiteral("O registro não existe mais na tabela.");
    case StoreError::FileReplaced:
        return FileReplacedText;
    case StoreError::ChangedElsewhere:
        return QStringLiteral("O registro foi alterado por outro programa.");
    case StoreError::FileExists:
        return QStringLiteral("O arquivo já existe.");
    case StoreError::Io:
        return QStringLiteral("Erro de entrada e saída.");
    case StoreError::Cancelled:
        return QStringLiteral("Interrompido pelo usuário; nada foi alterado.");
    }
    return QString();
}
} // namespace

QString StoreError::withReason(const QString& between, const QString& after) const
{
    const QString why = reason();
    return why.isEmpty() ? text : why + between + text + after;
}

StoreError StoreError::fromSql(const QSqlError& error)
{
    StoreError e;
    if (error.type() == QSqlError::NoError && error.nativeErrorCode().isEmpty())
        return e;
    e.kind = Engine;
    e.nativeCode = error.nativeErrorCode().toInt();
    e.text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    if (e.text.isEmpty())
        e.text = error.driverText();
    return e;
}

StoreError StoreError::fromErrno(int err)
{
    return make(err == EEXIST ? FileExists : Io, systemerror::reason(err));
}

StoreError StoreError::make(Kind kind, const QString& text)
{
    StoreError e;
    e.kind = kind;
    e.text = text.isEmpty() ? defaultText(kind) : text;
    return e;
}

QString StoreError::reason() const
{
    if (kind == FileReplaced)
        return FileReplacedText;
    switch (primaryCode()) {
    case SqliteBusy:
    case SqliteLocked:
        return QStringLiteral("O banco de dados está em uso por outro programa. "
                              "Tente novamente em alguns instantes.");
    case SqliteReadOnly:
    case SqliteAuth:
        return QStringLiteral("O banco de dados está protegido contra gravação.");
    case SqliteFull:
        return QStringLiteral("Não há espaço livre no disco.");
    case SqliteIoErr:
    case SqliteCantOpen:
        return QStringLiteral("Erro de leitura ou gravação no disco.");
    case SqliteCorrupt:
    case SqliteNotADb:
        return QStringLiteral("O arquivo do banco de dados está danificado.");
    default:
        return QString();
    }
}
