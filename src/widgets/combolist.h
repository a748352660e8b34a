#pragma once

#include "nameblock.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <functional>

class QComboBox;

// What the completion needs of a combo box: searching its list, making an item
// current, the caret and selection of its edit field, and its keys before it acts
// on them.
namespace combolist {

// Index of the first item that begins with (prefix) or equals (exact) text, letter
// case aside, the Unicode way. The search starts at the item after start (-1 or
// out of range: the first), runs to the end and wraps around up to start itself.
// -1 when none matches.
int find(const QStringList& items, int start, const QString& text, bool exact);
// As the prefix search, with accents and letter case aside: the first item, in
// the same order, whose folded form (textfold.h), blanks around it left out,
// begins with the folded text. -1 when none does or the text folds to nothing.
int findFolded(const QStringList& items, int start, const QString& text);
// The item a name typed or pasted loosely stands for, in the same order: the
// first whose trimmed form equals the trimmed text letter case aside; failing
// that, the first whose folded trimmed form equals the folded trimmed text. -1
// when none does, or when the text is blank.
int findLoosely(const QStringList& items, int start, const QString& text);

// Equal names, told apart by their order: the index of the n-th item equal to
// text (-1 when there are not that many), and (below, for a combo) how many items
// before index are equal to the item at index (0 for the first of them). Letter
// case counts.
int nthEqual(const QStringList& items, const QString& text, int n);

// Gives the combo a list model of its own over a block of texts (nameblock.h),
// filled in one go, which makes a QString only of the items shown or compared.
// After each change of a long list an index of it is built on another thread;
// the searches below use it once it is ready, with the same answers as the scan
// of the block they make until then. Items are removed by their index
// (QComboBox::removeItem).
void useStringList(QComboBox* combo);
// False while an index is being built.
bool searchIndexReady(const QComboBox* combo);
// Off, the searches always scan (to compare the two); on by default.
void setSearchIndexing(QComboBox* combo, bool on);
// Every item as a string: for short lists only.
QStringList items(const QComboBox* combo);
// Replaces the list; the edit field keeps its text.
void setItems(QComboBox* combo, const QStringList& items);
// The same with the texts in a block, and what they were read as (source, for
// namesSource): a list read afresh from the same source need not be.
void setNames(QComboBox* combo, NameBlock names, const QByteArray& source = {});
// What the list was read as when it was set by setNames, empty when it has
// changed since or was set otherwise.
QByteArray namesSource(const QComboBox* combo);
int find(const QComboBox* combo, int start, const QString& text, bool exact);
int findFolded(const QComboBox* combo, int start, const QString& text);
int findLoosely(const QComboBox* combo, int start, const QString& text);
int nthEqual(const QComboBox* combo, const QString& text, int n);
int occurrence(const QComboBox* combo, int index);

// Makes the item at index current and puts its text, spelled as in the list, into
// the edit field; -1 makes none current and empties the field.
void setCurrent(QComboBox* combo, int index);

// The caret and selection: the first is the count of characters before the caret
// or the selection, the second how many are selected.
int selStart(const QComboBox* combo);
int selLength(const QComboBox* combo);
void setSelection(QComboBox* combo, int start, int length);

// Reports the keys typed into a combo before the combo acts on them. A handler
// that sets the code to 0 consumes the key. Destroying the hook ends the reports.
class KeyHook : public QObject {
public:
    // Key down: Qt's key code; the code of the Delete key is 46.
    using KeyDown = std::function<void(qint16& keyCode)>;
    // Key press: the character typed (8 Backspace, 9 Tab, 13 Enter).
    using KeyPress = std::function<void(qint16& character)>;

    KeyHook(QComboBox* combo, KeyDown keyDown, KeyPress keyPress);
    ~KeyHook() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QObject* m_combo; // compared, never followed: the combo may go first
    KeyDown m_keyDown;
    KeyPress m_keyPress;
};

} // namespace combolist
