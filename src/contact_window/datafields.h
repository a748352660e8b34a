#pragma once

#include "contactrecord.h"
#include "recordtransfer.h"

#include <QList>

#include <array>

class QWidget;

// The contact window's seventeen data fields, found on the form by the names the
// field table gives them. They are cleared, locked and unlocked together, read
// and written through their texts by the transfer between row and window, and
// read as a whole for the printed card.
class DataFields {
public:
    // Finds every field's control among form's children; a form without one of
    // them is a broken build and stops the program.
    explicit DataFields(const QWidget* form);

    QWidget* control(contact::Field field) const { return m_controls[field]; }
    // The controls in the window's order.
    QList<QWidget*> controls() const;

    // Empties every field: text boxes and combo boxes get an empty text (a combo
    // keeps its list), masked fields their empty mask; each text box gets back the
    // length limit it was laid out with.
    void clear();
    void setEnabled(bool enabled);

    // Each field seen through its text, in the record's order.
    QList<FieldBinding> bindings() const;
    // What the fields show, as they stand.
    contact::Record texts() const;

private:
    FieldBinding binding(contact::Field field) const;

    std::array<QWidget*, contact::FieldCount> m_controls{};
    // As laid out: the mask of each masked field, the length limit of each text box.
    std::array<QString, contact::FieldCount> m_masks;
    std::array<int, contact::FieldCount> m_maxLengths{};
};
