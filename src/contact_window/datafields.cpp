#include "datafields.h"

#include "maskedit.h"
#include "maskformat.h"
#include "messagebox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPalette>

#include <algorithm>

namespace {
void clearMasked(MaskEdBox* field, const QString& mask)
{
    field->setMaskPattern(QString());
    field->setMaskedText(QString());
    field->setMaskPattern(mask);
}

// A stored text goes into its masked field with the mask in place when it fits.
// One that does not fit (put in the file by other means) is shown as it is, with
// the mask off, so that it is seen and saved back unchanged rather than lost.
void showInMasked(MaskEdBox* field, const QString& mask, const QString& text)
{
    if (text.isEmpty()) {
        clearMasked(field, mask);
        return;
    }
    field->setMaskPattern(mask);
    if (!field->setMaskedText(text)) {
        field->setMaskPattern(QString());
        field->setMaskedText(text);
    }
}
// A locked field still shows a contact to be read: its text in the normal text
// colour on the window's background (rather than grey on grey), its frame kept.
// A state list's arrow stays greyed, so the lock can still be seen.
void readableWhenLocked(QWidget* control)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     palette.color(QPalette::Active, QPalette::Text));
    palette.setColor(QPalette::Disabled, QPalette::Base,
                     palette.color(QPalette::Active, QPalette::Window));
    control->setPalette(palette);
}
} // namespace

DataFields::DataFields(const QWidget* form)
{
    for (int f = 0; f < contact::FieldCount; ++f) {
        const QString name = contact::controlName(contact::Field(f));
        QWidget* control = form->findChild<QWidget*>(name);
        if (!control)
            qFatal("the form has no control named %s", qPrintable(name));
        m_controls[f] = control;
        if (auto* masked = qobject_cast<MaskEdBox*>(control)) {
            m_masks[f] = masked->maskPattern();
            // A phone field takes a mobile number's ninth digit.
            if (m_masks[f] == maskformat::PhonePattern)
                masked->setWidePattern(maskformat::MobilePattern);
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            m_maxLengths[f] = edit->maxLength();
        } else if (!qobject_cast<QComboBox*>(control)) {
            qFatal("%s is no text box, combo box or masked field", qPrintable(name));
        }
        // A key a field refuses is heard, not silently dropped.
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            QObject::connect(edit, &QLineEdit::inputRejected, &MessageBox::beep);
        readableWhenLocked(control);
    }
}

QList<QWidget*> DataFields::controls() const
{
    return QList<QWidget*>(m_controls.begin(), m_controls.end());
}

void DataFields::clear()
{
    for (int f = 0; f < contact::FieldCount; ++f) {
        QWidget* control = m_controls[f];
        if (auto* masked = qobject_cast<MaskEdBox*>(control)) {
            clearMasked(masked, m_masks[f]);
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            edit->setMaxLength(m_maxLengths[f]);
            edit->setText(QString());
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            combo->setEditText(QString()); // the list stays
        }
    }
}

void DataFields::setEnabled(bool enabled)
{
    for (QWidget* control : m_controls)
        control->setEnabled(enabled);
}

QList<FieldBinding> DataFields::bindings() const
{
    QList<FieldBinding> map;
    for (const contact::Field field : contact::recordOrder())
        map.append(binding(field));
    return map;
}

FieldBinding DataFields::binding(contact::Field field) const
{
    QWidget* control = m_controls[field];
    if (auto* masked = qobject_cast<MaskEdBox*>(control)) {
        const QString mask = m_masks[field];
        // A masked field without a digit holds nothing: stored as an empty text. A
        // text shown with the mask off (stored by other means) goes back as it is.
        return {field,
                [masked] {
                    const QString text = masked->text();
                    return maskformat::holdsDigit(text) || masked->maskPattern().isEmpty()
                               ? text
                               : QString();
                },
                [masked, mask](const QString& t) { showInMasked(masked, mask, t); }};
    }
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return {field, [combo] { return combo->currentText(); },
                [combo](const QString& t) { combo->setEditText(t); }};
    auto* edit = qobject_cast<QLineEdit*>(control);
    // A stored text longer than the field takes from the keyboard (put in by other
    // means) is shown whole, so that saving it again does not cut it short.
    return {field, [edit] { return edit->text(); },
            [edit](const QString& t) {
                if (t.size() > edit->maxLength())
                    edit->setMaxLength(int(t.size()));
                edit->setText(t);
            }};
}

contact::Record DataFields::texts() const
{
    contact::Record record;
    for (const FieldBinding& b : bindings())
        record[b.field] = b.text();
    return record;
}
