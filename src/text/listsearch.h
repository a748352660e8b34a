#pragma once

#include "nameblock.h"

#include <QStringList>

#include <atomic>
#include <vector>

// Searching a long list of names letter case aside, with the answers of a plain
// scan: the first item, after a given one and wrapping around, that begins with
// or equals a text the way QString compares them ignoring case.
namespace listsearch {

// Where a is before, the same as, or after b, each folded to one case the way
// Qt's case-insensitive comparison folds them; 0 exactly when
// a.compare(b, Qt::CaseInsensitive) == 0.
int compareFolded(QStringView a, QStringView b);

// The plain scans, the reference the index answers as.
int scanFind(const QStringList& items, int start, const QString& text, bool exact);
// As scanFind by prefix, with items and text folded (textfold.h): the first item,
// after start and wrapping around, whose folded form, blanks around the item left
// out, begins with the folded text. -1 when the text folds to nothing.
int scanFindFolded(const QStringList& items, int start, const QString& text);
// The item a name given loosely stands for, in the same order: the first whose
// trimmed form equals the trimmed text letter case aside; failing that, the first
// whose folded trimmed form equals the folded trimmed text (unless that is
// empty). -1 when none does, or when the text is blank.
int scanFindLoosely(const QStringList& items, int start, const QString& text);
int scanNthEqual(const QStringList& items, const QString& text, int n);
int scanOccurrence(const QStringList& items, int index);
// The same over a block of names: each read in turn, none made into a QString.
int scanFind(const NameBlock& items, int start, const QString& text, bool exact);
int scanFindFolded(const NameBlock& items, int start, const QString& text);
int scanFindLoosely(const NameBlock& items, int start, const QString& text);
int scanNthEqual(const NameBlock& items, const QString& text, int n);
int scanOccurrence(const NameBlock& items, int index);

// An index over one list, as it was when the index was built: the items in
// folded order, in blocks that also know their items' positions in list order;
// and the same again by the items' folded trimmed forms (textfold.h). Only the
// orders are kept: the searches fold the few items they compare as they go.
// Building it takes a while (about two seconds for a million names), so it is
// meant to be built away from the window and used once ready. Over a block of
// names, the building reads every name without making a QString of it, and the
// searches make one only of each name they compare (a few dozen).
class Index {
public:
    // stop, when given and set meanwhile, cuts the building short: the index is
    // then of no use.
    explicit Index(const QStringList& items, const std::atomic<bool>* stop = nullptr);
    explicit Index(const NameBlock& items, const std::atomic<bool>* stop = nullptr);

    // As scanFind, scanNthEqual and scanOccurrence on the list the index was
    // built from, which must be the one given.
    int find(const QStringList& items, int start, const QString& text, bool exact) const;
    int findFolded(const QStringList& items, int start, const QString& text) const;
    int findLoosely(const QStringList& items, int start, const QString& text) const;
    int nthEqual(const QStringList& items, const QString& text, int n) const;
    int occurrence(const QStringList& items, int index) const;
    int find(const NameBlock& items, int start, const QString& text, bool exact) const;
    int findFolded(const NameBlock& items, int start, const QString& text) const;
    int findLoosely(const NameBlock& items, int start, const QString& text) const;
    int nthEqual(const NameBlock& items, const QString& text, int n) const;
    int occurrence(const NameBlock& items, int index) const;

private:
    template <typename Items> void guardedBuild(Items& items, const std::atomic<bool>* stop);
    template <typename Items, typename HeedStop> void build(Items& items, const HeedStop& heedStop);
    // Sorts the positions by the keys key writes for each item, equal ones by
    // position, into order, and into blocks the same with each block sorted.
    template <typename Items, typename HeedStop, typename Key>
    static void sortBy(Items& items, qsizetype units, const HeedStop& heedStop, const Key& key,
                       std::vector<int>& order, std::vector<int>& blocks);
    // The range of order where compare answers 0 (below it, less than 0).
    template <typename Compare>
    static std::pair<int, int> range(const std::vector<int>& order, const Compare& compare);
    // The range of m_order whose items begin with (or equal) text, folded.
    template <typename Items>
    std::pair<int, int> range(const Items& items, QStringView text, bool exact) const;
    // The range of m_folded whose folded trimmed items begin with (or equal) key.
    template <typename Items>
    std::pair<int, int> foldedRange(const Items& items, QStringView key, bool exact) const;
    // The searches, over items as read by Items and scanned as Scanned when the
    // index is not of them.
    template <typename Items, typename Scanned>
    int findIn(const Items& items, Scanned scanned, int start, const QString& text,
               bool exact) const;
    template <typename Items, typename Scanned>
    int findFoldedIn(const Items& items, Scanned scanned, int start, const QString& text) const;
    template <typename Items, typename Scanned>
    int findLooselyIn(const Items& items, Scanned scanned, int start, const QString& text) const;
    template <typename Items, typename Scanned>
    int nthEqualIn(const Items& items, Scanned scanned, const QString& text, int n) const;
    template <typename Items, typename Scanned>
    int occurrenceIn(const Items& items, Scanned scanned, int index) const;
    // In a range of order: the first position after start, else the first of all.
    static int after(const std::vector<int>& order, const std::vector<int>& blocks, int lo, int hi,
                     int start);

    std::vector<int> m_order;        // positions in folded order; equal ones by position
    std::vector<int> m_blocks;       // m_order with each block sorted by position
    std::vector<int> m_folded;       // positions by folded trimmed item; equal ones by position
    std::vector<int> m_foldedBlocks; // m_folded with each block sorted by position
};

} // namespace listsearch
