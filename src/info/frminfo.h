#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class frmInfo;
}
class QTextEdit;

// The program information window: product, version and platforms, with licence,
// rights and author lines. Not modal, with no owner: it can outlive the contact
// window.
class frmInfo : public QWidget {
    Q_OBJECT
public:
    explicit frmInfo(QWidget* parent = nullptr);
    ~frmInfo() override;

    QTextEdit* rchInfo() const;

    // The one instance, created on first use and again after it was closed.
    static frmInfo* instance();
    // The information text: lines separated by a single carriage return.
    static QString infoText();

private:
    std::unique_ptr<Ui::frmInfo> ui;
};
