#include "oneline.h"

#include <algorithm>

namespace textline {

namespace {
bool isLineBreak(QChar ch)
{
    return ch == u'\n' || ch == u'\r' || ch == QChar(0x2028) || ch == QChar(0x2029);
}

bool isDropped(QChar ch)
{
    const char16_t c = ch.unicode();
    return ch.category() == QChar::Other_Control || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString oneLine(const QString& text)
{
    // Most values are one line already, with nothing to drop: kept as they are.
    const bool plain = std::all_of(text.begin(), text.end(), [](QChar ch) {
        const char16_t c = ch.unicode();
        return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && !isLineBreak(ch) && !isDropped(ch));
    });
    if (plain)
        return text;
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isLineBreak(text.at(begin)))
        ++begin;
    while (end > begin && isLineBreak(text.at(end - 1)))
        --end;
    QString line;
    line.reserve(end - begin);
    for (qsizetype i = begin; i < end; ++i) {
        const QChar ch = text.at(i);
        if (ch == u'\r' && i + 1 < end && text.at(i + 1) == u'\n')
            continue; // the pair is one break
        if (isLineBreak(ch) || ch == u'\t')
            line.append(u' ');
        else if (!isDropped(ch))
            line.append(ch);
    }
    return line;
}

} // namespace textline
