#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QVarLengthArray>

#include <atomic>
#include <cstring>
#include <vector>

// A long list of texts kept end to end in one block, as the engine gives them:
// each text its UTF-8 bytes, whose decoding by Qt is the text, and a table of
// where each begins. A text that Qt's decoding of its bytes would not give back
// (damaged or unusual bytes, read otherwise by whoever gave them) is kept as its
// UTF-16 units instead. A QString is made only for a text asked for. Copies share
// the block until one of them changes.
class NameBlock {
public:
    NameBlock() = default;
    explicit NameBlock(const QStringList& texts);

    qsizetype size() const { return m_from.isEmpty() ? 0 : m_from.size() - 1; }
    bool isEmpty() const { return size() == 0; }

    // Room for rows texts of bytes bytes in all.
    void reserve(qsizetype rows, qsizetype bytes);
    // A text whose bytes Qt decodes to it, as QString::fromUtf8 does.
    void appendUtf8(const char* bytes, qsizetype size);
    // A text given as a string, at the end, before a row, or in a row's place.
    void append(QStringView text);
    void insert(qsizetype row, QStringView text);
    void replace(qsizetype row, QStringView text);
    // Gives back the room made for more than the block holds.
    void squeeze();
    // Takes one text out; those after it move up one place.
    void remove(qsizetype row);

    // The row of the n-th text (from 0) equal to text, letter case counting; -1
    // when there are fewer. The texts are compared as kept, none made.
    qsizetype nthEqual(QStringView text, qsizetype n) const;
    // How many rows before row hold a text equal to its own.
    qsizetype equalBefore(qsizetype row) const;

    // The text of a row, made afresh; each one made is counted.
    QString text(qsizetype row) const;
    // Every text, each counted.
    QStringList texts() const;
    // How many texts have been made by text() since the program started, in
    // every block: a long list should make them only for the rows it shows or
    // compares.
    static quint64 textsMade() { return s_made.load(std::memory_order_relaxed); }

    // Reads the texts one at a time into a buffer of its own, without making a
    // QString (nor counting one): for walking the whole block, as in building an
    // index. A text read is good until the next one is.
    class Reader {
    public:
        explicit Reader(const NameBlock& block) : m_block(block) {}
        QStringView at(qsizetype row);
        qsizetype size() const { return m_block.size(); }

    private:
        const NameBlock& m_block;
        QStringDecoder m_decoder{QStringDecoder::Utf8, DecoderFlags};
        QVarLengthArray<QChar, 256> m_buffer;
    };

    // Whether Qt's decoding of bytes gives back the text the engine decodes them to
    // (clean UTF-8 without the two noncharacters the engine replaces): then the
    // bytes can be kept as they are. Decides only that, decoding nothing.
    class Check {
    public:
        bool keepsBytes(const char* bytes, qsizetype size);
    };

    // Rows given in another order, each with a key of its own (a row id), and put
    // in the order of their keys when the block is made. Made for a whole table
    // read in the order of an index over the column.
    class Gathered {
    public:
        void reserve(qsizetype rows, qsizetype bytes);
        void appendUtf8(qint64 key, const char* bytes, qsizetype size);
        void append(qint64 key, QStringView text);
        // The block of the rows gathered, in ascending order of their keys (rows
        // of one key in the order given); nothing is left gathered.
        NameBlock take();

    private:
        std::vector<char> m_bytes;
        std::vector<quint32> m_from{0}; // as in a block, each row's start and flag
        std::vector<qint64> m_keys;
    };

private:
    // As QString::fromUtf8 decodes: every call on its own, a byte order mark kept.
    static constexpr QStringDecoder::Flags DecoderFlags =
        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;
    // Set on a row's start in m_from when its bytes are UTF-16 units.
    static constexpr quint32 Utf16 = 0x80000000u;
    static constexpr quint32 Offset = ~Utf16;

    // Every text has one form in the block: equal texts, equal bytes.
    bool holds(qsizetype row, const QByteArray& bytes, bool utf16) const
    {
        return isUtf16(row) == utf16 && end(row) - start(row) == bytes.size() &&
               std::memcmp(m_bytes.constData() + start(row), bytes.constData(),
                           size_t(bytes.size())) == 0;
    }
    qsizetype start(qsizetype row) const { return qsizetype(m_from.at(row) & Offset); }
    qsizetype end(qsizetype row) const { return qsizetype(m_from.at(row + 1) & Offset); }
    bool isUtf16(qsizetype row) const { return (m_from.at(row) & Utf16) != 0; }

    QByteArray m_bytes;
    QList<quint32> m_from; // where each row begins, and (last) where the last ends
    static std::atomic<quint64> s_made;
};
