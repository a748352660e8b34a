#pragma once

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

// An index over one list, as it was when the index was built: the items in
// folded order, in blocks that also know their items' positions in list order;
// and the same again by the items' folded trimmed forms (textfold.h). Only the
// orders are kept: the searches fold the few items they compare as they go.
// Building it takes a while (about two seconds for a million names), so it is
// meant to be built away from the window and used once ready.
class Index {
public:
    // stop, when given and set meanwhile, cuts the building short: the index is
    // then of no use.
    explicit Index(const QStringList& items, const std::atomic<bool>* stop = nullptr);

    // As scanFind, scanNthEqual and scanOccurrence on the list the index was
    // built from, which must be the one given.
    int find(const QStringList& items, int start, const QString& text, bool exact) const;
    int findFolded(const QStringList& items, int start, const QString& text) const;
    int findLoosely(const QStringList& items, int start, const QString& text) const;
    int nthEqual(const QStringList& items, const QString& text, int n) const;
    int occurrence(const QStringList& items, int index) const;

private:
    template <typename HeedStop> void build(const QStringList& items, const HeedStop& heedStop);
    // Sorts the positions by the keys key writes for each item, equal ones by
    // position, into order, and into blocks the same with each block sorted.
    template <typename HeedStop, typename Key>
    static void sortBy(const QStringList& items, qsizetype units, const HeedStop& heedStop,
                       const Key& key, std::vector<int>& order, std::vector<int>& blocks);
    // The range of order where compare answers 0 (below it, less than 0).
    template <typename Compare>
    static std::pair<int, int> range(const std::vector<int>& order, const Compare& compare);
    // The range of m_order whose items begin with (or equal) text, folded.
    std::pair<int, int> range(const QStringList& items, QStringView text, bool exact) const;
    // The range of m_folded whose folded trimmed items begin with (or equal) key.
    std::pair<int, int> foldedRange(const QStringList& items, QStringView key, bool exact) const;
    // In a range of order: the first position after start, else the first of all.
    static int after(const std::vector<int>& order, const std::vector<int>& blocks, int lo, int hi,
                     int start);

    std::vector<int> m_order;        // positions in folded order; equal ones by position
    std::vector<int> m_blocks;       // m_order with each block sorted by position
    std::vector<int> m_folded;       // positions by folded trimmed item; equal ones by position
    std::vector<int> m_foldedBlocks; // m_folded with each block sorted by position
};

} // namespace listsearch
