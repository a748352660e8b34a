#include "maskedit.h"

#include "maskformat.h"
#include "writtenforms.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QValidator>

#include <algorithm>

namespace {

constexpr int UnmaskedMaxLength = 32767;

// Last line of defence: whatever QLineEdit editing path is not routed through
// the mask rules below can only produce a text that still fits the mask.
class MaskValidator : public QValidator {
public:
    explicit MaskValidator(MaskEdBox* box) : QValidator(box), m_box(box) {}

    State validate(QString& input, int&) const override
    {
        const QString pattern = m_box->maskPattern();
        if (pattern.isEmpty() || maskformat::fits(pattern, input))
            return Acceptable;
        return Invalid;
    }

private:
    MaskEdBox* m_box;
};

} // namespace

MaskEdBox::MaskEdBox(QWidget* parent) : QLineEdit(parent)
{
    setValidator(new MaskValidator(this));
}

void MaskEdBox::setMaskPattern(const QString& pattern)
{
    const QString current = text();
    m_designPattern = pattern;
    // A drop inserts text, which cannot go into a fixed-shape field.
    setAcceptDrops(pattern.isEmpty());
    if (pattern.isEmpty()) {
        m_pattern = pattern;
        setMaxLength(UnmaskedMaxLength);
        return;
    }
    const bool keep = maskformat::fits(pattern, current);
    putText(pattern,
            keep ? maskformat::normalised(pattern, current) : maskformat::emptyText(pattern));
}

bool MaskEdBox::setMaskedText(const QString& text)
{
    if (!masked()) {
        setText(text);
        return true;
    }
    QStringList patterns = {m_designPattern, m_widePattern};
    if (phoneField())
        patterns << maskformat::NonGeographicPattern << maskformat::LocalPattern;
    for (const QString& pattern : patterns) {
        if (!pattern.isEmpty() && maskformat::fits(pattern, text)) {
            putText(pattern, maskformat::normalised(pattern, text));
            return true;
        }
    }
    return false;
}

void MaskEdBox::putText(const QString& pattern, const QString& text)
{
    m_pattern = pattern;
    // The limit never cuts the new text on its way in.
    setMaxLength(std::max(maxLength(), int(text.size())));
    setText(text);
    setMaxLength(pattern.size());
}

bool MaskEdBox::phoneField() const
{
    return m_designPattern == maskformat::PhonePattern &&
           m_widePattern == maskformat::MobilePattern;
}

int MaskEdBox::selStart() const
{
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

bool MaskEdBox::blank() const
{
    const QString current = text();
    return std::none_of(current.begin(), current.end(),
                        [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
}

// Where typed or pasted digits go: the selection or the caret, except that a
// field without any digit yet fills from its first position when the caret was
// left past the last one.
int MaskEdBox::inputStart() const
{
    if (hasSelectedText() || m_pattern.indexOf(maskformat::DigitSlot, cursorPosition()) >= 0)
        return selStart();
    return blank() ? 0 : cursorPosition();
}

// A click into a field without digits starts the entry at its first position,
// wherever it landed.
void MaskEdBox::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    if (editable() && blank() && !hasSelectedText())
        setCursorPosition(std::max(0, int(m_pattern.indexOf(maskformat::DigitSlot))));
}

int MaskEdBox::selLength() const
{
    return hasSelectedText() ? selectionLength() : 0;
}

// Every masked edit ends here. It goes in through setText(), which also leaves
// QLineEdit's own undo history empty: undoing its character-level steps could
// otherwise bring back a text of the wrong shape.
void MaskEdBox::apply(const maskformat::EditResult& edit)
{
    apply(maskformat::GrowResult{edit, m_pattern});
}

// A grown field whose last position has been emptied, by whatever edit, goes
// back to its narrow shape.
void MaskEdBox::apply(const maskformat::GrowResult& result)
{
    if (!result.edit.accepted) {
        emit inputRejected();
        return;
    }
    const maskformat::GrowResult edit =
        phoneField()
            ? maskformat::phoneSettled(result.pattern, result.edit.text, result.edit.cursor)
            : maskformat::settled(m_designPattern, m_widePattern, result.pattern, result.edit.text,
                                  result.edit.cursor);
    if (!edit.edit.accepted) {
        emit inputRejected();
        return;
    }
    if (edit.pattern == m_pattern && edit.edit.text == text()) {
        setCursorPosition(edit.edit.cursor);
        return;
    }
    putText(edit.pattern, edit.edit.text);
    setCursorPosition(edit.edit.cursor);
    setModified(true);
    emit textEdited(edit.edit.text);
}

// A field that grows takes a pasted number as if its digits were typed, and
// refuses it whole when they do not all find a place. A phone field takes a
// foreign number as written.
void MaskEdBox::pasteText(const QString& clipText)
{
    if (phoneField() && writtenform::isForeignPhone(clipText)) {
        showWritten(writtenform::phoneForm(clipText));
    } else if (m_widePattern.isEmpty()) {
        apply(maskformat::paste(m_pattern, text(), inputStart(), selLength(), clipText));
    } else {
        typeText(writtenform::phoneDigits(clipText));
    }
}

void MaskEdBox::typeText(const QString& typed)
{
    if (phoneField())
        apply(maskformat::typePhone(m_pattern, text(), inputStart(), selLength(), typed));
    else
        apply(maskformat::typeGrowing(m_designPattern, m_widePattern, m_pattern, text(),
                                      inputStart(), selLength(), typed));
}

// A text that fits no mask, shown as the window shows such a stored text: with
// the mask off.
void MaskEdBox::showWritten(const QString& written)
{
    setMaskPattern(QString());
    setText(written);
    setMaxLength(writtenform::PhoneMaxLength);
    setModified(true);
    emit textEdited(written);
}

void MaskEdBox::pasteClipboard()
{
    pasteText(QGuiApplication::clipboard()->text());
}

void MaskEdBox::cutSelection()
{
    if (!hasSelectedText())
        return;
    copy();
    clearSelectedDigits();
}

void MaskEdBox::clearSelectedDigits()
{
    if (hasSelectedText())
        apply(maskformat::deleteForward(m_pattern, text(), selStart(), selLength()));
}

void MaskEdBox::keyPressEvent(QKeyEvent* event)
{
    if (!editable()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const auto commandModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const bool plain = !(event->modifiers() & commandModifiers);
    const QString typed = event->text();
    const bool printable = typed.size() == 1 && typed.at(0).isPrint();

    if (event->matches(QKeySequence::Paste)) {
        pasteClipboard();
    } else if (event->matches(QKeySequence::Cut)) {
        cutSelection();
    } else if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        // Nothing to undo: see apply().
    } else if (event->matches(QKeySequence::Delete)) {
        apply(maskformat::deleteForward(m_pattern, text(), selStart(), selLength()));
    } else if (event->key() == Qt::Key_Backspace && plain) {
        apply(maskformat::backspace(m_pattern, text(), selStart(), selLength()));
    } else if (printable && plain) {
        // Taken even when refused, so that a stray letter never reaches the text.
        typeText(typed);
    } else if (printable && !(event->modifiers() & Qt::ControlModifier)) {
        // Alt or Meta with a character is meant for the window, not for the text.
        event->ignore();
        return;
    } else {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

void MaskEdBox::inputMethodEvent(QInputMethodEvent* event)
{
    if (!editable()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // Composition previews are not shown; committed text goes in like a paste.
    if (!event->commitString().isEmpty())
        pasteText(event->commitString());
    event->accept();
}

void MaskEdBox::contextMenuEvent(QContextMenuEvent* event)
{
    if (!masked()) {
        QLineEdit::contextMenuEvent(event);
        return;
    }
    // The standard menu edits through QLineEdit paths that know nothing of the
    // mask, so the masked field builds its own with the mask-aware actions.
    // Captions come from QLineEdit's context to share its translations.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool canEdit = !isReadOnly();
    const bool selected = hasSelectedText();
    auto add = [&](const char* caption, QKeySequence::StandardKey key, bool enabled, auto slot) {
        QString label = QLineEdit::tr(caption);
        const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
        if (!shortcut.isEmpty())
            label += u'\t' + shortcut;
        menu->addAction(label, this, slot)->setEnabled(enabled);
    };
    add("Cu&t", QKeySequence::Cut, canEdit && selected, &MaskEdBox::cutSelection);
    add("&Copy", QKeySequence::Copy, selected, &QLineEdit::copy);
    add("&Paste", QKeySequence::Paste, canEdit, &MaskEdBox::pasteClipboard);
    add("Delete", QKeySequence::UnknownKey, canEdit && selected, &MaskEdBox::clearSelectedDigits);
    menu->addSeparator();
    add("Select All", QKeySequence::SelectAll, !text().isEmpty(), &QLineEdit::selectAll);
    menu->popup(event->globalPos());
}
