#include "textfold.h"

namespace textfold {

namespace {
constexpr int Room = 24; // Units::m_pending

// Appends the folded units of one character. Folding first makes a capital and
// its small letter fold alike; the decomposition, taken one level at a time,
// ends within a few.
void appendFolded(char32_t c, char16_t* out, int& count, int depth)
{
    c = QChar::toCaseFolded(c);
    if (depth < 6 && QChar::decompositionTag(c) == QChar::Canonical) {
        const QString parts = QChar::decomposition(c);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            char32_t part = parts.at(i).unicode();
            if (QChar::isHighSurrogate(part) && i + 1 < parts.size() &&
                parts.at(i + 1).isLowSurrogate())
                part = QChar::surrogateToUcs4(char16_t(part), parts.at(++i).unicode());
            appendFolded(part, out, count, depth + 1);
        }
        return;
    }
    if (QChar::isMark(c) || count + 2 > Room)
        return;
    if (QChar::requiresSurrogates(c)) {
        out[count++] = QChar::highSurrogate(c);
        out[count++] = QChar::lowSurrogate(c);
    } else {
        out[count++] = char16_t(c);
    }
}

// Filled before main; until then (and for the one unit, 0, that folds to 0) the
// Latin-1 units go the general way, with the same result.
char16_t latin1Table[256];
struct FillLatin1 {
    FillLatin1()
    {
        for (char32_t c = 0; c < 256; ++c) {
            char16_t out[Room];
            int count = 0;
            appendFolded(c, out, count, 0);
            latin1Table[c] = count == 1 ? out[0] : 0;
        }
    }
} const fillLatin1;
} // namespace

const char16_t* const Units::latin1 = latin1Table;

void Units::foldNextCharacter()
{
    char32_t c = m_text[m_at++].unicode();
    if (QChar::isHighSurrogate(c) && m_at < m_text.size() && m_text[m_at].isLowSurrogate())
        c = QChar::surrogateToUcs4(char16_t(c), m_text[m_at++].unicode());
    m_pendingAt = 0;
    m_pendingCount = 0;
    appendFolded(c, m_pending, m_pendingCount, 0);
}

void Units::skipSilent()
{
    if (m_pendingAt != m_pendingCount)
        return;
    while (m_at < m_text.size()) {
        const char16_t first = m_text[m_at].unicode();
        if (first < 256 && latin1[first] != 0)
            return;
        const qsizetype at = m_at;
        foldNextCharacter();
        if (m_pendingCount > 0) {
            m_at = at;
            m_pendingAt = m_pendingCount = 0;
            return;
        }
    }
}

QString fold(QStringView text)
{
    QString folded;
    folded.reserve(text.size());
    Units units(text);
    char16_t unit;
    while (units.next(unit))
        folded += QChar(unit);
    return folded;
}

int compareFolded(QStringView text, QStringView foldedKey, bool prefix)
{
    Units units(text);
    char16_t unit;
    for (const QChar k : foldedKey) {
        if (!units.next(unit))
            return -1;
        if (unit != k.unicode())
            return unit < k.unicode() ? -1 : 1;
    }
    if (prefix)
        return 0;
    return units.next(unit) ? 1 : 0;
}

qsizetype prefixEnd(QStringView item, qsizetype foldedLength)
{
    const QStringView key = item.trimmed();
    const qsizetype lead = key.isEmpty() ? 0 : key.data() - item.data();
    Units units(key);
    char16_t unit;
    for (qsizetype n = 0; n < foldedLength && units.next(unit); ++n) {
    }
    units.skipSilent();
    return lead + units.consumed();
}

} // namespace textfold
