#include "listsearch.h"

#include "listsearch_p.h"

#include "textfold.h"

#include <algorithm>
#include <string_view>

namespace listsearch {

using namespace detail;

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

} // namespace listsearch
