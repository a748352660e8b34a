#include "picturebutton.h"

#include <QEvent>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace {
const int Margin = 3;
const int Spacing = 2;
const qreal SmallestPointSize = 6.0;
const int CaptionFlags =
    Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
} // namespace

PictureButton::PictureButton(QWidget* parent) : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setFocusPolicy(Qt::StrongFocus);
}

bool PictureButton::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut && focusPolicy() & Qt::ClickFocus)
        setFocus(Qt::ShortcutFocusReason);
    return QToolButton::event(event);
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);

    // The button's face without its contents, then picture and caption our way.
    QStyleOptionToolButton face = option;
    face.text.clear();
    face.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, face);

    const QRect area = rect().adjusted(Margin, Margin, -Margin, -Margin);
    QFont font = this->font();
    QRect caption = QFontMetrics(font).boundingRect(area, CaptionFlags, text());
    while (caption.width() > area.width() && font.pointSizeF() > SmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        caption = QFontMetrics(font).boundingRect(area, CaptionFlags, text());
    }

    const QSize picture = icon().isNull() ? QSize(0, 0) : iconSize();
    const int contentHeight =
        picture.height() + (picture.isEmpty() ? 0 : Spacing) + caption.height();
    int top = area.top() + qMax(0, (area.height() - contentHeight) / 2);
    if (option.state & (QStyle::State_Sunken | QStyle::State_On))
        top += 1;

    if (!picture.isEmpty()) {
        const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
        const QPixmap pixmap = icon().pixmap(picture, devicePixelRatio(), mode);
        painter.drawPixmap(area.left() + (area.width() - picture.width()) / 2, top, pixmap);
        top += picture.height() + Spacing;
    }
    painter.setFont(font);
    style()->drawItemText(&painter, QRect(area.left(), top, area.width(), area.bottom() - top + 1),
                          CaptionFlags, palette(), isEnabled(), text(), QPalette::ButtonText);
}
