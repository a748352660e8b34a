#pragma once

#include "carddavclient.h"
#include "engine.h"
#include "syncsetup.h"

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class SyncDialog;
}
class QThread;

// The desktop's synchronisation settings for one book: the server, the user and
// the password (kept in the desktop's keyring, or for this session only), the
// address books found there, a sync now, and turning synchronisation off. The
// server is reached on a worker thread: the dialog never stops answering.
class SyncDialog : public QDialog {
    Q_OBJECT

public:
    explicit SyncDialog(const QString& book, QWidget* parent = nullptr);
    ~SyncDialog() override;

    // A test or a sync is under way.
    bool busy() const { return m_worker != nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    enum Task { Testing, Syncing };
    struct Outcome;

    void loadAccount();
    void loadPassword();
    void showState();
    void showLastSync();
    void say(const QString& text);
    void fit();
    bool ready();
    syncsetup::Request request() const;
    static bool commandPassword(syncsetup::Request& request, syncsetup::Result* refusal);
    void inBackground(const std::function<void()>& work, const std::function<void()>& done);

    void testServer();
    void tested(const syncsetup::Result& result);
    void syncNow(bool confirmDeletions = false);
    void synced(const Outcome& outcome);
    void showSummary(const syncengine::Summary& summary);
    void turnOff();
    void trustCertificate();
    bool refused(const syncsetup::Result& result);
    void serverRefused(const carddav::Error& error);
    void showBooks(const QList<carddav::AddressBook>& books);
    void keepPassword();

    std::unique_ptr<Ui::SyncDialog> ui;
    QString m_book;
    std::optional<syncstate::Account> m_account;    // the book is linked
    bool m_fromCommand = false;                     // a password command gives the password
    std::optional<std::pair<QString, bool>> m_kept; // the password kept, and where
    QHash<QString, QByteArray> m_trusted; // certificates trusted before the book is linked
    carddav::Error m_refused;             // a certificate the user may trust
    Task m_lastTask = Testing;
    QThread* m_worker = nullptr;
    QString m_note; // what the keyring said, added to the next messages
};

namespace syncdialog {

// "hoje às 14:32", or "07/12/2026 às 09:05", for a time given in ISO form.
QString whenText(const QString& iso, const QDateTime& now = QDateTime::currentDateTime());

// Opens the dialog for the book; the program's exit status: 1 when there is no
// book to work on, else 0.
int run(const QString& book);

} // namespace syncdialog
