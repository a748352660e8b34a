#include "formlayout.h"

#include <QLabel>
#include <QScreen>
#include <QTabWidget>

namespace formlayout {

void showLabelsAsCaptionBars(QWidget* form)
{
    for (QLabel* label : form->findChildren<QLabel*>()) {
        label->setAutoFillBackground(true);
        label->setBackgroundRole(QPalette::Highlight);
        label->setForegroundRole(QPalette::HighlightedText);
        label->setFocusPolicy(Qt::NoFocus);
    }
}

void placePageControls(QTabWidget* tabs)
{
    for (int i = 0; i < tabs->count(); ++i) {
        QWidget* page = tabs->widget(i);
        const QPoint offset = page->mapTo(tabs, QPoint(0, 0));
        for (QWidget* child : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            child->move(child->pos() - offset);
    }
}

bool centreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return false;
    const QRect frame = window->frameGeometry();
    window->move(screen->availableGeometry().center() -
                 QPoint(frame.width() / 2, frame.height() / 2));
    return true;
}

} // namespace formlayout
