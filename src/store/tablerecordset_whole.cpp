#include "tablerecordset.h"

#include "database.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

// The recordset's reads of the whole table at once, for the name list.

using database::exec;
using database::quoted;

namespace {
// The table itself walked in row id order: no index and no sorting (a WHERE on
// the column would lead the engine to its index, and then to sort a million rows).
const QString ColumnSql = QStringLiteral("SELECT %1 FROM %2 NOT INDEXED ORDER BY rowid");
// Each on its own, so that the engine reads one end of the table for each
// rather than the whole table for both.
const QString ExtentSql =
    QStringLiteral("SELECT (SELECT max(rowid) FROM %1), (SELECT min(rowid) FROM %1)");
constexpr qint64 MaxRoom = 8'000'000;

// Texts kept end to end in shared blocks instead of one allocation each: a
// million names then take a few hundred allocations, not a million. Each text is
// a QString of its own onto its block, ended by a null as a QString's data is;
// the block counts the texts on it and goes with the last of them. A block is
// kept small, since a copy of one text that grows is given room as far into it.
class TextBlocks {
public:
    explicit TextBlocks(QStringList& out) : m_out(out) {}

    // Where to write a text of at most units units.
    char16_t* room(qsizetype units)
    {
        if (!m_block.d_ptr() || m_used + units + 1 > m_block.constAllocatedCapacity()) {
            // The block before stays with its texts.
            m_block = QString::DataPointer(
                QTypedArrayData<char16_t>::allocate(std::max(BlockUnits, units + 1)));
            m_used = 0;
            Q_CHECK_PTR(m_block.data());
        }
        return m_block.data() + m_used;
    }

    // The text of length units just written where room() said.
    void add(qsizetype units)
    {
        char16_t* text = m_block.data() + m_used;
        text[units] = u'\0';
        m_block.d_ptr()->ref();
        m_out.append(QString(QString::DataPointer(m_block.d_ptr(), text, units)));
        m_used += units + 1;
    }

private:
    static constexpr qsizetype BlockUnits = 16 * 1024;
    QStringList& m_out;
    QString::DataPointer m_block; // this reader's own hold on the block being filled
    qsizetype m_used = 0;
};

// The engine's UTF-8 decoded here, which is quicker than asking the engine for
// UTF-16: the units written, at most one for each byte. Text the engine would read
// otherwise (not clean UTF-8, or one of the two noncharacters it replaces) gives
// -1 and is left to the engine.
qsizetype decodeUtf8(const unsigned char* bytes, qsizetype size, char16_t* out)
{
    const unsigned char* end = bytes + size;
    char16_t* next = out;
    while (bytes < end) {
        char32_t c = *bytes;
        if (c < 0x80) {
            *next++ = char16_t(c);
            ++bytes;
            continue;
        }
        int following = 0;
        char32_t least = 0;
        if ((c & 0xE0) == 0xC0) {
            following = 1, least = 0x80, c &= 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            following = 2, least = 0x800, c &= 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            following = 3, least = 0x10000, c &= 0x07;
        } else {
            return -1;
        }
        if (end - bytes <= following)
            return -1;
        for (int k = 1; k <= following; ++k) {
            if ((bytes[k] & 0xC0) != 0x80)
                return -1;
            c = (c << 6) | (bytes[k] & 0x3F);
        }
        bytes += following + 1;
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) || c == 0xFFFE || c == 0xFFFF)
            return -1;
        if (c > 0xFFFF) {
            *next++ = QChar::highSurrogate(c);
            *next++ = QChar::lowSurrogate(c);
        } else {
            *next++ = char16_t(c);
        }
    }
    return next - out;
}
} // namespace

StoreResult<TableRecordset::Extent> TableRecordset::extent()
{
    StoreResult<Extent> r;
    if ((r.error = checkOpen()) || (r.error = checkFile()))
        return r;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if ((r.error = exec(q, ExtentSql.arg(quoted(m_table)))))
        return r;
    if (q.next() && !q.isNull(0)) {
        r.value.empty = false;
        // Row ids from the lowest to the highest leave room for every row; far
        // apart (rows given ids by other means), they say nothing useful.
        const qint64 span = q.value(0).toLongLong() - q.value(1).toLongLong() + 1;
        r.value.room = span > 0 && span <= MaxRoom ? span : 0;
    }
    return r;
}

StoreResult<QStringList> TableRecordset::columnTexts(const QString& field, qsizetype expected)
{
    StoreResult<QStringList> r;
    r.value.reserve(expected);
    if ((r.error = checkOpen()) || (r.error = checkFile()))
        return r;
    if (columnOf(field) < 0) {
        r.error = noSuchField(field);
        return r;
    }
    const QString sql = ColumnSql.arg(quoted(field), quoted(m_table));
    // The engine's own statement when the driver hands out its connection: Qt's
    // row-by-row values cost more than the reading itself.
    TextBlocks blocks(r.value);
    const QVariant handle = m_db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
        sqlite3_stmt* statement = nullptr;
        int rc = sqlite3_prepare_v3(db, sql.toUtf8().constData(), -1, 0, &statement, nullptr);
        while (rc == SQLITE_OK || rc == SQLITE_ROW) {
            if ((rc = sqlite3_step(statement)) != SQLITE_ROW)
                break;
            if (sqlite3_column_type(statement, 0) == SQLITE_NULL)
                continue;
            const auto* text = static_cast<const unsigned char*>(sqlite3_column_text(statement, 0));
            const int bytes = sqlite3_column_bytes(statement, 0);
            qsizetype units = decodeUtf8(text, bytes, blocks.room(bytes));
            if (units < 0) {
                const void* text16 = sqlite3_column_text16(statement, 0);
                units = sqlite3_column_bytes16(statement, 0) / 2;
                std::memcpy(blocks.room(units), text16, size_t(units) * 2);
            }
            blocks.add(units);
        }
        if (rc != SQLITE_DONE) {
            r.error = StoreError::make(StoreError::Engine, QString::fromUtf8(sqlite3_errmsg(db)));
            r.error.nativeCode = sqlite3_extended_errcode(db);
            r.value.clear();
        }
        sqlite3_finalize(statement);
        // Room made for rows long deleted is given back.
        if (r.value.capacity() > 2 * r.value.size() + 1024)
            r.value.squeeze();
        return r;
    }
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if ((r.error = exec(q, sql)))
        return r;
    while (q.next()) {
        if (!q.isNull(0))
            r.value.append(q.value(0).toString());
    }
    r.error = StoreError::fromSql(q.lastError());
    if (r.error)
        r.value.clear();
    return r;
}
