#pragma once

#include <QLineEdit>

namespace maskformat {
struct EditResult;
}

// A line edit that holds a fixed-shape text such as a phone number or a postal
// code. The mask pattern (see maskformat.h) fixes the text's length and its
// literals; the user only fills or clears the digit positions, and unfilled
// positions read back as '_'. With an empty pattern it is a plain line edit.
class MaskEdBox : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString maskPattern READ maskPattern WRITE setMaskPattern)

public:
    explicit MaskEdBox(QWidget* parent = nullptr);

    QString maskPattern() const { return m_pattern; }
    // "" removes the mask. Otherwise the current text is kept if it fits the new
    // pattern, and replaced by the empty mask text if it does not.
    void setMaskPattern(const QString& pattern);

    // Puts text in the field exactly as given, prompts included. With a mask set,
    // a text that does not fit it is refused: returns false, field unchanged.
    bool setMaskedText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool masked() const { return !m_pattern.isEmpty(); }
    bool editable() const { return masked() && !isReadOnly(); }
    int selStart() const;
    int selLength() const;
    int inputStart() const;
    void apply(const maskformat::EditResult& edit);
    void pasteText(const QString& clipText);
    void pasteClipboard();
    void cutSelection();
    void clearSelectedDigits();

    QString m_pattern;
};
