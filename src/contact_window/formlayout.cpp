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
        // What the bar captions is what a screen reader calls the field below it
        // (and the list that lies over that field).
        QString name = label->text();
        if (name.endsWith(u':'))
            name.chop(1);
        const QRect bar = label->geometry();
        for (QWidget* field :
             label->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            const QRect under = field->geometry();
            if (field != label && under.left() == bar.left() && under.width() == bar.width() &&
                under.top() == bar.bottom())
                field->setAccessibleName(name);
        }
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
