#pragma once

#include <QString>
#include <QStringView>

#include <utility>

namespace vcard {

// Joins a card's physical lines into its logical (content) lines, calling
// take(line, number) with each and the number of the physical line it began
// on: a physical line that begins with a blank or a tab continues the one
// before, and so does the line after a quoted-printable value's soft break (a
// '=' at the end). One pass, without a copy of the lines.
template <typename Take> class LogicalLines {
public:
    explicit LogicalLines(Take take) : m_take(std::move(take)) {}

    // The next physical line, without its line feed (a CR before it is taken off).
    void add(QStringView line)
    {
        static constexpr QStringView QuotedPrintable = u"QUOTED-PRINTABLE";
        if (line.endsWith(u'\r'))
            line.chop(1);
        ++m_number;
        if (m_currentLine && m_softBreak) {
            m_current.chop(1);
            m_scanned = qMin(m_scanned, m_current.size());
            m_current += line;
        } else if (m_currentLine && (line.startsWith(u' ') || line.startsWith(u'\t'))) {
            m_current += line.mid(1);
        } else {
            if (m_currentLine)
                m_take(m_current, m_currentLine);
            m_current = line.toString();
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
        m_softBreak = m_quotedPrintable && m_current.endsWith(u'=');
    }

    // The last logical line, once the physical ones end.
    void finish()
    {
        if (m_currentLine)
            m_take(m_current, m_currentLine);
        m_currentLine = 0;
    }

private:
    Take m_take;
    QString m_current;
    int m_currentLine = 0;
    bool m_softBreak = false;
    int m_number = 0;
    qsizetype m_scanned = 0;
    qsizetype m_colon = -1;
    bool m_quotedPrintable = false;
};

} // namespace vcard
