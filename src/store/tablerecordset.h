#pragma once

#include "nameblock.h"
#include "storeerror.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

// A table-type recordset over one table: a current row, a row being added or
// edited, walking the rows in stored order or in the order of a chosen index, and
// seeking a key in that index. Rows are told apart by SQLite's row id, which never
// leaves this class. Every write is one IMMEDIATE transaction, committed before the
// call returns.
class TableRecordset {
public:
    enum EditMode { EditNone, EditInProgress, EditAdd };

    // Tells whether the file is still the one the connection opened; asked before
    // each write, count, walk from the start and seek.
    using FileCheck = std::function<StoreError()>;

    TableRecordset(const QSqlDatabase& db, const QString& table, const QStringList& columns,
                   FileCheck fileCheck = {});
    ~TableRecordset();
    TableRecordset(const TableRecordset&) = delete;
    TableRecordset& operator=(const TableRecordset&) = delete;

    bool isOpen() const { return m_open; }
    QStringList fieldNames() const { return m_columns; }

    // The named field of the row being added or edited, or else of the current row.
    // A database null comes back as a null QVariant.
    StoreResult<QVariant> Value(const QString& field);
    // Sets the named field of the row being added or edited. An empty text is kept
    // as a zero-length text, never as a null.
    StoreError setValue(const QString& field, const QString& text);

    StoreError AddNew();
    StoreError Edit();
    StoreError Update();
    StoreError Delete();
    EditMode editMode() const { return m_editMode; }

    StoreResult<qint64> RecordCount();
    // Whether the table has rows, and room enough for them all (at least their
    // number, 0 when unknown), without counting them: two steps of the engine
    // where a count reads every row.
    struct Extent {
        bool empty = true;
        qint64 room = 0;
    };
    StoreResult<Extent> extent();
    // The texts of one field, row by row in stored order, rows where it is null
    // left out: read in one go, straight from the engine, into one block. The
    // recordset's position stays as it was. expected, when known, is how many
    // rows to make room for.
    StoreResult<NameBlock> columnTexts(const QString& field, qsizetype expected = 0);
    // Tells the table's contents apart over time: the same stamp twice (from
    // recordsets on the same connection) and nothing was written in between,
    // neither through this program nor by another connection to the file.
    StoreResult<QByteArray> contentStamp();
    StoreError MoveFirst();
    StoreError MoveNext();
    bool Eof() const { return m_eof; }
    bool hasCurrent() const { return m_hasCurrent; }

    QString Index() const { return m_index; }
    StoreError setIndex(const QString& name);
    // Makes the first row whose key equals key current, in index order; rows with
    // equal keys come in the order they were stored.
    StoreError Seek(const QString& comparison, const QString& key);
    bool NoMatch() const { return m_noMatch; }

    // Which row is current, to come back to it later (empty when none is), and
    // the way back: that row current again, or NoMatch when it is gone since.
    QByteArray Bookmark() const;
    StoreError setBookmark(const QByteArray& bookmark);

    // Closes the recordset; a pending new row or edit is abandoned.
    void Close();

private:
    int columnOf(const QString& field) const;
    StoreError checkOpen() const;
    StoreError checkFile() const;
    StoreError checkCurrentRow() const;
    StoreError noSuchField(const QString& field) const;
    void abandonEdit();
    void dropBatch();
    // Rows are read ahead in batches of this many.
    static constexpr int BatchSize = 512;
    StoreError loadBatch(const QString& where, const QVariantList& values, int limit = BatchSize);
    StoreError loadBatchAfterCurrent();
    StoreError fetch();
    StoreError loadRow();
    StoreError write(const QString& sql, const QVariantList& values, bool* touched);
    // " col IS ? AND ..." over every column: the row still holds m_row.
    QString unchangedCondition() const;
    // Runs a write bound to the row id and then m_row; when it touches nothing,
    // tells whether the row changed (ChangedElsewhere) or went (RowGone).
    StoreError writeUnchanged(const QString& sql, const QVariantList& values);
    QString orderedSelect() const;

    QSqlDatabase m_db;
    QString m_table;
    QStringList m_columns;
    bool m_open = true;
    FileCheck m_fileCheck;

    QString m_index;
    QString m_keyColumn;    // the chosen index's column
    QString m_cursorColumn; // the one field read ahead with the row ids (the key, else the name)

    // Rows ahead of the current one, read a batch at a time so that no statement
    // stays open, and no lock is held, between calls.
    struct Ahead {
        qint64 rowid;
        QVariant value; // of m_cursorColumn
    };
    QVector<Ahead> m_batch;
    int m_batchPos = 0;
    bool m_batchIsLast = false;

    bool m_hasCurrent = false;
    bool m_canResume = false; // a position to move on from, current or just deleted
    bool m_eof = false;
    bool m_noMatch = false;
    qint64 m_rowid = 0;
    QVariant m_cursorValue;
    QVector<QVariant> m_row;
    bool m_rowLoaded = false;

    EditMode m_editMode = EditNone;
    QVector<QVariant> m_buffer;
};
