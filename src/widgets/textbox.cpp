#include "textbox.h"

#include "oneline.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace {
constexpr int ClassicMaxLength = 65535;

// The start of text that takes at most room places (UTF-16 units, as the limit
// counts them), never ending inside a surrogate pair.
QString fittingStart(const QString& text, qsizetype room)
{
    if (text.size() <= room)
        return text;
    if (room > 0 && text.at(room - 1).isHighSurrogate() && text.at(room).isLowSurrogate())
        --room;
    return text.left(qMax<qsizetype>(room, 0));
}
} // namespace

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(ClassicMaxLength);
}

void TextBox::pasteText(const QString& text)
{
    const QString line = textline::oneLine(text);
    if (isReadOnly() || line.isEmpty())
        return;
    const QString fitting = fittingStart(line, room());
    if (!fitting.isEmpty())
        insert(fitting);
    if (fitting.size() < line.size())
        emit inputRejected();
}

qsizetype TextBox::room() const
{
    return qMax<qsizetype>(0, maxLength() - (text().size() - selectedText().size()));
}

bool TextBox::fits(const QString& typed) const
{
    return typed.size() <= room();
}

void TextBox::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteText(QGuiApplication::clipboard()->text());
        event->accept();
        return;
    }
    // A character that does not fit whole (an emoji takes two places) is refused
    // rather than cut in half.
    const QString typed = event->text();
    const bool character = !typed.isEmpty() && typed.at(0).category() != QChar::Other_Control;
    if (!isReadOnly() && character && !fits(typed) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        emit inputRejected();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

// A commit that does not fit is cut as a paste is.
void TextBox::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (isReadOnly() || fits(commit)) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent cut(event->preeditString(), event->attributes());
    cut.setCommitString(fittingStart(commit, room()), event->replacementStart(),
                        event->replacementLength());
    QLineEdit::inputMethodEvent(&cut);
    emit inputRejected();
    event->accept();
}

// The middle button pastes the selection, where the system keeps one.
void TextBox::mouseReleaseEvent(QMouseEvent* event)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        deselect();
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        pasteText(clipboard->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TextBox::dropEvent(QDropEvent* event)
{
    // Text moved within the field is already one line.
    if (event->source() == this || !event->mimeData()->hasText()) {
        QLineEdit::dropEvent(event);
        return;
    }
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    pasteText(event->mimeData()->text());
    event->acceptProposedAction();
}

// The standard menu, its Paste going through pasteText.
void TextBox::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString paste = QLineEdit::tr("&Paste");
    for (QAction* action : menu->actions()) {
        if (action->text().section(u'\t', 0, 0) == paste) {
            action->setObjectName(QStringLiteral("edit-paste"));
            action->disconnect();
            connect(action, &QAction::triggered, this,
                    [this] { pasteText(QGuiApplication::clipboard()->text()); });
        }
    }
    menu->popup(event->globalPos());
}
