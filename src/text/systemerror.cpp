#include "systemerror.h"

#include <cerrno>
#include <cstring>

namespace systemerror {

QString reason(int err)
{
    switch (err) {
    case ENOSPC:
        return QStringLiteral("Não há espaço livre no disco.");
    case EDQUOT:
        return QStringLiteral("A cota de disco do usuário acabou.");
    case EFBIG:
        return QStringLiteral("O arquivo ficaria grande demais.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Permissão negada.");
    case EROFS:
        return QStringLiteral("O disco está protegido contra gravação.");
    case EIO:
        return QStringLiteral("Erro de entrada e saída no disco.");
    case ENOENT:
        return QStringLiteral("O arquivo ou a pasta não existe.");
    case ENOTDIR:
        return QStringLiteral("Uma parte do caminho não é uma pasta.");
    case EISDIR:
        return QStringLiteral("É uma pasta.");
    case EEXIST:
        return QStringLiteral("O arquivo já existe.");
    case ELOOP:
        return QStringLiteral("Há um link simbólico no caminho.");
    case ENAMETOOLONG:
        return QStringLiteral("O nome do arquivo é longo demais.");
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

} // namespace systemerror
