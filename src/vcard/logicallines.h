#pragma once

#include <QString>
#include <QStringView>

#include <limits>
#include <utility>

namespace vcard {

// Where a quoted-printable value cut short may end: before an escape it cut
// ("=C"), and before the bytes of a UTF-8 character it cut.
inline qsizetype wholeEscapesEnd(QStringView value)
{
    qsizetype end = value.size();
    if (value.endsWith(u'='))
        end -= 1;
    else if (end >= 2 && value.at(end - 2) == u'=')
        end -= 2;
    const auto byteBefore = [&value](qsizetype at) {
        bool ok = false;
        const int byte =
            at >= 3 && value.at(at - 3) == u'=' ? value.sliced(at - 2, 2).toInt(&ok, 16) : -1;
        return ok ? byte : -1;
    };
    qsizetype lead = end;
    int continuations = 0;
    for (int byte; continuations < 3 && (byte = byteBefore(lead)) >= 0x80 && byte < 0xC0; lead -= 3)
        ++continuations;
    const int first = byteBefore(lead);
    if (first < 0xC0)
        return end;
    const int length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
    return continuations + 1 < length ? lead - 3 : end;
}

// Joins a card's physical lines into its logical (content) lines, calling
// take(line, number) with each and the number of the physical line it began
// on: a physical line that begins with a blank or a tab continues the one
// before, and so does the line after a quoted-printable value's soft break (a
// '=' at the end). One pass, without a copy of the lines. A logical line keeps
// its first keep characters: what goes on past them (a phone's photo in a file)
// is read over.
template <typename Take> class LogicalLines {
public:
    explicit LogicalLines(Take take, qsizetype keep = std::numeric_limits<qsizetype>::max())
        : m_take(std::move(take)), m_keep(keep)
    {
    }

    // The next physical line, without its line feed (a CR before it is taken off).
    void add(QStringView line)
    {
        static constexpr QStringView QuotedPrintable = u"QUOTED-PRINTABLE";
        if (line.endsWith(u'\r'))
            line.chop(1);
        ++m_number;
        if (m_currentLine && m_softBreak) {
            if (!m_full)
                m_current.chop(1);
            m_scanned = qMin(m_scanned, m_current.size());
            append(line);
        } else if (m_currentLine && (line.startsWith(u' ') || line.startsWith(u'\t'))) {
            append(line.mid(1));
        } else {
            if (m_currentLine)
                give();
            m_current.clear();
            m_full = false;
            append(line);
            m_currentLine = m_number;
            m_scanned = 0;
            m_colon = -1;
            m_quotedPrintable = false;
        }
        // What is known of the current line's name and parameters, the part
        // before its first ':': each character is looked at once, however many
        // lines a line without a ':' goes on for.
        if (m_colon < 0) {
            m_colon = m_current.indexOf(u':', m_scanned);
            const qsizetype end = m_colon < 0 ? m_current.size() : m_colon;
            // The word may have begun in the part looked at before.
            const qsizetype from = qMax(qsizetype(0), m_scanned - QuotedPrintable.size() + 1);
            m_quotedPrintable =
                m_quotedPrintable || QStringView(m_current)
                                         .sliced(from, end - from)
                                         .contains(QuotedPrintable, Qt::CaseInsensitive);
            m_scanned = end;
        }
        m_softBreak =
            m_quotedPrintable && (m_full ? line.endsWith(u'=') : m_current.endsWith(u'='));
    }

    // The last logical line, once the physical ones end.
    void finish()
    {
        if (m_currentLine)
            give();
        m_currentLine = 0;
    }

private:
    void append(QStringView part)
    {
        if (m_full)
            return;
        m_full = m_current.size() + part.size() > m_keep;
        m_current += m_full ? part.first(m_keep - m_current.size()) : part;
    }
    void give()
    {
        if (m_full && m_quotedPrintable)
            m_current.truncate(wholeEscapesEnd(m_current));
        m_take(m_current, m_currentLine);
    }

    Take m_take;
    qsizetype m_keep;
    bool m_full = false; // the current line holds keep characters, and went on
    QString m_current;
    int m_currentLine = 0;
    bool m_softBreak = false;
    int m_number = 0;
    qsizetype m_scanned = 0;
    qsizetype m_colon = -1;
    bool m_quotedPrintable = false;
};

} // namespace vcard
