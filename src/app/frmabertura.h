#pragma once

#include "frmquelmar.h"

#include <QWidget>

#include <future>
#include <memory>

class QTimer;

namespace Ui {
class frmAbertura;
}

// The start-up splash: the program's name and maker for a few seconds, then the
// contact window in its place. It has no frame and ignores clicks and keys.
class frmAbertura : public QWidget {
    Q_OBJECT
public:
    explicit frmAbertura(QWidget* parent = nullptr);
    ~frmAbertura() override;

    // The database the contact window opens (the program's folder's unless
    // told), and whether it was just made for the user, which is then said once
    // the window is up.
    void setDatabase(const QString& path, bool created);

public slots:
    // Time is up: opens the contact window and unloads the splash. When the
    // database cannot be opened it says so and ends the program with status 1.
    void Timer1_Timer();

signals:
    // The contact window the splash opened, already on screen.
    void contactWindowShown(frmQuelmar* window);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // An old Access contact book where the database belongs: offers to convert
    // it, and says how it went. True when a contact database is then in place.
    bool convertAccessBook();
    // Ends the program with status 1, without the splash.
    void endProgram();

    std::unique_ptr<Ui::frmAbertura> ui;
    QTimer* Timer1;
    bool m_timerStarted = false;
    QString m_databasePath = frmQuelmar::databasePath();
    bool m_databaseCreated = false;
    // The check of the database's file, made while the splash shows; what it
    // found goes to the contact window's opening of the file.
    std::future<StoreResult<database::CheckedFile>> m_check;
};
