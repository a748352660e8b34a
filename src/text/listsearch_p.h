#pragma once

// What the list searches and their index share: the folding of one unit, the
// ways a list or a block of names is read, and the plain scans over either.
// Private to listsearch.

#include "listsearch.h"
#include "textfold.h"

#include <QStringList>

#include <algorithm>

namespace listsearch::detail {

inline constexpr int BlockSize = 512;

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
inline const Latin1Folding latin1;

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
inline int comparePrefix(QStringView a, QStringView prefix)
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

// The first item, after start and wrapping around (-1 or out of range: from the
// first), that match takes; -1 when none does.
template <typename Items, typename Match>
int firstFrom(const Items& items, int start, const Match& match)
{
    const int count = items.size();
    if (start < -1 || start >= count)
        start = -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        if (match(QStringView(items.at(i))))
            return i;
    }
    return -1;
}

template <typename Items>
inline int scanFindIn(const Items& items, int start, QStringView text, bool exact)
{
    return firstFrom(items, start, [&](QStringView item) {
        return exact ? item.compare(text, Qt::CaseInsensitive) == 0
                     : item.startsWith(text, Qt::CaseInsensitive);
    });
}

template <typename Items> int scanFindFoldedIn(const Items& items, int start, QStringView text)
{
    const QString key = textfold::fold(text);
    if (key.isEmpty())
        return -1;
    return firstFrom(items, start, [&](QStringView item) {
        return textfold::compareFolded(item.trimmed(), key, true) == 0;
    });
}

template <typename Items> int scanFindLooselyIn(const Items& items, int start, QStringView text)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return -1;
    const int same = firstFrom(items, start, [&](QStringView item) {
        return item.trimmed().compare(trimmed, Qt::CaseInsensitive) == 0;
    });
    const QString key = same < 0 ? textfold::fold(trimmed) : QString();
    if (same >= 0 || key.isEmpty())
        return same;
    return firstFrom(items, start, [&](QStringView item) {
        return textfold::compareFolded(item.trimmed(), key, false) == 0;
    });
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

} // namespace listsearch::detail
