#pragma once

#include "engine.h"
#include "syncstate.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include <memory>
#include <optional>

class QEventLoop;
class QTimer;

// Keeps a book in step with its address book on a server while the contact
// window is open: a sync soon after start(), one a few seconds after the last
// of a burst of changes, and one at a steady interval, each on a worker thread
// of its own. One sync at a time in the whole program; one that finds another
// program syncing the same book skips without a word. The password is asked
// for on this thread (the keyring answers only there) before each sync; with
// none, the sync is skipped and stateLine() says why. A book not set up is
// only looked at, at the start and at each interval, in case it is set up
// meanwhile.
class SyncRunner : public QObject {
    Q_OBJECT
public:
    struct Timing {
        int firstMs = 0;
        int afterChangeMs = 3000;
        int everyMs = 15 * 60 * 1000;
        int closingMs = 5000; // the most the last sync is waited for
    };
    // The timing of the runners made from now on.
    static void setTiming(const Timing& timing);
    static Timing timing();

    explicit SyncRunner(const QString& book, QObject* parent = nullptr);
    // Waits for a sync under way, unless finish() gave up on it.
    ~SyncRunner() override;

    void start();
    // The book was written here: a sync once no change came for afterChangeMs.
    void changed();
    // A sync as soon as none is under way; confirmDeletions lets it go on with
    // a mass deletion.
    void syncNow(bool confirmDeletions = false);
    // No sync from now on but one last sync of the changes not yet sent, waited
    // for at most closingMs with the event loop running. True when nothing is
    // left running; false when a sync goes on without anyone waiting for it.
    bool finish();

    // A sync (or a look at the book, or the question for a password) is under way.
    bool busy() const { return m_thread || m_asking; }
    // The book's account as last read from it; none when it is not set up.
    const std::optional<syncstate::Account>& account() const { return m_account; }
    // "Última sincronização: hoje às 14:32, 3 recebidos, 1 enviado"; empty while
    // the book is not set up.
    QString stateLine(const QDateTime& now = QDateTime::currentDateTime()) const;

    // A sync of any runner is under way in this process.
    static bool anyRunning();

signals:
    // A sync ran (one that found another under way does not count).
    void finished(const syncengine::Summary& summary);

private:
    struct Task;
    enum Kind { Regular, Closing };
    enum Asked { Go, Skip, Gone };

    void run(Kind kind, bool confirmDeletions = false);
    Asked askPassword(Task& task);
    void done(const std::shared_ptr<Task>& task);
    void note(const QString& text);
    void settle();
    static void work(Task& task);

    QString m_book;
    Timing m_timing;
    QTimer* m_first = nullptr;
    QTimer* m_afterChange = nullptr;
    QTimer* m_every = nullptr;
    std::optional<syncstate::Account> m_account;
    bool m_looked = false; // the book has been looked at once
    QString m_password;    // the last one a sync took, for the closing sync
    QPointer<QThread> m_thread;
    bool m_asking = false; // waiting for the keyring
    bool m_again = false;  // a sync was asked for while one was under way
    bool m_againConfirm = false;
    bool m_stopped = false;
    bool m_closePending = false; // finish() waits for a sync, then runs the last one
    bool m_abandoned = false;    // finish() stopped waiting
    QEventLoop* m_waiting = nullptr;
    // This session's latest sync or skip, as the state line says it.
    struct Note {
        QDateTime when;
        QString text;
    };
    std::optional<Note> m_last;
};

// The texts of a background sync, for the contact and information windows.
namespace syncrunner {

// "hoje às 14:32", "ontem às 09:05", "07/12/2026 às 09:05".
QString whenText(const QDateTime& when, const QDateTime& now);
// What a sync did, after its time: "3 recebidos, 1 enviado", "falhou. …".
QString outcomeText(const syncengine::Summary& summary);
// The same, from what the book kept of its last sync.
QString storedText(const syncstate::Account& account);
// "Última sincronização: " and when, with what; "nenhuma ainda" without a time.
QString stateLine(const QDateTime& when, const QString& what, const QDateTime& now);

// The messages for a failure and for conflicts; empty when the summary tells
// of none.
QString failureText(const syncengine::Summary& summary);
QString conflictText(const syncengine::Summary& summary);
// The question for a sync stopped before a mass deletion.
QString deletionText(const syncengine::Summary& summary);

} // namespace syncrunner
