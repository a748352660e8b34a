#pragma once

#include <QToolButton>

// A command button that shows a picture above its caption. A caption wider than
// the button is drawn in a smaller size rather than cut short. Pressed by its
// access key it takes the focus first, as a click does, so that the field the
// user leaves is done with before the command runs.
class PictureButton : public QToolButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
