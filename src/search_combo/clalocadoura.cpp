#include "clalocadoura.h"

#include "combolist.h"
#include "keycodes.h"
#include "textfold.h"

claLocadoura::claLocadoura() = default;

claLocadoura::~claLocadoura()
{
    m_subscription.reset();
    moCombo = nullptr;
}

void claLocadoura::AttachTo(QComboBox* combo)
{
    if (combo == moCombo && m_subscription)
        return;
    m_subscription.reset();
    moCombo = combo;
    if (!combo)
        return;
    m_subscription = std::make_unique<combolist::KeyHook>(
        combo, [this](qint16& code) { moCombo_KeyDown(code); },
        [this](qint16& code) { moCombo_KeyPress(code); });
}

bool claLocadoura::Contains(const QString& text)
{
    return SendComboMessage(text, 0, CB_FINDSTRINGEXACT) != -1;
}

int claLocadoura::SendComboMessage(const QString& text, int start, Message message)
{
    if (!moCombo)
        return -1;
    switch (message) {
    case CB_FINDSTRING:
        return combolist::find(moCombo, start, text, false);
    case CB_FINDSTRINGEXACT:
        return combolist::find(moCombo, start, text, true);
    case CB_SETCURSEL:
        if (start >= moCombo->count())
            return -1;
        combolist::setCurrent(moCombo, start);
        return start;
    }
    return -1;
}

QString claLocadoura::DropFirstChar(const QString& text)
{
    return text.mid(1);
}

QString claLocadoura::DropLastChar(const QString& text)
{
    return text.left(text.size() - 1);
}

QString claLocadoura::TextAfterKey(const QString& text, int selStart, int selLength, int code,
                                   bool fromKeyDown)
{
    const QString before = text.left(selStart);
    const QString selected = text.mid(selStart, selLength);
    const QString after = text.mid(selStart + selLength);
    if (!fromKeyDown && code == keycode::Backspace)
        return (selected.isEmpty() ? DropLastChar(before) : before) + after;
    if (fromKeyDown && code == keycode::Delete)
        return before + (selected.isEmpty() ? DropFirstChar(after) : after);
    return before + QChar(char16_t(code)) + after;
}

QString claLocadoura::TextAfterKey(int code, bool fromKeyDown) const
{
    if (!moCombo)
        return QString();
    return TextAfterKey(moCombo->currentText(), combolist::selStart(moCombo),
                        combolist::selLength(moCombo), code, fromKeyDown);
}

bool claLocadoura::SelectMatch(const QString& text, Message message)
{
    if (!moCombo)
        return false;
    const int start = qMax(-1, moCombo->currentIndex() - 1);
    if (text.isEmpty()) {
        SendComboMessage(QString(), -1, CB_SETCURSEL);
        return start != -1;
    }
    int index = SendComboMessage(text, start, message);
    int typed = int(text.size());
    // No item begins with the text as typed: one that does once both lose their
    // accents and letter case, the caret after what stands for the text typed.
    if (index == -1 && message == CB_FINDSTRING) {
        index = combolist::findFolded(moCombo, start, text);
        if (index != -1)
            typed = int(textfold::prefixEnd(moCombo->itemText(index), textfold::fold(text).size()));
    }
    if (index == -1)
        return false;
    SendComboMessage(QString(), index, CB_SETCURSEL);
    combolist::setSelection(moCombo, typed, qMax(0, int(moCombo->currentText().size()) - typed));
    return true;
}

void claLocadoura::moCombo_KeyDown(qint16& KeyCode)
{
    if (KeyCode != keycode::Delete)
        return;
    if (SelectMatch(TextAfterKey(keycode::Delete, true), CB_FINDSTRINGEXACT))
        KeyCode = 0;
}

void claLocadoura::moCombo_KeyPress(qint16& KeyAscii)
{
    if (KeyAscii == keycode::Enter || KeyAscii == keycode::Tab)
        return;
    const QString text = TextAfterKey(KeyAscii, false);
    const Message search = KeyAscii == keycode::Backspace ? CB_FINDSTRINGEXACT : CB_FINDSTRING;
    if (SelectMatch(text, search))
        KeyAscii = 0;
}
