// Coming back to a row found before: a bookmark is the row's id, kept by the
// caller as an opaque value.

#include "tablerecordset.h"

QByteArray TableRecordset::Bookmark() const
{
    return m_hasCurrent ? QByteArray::number(m_rowid) : QByteArray();
}

StoreError TableRecordset::setBookmark(const QByteArray& bookmark)
{
    if (StoreError e = checkFile())
        return e;
    abandonEdit();
    m_hasCurrent = m_canResume = false;
    bool ok = false;
    const qint64 rowid = bookmark.toLongLong(&ok);
    dropBatch();
    if (ok) {
        if (StoreError e = loadBatch(QStringLiteral(" WHERE rowid = ?"), {rowid}, 1))
            return e;
        if (StoreError e = fetch())
            return e;
    }
    m_eof = false;
    m_noMatch = !m_hasCurrent;
    return {};
}
