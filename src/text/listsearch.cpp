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
// A list as the searches read it: its size, and an item (a QString, or a view
// good until the next item is read).
struct ListItems {
    const QStringList& list;
    int size() const { return int(list.size()); }
    const QString& at(int i) const { return list.at(i); }
};

// A block walked whole: each name read into a buffer, none made into a QString.
struct WalkedBlock {
    explicit WalkedBlock(const NameBlock& block) : reader(block) {}
    int size() const { return int(reader.size()); }
    QStringView at(int i) const { return reader.at(i); }
    mutable NameBlock::Reader reader;
};

// A block whose few names an index compares are each made into a QString.
struct ComparedBlock {
    const NameBlock& block;
    int size() const { return int(block.size()); }
    QString at(int i) const { return block.text(i); }
};

template <typename Items>
int scanFindIn(const Items& items, int start, QStringView text, bool exact)
{
    const int count = items.size();
    if (start < -1 || start >= count)
        start = -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        const QStringView item = items.at(i);
        const bool match = exact ? item.compare(text, Qt::CaseInsensitive) == 0
                                 : item.startsWith(text, Qt::CaseInsensitive);
        if (match)
            return i;
    }
    return -1;
}

template <typename Items> int scanFindFoldedIn(const Items& items, int start, QStringView text)
{
    const QString key = textfold::fold(text);
    if (key.isEmpty())
        return -1;
    const int count = items.size();
    if (start < -1 || start >= count)
        start = -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        if (textfold::compareFolded(QStringView(items.at(i)).trimmed(), key, true) == 0)
            return i;
    }
    return -1;
}

template <typename Items> int scanFindLooselyIn(const Items& items, int start, QStringView text)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return -1;
    const int count = items.size();
    if (start < -1 || start >= count)
        start = -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        if (QStringView(items.at(i)).trimmed().compare(trimmed, Qt::CaseInsensitive) == 0)
            return i;
    }
    const QString key = textfold::fold(trimmed);
    if (key.isEmpty())
        return -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        if (textfold::compareFolded(QStringView(items.at(i)).trimmed(), key, false) == 0)
            return i;
    }
    return -1;
}

template <typename Items> int scanNthEqualIn(const Items& items, QStringView text, int n)
{
    for (int i = 0; i < items.size(); ++i) {
        if (QStringView(items.at(i)) == text && n-- == 0)
            return i;
    }
    return -1;
}

template <typename Items> int scanOccurrenceIn(const Items& items, int index)
{
    if (index < 0 || index >= items.size())
        return 0;
    const QString item = QStringView(items.at(index)).toString();
    int before = 0;
    for (int i = 0; i < index; ++i)
        before += QStringView(items.at(i)) == item ? 1 : 0;
    return before;
}

// The scans an index falls back on when it is not of the items given.
struct ListScans {
    const QStringList& list;
    int find(int start, const QString& text, bool exact) const
    {
        return scanFindIn(ListItems{list}, start, text, exact);
    }
    int findFolded(int start, const QString& text) const
    {
        return scanFindFoldedIn(ListItems{list}, start, text);
    }
    int findLoosely(int start, const QString& text) const
    {
        return scanFindLooselyIn(ListItems{list}, start, text);
    }
    int nthEqual(const QString& text, int n) const
    {
        return scanNthEqualIn(ListItems{list}, text, n);
    }
    int occurrence(int index) const { return scanOccurrenceIn(ListItems{list}, index); }
};
struct BlockScans {
    const NameBlock& block;
    int find(int start, const QString& text, bool exact) const
    {
        return scanFind(block, start, text, exact);
    }
    int findFolded(int start, const QString& text) const
    {
        return scanFindFolded(block, start, text);
    }
    int findLoosely(int start, const QString& text) const
    {
        return scanFindLoosely(block, start, text);
    }
    int nthEqual(const QString& text, int n) const { return scanNthEqual(block, text, n); }
    int occurrence(int index) const { return scanOccurrence(block, index); }
};
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
    return scanFindIn(ListItems{items}, start, text, exact);
}

int scanFindFolded(const QStringList& items, int start, const QString& text)
{
    return scanFindFoldedIn(ListItems{items}, start, text);
}

int scanFindLoosely(const QStringList& items, int start, const QString& text)
{
    return scanFindLooselyIn(ListItems{items}, start, text);
}

int scanNthEqual(const QStringList& items, const QString& text, int n)
{
    return scanNthEqualIn(ListItems{items}, text, n);
}

int scanOccurrence(const QStringList& items, int index)
{
    return scanOccurrenceIn(ListItems{items}, index);
}

int scanFind(const NameBlock& items, int start, const QString& text, bool exact)
{
    return scanFindIn(WalkedBlock(items), start, text, exact);
}

int scanFindFolded(const NameBlock& items, int start, const QString& text)
{
    return scanFindFoldedIn(WalkedBlock(items), start, text);
}

int scanFindLoosely(const NameBlock& items, int start, const QString& text)
{
    return scanFindLooselyIn(WalkedBlock(items), start, text);
}

int scanNthEqual(const NameBlock& items, const QString& text, int n)
{
    return int(items.nthEqual(text, n));
}

int scanOccurrence(const NameBlock& items, int index)
{
    return int(items.equalBefore(index));
}

Index::Index(const QStringList& items, const std::atomic<bool>* stop)
{
    ListItems list{items};
    guardedBuild(list, stop);
}

Index::Index(const NameBlock& items, const std::atomic<bool>* stop)
{
    WalkedBlock block(items);
    guardedBuild(block, stop);
}

template <typename Items> void Index::guardedBuild(Items& items, const std::atomic<bool>* stop)
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

template <typename Items, typename HeedStop>
void Index::build(Items& items, const HeedStop& heedStop)
{
    qsizetype units = 0;
    for (int i = 0; i < items.size(); ++i)
        units += QStringView(items.at(i)).size();
    sortBy(
        items, units, heedStop,
        [](QStringView item, std::vector<char16_t>& block) {
            char16_t last = 0;
            for (const QChar unit : item)
                block.push_back(foldUnit(unit.unicode(), last));
        },
        m_order, m_blocks);
    sortBy(
        items, units, heedStop,
        [](QStringView item, std::vector<char16_t>& block) {
            textfold::Units folded(item.trimmed());
            char16_t unit;
            while (folded.next(unit))
                block.push_back(unit);
        },
        m_folded, m_foldedBlocks);
}

template <typename Items, typename HeedStop, typename Key>
void Index::sortBy(Items& items, qsizetype units, const HeedStop& heedStop, const Key& key,
                   std::vector<int>& order, std::vector<int>& blocks)
{
    const int count = items.size();
    // Every item's key, end to end in one block, for the sorting alone.
    std::vector<char16_t> keys;
    keys.reserve(size_t(units));
    std::vector<qsizetype> from(size_t(count) + 1, 0);
    for (int i = 0; i < count; ++i) {
        from[size_t(i)] = qsizetype(keys.size());
        key(QStringView(items.at(i)), keys);
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

template <typename Items>
std::pair<int, int> Index::range(const Items& items, QStringView text, bool exact) const
{
    return range(m_order, [&](int position) {
        const auto& item = items.at(position);
        return exact ? compareFolded(item, text) : comparePrefix(item, text);
    });
}

template <typename Items>
std::pair<int, int> Index::foldedRange(const Items& items, QStringView key, bool exact) const
{
    return range(m_folded, [&](int position) {
        const auto& item = items.at(position);
        return textfold::compareFolded(QStringView(item).trimmed(), key, !exact);
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

template <typename Items, typename Scanned>
int Index::findIn(const Items& items, Scanned scanned, int start, const QString& text,
                  bool exact) const
{
    if (m_order.size() != size_t(items.size()))
        return scanned.find(start, text, exact);
    if (start < -1 || start >= items.size())
        start = -1;
    const auto [lo, hi] = range(items, text, exact);
    return lo < hi ? after(m_order, m_blocks, lo, hi, start) : -1;
}

template <typename Items, typename Scanned>
int Index::findFoldedIn(const Items& items, Scanned scanned, int start, const QString& text) const
{
    if (m_folded.size() != size_t(items.size()))
        return scanned.findFolded(start, text);
    const QString key = textfold::fold(text);
    if (key.isEmpty())
        return -1;
    if (start < -1 || start >= items.size())
        start = -1;
    const auto [lo, hi] = foldedRange(items, key, false);
    return lo < hi ? after(m_folded, m_foldedBlocks, lo, hi, start) : -1;
}

template <typename Items, typename Scanned>
int Index::findLooselyIn(const Items& items, Scanned scanned, int start, const QString& text) const
{
    if (m_folded.size() != size_t(items.size()))
        return scanned.findLoosely(start, text);
    const QStringView trimmed = QStringView(text).trimmed();
    if (trimmed.isEmpty())
        return -1;
    const int count = items.size();
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
        const auto& item = items.at(position);
        return QStringView(item).trimmed().compare(trimmed, Qt::CaseInsensitive) == 0;
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

template <typename Items, typename Scanned>
int Index::nthEqualIn(const Items& items, Scanned scanned, const QString& text, int n) const
{
    if (m_order.size() != size_t(items.size()))
        return scanned.nthEqual(text, n);
    // Folded alike, in list order; the equal ones among them.
    const auto [lo, hi] = range(items, text, true);
    for (int i = lo; i < hi; ++i) {
        const auto& item = items.at(m_order[size_t(i)]);
        if (QStringView(item) == text && n-- == 0)
            return m_order[size_t(i)];
    }
    return -1;
}

template <typename Items, typename Scanned>
int Index::occurrenceIn(const Items& items, Scanned scanned, int index) const
{
    if (m_order.size() != size_t(items.size()))
        return scanned.occurrence(index);
    if (index < 0 || index >= items.size())
        return 0;
    const QString item = QStringView(items.at(index)).toString();
    const auto [lo, hi] = range(items, item, true);
    int before = 0;
    for (int i = lo; i < hi && m_order[size_t(i)] < index; ++i) {
        const auto& other = items.at(m_order[size_t(i)]);
        before += QStringView(other) == item ? 1 : 0;
    }
    return before;
}

int Index::find(const QStringList& items, int start, const QString& text, bool exact) const
{
    return findIn(ListItems{items}, ListScans{items}, start, text, exact);
}

int Index::findFolded(const QStringList& items, int start, const QString& text) const
{
    return findFoldedIn(ListItems{items}, ListScans{items}, start, text);
}

int Index::findLoosely(const QStringList& items, int start, const QString& text) const
{
    return findLooselyIn(ListItems{items}, ListScans{items}, start, text);
}

int Index::nthEqual(const QStringList& items, const QString& text, int n) const
{
    return nthEqualIn(ListItems{items}, ListScans{items}, text, n);
}

int Index::occurrence(const QStringList& items, int index) const
{
    return occurrenceIn(ListItems{items}, ListScans{items}, index);
}

int Index::find(const NameBlock& items, int start, const QString& text, bool exact) const
{
    return findIn(ComparedBlock{items}, BlockScans{items}, start, text, exact);
}

int Index::findFolded(const NameBlock& items, int start, const QString& text) const
{
    return findFoldedIn(ComparedBlock{items}, BlockScans{items}, start, text);
}

int Index::findLoosely(const NameBlock& items, int start, const QString& text) const
{
    return findLooselyIn(ComparedBlock{items}, BlockScans{items}, start, text);
}

int Index::nthEqual(const NameBlock& items, const QString& text, int n) const
{
    return nthEqualIn(ComparedBlock{items}, BlockScans{items}, text, n);
}

int Index::occurrence(const NameBlock& items, int index) const
{
    return occurrenceIn(ComparedBlock{items}, BlockScans{items}, index);
}

} // namespace listsearch
