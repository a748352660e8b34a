#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QAbstractButton;
class QKeyEvent;
class QTabWidget;
class QWidget;

// Focus and keys of a window whose controls lie partly on the pages of a tab
// control. It watches the window's own controls only.
//
// - The focus stops are the window's controls in the order of the form's tab
//   stops, as Qt's focus chain holds them after the form is set up, read as a ring
//   from the tab control on. What a control adds of its own belongs to it: the
//   strip of the tab control and its buttons, the edit field of a combo box.
// - Tab and Shift+Tab move through the stops, controls on the pages behind
//   included: the page of the control that takes the focus comes to the front.
//   Locked and hidden controls are passed over.
// - Enter goes to the key preview, which by default turns it into Tab (Shift+Tab
//   with Shift held).
// - An access key shared by several buttons presses the first of them that is
//   enabled and shown.
// - Focus moves are reported as the window's procedures see them: a stop loses
//   the focus when another stop of the window takes it; the focus going to a
//   message box or another program and coming back is no move at all. When the
//   handler of a loss sends the focus elsewhere, the click that brought the focus
//   is void: the control it was aimed at never gets its press.
class FocusNavigator : public QObject {
    Q_OBJECT
public:
    // Sees the character code of each Enter typed into the window before the
    // control does; setting it to 0 consumes the key.
    using KeyPreview = std::function<void(qint16& KeyAscii)>;

    FocusNavigator(QWidget* window, QTabWidget* pages);

    QList<QWidget*> order() const { return m_order; }
    // The stop that holds widget (the control itself or one of its parts); null
    // when widget is in none.
    QWidget* stopOf(const QWidget* widget) const;

    void setKeyPreview(KeyPreview preview) { m_keyPreview = std::move(preview); }
    void shareAccessKey(int key, const QList<QAbstractButton*>& buttons);

    // Enter as Tab: the Tab goes through the event queue, so the focus moves (and
    // the stop left hears of it) after the caller returns, as a typed Tab would.
    void enterAsTab(qint16& KeyAscii);
    // Moves the focus to the next (or previous) stop that can take it.
    bool moveFocus(bool next);
    // Moves the focus as the program does: a control that can take the focus
    // brings its page to the front when it lies on one behind, and shows its
    // focus frame as after Tab.
    void focusOn(QWidget* control);

signals:
    void focusLeft(QWidget* stop);
    void focusEntered(QWidget* stop);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SharedKey {
        int key;
        QList<QAbstractButton*> buttons;
    };

    void watch(QWidget* widget);
    QWidget* controlOf(const QWidget* widget) const;
    void onFocusChanged(QWidget* now);
    bool handleKey(QKeyEvent* key);
    QWidget* pageOf(const QWidget* control) const;
    bool pressSharedKey(QKeyEvent* key);

    QWidget* m_window;
    QTabWidget* m_pages;
    QList<QWidget*> m_order;
    KeyPreview m_keyPreview;
    QList<SharedKey> m_sharedKeys;
    QPointer<QWidget> m_focused; // the stop that last had the focus
    bool m_voidClick = false;
    bool m_moving = false; // a Tab move under way
};
