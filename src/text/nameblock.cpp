#include "nameblock.h"

#include <algorithm>
#include <cstring>
#include <numeric>

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

void NameBlock::Gathered::reserve(qsizetype rows, qsizetype bytes)
{
    m_bytes.reserve(size_t(bytes));
    m_from.reserve(size_t(rows) + 1);
    m_keys.reserve(size_t(rows));
}

void NameBlock::Gathered::appendUtf8(qint64 key, const char* bytes, qsizetype size)
{
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    Q_ASSERT(m_bytes.size() <= size_t(Offset));
    m_from.push_back(quint32(m_bytes.size()));
    m_keys.push_back(key);
}

void NameBlock::Gathered::append(qint64 key, QStringView text)
{
    QByteArray bytes;
    const bool utf16 = encode(text, bytes);
    m_from.back() |= utf16 ? Utf16 : 0;
    appendUtf8(key, bytes.constData(), bytes.size());
}

NameBlock NameBlock::Gathered::take()
{
    const size_t count = m_keys.size();
    // Where each row goes: its rank among the keys. Keys close together (row ids
    // of a table) are ranked through a table of every key from the lowest to the
    // highest; others, or a key given twice, by sorting.
    std::vector<quint32> rank(count);
    bool ranked = false;
    if (count > 0) {
        const auto [low, high] = std::minmax_element(m_keys.begin(), m_keys.end());
        const quint64 lowest = quint64(*low);
        if (quint64(*high) - lowest < 2 * quint64(count) + 4096) {
            constexpr quint32 None = ~0u;
            std::vector<quint32> slot(size_t(quint64(*high) - lowest + 1), None);
            ranked = true;
            for (size_t k = 0; k < count && ranked; ++k) {
                quint32& s = slot[size_t(quint64(m_keys[k]) - lowest)];
                ranked = s == None;
                s = quint32(k);
            }
            quint32 next = 0;
            for (size_t at = 0; at < slot.size() && ranked; ++at) {
                if (slot[at] != None)
                    rank[slot[at]] = next++;
            }
        }
    }
    if (!ranked) {
        std::vector<quint32> order(count);
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(),
                         [this](quint32 a, quint32 b) { return m_keys[a] < m_keys[b]; });
        for (size_t r = 0; r < count; ++r)
            rank[order[r]] = quint32(r);
    }

    // Each row's length and form in its new place, then where it starts, then its
    // bytes copied there.
    NameBlock block;
    block.m_from.resize(qsizetype(count) + 1);
    quint32* from = block.m_from.data();
    const auto start = [this](size_t k) { return m_from[k] & Offset; };
    for (size_t k = 0; k < count; ++k)
        from[rank[k]] = (start(k + 1) - start(k)) | (m_from[k] & Utf16);
    quint32 at = 0;
    for (size_t r = 0; r < count; ++r) {
        const quint32 length = from[r] & Offset;
        from[r] = at | (from[r] & Utf16);
        at += length;
    }
    from[count] = at;
    block.m_bytes = QByteArray(qsizetype(at), Qt::Uninitialized);
    char* bytes = block.m_bytes.data();
    // The rows are read in turn and written all over the block: where a row a
    // few ahead goes is asked for early, so that the writes do not wait in line.
    constexpr size_t Ahead = 16;
    for (size_t k = 0; k < count; ++k) {
#if defined(__GNUC__)
        if (k + Ahead < count)
            __builtin_prefetch(bytes + (from[rank[k + Ahead]] & Offset), 1);
#endif
        std::memcpy(bytes + (from[rank[k]] & Offset), m_bytes.data() + start(k),
                    start(k + 1) - start(k));
    }
    if (count == 0)
        block = NameBlock();
    *this = Gathered();
    return block;
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

// Well-formed UTF-8 as Qt's decoder takes it without an error (no stray or
// missing continuation byte, no overlong form, no surrogate, nothing past
// U+10FFFF, nothing cut short at the end), and without U+FFFE and U+FFFF.
// Checked byte by byte rather than decoded: names are mostly ASCII, eight bytes
// of which are passed over at a time.
bool NameBlock::Check::keepsBytes(const char* bytes, qsizetype size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const auto* const end = p + size;
    const auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    while (p != end) {
        while (end - p >= 8) {
            quint64 eight;
            std::memcpy(&eight, p, sizeof eight);
            if (eight & 0x8080808080808080u)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
        } else if (lead < 0xC2) { // a continuation byte, or the lead of an overlong form
            return false;
        } else if (lead < 0xE0) {
            if (end - p < 2 || !continuation(p[1]))
                return false;
            p += 2;
        } else if (lead < 0xF0) {
            if (end - p < 3 || !continuation(p[1]) || !continuation(p[2]))
                return false;
            if ((lead == 0xE0 && p[1] < 0xA0) ||                // overlong
                (lead == 0xED && p[1] >= 0xA0) ||               // a surrogate
                (lead == 0xEF && p[1] == 0xBF && p[2] >= 0xBE)) // U+FFFE, U+FFFF
                return false;
            p += 3;
        } else if (lead < 0xF5) {
            if (end - p < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3]))
                return false;
            if ((lead == 0xF0 && p[1] < 0x90) || // overlong
                (lead == 0xF4 && p[1] >= 0x90))  // past U+10FFFF
                return false;
            p += 4;
        } else {
            return false;
        }
    }
    return true;
}
