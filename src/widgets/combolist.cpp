#include "combolist.h"

#include "keycodes.h"
#include "listsearch.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QStringListModel>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <memory>

namespace combolist {

namespace {
// A list model that keeps a search index over its list. Every change of the list
// drops the index and starts building a new one on a pool thread; until it is
// ready the searches scan the list.
class SearchModel : public QStringListModel {
public:
    explicit SearchModel(QObject* parent) : QStringListModel(parent)
    {
        connect(this, &QAbstractItemModel::modelReset, this, &SearchModel::rebuild);
        connect(this, &QAbstractItemModel::rowsRemoved, this, &SearchModel::rebuild);
        connect(this, &QAbstractItemModel::rowsInserted, this, &SearchModel::rebuild);
        connect(this, &QAbstractItemModel::rowsMoved, this, &SearchModel::rebuild);
        connect(this, &QAbstractItemModel::layoutChanged, this, &SearchModel::rebuild);
        connect(this, &QAbstractItemModel::dataChanged, this, &SearchModel::rebuild);
    }
    ~SearchModel() override { drop(); }

    // The list and its index, when the index is ready.
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

    void drop()
    {
        if (m_build)
            m_build->stop = true;
        m_build.reset();
    }

    void rebuild()
    {
        drop();
        const QStringList list = stringList();
        if (!m_indexing || list.size() < IndexFrom)
            return;
        auto build = std::make_shared<Build>();
        m_build = build;
        QThreadPool::globalInstance()->start([build, list] {
            auto index = std::make_shared<const listsearch::Index>(list, &build->stop);
            build->index = std::move(index);
            build->ready.store(!build->stop.load(), std::memory_order_release);
        });
    }

    // Short lists are scanned: quicker than building anything.
    static constexpr qsizetype IndexFrom = 2000;
    bool m_indexing = true;
    std::shared_ptr<Build> m_build;
};

const SearchModel* searchModel(const QComboBox* combo)
{
    return dynamic_cast<const SearchModel*>(combo->model());
}

// The combo's index, when one is ready.
std::shared_ptr<const listsearch::Index> readyIndex(const QComboBox* combo)
{
    const SearchModel* model = searchModel(combo);
    return model ? model->index() : nullptr;
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
    if (auto* model = qobject_cast<QStringListModel*>(combo->model()))
        return model->stringList();
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

void setItems(QComboBox* combo, const QStringList& items)
{
    const QString text = combo->currentText();
    if (auto* model = qobject_cast<QStringListModel*>(combo->model())) {
        model->setStringList(items);
    } else {
        combo->clear();
        combo->addItems(items);
    }
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
}

int find(const QComboBox* combo, int start, const QString& text, bool exact)
{
    const QStringList list = items(combo);
    const auto index = readyIndex(combo);
    return index ? index->find(list, start, text, exact) : find(list, start, text, exact);
}

int findFolded(const QComboBox* combo, int start, const QString& text)
{
    const QStringList list = items(combo);
    const auto index = readyIndex(combo);
    return index ? index->findFolded(list, start, text) : findFolded(list, start, text);
}

int findLoosely(const QComboBox* combo, int start, const QString& text)
{
    const QStringList list = items(combo);
    const auto index = readyIndex(combo);
    return index ? index->findLoosely(list, start, text) : findLoosely(list, start, text);
}

int occurrence(const QComboBox* combo, int index)
{
    const QStringList list = items(combo);
    const auto ready = readyIndex(combo);
    return ready ? ready->occurrence(list, index) : listsearch::scanOccurrence(list, index);
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
