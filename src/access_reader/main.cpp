// listrano-access-reader: reads an old Access file given as its standard input
// and sends what it finds on its standard output (see accesspieces.h). The
// library was written for files it can trust; a damaged file may send it round
// in circles or make it crash, which then ends this process alone. Its
// complaints go to the standard error, which the program reading ours watches.
//
//   listrano-access-reader --tables
//   listrano-access-reader --table NAME

#include "accesspieces.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include <cerrno>
#include <unistd.h>

// glib first: mdbtools.h wraps everything it includes in extern "C", glib's
// C++ templates included.
#include <glib.h>
#include <mdbtools.h>

using interchange::AccessPiece;

namespace {
// A memo of the largest text the window holds (65,535 characters), each of
// them up to three bytes in UTF-8.
constexpr size_t CellBytes = 65536 * 3 + 1;

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

bool writeAll(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Messages go out in batches, and each batch at once when it is big enough.
class Out {
public:
    void send(AccessPiece piece, const QStringList& cells)
    {
        m_pending += interchange::accessMessage(piece, cells);
        if (m_pending.size() > (1 << 15))
            flush();
    }
    void flush()
    {
        if (!writeAll(m_pending))
            std::exit(1);
        m_pending.clear();
    }

private:
    QByteArray m_pending;
};

MdbFilePtr openAccess(Out& out)
{
    // The file is the one the caller opened, never looked up again by its name.
    MdbFilePtr mdb(mdb_open("/dev/fd/0", MDB_NOFLAGS));
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        out.send(AccessPiece::Error, {DamagedText});
        return nullptr;
    }
    return mdb;
}

std::vector<MdbCatalogEntry*> userTables(MdbHandle* mdb)
{
    std::vector<MdbCatalogEntry*> tables;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            tables.push_back(entry);
    }
    return tables;
}

bool holdsText(int type)
{
    return type != MDB_OLE && type != MDB_BINARY && type != MDB_COMPLEX;
}

void sendTables(Out& out)
{
    const MdbFilePtr mdb = openAccess(out);
    if (!mdb)
        return;
    QStringList names;
    for (MdbCatalogEntry* entry : userTables(mdb.get()))
        names << QString::fromUtf8(entry->object_name);
    out.send(AccessPiece::Tables, names);
    out.send(AccessPiece::End, {QStringLiteral("0")});
}

void sendTable(Out& out, const QString& tableName)
{
    const MdbFilePtr mdb = openAccess(out);
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
        out.send(AccessPiece::Error,
                 {QStringLiteral("O arquivo do Access não tem a tabela %1.").arg(tableName)});
        return;
    }
    const MdbTablePtr table(mdb_read_table(found));
    if (!table || !mdb_read_columns(table.get())) {
        out.send(
            AccessPiece::Error,
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
    out.send(AccessPiece::Header, header);
    qint64 sent = 0;
    while (mdb_fetch_row(table.get())) {
        QStringList row;
        for (size_t c = 0; c < columnCount; ++c) {
            const int length = qMin(lengths[c], int(CellBytes) - 1);
            row << (cells[c].empty() || length <= 0 ? QString()
                                                    : QString::fromUtf8(cells[c].data(), length));
            lengths[c] = 0;
        }
        out.send(AccessPiece::Row, row);
        ++sent;
    }
    out.send(AccessPiece::End, {QString::number(sent)});
}
} // namespace

int main(int argc, char** argv)
{
    const bool tables = argc == 2 && std::strcmp(argv[1], "--tables") == 0;
    const bool table = argc == 3 && std::strcmp(argv[1], "--table") == 0;
    if (!tables && !table) {
        std::fprintf(stderr, "uso: %s --tables | --table NOME < arquivo.mdb\n", argv[0]);
        return 2;
    }
    // The library gives text in the character set this names; ours is UTF-8
    // whatever the user's environment says.
    ::setenv("MDBICONV", "UTF-8", 1);
    Out out;
    if (tables)
        sendTables(out);
    else
        sendTable(out, QString::fromUtf8(argv[2]));
    out.flush();
    return 0;
}
