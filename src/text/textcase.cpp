#include "textcase.h"

namespace textcase {

namespace {
bool isSeparator(char32_t c)
{
    return c == 32 || c == 9 || c == 10 || c == 11 || c == 12 || c == 13 || c == 0;
}

// Maps every letter of text through map; a mapping that would change the text's
// length in UTF-16 units (a letter whose other case lies outside the basic plane)
// leaves that letter as it is.
template <typename Map> QString mapLetters(const QString& text, Map map)
{
    QString result;
    result.reserve(text.size());
    char32_t previous = 0;
    bool first = true;
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text.at(i).unicode();
        qsizetype units = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            units = 2;
        }
        char32_t mapped = c;
        if (QChar::isLetter(c)) {
            mapped = map(c, first || isSeparator(previous));
            if (QChar::requiresSurrogates(mapped) != (units == 2))
                mapped = c;
        }
        if (units == 2)
            result.append(QChar(QChar::highSurrogate(mapped)))
                .append(QChar(QChar::lowSurrogate(mapped)));
        else
            result.append(QChar(char16_t(mapped)));
        previous = c;
        first = false;
        i += units;
    }
    return result;
}
} // namespace

QString lower(const QString& text)
{
    return mapLetters(text, [](char32_t c, bool) { return QChar::toLower(c); });
}

QString proper(const QString& text)
{
    return mapLetters(text, [](char32_t c, bool startsWord) {
        const char32_t low = QChar::toLower(c);
        return startsWord ? QChar::toUpper(low) : low;
    });
}

} // namespace textcase
