#include "sourcefile.h"

#include "storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace interchange {

QString fileKindText(mode_t mode)
{
    if (S_ISREG(mode))
        return QString();
    if (S_ISFIFO(mode))
        return QStringLiteral("um pipe (FIFO)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("um dispositivo");
    if (S_ISDIR(mode))
        return QStringLiteral("uma pasta");
    if (S_ISLNK(mode))
        return QStringLiteral("um link simbólico");
    if (S_ISSOCK(mode))
        return QStringLiteral("um socket");
    return QStringLiteral("um arquivo especial");
}

SourceFile::SourceFile(const QString& path) : m_path(path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const auto failed = [&](int err) {
        m_error = QStringLiteral("Não foi possível abrir o arquivo %1: %2")
                      .arg(shown, StoreError::fromErrno(err).text);
    };
    const auto notRegular = [&](mode_t mode) {
        m_error = QStringLiteral("%1 não é um arquivo comum: é %2.").arg(shown, fileKindText(mode));
    };
    const QByteArray name = QFile::encodeName(path);
    struct stat looked {};
    if (::lstat(name.constData(), &looked) != 0) {
        failed(errno);
        return;
    }
    if (!S_ISREG(looked.st_mode)) {
        notRegular(looked.st_mode);
        return;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            notRegular(S_IFLNK);
        else
            failed(errno);
        return;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0) {
        failed(errno);
        ::close(fd);
        return;
    }
    if (!S_ISREG(opened.st_mode) || opened.st_dev != looked.st_dev ||
        opened.st_ino != looked.st_ino) {
        // Replaced between the look and the opening.
        if (!S_ISREG(opened.st_mode))
            notRegular(opened.st_mode);
        else
            m_error = QStringLiteral("O arquivo %1 foi trocado enquanto era aberto.").arg(shown);
        ::close(fd);
        return;
    }
    m_fd = fd;
}

SourceFile::~SourceFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString SourceFile::openedPath() const
{
    const QString own = QStringLiteral("/proc/self/fd/%1").arg(m_fd);
    return m_fd >= 0 && QFileInfo::exists(own) ? own : m_path;
}

} // namespace interchange
