#pragma once

// A contacts file read in pieces, each decoded as the whole would be, and a
// CSV file's records decoded one by one: for the import.

#include "csvread.h"

#include <QByteArray>
#include <QFile>
#include <QStringDecoder>

#include <optional>

namespace interchange::filetext {

// The records of a CSV file's bytes, each decoded on its own: as UTF-8 when it
// is, else as Windows-1252 (unless the file said UTF-8 with a byte order mark).
// A record ends at a line break outside quotes, a quote opening one only at a
// cell's beginning, as readCsv reads the text; its line is the one it begins on.
class RecordDecoder {
public:
    RecordDecoder(char separator, bool windows1252Allowed)
        : m_separator(separator), m_windows1252Allowed(windows1252Allowed)
    {
    }

    // The records that end in what was held and bytes; a record that does not
    // end is held for the next call, or decoded when the bytes are the last.
    QString decode(QByteArrayView bytes, bool last)
    {
        m_held += bytes;
        QString text;
        qsizetype begin = 0;
        for (qsizetype i = m_scanned; i < m_held.size(); ++i) {
            const char c = m_held.at(i);
            if (m_quoted) {
                if (c == '"' && i + 1 < m_held.size() && m_held.at(i + 1) == '"')
                    ++i;
                else if (c == '"')
                    m_quoted = false;
                else if (c == '\n')
                    ++m_line;
            } else if (c == '"' && m_cellStart) {
                m_quoted = true;
                m_cellStart = false;
            } else if (c == m_separator) {
                m_cellStart = true;
            } else if (c == '\r' || c == '\n') {
                if (c == '\r' && i + 1 < m_held.size() && m_held.at(i + 1) == '\n')
                    ++i;
                text += record(QByteArrayView(m_held).sliced(begin, i + 1 - begin));
                begin = i + 1;
                m_recordLine = ++m_line;
                m_cellStart = true;
            } else {
                m_cellStart = false;
            }
        }
        if (last && begin < m_held.size()) {
            text += record(QByteArrayView(m_held).sliced(begin));
            begin = m_held.size();
        }
        m_held.remove(0, begin);
        m_scanned = m_held.size();
        return text;
    }

    QList<int> windows1252Lines;
    QList<int> undecodableLines;

private:
    QString record(QByteArrayView bytes)
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
        bool ok = false;
        if (m_windows1252Allowed) {
            text = decodeWindows1252(bytes, &ok);
            if (ok) {
                windows1252Lines << m_recordLine;
                return text;
            }
            text = QString::fromLatin1(bytes);
        }
        undecodableLines << m_recordLine;
        return text;
    }

    char m_separator;
    bool m_windows1252Allowed;
    QByteArray m_held;
    qsizetype m_scanned = 0;
    bool m_quoted = false;
    bool m_cellStart = true;
    int m_line = 1;
    int m_recordLine = 1;
};

// A text file in pieces of about PieceBytes, each ending after a line feed but
// the last: check() reads it all once, next() then hands on its pieces decoded
// as decodeText decodes the whole.
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
        // A CSV file not all in UTF-8 is decoded a record at a time.
        if (!utf8 && !vCardFile && !utf16) {
            m_records.emplace(separator, !utf8Bom);
            windows1252 = true;
        }
        if (utf16) {
            hasNul = false;
            m_utf16.emplace(QStringDecoder::Utf16);
        }
        decodes = utf8 || windows1252 || utf16;
        if (!error.isEmpty())
            return false;
        m_file->seek(0);
        m_done = false;
        m_firstPiece = true;
        return true;
    }

    bool next(QString* piece)
    {
        QByteArray bytes;
        if (!nextBytes(&bytes)) {
            if (m_records && !m_recordsEnded) {
                // What did not end with a line break.
                m_recordsEnded = true;
                *piece = m_records->decode({}, true);
                return !piece->isEmpty();
            }
            return false;
        }
        if (m_utf16) {
            *piece = m_utf16->decode(bytes);
        } else if (m_records) {
            *piece = m_records->decode(bytes, false);
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
        return m_records && m_records->undecodableLines.contains(line);
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

    bool nextBytes(QByteArray* bytes)
    {
        if (m_done)
            return false;
        QByteArray read = m_file->read(PieceBytes);
        if (m_file->error() != QFileDevice::NoError) {
            error = m_file->errorString();
            m_done = true;
            return false;
        }
        QByteArray piece = m_rest + read;
        m_rest.clear();
        // A line longer than a piece makes the piece longer (what was kept
        // from before holds no line feed: only what is read is looked at).
        while (read.size() == PieceBytes && !read.contains('\n')) {
            read = m_file->read(PieceBytes);
            piece += read;
        }
        if (m_file->error() != QFileDevice::NoError) {
            error = m_file->errorString();
            m_done = true;
            return false;
        }
        if (read.size() < PieceBytes) {
            m_done = true;
        } else {
            const qsizetype end = piece.lastIndexOf('\n') + 1;
            if (end > 0) {
                m_rest = piece.mid(end);
                piece.truncate(end);
            }
        }
        if (piece.isEmpty() && m_done)
            return false;
        *bytes = piece;
        return true;
    }

    QFile* m_file;
    std::optional<RecordDecoder> m_records;
    bool m_recordsEnded = false;
    std::optional<QStringDecoder> m_utf16;
    QByteArray m_rest;
    bool m_done = false;
    bool m_firstPiece = true;
};

} // namespace interchange::filetext
