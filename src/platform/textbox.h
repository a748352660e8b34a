#pragma once

#include <QLineEdit>

// A one-line text field that takes pasted and dropped text as one line can hold
// it (see oneLine), and refuses whole, through inputRejected(), a paste or a
// character (an emoji takes two places) that would go past its length limit
// rather than cutting it. Unless the form says
// otherwise it holds up to 65,535 characters, as a classic one-line text box.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    // Text for one line: line breaks at its ends dropped, those inside and tabs
    // turned into blanks (a CR LF pair into one), the other control characters
    // and the direction overrides and isolates dropped. Other format characters
    // (the joiners inside emoji) stay.
    static QString oneLine(const QString& text);

    // Puts text in place of the selection, or at the caret, as a paste does.
    void pasteText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Whether typed would fit whole in place of the selection.
    bool fits(const QString& typed) const;
};
