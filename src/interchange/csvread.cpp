#include "csvread.h"

#include <QStringDecoder>

#include <array>

namespace interchange {

namespace {
// Windows-1252 where it differs from Latin-1; 0 marks a byte it leaves undefined.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QChar csvSeparator(QStringView text)
{
    int semicolons = 0, commas = 0, tabs = 0;
    bool quoted = false;
    for (const QChar ch : text) {
        if (ch == u'"')
            quoted = !quoted;
        else if (!quoted && (ch == u'\n' || ch == u'\r'))
            break;
        else if (!quoted && ch == u';')
            ++semicolons;
        else if (!quoted && ch == u',')
            ++commas;
        else if (!quoted && ch == u'\t')
            ++tabs;
    }
    if (tabs > semicolons && tabs > commas)
        return u'\t';
    return semicolons >= commas && semicolons > 0 ? u';' : u',';
}

QString decodeText(const QByteArray& bytes, bool* ok)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    *ok = !utf8.hasError();
    if (*ok) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    text.clear();
    return decodeWindows1252(bytes, ok);
}

QString decodeWindows1252(QByteArrayView bytes, bool* ok)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        const char16_t ch = b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b);
        if (ch == 0 && b != 0) {
            *ok = false;
            return QString();
        }
        text.append(QChar(ch));
    }
    *ok = true;
    return text;
}

CsvTable collect(const std::function<QString(const RowSink&)>& read)
{
    CsvTable table;
    bool first = true;
    table.error = read([&table, &first](const QStringList& cells, int line) {
        if (first)
            table.header = cells;
        else {
            table.rows << cells;
            table.lines << line;
        }
        first = false;
        return true;
    });
    return table;
}

CsvTable readCsv(const QString& text)
{
    return collect([&text](const RowSink& sink) { return readCsv(text, sink); });
}

QString readCsv(const QString& text, const RowSink& sink)
{
    bool given = false;
    return readCsv(
        [&](QString* piece) {
            if (given)
                return false;
            *piece = text;
            return given = true;
        },
        sink);
}

QString readCsv(const TextPieces& pieces, const RowSink& sink)
{
    bool headerRead = false;
    bool stopped = false;
    QString text;
    const bool any = pieces(&text);
    const QChar separator = csvSeparator(text);
    QStringList row;
    QString cell;
    bool cellFull = false; // KeptValueLength reached: the rest is read over
    bool quoted = false;
    bool cellWasQuoted = false;
    int line = 1;
    int rowLine = 1;
    int quoteLine = 0;
    const auto add = [&](QStringView part) {
        if (cellFull)
            return;
        if (cell.size() + part.size() <= KeptValueLength) {
            cell += part;
            return;
        }
        cell += part.first(KeptValueLength - cell.size());
        if (cell.back().isHighSurrogate())
            cell.chop(1);
        cellFull = true;
    };
    const auto endCell = [&] {
        row << cell;
        cell.clear();
        cellFull = false;
        cellWasQuoted = false;
    };
    const auto endRow = [&] {
        endCell();
        const bool empty = row.size() == 1 && row.first().isEmpty();
        if (!empty) {
            stopped = !sink(row, rowLine);
            headerRead = true;
        }
        row.clear();
    };
    QStringView all;
    // A run of characters that go into the cell as they stand, from i: up to
    // a quote or a line break inside quotes, else up to a separator or a line end.
    const auto plainRun = [&](qsizetype i) {
        qsizetype end = i;
        if (quoted) {
            while (end < all.size() && all[end] != u'"' && all[end] != u'\n')
                ++end;
        } else {
            while (end < all.size() && all[end] != separator && all[end] != u'\r' &&
                   all[end] != u'\n')
                ++end;
        }
        return end;
    };
    // A quote inside quotes, or a CR, that ends a piece is read with the
    // next piece: a doubled quote, a CR LF, are never split between two.
    QString carried;
    const auto read = [&](bool last) {
        all = text;
        for (qsizetype i = 0; i < text.size() && !stopped; ++i) {
            const QChar ch = text.at(i);
            if (!last && i + 1 == text.size() &&
                ((quoted && ch == u'"') || (!quoted && ch == u'\r'))) {
                carried = ch;
                return;
            }
            if (quoted) {
                if (ch == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                    add(u"\"");
                    ++i;
                } else if (ch == u'"') {
                    quoted = false;
                } else if (ch == u'\n') {
                    ++line;
                    add(u"\n");
                } else {
                    const qsizetype end = plainRun(i);
                    add(all.sliced(i, end - i));
                    i = end - 1;
                }
            } else if (ch == u'"' && cell.isEmpty() && !cellWasQuoted) {
                quoted = cellWasQuoted = true;
                quoteLine = line;
            } else if (ch == separator) {
                endCell();
            } else if (ch == u'\r' || ch == u'\n') {
                if (ch == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                    ++i;
                endRow();
                rowLine = ++line;
            } else {
                // Once the cell holds a character, no quote opens in it.
                const qsizetype end = plainRun(i);
                add(all.sliced(i, end - i));
                i = end - 1;
            }
        }
    };
    for (bool more = any; more && !stopped; more = pieces(&text)) {
        if (!carried.isEmpty()) {
            text.prepend(carried);
            carried.clear();
        }
        read(false);
    }
    if (!carried.isEmpty() && !stopped) {
        text = carried;
        read(true);
    }
    if (stopped)
        return QString();
    if (quoted)
        return QStringLiteral("Aspas abertas na linha %1 não se fecham até o fim do arquivo.")
            .arg(quoteLine);
    if (!cell.isEmpty() || !row.isEmpty())
        endRow();
    if (!headerRead)
        return QStringLiteral("O arquivo não tem linha de cabeçalho.");
    return QString();
}

} // namespace interchange
