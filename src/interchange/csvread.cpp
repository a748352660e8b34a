#include "csvread.h"

namespace interchange {

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
