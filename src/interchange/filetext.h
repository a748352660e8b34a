#pragma once

// A contacts file read in pieces, each decoded as the whole would be, and a
// CSV file's records decoded one by one: for the import.

#include "csvread.h"

#include <QByteArray>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace interchange::filetext {

// Where a CSV file's records end, in its bytes as readCsv reads the text: at a
// line break outside quotes, a quote opening one only at a cell's beginning. A
// record's line is the one it begins on. The bytes may come in pieces cut
// anywhere: a quote inside quotes, or a CR, waits for the byte after it.
class RecordEnds {
public:
    explicit RecordEnds(char separator) : m_separator(separator) {}

    // Calls ended(at, line) for each byte at that ends a record, with the
    // record's line (recordLine() is then the next one's); the LF of a CR LF
    // is read over, in the record after.
    template <typename Ended> void scan(QByteArrayView bytes, Ended ended)
    {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char c = bytes.at(i);
            if (m_afterCr) {
                m_afterCr = false;
                if (c == '\n')
                    continue;
            }
            if (m_quoteInQuotes) {
                m_quoteInQuotes = false;
                if (c == '"')
                    continue; // a doubled quote
                m_quoted = false;
            }
            if (m_quoted) {
                if (c == '"')
                    m_quoteInQuotes = true;
                else if (c == '\n')
                    ++m_line;
            } else if (c == '"' && m_cellStart) {
                m_quoted = true;
                m_cellStart = false;
            } else if (c == m_separator) {
                m_cellStart = true;
            } else if (c == '\r' || c == '\n') {
                m_afterCr = c == '\r';
                const int line = m_recordLine;
                m_recordLine = ++m_line;
                m_cellStart = true;
                ended(i, line);
            } else {
                m_cellStart = false;
            }
        }
    }
    int recordLine() const { return m_recordLine; }

private:
    char m_separator;
    bool m_quoted = false;
    bool m_quoteInQuotes = false;
    bool m_afterCr = false;
    bool m_cellStart = true;
    int m_line = 1;
    int m_recordLine = 1;
};

// The records of a CSV file's bytes, each decoded on its own: as UTF-8 when it
// is, else as Windows-1252 (unless the file said UTF-8 with a byte order mark).
// The file is read twice, in pieces: learn() finds what each record is in,
// decode() then decodes them, so that no record is ever held whole.
class RecordDecoder {
public:
    RecordDecoder(char separator, bool windows1252Allowed)
        : m_learnt(separator), m_decoded(separator), m_windows1252Allowed(windows1252Allowed)
    {
    }

    void learn(QByteArrayView bytes, bool last)
    {
        qsizetype begin = 0;
        m_learnt.scan(bytes, [&](qsizetype end, int line) {
            look(bytes.sliced(begin, end + 1 - begin));
            decide(line);
            begin = end + 1;
        });
        look(bytes.sliced(begin));
        if (last && m_looked) {
            look("\n"); // a character cut short at the end is no UTF-8
            decide(m_learnt.recordLine());
        }
    }

    // The text of the bytes, once all were learnt.
    QString decode(QByteArrayView bytes)
    {
        if (!m_begun)
            begin();
        QString text;
        qsizetype from = 0;
        m_decoded.scan(bytes, [&](qsizetype end, int) {
            text += decoded(bytes.sliced(from, end + 1 - from));
            begin();
            from = end + 1;
        });
        return text + decoded(bytes.sliced(from));
    }

    // Both in ascending order.
    QList<int> windows1252Lines;
    QList<int> undecodableLines;

private:
    enum class Kind { Utf8, Windows1252, Undecodable };

    void look(QByteArrayView bytes)
    {
        if (bytes.isEmpty())
            return;
        m_looked = true;
        if (m_utf8) {
            const QString text = m_utf8Check.decode(bytes); // decoded for its errors alone
            m_utf8 = !m_utf8Check.hasError();
        }
        m_windows1252 =
            m_windows1252 && std::none_of(bytes.begin(), bytes.end(), [](char c) {
                return c == '\x81' || c == '\x8D' || c == '\x8F' || c == '\x90' || c == '\x9D';
            });
    }

    void decide(int line)
    {
        if (!m_utf8 && m_windows1252Allowed && m_windows1252)
            windows1252Lines << line;
        else if (!m_utf8)
            undecodableLines << line;
        m_utf8Check.resetState();
        m_utf8 = m_windows1252 = true;
        m_looked = false;
    }

    // A record begins: what it was found to be in.
    void begin()
    {
        m_begun = true;
        const int line = m_decoded.recordLine();
        const auto next = [line](const QList<int>& lines, qsizetype* at) {
            const bool here = *at < lines.size() && lines.at(*at) == line;
            *at += here ? 1 : 0;
            return here;
        };
        m_kind = next(windows1252Lines, &m_windows1252At)   ? Kind::Windows1252
                 : next(undecodableLines, &m_undecodableAt) ? Kind::Undecodable
                                                            : Kind::Utf8;
        m_utf8Text.resetState();
    }

    QString decoded(QByteArrayView bytes)
    {
        if (m_kind == Kind::Utf8)
            return m_utf8Text.decode(bytes);
        if (m_kind == Kind::Undecodable)
            return QString::fromLatin1(bytes);
        bool ok = false;
        return decodeWindows1252(bytes, &ok);
    }

    RecordEnds m_learnt;
    RecordEnds m_decoded;
    bool m_windows1252Allowed;
    // What the record being learnt can be read as, so far.
    QStringDecoder m_utf8Check{QStringDecoder::Utf8};
    bool m_utf8 = true;
    bool m_windows1252 = true;
    bool m_looked = false;
    // The record being decoded; a byte order mark beginning it is a character.
    QStringDecoder m_utf8Text{QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom};
    Kind m_kind = Kind::Utf8;
    bool m_begun = false;
    qsizetype m_windows1252At = 0;
    qsizetype m_undecodableAt = 0;
};

// A text file in pieces of about PieceBytes, each ending after a line feed but
// the last and those of a line longer than a piece: check() reads it all once
// (twice for a CSV file not all in UTF-8), next() then hands on its pieces
// decoded as decodeText decodes the whole.
class FileText {
public:
    explicit FileText(QFile* file) : m_file(file) {}

    bool check()
    {
        QByteArray bytes;
        for (bool firstPiece = true; nextBytes(&bytes); firstPiece = false) {
            if (firstPiece) {
                utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
                utf8Bom = bytes.startsWith("\xEF\xBB\xBF");
                separator = csvSeparator(QString::fromLatin1(bytes.left(1 << 16))).toLatin1();
            }
            if (blank && !QByteArrayView(bytes).trimmed().isEmpty()) {
                const QByteArrayView start = QByteArrayView(bytes).trimmed();
                vCardFile = start.size() >= 11 &&
                            start.first(11).compare("begin:vcard", Qt::CaseInsensitive) == 0;
            }
            hasNul = hasNul || bytes.contains('\0');
            blank = blank && QByteArrayView(bytes).trimmed().isEmpty();
            lineFeeds += bytes.count('\n');
            cards += cardsIn(bytes);
            if (utf8) {
                QStringDecoder decoder = utf8Decoder(firstPiece);
                const QString text = decoder.decode(bytes);
                utf8 = !decoder.hasError();
            }
            windows1252 =
                windows1252 && std::none_of(bytes.begin(), bytes.end(), [](char c) {
                    return c == '\x81' || c == '\x8D' || c == '\x8F' || c == '\x90' || c == '\x9D';
                });
        }
        // A CSV file not all in UTF-8 is decoded a record at a time, once each
        // record's encoding is known.
        if (!utf8 && !vCardFile && !utf16 && error.isEmpty()) {
            m_records.emplace(separator, !utf8Bom);
            windows1252 = true;
            rewind();
            while (nextBytes(&bytes))
                m_records->learn(bytes, false);
            m_records->learn({}, true);
        }
        if (utf16) {
            hasNul = false;
            m_utf16.emplace(QStringDecoder::Utf16);
        }
        decodes = utf8 || windows1252 || utf16;
        if (!error.isEmpty())
            return false;
        rewind();
        return true;
    }

    bool next(QString* piece)
    {
        QByteArray bytes;
        if (!nextBytes(&bytes))
            return false;
        if (m_utf16) {
            *piece = m_utf16->decode(bytes);
        } else if (m_records) {
            *piece = m_records->decode(bytes);
        } else if (utf8) {
            QStringDecoder decoder = utf8Decoder(m_firstPiece);
            *piece = decoder.decode(bytes);
            if (m_firstPiece && piece->startsWith(QChar(0xFEFF)))
                piece->remove(0, 1);
        } else {
            bool ok = false;
            *piece = decodeWindows1252(bytes, &ok);
        }
        m_firstPiece = false;
        return true;
    }

    bool blank = true;
    bool hasNul = false;
    bool utf8 = true;
    bool windows1252 = true; // no byte Windows-1252 leaves undefined
    bool decodes = true;     // in UTF-8 or in Windows-1252
    qint64 lineFeeds = 0;
    qint64 cards = 0;     // "BEGIN:VCARD" in any letter case
    QString error;        // why the file could not be read
    bool utf16 = false;   // begins with a UTF-16 byte order mark
    bool utf8Bom = false; // with UTF-8's
    bool vCardFile = false;
    char separator = ',';

    // The lines of the CSV records read as Windows-1252, and of those that
    // could not be decoded.
    QList<int> windows1252Lines() const
    {
        return m_records ? m_records->windows1252Lines : QList<int>();
    }
    bool undecodable(int line) const
    {
        return m_records && std::binary_search(m_records->undecodableLines.begin(),
                                               m_records->undecodableLines.end(), line);
    }

private:
    static constexpr qint64 PieceBytes = 4 << 20;

    // The decoder of the whole text: a later piece keeps a byte order mark
    // it begins with, as a character.
    static QStringDecoder utf8Decoder(bool firstPiece)
    {
        return QStringDecoder(QStringDecoder::Utf8,
                              firstPiece ? QStringDecoder::Flag::Stateless
                                         : QStringDecoder::Flag::Stateless |
                                               QStringDecoder::Flag::ConvertInitialBom);
    }

    static qint64 cardsIn(QByteArrayView bytes)
    {
        static const QByteArray begin("begin:vcard");
        qint64 count = 0;
        for (qsizetype at = 0; (at = bytes.indexOf(':', at)) >= 0; ++at) {
            if (at >= 5 && at + 6 <= bytes.size() &&
                bytes.sliced(at - 5, 11).compare(begin, Qt::CaseInsensitive) == 0)
                ++count;
        }
        return count;
    }

    void rewind()
    {
        m_file->seek(0);
        m_rest.clear();
        m_done = false;
        m_firstPiece = true;
    }

    // Where bytes may be cut without cutting a UTF-8 character: before the
    // bytes of one they end in the middle of.
    static qsizetype characterEnd(QByteArrayView bytes)
    {
        qsizetype lead = bytes.size();
        while (lead > 0 && bytes.size() - lead < 3 && (uchar(bytes.at(lead - 1)) & 0xC0) == 0x80)
            --lead;
        if (lead == 0 || uchar(bytes.at(lead - 1)) < 0xC0)
            return bytes.size();
        const uchar first = uchar(bytes.at(lead - 1));
        const qsizetype length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
        return bytes.size() - (lead - 1) < length ? lead - 1 : bytes.size();
    }

    bool nextBytes(QByteArray* bytes)
    {
        if (m_done)
            return false;
        const QByteArray read = m_file->read(PieceBytes);
        if (m_file->error() != QFileDevice::NoError) {
            error = m_file->errorString();
            m_done = true;
            return false;
        }
        QByteArray piece = m_rest + read;
        m_rest.clear();
        if (read.size() < PieceBytes) {
            m_done = true;
        } else {
            // A line longer than a piece is handed on in pieces, cut between
            // characters: no more than a piece is ever held (what was kept
            // from before holds no line feed: only what is read is looked at).
            qsizetype end = piece.lastIndexOf('\n') + 1;
            if (end == 0)
                end = characterEnd(piece);
            m_rest = piece.mid(end);
            piece.truncate(end);
        }
        if (piece.isEmpty() && m_done)
            return false;
        *bytes = piece;
        return true;
    }

    QFile* m_file;
    std::optional<RecordDecoder> m_records;
    std::optional<QStringDecoder> m_utf16;
    QByteArray m_rest;
    bool m_done = false;
    bool m_firstPiece = true;
};

} // namespace interchange::filetext
