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
int scanNthEqual(const QStringList& items, const QString& text, int n);
int scanOccurrence(const QStringList& items, int index);

// An index over one list, as it was when the index was built: the items in
// folded order, in blocks that also know their items' positions in list order.
// Building it takes a while (about a second for a million names), so it is
// meant to be built away from the window and used once ready.
class Index {
public:
    // stop, when given and set meanwhile, cuts the building short: the index is
    // then of no use.
    explicit Index(const QStringList& items, const std::atomic<bool>* stop = nullptr);

    // As scanFind, scanNthEqual and scanOccurrence on the list the index was
    // built from, which must be the one given.
    int find(const QStringList& items, int start, const QString& text, bool exact) const;
    int nthEqual(const QStringList& items, const QString& text, int n) const;
    int occurrence(const QStringList& items, int index) const;

private:
    template <typename HeedStop> void build(const QStringList& items, const HeedStop& heedStop);
    // The range of m_order whose items begin with (or equal) text, folded.
    std::pair<int, int> range(const QStringList& items, QStringView text, bool exact) const;
    // In that range: the first position after start, else the first of all.
    int after(int lo, int hi, int start) const;

    std::vector<int> m_order;  // positions in folded order; equal ones by position
    std::vector<int> m_blocks; // m_order with each block sorted by position
};

} // namespace listsearch
