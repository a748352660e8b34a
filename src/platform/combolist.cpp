#include "combolist.h"

#include "keycodes.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QStringListModel>

#include <algorithm>

namespace combolist {

int find(const QStringList& items, int start, const QString& text, bool exact)
{
    const int count = int(items.size());
    if (start < -1 || start >= count)
        start = -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        const QString& item = items.at(i);
        const bool match = exact ? item.compare(text, Qt::CaseInsensitive) == 0
                                 : item.startsWith(text, Qt::CaseInsensitive);
        if (match)
            return i;
    }
    return -1;
}

void useStringList(QComboBox* combo)
{
    combo->setModel(new QStringListModel(combo));
}

int occurrence(const QStringList& items, int index)
{
    if (index < 0 || index >= items.size())
        return 0;
    return int(std::count(items.begin(), items.begin() + index, items.at(index)));
}

int nthEqual(const QStringList& items, const QString& text, int n)
{
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i) == text && n-- == 0)
            return i;
    }
    return -1;
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
    if (auto* model = qobject_cast<QStringListModel*>(combo->model())) {
        // A reference to the model's own list: no copy on every keystroke.
        const QStringList& list = model->stringList();
        return find(list, start, text, exact);
    }
    return find(items(combo), start, text, exact);
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
