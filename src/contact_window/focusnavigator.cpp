#include "focusnavigator.h"

#include "keycodes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QChildEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QTimer>

FocusNavigator::FocusNavigator(QWidget* window, QTabWidget* pages)
    : QObject(window), m_window(window), m_pages(pages)
{
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        QWidget* stop = controlOf(w);
        if ((w->focusPolicy() & Qt::TabFocus) && !m_order.contains(stop))
            m_order.append(stop);
    }
    const int first = std::max(0, int(m_order.indexOf(pages)));
    m_order = m_order.mid(first) + m_order.mid(0, first);

    m_keyPreview = [this](qint16& KeyAscii) { enterAsTab(KeyAscii); };
    watch(window);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { onFocusChanged(now); });
}

void FocusNavigator::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(this);
}

// A combo's edit field hands its focus to the combo; the tab control hands its
// focus to its strip, and the strip's scroll buttons lie inside it.
QWidget* FocusNavigator::controlOf(const QWidget* widget) const
{
    if (QWidget* proxy = widget->focusProxy(); proxy && proxy->isAncestorOf(widget))
        return controlOf(proxy);
    for (QWidget* owner = widget->parentWidget(); owner && owner != m_window;
         owner = owner->parentWidget()) {
        const QWidget* proxy = owner->focusProxy();
        if (proxy && (proxy == widget || proxy->isAncestorOf(widget)))
            return owner;
    }
    return const_cast<QWidget*>(widget);
}

QWidget* FocusNavigator::stopOf(const QWidget* widget) const
{
    if (!widget)
        return nullptr;
    QWidget* control = controlOf(widget);
    return m_order.contains(control) ? control : nullptr;
}

void FocusNavigator::shareAccessKey(int key, const QList<QAbstractButton*>& buttons)
{
    m_sharedKeys.append({key, buttons});
}

void FocusNavigator::onFocusChanged(QWidget* now)
{
    if (m_moving || !now || now->window() != m_window)
        return;
    QWidget* stop = stopOf(now);
    QWidget* entered = stop ? stop : now;
    QWidget* left = m_focused;
    if (entered == left)
        return;
    m_focused = entered;
    if (left)
        emit focusLeft(left);
    // The handler may have sent the focus elsewhere already. If a click brought
    // the focus here, that click is void (the control would stay drawn pressed,
    // its release long gone to the message box the handler showed).
    if (m_focused == entered) {
        emit focusEntered(entered);
    } else {
        m_voidClick = true;
        QTimer::singleShot(0, this, [this] { m_voidClick = false; });
    }
}

void FocusNavigator::enterAsTab(qint16& KeyAscii)
{
    if (KeyAscii != keycode::Enter)
        return;
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != m_window)
        target = m_window;
    const bool back = QApplication::keyboardModifiers() & Qt::ShiftModifier;
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress,
                                                      back ? Qt::Key_Backtab : Qt::Key_Tab,
                                                      back ? Qt::ShiftModifier : Qt::NoModifier));
    KeyAscii = 0;
}

bool FocusNavigator::moveFocus(bool next)
{
    const int from = m_order.indexOf(stopOf(m_window->focusWidget()));
    if (from < 0)
        return false;
    const int count = int(m_order.size());
    for (int step = 1; step <= count; ++step) {
        QWidget* candidate = m_order.at(((from + (next ? step : -step)) % count + count) % count);
        QWidget* page = pageOf(candidate);
        const bool shown = candidate->isVisibleTo(page ? page : m_window);
        if (!candidate->isEnabled() || !shown)
            continue;
        {
            // Turning the page hands the focus to some control of the page in
            // front for a moment; that control was never entered, so the window
            // hears of the move only once it is done.
            const QScopedValueRollback<bool> moving(m_moving, true);
            if (page)
                m_pages->setCurrentWidget(page);
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        }
        onFocusChanged(QApplication::focusWidget());
        return true;
    }
    return false;
}

QWidget* FocusNavigator::pageOf(const QWidget* control) const
{
    for (int i = 0; i < m_pages->count(); ++i) {
        if (m_pages->widget(i)->isAncestorOf(control))
            return m_pages->widget(i);
    }
    return nullptr;
}

void FocusNavigator::focusOn(QWidget* control)
{
    QWidget* page = pageOf(control);
    if (page && control->isEnabled() && control->isVisibleTo(page))
        m_pages->setCurrentWidget(page);
    m_window->setAttribute(Qt::WA_KeyboardFocusChange);
    control->setFocus(Qt::OtherFocusReason);
}

bool FocusNavigator::pressSharedKey(QKeyEvent* key)
{
    for (const SharedKey& shared : m_sharedKeys) {
        if (key->key() != shared.key || key->modifiers() != Qt::AltModifier)
            continue;
        if (key->type() == QEvent::ShortcutOverride) {
            key->accept(); // a key press, not an ambiguous shortcut
            return true;
        }
        for (QAbstractButton* button : shared.buttons) {
            if (button->isEnabled() && button->isVisible()) {
                button->setFocus(Qt::ShortcutFocusReason);
                button->animateClick();
                break;
            }
        }
        return true;
    }
    return false;
}

bool FocusNavigator::handleKey(QKeyEvent* key)
{
    if (pressSharedKey(key))
        return true;
    const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && plain)
        return moveFocus(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        qint16 code = keycode::Enter;
        m_keyPreview(code);
        return code == 0;
    }
    return false;
}

bool FocusNavigator::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            watch(static_cast<QWidget*>(child));
        return false;
    }
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (!m_voidClick)
            return false;
        m_voidClick = false;
        return true;
    case QEvent::ShortcutOverride:
        return pressSharedKey(static_cast<QKeyEvent*>(event));
    case QEvent::KeyPress:
        return handleKey(static_cast<QKeyEvent*>(event));
    default:
        return false;
    }
}
