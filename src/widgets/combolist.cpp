#include "combolist.h"

#include "keycodes.h"
#include "listsearch.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QThreadPool>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <atomic>
#include <memory>

namespace combolist {

namespace {
// The combo's list: texts kept in one block (nameblock.h), each made into a
// QString only when the combo or a search asks for it, and a search index over
// the block. Every change of the list drops the index and starts building a new
// one on a pool thread; until it is ready the searches scan the block.
class SearchModel : public QAbstractListModel {
public:
    explicit SearchModel(QObject* parent) : QAbstractListModel(parent) {}
    ~SearchModel() override { drop(); }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_names.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_names.size() ||
            (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return m_names.text(index.row());
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid() || index.row() >= m_names.size() ||
            (role != Qt::DisplayRole && role != Qt::EditRole))
            return false;
        m_names.replace(index.row(), value.toString());
        changed();
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        return true;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                               : Qt::NoItemFlags;
    }
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override
    {
        if (count < 1 || row < 0 || row > m_names.size() || parent.isValid())
            return false;
        beginInsertRows({}, row, row + count - 1);
        for (int i = 0; i < count; ++i)
            m_names.insert(row, QString());
        changed();
        endInsertRows();
        return true;
    }
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override
    {
        if (count < 1 || row < 0 || row + count > m_names.size() || parent.isValid())
            return false;
        beginRemoveRows({}, row, row + count - 1);
        drop(); // the builder lets go of its copy the sooner
        for (int i = 0; i < count; ++i)
            m_names.remove(row);
        changed();
        endRemoveRows();
        return true;
    }

    const NameBlock& names() const { return m_names; }
    const QByteArray& source() const { return m_source; }
    void setNames(NameBlock names, const QByteArray& source)
    {
        beginResetModel();
        drop();
        m_names = std::move(names);
        changed();
        m_source = source;
        endResetModel();
    }

    // The index, when it is ready.
    std::shared_ptr<const listsearch::Index> index() const
    {
        if (!m_build || !m_build->ready.load(std::memory_order_acquire))
            return nullptr;
        return m_build->index;
    }
    // No index is being built: there is one, or the list is scanned.
    bool settled() const { return !m_build || m_build->ready.load(std::memory_order_acquire); }
    void setIndexing(bool on)
    {
        m_indexing = on;
        rebuild();
    }

private:
    struct Build {
        std::atomic<bool> stop{false};
        std::atomic<bool> ready{false};
        std::shared_ptr<const listsearch::Index> index;
    };

    // The list is no longer what it was read as, and its index goes.
    void changed()
    {
        m_source.clear();
        rebuild();
    }

    void drop()
    {
        if (m_build)
            m_build->stop = true;
        m_build.reset();
    }

    void rebuild()
    {
        drop();
        if (!m_indexing || m_names.size() < IndexFrom)
            return;
        auto build = std::make_shared<Build>();
        m_build = build;
        // The builder's own copy shares the block; a change made meanwhile
        // copies it first.
        QThreadPool::globalInstance()->start([build, names = m_names] {
            auto index = std::make_shared<const listsearch::Index>(names, &build->stop);
            build->index = std::move(index);
#ifdef __GLIBC__
            // What the building and the reading of the list took for a while
            // goes back to the system, rather than staying for the next list.
            malloc_trim(0);
#endif
            build->ready.store(!build->stop.load(), std::memory_order_release);
        });
    }

    // Short lists are scanned: quicker than building anything.
    static constexpr qsizetype IndexFrom = 2000;
    bool m_indexing = true;
    NameBlock m_names;
    QByteArray m_source;
    std::shared_ptr<Build> m_build;
};

const SearchModel* searchModel(const QComboBox* combo)
{
    return dynamic_cast<const SearchModel*>(combo->model());
}

} // namespace

int find(const QStringList& items, int start, const QString& text, bool exact)
{
    return listsearch::scanFind(items, start, text, exact);
}

int findFolded(const QStringList& items, int start, const QString& text)
{
    return listsearch::scanFindFolded(items, start, text);
}

int findLoosely(const QStringList& items, int start, const QString& text)
{
    return listsearch::scanFindLoosely(items, start, text);
}

void useStringList(QComboBox* combo)
{
    combo->setModel(new SearchModel(combo));
    // Items of one height, all of them: the drop-down lays out the rows it shows
    // rather than asking every item for its size.
    if (auto* view = qobject_cast<QListView*>(combo->view()))
        view->setUniformItemSizes(true);
}

bool searchIndexReady(const QComboBox* combo)
{
    const SearchModel* model = searchModel(combo);
    return !model || model->settled();
}

void setSearchIndexing(QComboBox* combo, bool on)
{
    if (auto* model = dynamic_cast<SearchModel*>(combo->model()))
        model->setIndexing(on);
}

int nthEqual(const QStringList& items, const QString& text, int n)
{
    return listsearch::scanNthEqual(items, text, n);
}

QStringList items(const QComboBox* combo)
{
    if (const SearchModel* model = searchModel(combo))
        return model->names().texts();
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

void setItems(QComboBox* combo, const QStringList& items)
{
    if (searchModel(combo)) {
        setNames(combo, NameBlock(items));
        return;
    }
    const QString text = combo->currentText();
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
}

void setNames(QComboBox* combo, NameBlock names, const QByteArray& source)
{
    auto* model = dynamic_cast<SearchModel*>(combo->model());
    if (!model)
        return setItems(combo, names.texts());
    const QString text = combo->currentText();
    model->setNames(std::move(names), source);
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
}

QByteArray namesSource(const QComboBox* combo)
{
    const SearchModel* model = searchModel(combo);
    return model ? model->source() : QByteArray();
}

int find(const QComboBox* combo, int start, const QString& text, bool exact)
{
    const SearchModel* model = searchModel(combo);
    if (!model)
        return find(items(combo), start, text, exact);
    const auto index = model->index();
    return index ? index->find(model->names(), start, text, exact)
                 : listsearch::scanFind(model->names(), start, text, exact);
}

int findFolded(const QComboBox* combo, int start, const QString& text)
{
    const SearchModel* model = searchModel(combo);
    if (!model)
        return findFolded(items(combo), start, text);
    const auto index = model->index();
    return index ? index->findFolded(model->names(), start, text)
                 : listsearch::scanFindFolded(model->names(), start, text);
}

int findLoosely(const QComboBox* combo, int start, const QString& text)
{
    const SearchModel* model = searchModel(combo);
    if (!model)
        return findLoosely(items(combo), start, text);
    const auto index = model->index();
    return index ? index->findLoosely(model->names(), start, text)
                 : listsearch::scanFindLoosely(model->names(), start, text);
}

int nthEqual(const QComboBox* combo, const QString& text, int n)
{
    const SearchModel* model = searchModel(combo);
    if (!model)
        return nthEqual(items(combo), text, n);
    const auto index = model->index();
    return index ? index->nthEqual(model->names(), text, n)
                 : listsearch::scanNthEqual(model->names(), text, n);
}

int occurrence(const QComboBox* combo, int index)
{
    const SearchModel* model = searchModel(combo);
    if (!model)
        return listsearch::scanOccurrence(items(combo), index);
    const auto ready = model->index();
    return ready ? ready->occurrence(model->names(), index)
                 : listsearch::scanOccurrence(model->names(), index);
}

void setCurrent(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    // Also when the item was current already: the field may hold other text.
    combo->setEditText(index >= 0 ? combo->itemText(index) : QString());
}

int selStart(const QComboBox* combo)
{
    const QLineEdit* edit = combo->lineEdit();
    if (!edit)
        return 0;
    return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

int selLength(const QComboBox* combo)
{
    const QLineEdit* edit = combo->lineEdit();
    return edit && edit->hasSelectedText() ? int(edit->selectedText().size()) : 0;
}

void setSelection(QComboBox* combo, int start, int length)
{
    QLineEdit* edit = combo->lineEdit();
    if (!edit)
        return;
    if (length > 0)
        edit->setSelection(start, length);
    else
        edit->setCursorPosition(start);
}

KeyHook::KeyHook(QComboBox* combo, KeyDown keyDown, KeyPress keyPress)
    : m_combo(combo), m_keyDown(std::move(keyDown)), m_keyPress(std::move(keyPress))
{
    combo->installEventFilter(this);
}

// The combo forgets a filter that is destroyed; nothing to undo here.
KeyHook::~KeyHook() = default;

bool KeyHook::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_combo || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);

    if (key->key() == Qt::Key_Delete) {
        qint16 code = keycode::Delete;
        m_keyDown(code);
        if (code == 0)
            return true;
    }

    qint16 character = 0;
    switch (key->key()) {
    case Qt::Key_Backspace:
        character = keycode::Backspace;
        break;
    case Qt::Key_Tab:
        character = keycode::Tab;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        character = keycode::Enter;
        break;
    default:
        if (key->text().size() == 1)
            character = qint16(key->text().at(0).unicode());
        break;
    }
    if (character == 0)
        return false;
    m_keyPress(character);
    return character == 0;
}

} // namespace combolist
