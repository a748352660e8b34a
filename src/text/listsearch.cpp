#include "listsearch.h"

#include "textfold.h"

#include <algorithm>
#include <string_view>

namespace listsearch {

namespace {
constexpr int BlockSize = 512;

// One UTF-16 unit folded as Qt folds it for a case-insensitive comparison: a low
// surrogate with the whole character it ends, any other unit on its own.
// Latin-1 folded once, for the units names are mostly made of.
struct Latin1Folding {
    char16_t folded[256];
    Latin1Folding()
    {
        for (char32_t c = 0; c < 256; ++c) {
            const char32_t f = QChar::toCaseFolded(c);
            folded[c] = f > 0xFFFF ? QChar::lowSurrogate(f) : char16_t(f);
        }
    }
};
const Latin1Folding latin1;

inline char16_t foldUnit(char16_t unit, char16_t& last)
{
    if (unit < 256) {
        last = unit;
        return latin1.folded[unit];
    }
    char32_t ucs4 = unit;
    if (QChar::isLowSurrogate(unit) && QChar::isHighSurrogate(last))
        ucs4 = QChar::surrogateToUcs4(last, unit);
    last = unit;
    const char32_t folded = QChar::toCaseFolded(ucs4);
    return folded > 0xFFFF ? QChar::lowSurrogate(folded) : char16_t(folded);
}

// What the folded order sorts an item by: the item without the blanks around it.
inline QStringView itemKey(const QString& item)
{
    return QStringView(item).trimmed();
}

// Like compareFolded over the first prefixLength units of a only.
int comparePrefix(QStringView a, QStringView prefix)
{
    if (a.size() < prefix.size()) {
        // Shorter than the prefix: before it unless its folded units run past it.
        const int c = compareFolded(a, prefix.left(a.size()));
        return c != 0 ? c : -1;
    }
    return compareFolded(a.left(prefix.size()), prefix);
}
} // namespace

int compareFolded(QStringView a, QStringView b)
{
    char16_t lastA = 0;
    char16_t lastB = 0;
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = foldUnit(a[i].unicode(), lastA);
        const char16_t y = foldUnit(b[i].unicode(), lastB);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

int scanFind(const QStringList& items, int start, const QString& text, bool exact)
{
    const int count = int(items.size());
    if (start < -1 || start >= count)
        start = -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        const QString& item = items.at(i);
        const bool match = exact ? item.compare(text, Qt::CaseInsensitive) == 0
                                 : item.startsWith(text, Qt::CaseInsensitive);
        if (match)
            return i;
    }
    return -1;
}

int scanFindFolded(const QStringList& items, int start, const QString& text)
{
    const QString key = textfold::fold(text);
    if (key.isEmpty())
        return -1;
    const int count = int(items.size());
    if (start < -1 || start >= count)
        start = -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        if (textfold::compareFolded(itemKey(items.at(i)), key, true) == 0)
            return i;
    }
    return -1;
}

int scanFindLoosely(const QStringList& items, int start, const QString& text)
{
    const QStringView trimmed = QStringView(text).trimmed();
    if (trimmed.isEmpty())
        return -1;
    const int count = int(items.size());
    if (start < -1 || start >= count)
        start = -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        if (itemKey(items.at(i)).compare(trimmed, Qt::CaseInsensitive) == 0)
            return i;
    }
    const QString key = textfold::fold(trimmed);
    if (key.isEmpty())
        return -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        if (textfold::compareFolded(itemKey(items.at(i)), key, false) == 0)
            return i;
    }
    return -1;
}

int scanNthEqual(const QStringList& items, const QString& text, int n)
{
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i) == text && n-- == 0)
            return i;
    }
    return -1;
}

int scanOccurrence(const QStringList& items, int index)
{
    if (index < 0 || index >= items.size())
        return 0;
    return int(std::count(items.begin(), items.begin() + index, items.at(index)));
}

Index::Index(const QStringList& items, const std::atomic<bool>* stop)
{
    // A stop is heard at every step, within the sorts too, which take the
    // longest; the index is then left empty, of no use.
    struct Stopped {};
    const auto heedStop = [stop] {
        if (stop && stop->load(std::memory_order_relaxed))
            throw Stopped();
    };
    try {
        build(items, heedStop);
    } catch (const Stopped&) {
        m_order.clear();
        m_blocks.clear();
        m_folded.clear();
        m_foldedBlocks.clear();
    }
}

template <typename HeedStop> void Index::build(const QStringList& items, const HeedStop& heedStop)
{
    qsizetype units = 0;
    for (const QString& item : items)
        units += item.size();
    sortBy(
        items, units, heedStop,
        [](const QString& item, std::vector<char16_t>& block) {
            char16_t last = 0;
            for (const QChar unit : item)
                block.push_back(foldUnit(unit.unicode(), last));
        },
        m_order, m_blocks);
    sortBy(
        items, units, heedStop,
        [](const QString& item, std::vector<char16_t>& block) {
            textfold::Units folded(itemKey(item));
            char16_t unit;
            while (folded.next(unit))
                block.push_back(unit);
        },
        m_folded, m_foldedBlocks);
}

template <typename HeedStop, typename Key>
void Index::sortBy(const QStringList& items, qsizetype units, const HeedStop& heedStop,
                   const Key& key, std::vector<int>& order, std::vector<int>& blocks)
{
    const int count = int(items.size());
    // Every item's key, end to end in one block, for the sorting alone.
    std::vector<char16_t> keys;
    keys.reserve(size_t(units));
    std::vector<qsizetype> from(size_t(count) + 1, 0);
    for (int i = 0; i < count; ++i) {
        from[size_t(i)] = qsizetype(keys.size());
        key(items.at(i), keys);
        if (i % 4096 == 0)
            heedStop();
    }
    from[size_t(count)] = qsizetype(keys.size());
    const auto text = [&](int i) {
        return std::u16string_view(keys.data() + from[size_t(i)],
                                   size_t(from[size_t(i) + 1] - from[size_t(i)]));
    };
    order.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        order[size_t(i)] = i;
    std::sort(order.begin(), order.end(), [&](int x, int y) {
        heedStop();
        const int c = text(x).compare(text(y));
        return c != 0 ? c < 0 : x < y;
    });
    blocks = order;
    for (size_t b = 0; b < blocks.size(); b += BlockSize) {
        heedStop();
        std::sort(blocks.begin() + b, blocks.begin() + std::min(b + BlockSize, blocks.size()));
    }
}

template <typename Compare>
std::pair<int, int> Index::range(const std::vector<int>& order, const Compare& compare)
{
    const auto lo = std::partition_point(order.begin(), order.end(),
                                         [&](int position) { return compare(position) < 0; });
    const auto hi =
        std::partition_point(lo, order.end(), [&](int position) { return compare(position) == 0; });
    return {int(lo - order.begin()), int(hi - order.begin())};
}

std::pair<int, int> Index::range(const QStringList& items, QStringView text, bool exact) const
{
    return range(m_order, [&](int position) {
        return exact ? compareFolded(items.at(position), text)
                     : comparePrefix(items.at(position), text);
    });
}

std::pair<int, int> Index::foldedRange(const QStringList& items, QStringView key, bool exact) const
{
    return range(m_folded, [&](int position) {
        return textfold::compareFolded(itemKey(items.at(position)), key, !exact);
    });
}

int Index::after(const std::vector<int>& order, const std::vector<int>& blocks, int lo, int hi,
                 int start)
{
    int next = -1;  // the first position after start
    int first = -1; // the first of all
    const auto consider = [&](int position) {
        if (position > start && (next < 0 || position < next))
            next = position;
        if (first < 0 || position < first)
            first = position;
    };
    int i = lo;
    // The block the range starts in, unless whole, item by item; then whole
    // blocks, each sorted by position; then what is left.
    for (; i < hi && i % BlockSize != 0; ++i)
        consider(order[size_t(i)]);
    for (; i + BlockSize <= hi; i += BlockSize) {
        const auto begin = blocks.begin() + i;
        const auto end = begin + BlockSize;
        consider(*begin);
        const auto above = std::upper_bound(begin, end, start);
        if (above != end)
            consider(*above);
    }
    for (; i < hi; ++i)
        consider(order[size_t(i)]);
    return next >= 0 ? next : first;
}

int Index::find(const QStringList& items, int start, const QString& text, bool exact) const
{
    if (m_order.size() != size_t(items.size()))
        return scanFind(items, start, text, exact);
    if (start < -1 || start >= items.size())
        start = -1;
    const auto [lo, hi] = range(items, text, exact);
    return lo < hi ? after(m_order, m_blocks, lo, hi, start) : -1;
}

int Index::findFolded(const QStringList& items, int start, const QString& text) const
{
    if (m_folded.size() != size_t(items.size()))
        return scanFindFolded(items, start, text);
    const QString key = textfold::fold(text);
    if (key.isEmpty())
        return -1;
    if (start < -1 || start >= items.size())
        start = -1;
    const auto [lo, hi] = foldedRange(items, key, false);
    return lo < hi ? after(m_folded, m_foldedBlocks, lo, hi, start) : -1;
}

int Index::findLoosely(const QStringList& items, int start, const QString& text) const
{
    if (m_folded.size() != size_t(items.size()))
        return scanFindLoosely(items, start, text);
    const QStringView trimmed = QStringView(text).trimmed();
    if (trimmed.isEmpty())
        return -1;
    const int count = int(items.size());
    if (start < -1 || start >= count)
        start = -1;
    // The items equal to the text letter case aside fold alike, so they are
    // among those folded alike: the first of these, when it is one of them;
    // otherwise the first of them in the range, one by one.
    const QString key = textfold::fold(trimmed);
    const auto [lo, hi] = foldedRange(items, key, true);
    if (lo == hi)
        return -1;
    const auto sameLetters = [&](int position) {
        return itemKey(items.at(position)).compare(trimmed, Qt::CaseInsensitive) == 0;
    };
    const int first = after(m_folded, m_foldedBlocks, lo, hi, start);
    if (sameLetters(first))
        return first;
    const auto distance = [&](int position) { return (position - start - 1 + count) % count; };
    int best = -1;
    for (int i = lo; i < hi; ++i) {
        const int position = m_folded[size_t(i)];
        if ((best < 0 || distance(position) < distance(best)) && sameLetters(position))
            best = position;
    }
    if (best >= 0)
        return best;
    return key.isEmpty() ? -1 : first;
}

int Index::nthEqual(const QStringList& items, const QString& text, int n) const
{
    if (m_order.size() != size_t(items.size()))
        return scanNthEqual(items, text, n);
    // Folded alike, in list order; the equal ones among them.
    const auto [lo, hi] = range(items, text, true);
    for (int i = lo; i < hi; ++i) {
        if (items.at(m_order[size_t(i)]) == text && n-- == 0)
            return m_order[size_t(i)];
    }
    return -1;
}

int Index::occurrence(const QStringList& items, int index) const
{
    if (m_order.size() != size_t(items.size()))
        return scanOccurrence(items, index);
    if (index < 0 || index >= items.size())
        return 0;
    const QString& item = items.at(index);
    const auto [lo, hi] = range(items, item, true);
    int before = 0;
    for (int i = lo; i < hi && m_order[size_t(i)] < index; ++i)
        before += items.at(m_order[size_t(i)]) == item ? 1 : 0;
    return before;
}

} // namespace listsearch
