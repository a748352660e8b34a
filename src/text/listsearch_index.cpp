// The index over a list of names: built once, away from the window, then
// searched in a few steps whatever the list's length.

#include "listsearch.h"

#include "listsearch_p.h"
#include "textfold.h"

#include <algorithm>
#include <string_view>

namespace listsearch {

using namespace detail;

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
