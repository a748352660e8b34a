#include "export.h"

#include "contacttable.h"
#include "oneline.h"
#include "sourcefile.h"
#include "writer.h"
#include "writtenforms.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace interchange {

namespace {
const QString Crlf = QStringLiteral("\r\n");
} // namespace

bool formatOf(const QString& fileName, Format* format)
{
    if (fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        *format = Format::Csv;
    else if (fileName.endsWith(QStringLiteral(".vcf"), Qt::CaseInsensitive))
        *format = Format::VCard;
    else
        return false;
    return true;
}

QString csvCell(const QString& text)
{
    QString cell = writtenform::guardFormula(text);
    if (cell.contains(u';') || cell.contains(u'"') || cell.contains(u'\n') || cell.contains(u'\r'))
        cell = u'"' + cell.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return cell;
}

QString csvHeader()
{
    return contact::columns().join(u';') + Crlf;
}

QString csvLine(const contact::Record& contact)
{
    static const QList<contact::Field> order = contact::recordOrder();
    QStringList cells;
    for (const contact::Field field : order)
        cells << csvCell(contact[field]);
    return cells.join(u';') + Crlf;
}

QString vCard(const contact::Record& contact)
{
    return vcard::vCard(contact);
}

namespace {
// All of bytes to the file, or why not, from the system.
StoreError writeAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return StoreError::fromErrno(n < 0 ? errno : ENOSPC);
        done += n;
    }
    return {};
}
} // namespace

namespace {
QString notRegularText(const QString& target, mode_t mode)
{
    return QStringLiteral("%1 não é um arquivo comum: é %2; nada foi gravado nele.")
        .arg(QDir::toNativeSeparators(target), fileKindText(mode));
}
} // namespace

QString unwritableTarget(const QString& target)
{
    struct stat there {};
    if (::lstat(QFile::encodeName(target).constData(), &there) != 0 || S_ISREG(there.st_mode))
        return QString();
    return notRegularText(target, there.st_mode);
}

StoreResult<qint64> exportContacts(const QString& database, const QString& target, Format format,
                                   const Progress& progress, Existing existing)
{
    StoreResult<qint64> result;
    // What is at the target is looked at itself: a link is never followed.
    struct stat there {};
    if (::lstat(QFile::encodeName(target).constData(), &there) == 0) {
        const QString shown = QDir::toNativeSeparators(target);
        if (!S_ISREG(there.st_mode)) {
            result.error = StoreError::make(StoreError::Io, notRegularText(target, there.st_mode));
            return result;
        }
        if (existing == Existing::Refuse) {
            result.error = StoreError::make(StoreError::FileExists,
                                            QStringLiteral("O arquivo %1 já existe.").arg(shown));
            return result;
        }
    }
    QSaveFile file(target);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.error = errno != 0 ? StoreError::fromErrno()
                                  : StoreError::make(StoreError::Io, file.errorString());
        return result;
    }
    // For the user alone, whatever the umask or the permissions of a file replaced.
    if (::fchmod(file.handle(), 0600) != 0) {
        result.error = StoreError::fromErrno();
        return result;
    }
    {
        contacttable::Reader contacts(database);
        if ((result.error = contacts.error()))
            return result;
        // The count only tells how far along the export is.
        const qint64 total = progress ? contacts.count().value : 0;
        // A BOM and our own header, so that a Brazilian spreadsheet reads the accents.
        QByteArray out = format == Format::Csv ? QByteArray("\xEF\xBB\xBF") + csvHeader().toUtf8()
                                               : QByteArray();
        contact::Record record;
        while (!result.error && contacts.next(&record)) {
            // What the import would not store (a NUL, other control characters,
            // direction overrides) never goes into the file: each value is
            // written as the import reads it back.
            for (QString& value : record)
                value = textline::oneLine(value);
            out += (format == Format::Csv ? csvLine(record) : vCard(record)).toUtf8();
            ++result.value;
            if (progress && result.value % ProgressStep == 0 && !progress(result.value, total))
                result.error = StoreError::make(StoreError::Cancelled);
            if (out.size() > (1 << 20)) {
                result.error = writeAll(file.handle(), out);
                out.clear();
            }
        }
        if (!result.error)
            result.error = contacts.error();
        if (!result.error && progress && !progress(result.value, total))
            result.error = StoreError::make(StoreError::Cancelled);
        if (!result.error)
            result.error = writeAll(file.handle(), out);
    }
    // A disk that fills up may say so only when the file is made durable.
    if (!result.error && ::fsync(file.handle()) != 0)
        result.error = StoreError::fromErrno();
    if (!result.error) {
        errno = 0;
        if (!file.commit())
            result.error = errno != 0 ? StoreError::fromErrno()
                                      : StoreError::make(StoreError::Io, file.errorString());
    }
    return result;
}

} // namespace interchange
