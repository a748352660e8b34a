#pragma once

#include <QToolButton>

// A command button that shows a picture above its caption. A caption wider than
// the button is drawn in a smaller size rather than cut short.
class PictureButton : public QToolButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
