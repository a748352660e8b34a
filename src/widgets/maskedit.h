#pragma once

#include <QLineEdit>

namespace maskformat {
struct EditResult;
struct GrowResult;
} // namespace maskformat

// A line edit that holds a fixed-shape text such as a phone number or a postal
// code. The mask pattern (see maskformat.h) fixes the text's length and its
// literals; the user only fills or clears the digit positions, and unfilled
// positions read back as '_'. With an empty pattern it is a plain line edit.
// A field may have a wide pattern too, which it grows into when a digit is typed
// at the end of its full text, and goes back from after any edit that leaves the
// wide pattern's extra position empty (see maskformat::settled).
// A phone field (PhonePattern, growing into MobilePattern) takes after every edit
// the pattern its digits call for (maskformat::phoneShape), and a pasted foreign
// number as written, with the mask off.
// Whatever the field refuses is reported through inputRejected().
class MaskEdBox : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString maskPattern READ maskPattern WRITE setMaskPattern)

public:
    explicit MaskEdBox(QWidget* parent = nullptr);

    // The pattern the text is in now.
    QString maskPattern() const { return m_pattern; }
    // "" removes the mask. Otherwise the current text is kept if it fits the new
    // pattern, and replaced by the empty mask text if it does not.
    void setMaskPattern(const QString& pattern);
    QString widePattern() const { return m_widePattern; }
    void setWidePattern(const QString& pattern) { m_widePattern = pattern; }

    // Puts text in the field as given, prompts included, in whichever of the
    // field's patterns (a phone field's all four) it fits (a ',' where a pattern has '.' becomes a
    // point). With a mask set, a text that fits neither is refused: returns false, field unchanged.
    bool setMaskedText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool masked() const { return !m_pattern.isEmpty(); }
    bool editable() const { return masked() && !isReadOnly(); }
    bool phoneField() const;
    int selStart() const;
    int selLength() const;
    int inputStart() const;
    bool blank() const; // no digit typed yet
    // The one way edits reach the text; see maskformat::settled.
    void apply(const maskformat::EditResult& edit);
    void apply(const maskformat::GrowResult& result);
    // Puts text in pattern into the field, whatever their lengths were before.
    void putText(const QString& pattern, const QString& text);
    void pasteText(const QString& clipText);
    void typeText(const QString& typed);
    void showWritten(const QString& written);
    void pasteClipboard();
    void cutSelection();
    void clearSelectedDigits();

    QString m_pattern;
    QString m_designPattern; // as last set, before any growing
    QString m_widePattern;
};
