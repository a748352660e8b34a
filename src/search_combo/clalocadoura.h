#pragma once

#include <QComboBox>
#include <QPointer>

// Completes what the user types into an editable combo box from that combo's own
// list. It watches one combo at a time: the one last attached.
class claLocadoura {
public:
    claLocadoura() = default;
    ~claLocadoura();
    claLocadoura(const claLocadoura&) = delete;
    claLocadoura& operator=(const claLocadoura&) = delete;

    void AttachTo(QComboBox* combo);
    QComboBox* attached() const { return moCombo; }

private:
    QPointer<QComboBox> moCombo;
};
