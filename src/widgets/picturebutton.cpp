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

PictureButton::Face PictureButton::face() const
{
    Face face;
    face.area = rect().adjusted(Margin, Margin, -Margin, -Margin);
    face.captionFont = font();
    QRect caption = QFontMetrics(face.captionFont).boundingRect(face.area, CaptionFlags, text());
    while (caption.width() > face.area.width() &&
           face.captionFont.pointSizeF() > SmallestPointSize) {
        face.captionFont.setPointSizeF(face.captionFont.pointSizeF() - 0.5);
        caption = QFontMetrics(face.captionFont).boundingRect(face.area, CaptionFlags, text());
    }

    const QSize picture = icon().isNull() ? QSize(0, 0) : iconSize();
    const int contentHeight =
        picture.height() + (picture.isEmpty() ? 0 : Spacing) + caption.height();
    int top = face.area.top() + qMax(0, (face.area.height() - contentHeight) / 2);
    if (!picture.isEmpty()) {
        face.picture = QRect(
            QPoint(face.area.left() + (face.area.width() - picture.width()) / 2, top), picture);
        top += picture.height() + Spacing;
    }
    caption.moveTop(top);
    face.caption = caption;
    return face;
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);

    // The button's face without its contents, then picture and caption our way.
    QStyleOptionToolButton frame = option;
    frame.text.clear();
    frame.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, frame);

    const Face face = this->face();
    const int pressed = option.state & (QStyle::State_Sunken | QStyle::State_On) ? 1 : 0;
    if (!face.picture.isNull()) {
        const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
        const QPixmap pixmap = icon().pixmap(face.picture.size(), devicePixelRatio(), mode);
        painter.drawPixmap(face.picture.topLeft() + QPoint(0, pressed), pixmap);
    }
    const int top = face.caption.top() + pressed;
    painter.setFont(face.captionFont);
    style()->drawItemText(
        &painter, QRect(face.area.left(), top, face.area.width(), face.area.bottom() - top + 1),
        CaptionFlags, palette(), isEnabled(), text(), QPalette::ButtonText);
}
