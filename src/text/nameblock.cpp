#include "nameblock.h"

#include <cstring>

std::atomic<quint64> NameBlock::s_made{0};

NameBlock::NameBlock(const QStringList& texts)
{
    m_from.reserve(texts.size() + 1);
    for (const QString& text : texts)
        append(text);
}

void NameBlock::reserve(qsizetype rows, qsizetype bytes)
{
    m_from.reserve(rows + 1);
    m_bytes.reserve(bytes);
}

void NameBlock::appendUtf8(const char* bytes, qsizetype size)
{
    if (m_from.isEmpty())
        m_from.append(0);
    m_bytes.append(bytes, size);
    Q_ASSERT(m_bytes.size() <= qsizetype(Offset));
    m_from.append(quint32(m_bytes.size()));
}

namespace {
// A text's bytes in the block: its UTF-8 when Qt decodes that back to it, else
// its UTF-16 units (true).
bool encode(QStringView text, QByteArray& bytes)
{
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        bytes = text.toLatin1();
        return false;
    }
    bytes = text.toUtf8();
    if (QStringView(QString::fromUtf8(bytes)) == text)
        return false;
    bytes = QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return true;
}
} // namespace

void NameBlock::append(QStringView text)
{
    insert(size(), text);
}

void NameBlock::insert(qsizetype row, QStringView text)
{
    QByteArray bytes;
    const bool utf16 = encode(text, bytes);
    if (m_from.isEmpty())
        m_from.append(0);
    const qsizetype at = start(row); // the end of the last row, for a row after it
    m_bytes.insert(at, bytes);
    m_from.insert(row, quint32(at) | (utf16 ? Utf16 : 0));
    for (qsizetype i = row + 1; i < m_from.size(); ++i)
        m_from[i] += quint32(bytes.size());
    Q_ASSERT(m_bytes.size() <= qsizetype(Offset));
}

void NameBlock::replace(qsizetype row, QStringView text)
{
    remove(row);
    insert(row, text);
}

void NameBlock::squeeze()
{
    m_bytes.squeeze();
    m_from.squeeze();
}

void NameBlock::remove(qsizetype row)
{
    const qsizetype from = start(row);
    const qsizetype length = end(row) - from;
    m_bytes.remove(from, length);
    m_from.removeAt(row);
    for (qsizetype i = row; i < m_from.size(); ++i)
        m_from[i] -= quint32(length);
    // The row before now ends where the one taken out began.
}

qsizetype NameBlock::nthEqual(QStringView text, qsizetype n) const
{
    QByteArray bytes;
    const bool utf16 = encode(text, bytes);
    for (qsizetype row = 0; row < size(); ++row) {
        if (holds(row, bytes, utf16) && n-- == 0)
            return row;
    }
    return -1;
}

qsizetype NameBlock::equalBefore(qsizetype row) const
{
    if (row < 0 || row >= size())
        return 0;
    const QByteArray bytes = m_bytes.mid(start(row), end(row) - start(row));
    qsizetype before = 0;
    for (qsizetype i = 0; i < row; ++i)
        before += holds(i, bytes, isUtf16(row)) ? 1 : 0;
    return before;
}

QString NameBlock::text(qsizetype row) const
{
    s_made.fetch_add(1, std::memory_order_relaxed);
    const char* bytes = m_bytes.constData() + start(row);
    const qsizetype length = end(row) - start(row);
    if (!isUtf16(row))
        return QString::fromUtf8(bytes, length);
    QString text(length / 2, Qt::Uninitialized);
    std::memcpy(text.data(), bytes, size_t(length));
    return text;
}

QStringList NameBlock::texts() const
{
    QStringList all;
    all.reserve(size());
    for (qsizetype row = 0; row < size(); ++row)
        all.append(text(row));
    return all;
}

QStringView NameBlock::Reader::at(qsizetype row)
{
    const char* bytes = m_block.m_bytes.constData() + m_block.start(row);
    const qsizetype length = m_block.end(row) - m_block.start(row);
    m_buffer.resize(length); // at most one unit for each byte
    if (m_block.isUtf16(row)) {
        std::memcpy(m_buffer.data(), bytes, size_t(length));
        return QStringView(m_buffer.constData(), length / 2);
    }
    const QChar* end = m_decoder.appendToBuffer(m_buffer.data(), QByteArrayView(bytes, length));
    return QStringView(m_buffer.constData(), end - m_buffer.constData());
}

bool NameBlock::Check::keepsBytes(const char* bytes, qsizetype size)
{
    bool ascii = true;
    for (qsizetype i = 0; i < size && ascii; ++i)
        ascii = (static_cast<unsigned char>(bytes[i]) & 0x80) == 0;
    if (ascii)
        return true;
    m_buffer.resize(size);
    m_decoder.resetState();
    const QChar* end = m_decoder.appendToBuffer(m_buffer.data(), QByteArrayView(bytes, size));
    if (m_decoder.hasError())
        return false;
    for (const QChar* c = m_buffer.constData(); c != end; ++c) {
        if (c->unicode() == 0xFFFE || c->unicode() == 0xFFFF)
            return false;
    }
    return true;
}
