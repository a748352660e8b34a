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
    bool quoted = false;
    bool cellWasQuoted = false;
    int line = 1;
    int rowLine = 1;
    int quoteLine = 0;
    const auto endCell = [&] {
        row << cell;
        cell.clear();
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
    // A piece ends with a line feed: no pair of characters read together (a
    // doubled quote, a CR LF) is split between two.
    for (bool more = any; more && !stopped; more = pieces(&text)) {
        all = text;
        for (qsizetype i = 0; i < text.size() && !stopped; ++i) {
            const QChar ch = text.at(i);
            if (quoted) {
                if (ch == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                    cell += u'"';
                    ++i;
                } else if (ch == u'"') {
                    quoted = false;
                } else if (ch == u'\n') {
                    ++line;
                    cell += ch;
                } else {
                    const qsizetype end = plainRun(i);
                    cell += all.sliced(i, end - i);
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
                cell += all.sliced(i, end - i);
                i = end - 1;
            }
        }
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
