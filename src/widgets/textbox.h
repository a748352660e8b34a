#pragma once

#include <QLineEdit>

// A one-line text field that takes pasted and dropped text as one line can hold
// it (see textline::oneLine). A paste that would go past the length limit (counted in
// UTF-16 units, as QLineEdit counts it) goes in as far as it fits, never ending
// in half a surrogate pair, and the cut is reported through inputRejected(); an
// input-method commit is cut the same way. A typed character that does not fit
// whole (an emoji takes two places) is refused, through inputRejected(). Unless
// the form says otherwise it holds up to 65,535 characters, as a classic one-line
// text box.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    // Puts text in place of the selection, or at the caret, as a paste does:
    // as one line, and as much of it as fits.
    void pasteText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The places left for text put in place of the selection.
    qsizetype room() const;
    // Whether typed would fit whole in place of the selection.
    bool fits(const QString& typed) const;
};
