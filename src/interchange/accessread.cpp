#include "accessread.h"

#include <QDataStream>
#include <QFile>

#include <functional>
#include <memory>
#include <vector>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

// glib first: mdbtools.h wraps everything it includes in extern "C", glib's
// C++ templates included.
#include <glib.h>
#include <mdbtools.h>

namespace interchange {

namespace {
// A memo of the largest text the window holds (65,535 characters), each of
// them up to three bytes in UTF-8.
constexpr size_t CellBytes = 65536 * 3 + 1;
// A reader that sends nothing for this long is taken to be stuck on a damaged file.
constexpr int SilenceLimitMs = 15000;

const QString DamagedText = QStringLiteral("O arquivo do Access não pôde ser lido: está danificado "
                                           "ou é de uma versão que o programa não conhece.");

struct CloseMdb {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
using MdbFilePtr = std::unique_ptr<MdbHandle, CloseMdb>;

struct FreeTable {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using MdbTablePtr = std::unique_ptr<MdbTableDef, FreeTable>;

// What a reader hands on, one piece at a time.
enum class Piece : qint8 { Header, Row, Tables, Error };
using Sink = std::function<void(Piece, const QStringList&)>;

MdbFilePtr openAccess(const QString& path, const Sink& sink)
{
    // The library gives text in the character set this names; ours is UTF-8
    // whatever the user's environment says.
    qputenv("MDBICONV", "UTF-8");
    MdbFilePtr mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        sink(Piece::Error, {DamagedText});
        return nullptr;
    }
    return mdb;
}

QList<MdbCatalogEntry*> userTables(MdbHandle* mdb)
{
    QList<MdbCatalogEntry*> tables;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            tables << entry;
    }
    return tables;
}

bool holdsText(int type)
{
    return type != MDB_OLE && type != MDB_BINARY && type != MDB_COMPLEX;
}

void sendTables(const QString& path, const Sink& sink)
{
    const MdbFilePtr mdb = openAccess(path, sink);
    if (!mdb)
        return;
    QStringList names;
    for (MdbCatalogEntry* entry : userTables(mdb.get()))
        names << QString::fromUtf8(entry->object_name);
    sink(Piece::Tables, names);
}

void sendTable(const QString& path, const QString& tableName, const Sink& sink)
{
    const MdbFilePtr mdb = openAccess(path, sink);
    if (!mdb)
        return;
    MdbCatalogEntry* found = nullptr;
    for (MdbCatalogEntry* entry : userTables(mdb.get())) {
        if (QString::fromUtf8(entry->object_name).compare(tableName, Qt::CaseInsensitive) == 0) {
            found = entry;
            break;
        }
    }
    if (!found) {
        sink(Piece::Error,
             {QStringLiteral("O arquivo do Access não tem a tabela %1.").arg(tableName)});
        return;
    }
    const MdbTablePtr table(mdb_read_table(found));
    if (!table || !mdb_read_columns(table.get())) {
        sink(
            Piece::Error,
            {QStringLiteral("A tabela %1 do arquivo do Access não pôde ser lida.").arg(tableName)});
        return;
    }
    mdb_set_bind_size(mdb.get(), CellBytes);
    mdb_rewind_table(table.get());
    const size_t columnCount = table->num_cols;
    std::vector<std::vector<char>> cells(columnCount);
    std::vector<int> lengths(columnCount, 0);
    QStringList header;
    for (size_t c = 0; c < columnCount; ++c) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
        header << QString::fromUtf8(column->name);
        if (!holdsText(column->col_type))
            continue;
        cells[c].assign(CellBytes, '\0');
        mdb_bind_column(table.get(), int(c) + 1, cells[c].data(), &lengths[c]);
    }
    sink(Piece::Header, header);
    while (mdb_fetch_row(table.get())) {
        QStringList row;
        for (size_t c = 0; c < columnCount; ++c) {
            const int length = qMin(lengths[c], int(CellBytes) - 1);
            row << (cells[c].empty() || length <= 0 ? QString()
                                                    : QString::fromUtf8(cells[c].data(), length));
            lengths[c] = 0;
        }
        sink(Piece::Row, row);
    }
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Runs a reader in a process of its own and gathers what it sends. The
// library was written for files it can trust; a damaged file may send it
// round in circles or make it crash, which then ends that process alone.
void readApart(const std::function<void(const Sink&)>& reader, const Sink& sink)
{
    // Conversions loaded here, before the split, so that the reader never has
    // to load one (the file's code page, and the library's own).
    for (const char* from : {"CP1252", "UCS-2LE"}) {
        const iconv_t cd = iconv_open("UTF-8", from);
        if (cd != iconv_t(-1))
            iconv_close(cd);
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        sink(Piece::Error, {QString::fromLocal8Bit(std::strerror(errno))});
        return;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        sink(Piece::Error, {QString::fromLocal8Bit(std::strerror(errno))});
        return;
    }
    if (child == 0) {
        ::close(fds[0]);
        // The library's complaints about a damaged file are not for the user.
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0)
            ::dup2(null, STDERR_FILENO);
        QByteArray out;
        bool sent = true;
        reader([&](Piece piece, const QStringList& cells) {
            QDataStream stream(&out, QIODevice::WriteOnly | QIODevice::Append);
            stream << qint8(piece) << cells;
            if (out.size() > (1 << 16)) {
                sent = sent && writeAll(fds[1], out);
                out.clear();
            }
        });
        sent = sent && writeAll(fds[1], out);
        ::_exit(sent ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray received;
    bool stuck = false;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, SilenceLimitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            stuck = true;
            ::kill(child, SIGKILL);
            break;
        }
        char buffer[1 << 16];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        received.append(buffer, n);
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (stuck || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        sink(Piece::Error, {DamagedText});
        return;
    }
    QDataStream stream(received);
    while (!stream.atEnd()) {
        qint8 piece = 0;
        QStringList cells;
        stream >> piece >> cells;
        if (stream.status() != QDataStream::Ok) {
            sink(Piece::Error, {DamagedText});
            return;
        }
        sink(Piece(piece), cells);
    }
}
} // namespace

bool isAccessFile(const QByteArray& head)
{
    const QByteArray kind = head.mid(4, 15);
    return head.startsWith(QByteArray("\0\1\0\0", 4)) &&
           (kind == "Standard Jet DB" || kind == "Standard ACE DB");
}

bool isAccessFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && isAccessFile(file.read(20));
}

QStringList accessTables(const QString& path, QString* error)
{
    QStringList names;
    if (!isAccessFile(path)) {
        *error = QStringLiteral("O arquivo não é um banco de dados do Access.");
        return names;
    }
    readApart([&path](const Sink& sink) { sendTables(path, sink); },
              [&](Piece piece, const QStringList& cells) {
                  if (piece == Piece::Tables)
                      names = cells;
                  else if (piece == Piece::Error)
                      *error = cells.value(0);
              });
    if (!error->isEmpty())
        names.clear();
    return names;
}

CsvTable readAccessTable(const QString& path, const QString& tableName)
{
    CsvTable result;
    if (!isAccessFile(path)) {
        result.error = QStringLiteral("O arquivo não é um banco de dados do Access.");
        return result;
    }
    readApart([&](const Sink& sink) { sendTable(path, tableName, sink); },
              [&result](Piece piece, const QStringList& cells) {
                  if (piece == Piece::Header) {
                      result.header = cells;
                  } else if (piece == Piece::Row) {
                      result.rows << cells;
                      result.lines << int(result.rows.size());
                  } else if (piece == Piece::Error) {
                      result.error = cells.value(0);
                  }
              });
    if (!result.error.isEmpty()) {
        result.rows.clear();
        result.lines.clear();
    }
    return result;
}

} // namespace interchange
