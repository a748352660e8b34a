#pragma once

#include <QFont>
#include <QRect>
#include <QToolButton>

// A command button that shows a picture above its caption. A caption wider than
// the button is drawn in a smaller size rather than cut short. Pressed by its
// access key it takes the focus first, as a click does, so that the field the
// user leaves is done with before the command runs.
class PictureButton : public QToolButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);

    // Where the face goes when the button is up: the picture and under it the
    // caption, both centred in the area inside the button's margins. The caption's
    // font is the button's own, or a smaller one (down to 6 pt) when the caption
    // is wider than the area.
    struct Face {
        QRect area;
        QRect picture;
        QRect caption;
        QFont captionFont;
    };
    Face face() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
