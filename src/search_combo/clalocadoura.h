#pragma once

#include <QComboBox>
#include <QPointer>

#include <memory>

namespace combolist {
class KeyHook;
}

// Completes what the user types into an editable combo box from that combo's own
// list. It watches one combo at a time, the one last attached: on every typed
// character it looks for the first item, from the current one on, that begins
// with the text the field is about to hold (letter case aside; when none does,
// accents aside too), shows it whole and selects the part not typed yet.
// Backspace and Delete only accept an item equal to what remains, letter case aside.
// It never fills, sorts or empties the list, and no failure of its own reaches
// the user: a search that fails counts as no match and the key goes to the combo.
class claLocadoura {
public:
    // Combo-box operations, by the numbers the completion knows them by.
    enum Message { CB_FINDSTRING = 0x014C, CB_FINDSTRINGEXACT = 0x0158, CB_SETCURSEL = 0x014E };

    claLocadoura();
    ~claLocadoura(); // detaches
    claLocadoura(const claLocadoura&) = delete;
    claLocadoura& operator=(const claLocadoura&) = delete;

    void AttachTo(QComboBox* combo);
    // True when the watched combo's list holds text, letter case aside.
    bool Contains(const QString& text);
    QComboBox* attached() const { return moCombo; }

    // The key handlers, called by the watched combo before it acts on a key;
    // setting the code to 0 consumes the key.
    void moCombo_KeyDown(qint16& KeyCode);
    void moCombo_KeyPress(qint16& KeyAscii);

    static QString DropFirstChar(const QString& text);
    static QString DropLastChar(const QString& text);
    // The text the field would hold once the key had taken effect: from the key
    // down event only Delete (46) counts as a key; any other code is a character.
    static QString TextAfterKey(const QString& text, int selStart, int selLength, int code,
                                bool fromKeyDown);

private:
    int SendComboMessage(const QString& text, int start, Message message);
    QString TextAfterKey(int code, bool fromKeyDown) const;
    bool SelectMatch(const QString& text, Message message);

    QPointer<QComboBox> moCombo;
    std::unique_ptr<combolist::KeyHook> m_subscription;
};
