#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class frmInfo;
}
class QCloseEvent;
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

    // Puts text in the box in place of whatever it held. The lines may be
    // separated by a carriage return alone; each shows on a line of its own.
    void setInfoText(const QString& text);

private:
    void closeEvent(QCloseEvent* event) override;

    std::unique_ptr<Ui::frmInfo> ui;
};
