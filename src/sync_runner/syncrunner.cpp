#include "syncrunner.h"

#include "carddavclient.h"
#include "database.h"
#include "syncpassword.h"
#include "syncsetup.h"
#include "usersettings.h"

#include <QAtomicInt>
#include <QEventLoop>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {
std::atomic<bool> syncing{false}; // one sync at a time in the program

SyncRunner::Timing& sharedTiming()
{
    static SyncRunner::Timing timing;
    return timing;
}

// Changes logged since the last sync, or a card sent whose answer never came.
const QString UnsentSql = QStringLiteral(
    "SELECT EXISTS (SELECT 1 FROM lstSyncChange) OR EXISTS (SELECT 1 FROM lstSyncLink "
    "WHERE pending <> 0)");

// The same account for the password: the same server and user.
bool samePassword(const syncstate::Account& a, const syncstate::Account& b)
{
    return a.serverUrl == b.serverUrl && a.user == b.user;
}
} // namespace

// One turn on the worker thread: what it is given, and what it finds.
struct SyncRunner::Task {
    QString book;
    bool closing = false; // only when changes wait to be sent
    bool confirmDeletions = false;
    std::optional<syncstate::Account> expected; // the account the password is for
    QString password;
    QString command; // the password command, run on the worker thread

    std::optional<syncstate::Account> account; // none: the book is not set up
    bool unsent = false;
    bool ran = false;
    syncengine::Summary summary;
    StoreError error; // the book could not be read
};

void SyncRunner::setTiming(const Timing& timing)
{
    sharedTiming() = timing;
}

SyncRunner::Timing SyncRunner::timing()
{
    return sharedTiming();
}

bool SyncRunner::anyRunning()
{
    return syncing.load();
}

SyncRunner::SyncRunner(const QString& book, QObject* parent)
    : QObject(parent), m_book(book), m_timing(sharedTiming()), m_first(new QTimer(this)),
      m_afterChange(new QTimer(this)), m_every(new QTimer(this))
{
    m_first->setSingleShot(true);
    m_afterChange->setSingleShot(true);
    connect(m_first, &QTimer::timeout, this, [this] { run(Regular); });
    connect(m_afterChange, &QTimer::timeout, this, [this] { run(Regular); });
    connect(m_every, &QTimer::timeout, this, [this] { run(Regular); });
}

SyncRunner::~SyncRunner()
{
    if (m_thread && !m_abandoned)
        m_thread->wait();
}

void SyncRunner::start()
{
    if (m_stopped)
        return;
    m_first->start(m_timing.firstMs);
    m_every->start(m_timing.everyMs);
}

void SyncRunner::changed()
{
    // A book found not set up is looked at again at the next interval only.
    if (!m_stopped && (m_account || !m_looked))
        m_afterChange->start(m_timing.afterChangeMs);
}

void SyncRunner::syncNow(bool confirmDeletions)
{
    run(Regular, confirmDeletions);
}

bool SyncRunner::finish()
{
    m_stopped = true;
    m_again = false;
    for (QTimer* timer : {m_first, m_afterChange, m_every})
        timer->stop();
    if (busy())
        m_closePending = true;
    else if (m_account)
        run(Closing);
    if (busy()) {
        QEventLoop loop;
        m_waiting = &loop;
        QTimer::singleShot(m_timing.closingMs, &loop, &QEventLoop::quit);
        loop.exec();
        m_waiting = nullptr;
    }
    m_closePending = false;
    m_abandoned = m_thread != nullptr;
    return !m_abandoned;
}

void SyncRunner::run(Kind kind, bool confirmDeletions)
{
    if (m_stopped && kind != Closing)
        return;
    if (busy()) {
        m_again = true;
        m_againConfirm = m_againConfirm || confirmDeletions;
        return;
    }
    if (syncing.load()) {
        // Another runner's: this one tries again a little later.
        m_afterChange->start(m_timing.afterChangeMs);
        return;
    }
    auto task = std::make_shared<Task>();
    task->book = m_book;
    task->closing = kind == Closing;
    task->confirmDeletions = confirmDeletions;
    if (m_account) {
        switch (askPassword(*task)) {
        case Gone:
            return;
        case Skip:
            settle();
            return;
        case Go:
            break;
        }
        if (m_stopped && kind != Closing)
            return settle();
    }
    syncing.store(true);
    QThread* thread = QThread::create([task] {
        work(*task);
        syncing.store(false);
    });
    m_thread = thread;
    connect(thread, &QThread::finished, this, [this, task] { done(task); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    // The window's thread comes first when both want the processor.
    thread->start(QThread::LowPriority);
}

SyncRunner::Asked SyncRunner::askPassword(Task& task)
{
    const syncstate::Account& account = *m_account;
    task.expected = account;
    const QString command = usersettings::load(account.serverUrl, account.user).passwordCommand;
    if (!command.isEmpty()) {
        task.command = command;
        return Go;
    }
    if (task.closing && !m_password.isEmpty()) {
        task.password = m_password;
        return Go;
    }
    // The keyring may take its time, running a local event loop meanwhile: the
    // runner may be asked for another sync, or be deleted, before it answers.
    const QPointer<SyncRunner> self(this);
    m_asking = true;
    const syncpassword::Found found = syncpassword::find(account.serverUrl, account.user);
    if (!self)
        return Gone;
    m_asking = false;
    if (found.source == syncpassword::Found::None) {
        QString why = QStringLiteral("não feita, sem a senha");
        if (!found.keyringDetail.isEmpty())
            why += QStringLiteral(" (") +
                   found.keyringDetail.chopped(found.keyringDetail.endsWith(u'.') ? 1 : 0) + u')';
        note(why + QStringLiteral(": informe-a em Sincronização…"));
        return Skip;
    }
    task.password = found.password;
    return Go;
}

void SyncRunner::work(Task& task)
{
    static QAtomicInt counter;
    {
        database::Connection connection(
            task.book, QStringLiteral("listrano-runner-%1").arg(counter.fetchAndAddRelaxed(1)), {},
            database::Connection::AsItIs);
        if ((task.error = connection.error()))
            return;
        const QSqlDatabase db = connection.db();
        const StoreResult<bool> setUp = syncstate::isSetUp(db);
        if ((task.error = setUp.error) || !setUp.value)
            return;
        const StoreResult<syncstate::Account> account = syncstate::account(db);
        if ((task.error = account.error))
            return;
        task.account = account.value;
        QSqlQuery q(db);
        if ((task.error = database::exec(q, UnsentSql)))
            return;
        task.unsent = q.next() && q.value(0).toBool();
    }
    if (!task.expected || !samePassword(*task.account, *task.expected) ||
        (task.closing && !task.unsent))
        return;
    task.ran = true;
    QString password = task.password;
    if (!task.command.isEmpty()) {
        QString why;
        password = syncpassword::fromCommand(task.command, &why);
        if (!why.isEmpty()) {
            task.summary.outcome = syncengine::Summary::Failed;
            task.summary.error = why.left(1).toUpper() + why.mid(1) + u'.';
            return;
        }
    }
    carddav::Client client(syncsetup::clientAccount(*task.account, password));
    syncengine::SyncOptions options;
    options.confirmDeletions = task.confirmDeletions;
    options.lockWaitMs = 0; // another sync under way: this one is not needed
    task.summary = syncengine::synchronise(task.book, client, options);
}

void SyncRunner::done(const std::shared_ptr<Task>& task)
{
    m_thread = nullptr;
    m_looked = true;
    if (!task->error)
        m_account = task->account;
    else if (m_account)
        note(QStringLiteral("não feita: ") + task->error.explained());
    if (task->ran && task->summary.outcome != syncengine::Summary::Busy) {
        m_last = Note{QDateTime::currentDateTime(), syncrunner::outcomeText(task->summary)};
        if (task->summary.outcome == syncengine::Summary::Done && task->command.isEmpty())
            m_password = task->password;
        const QPointer<SyncRunner> self(this);
        emit finished(task->summary);
        if (!self)
            return;
    }
    // The password was asked for another account, or before the account was known.
    const bool ask =
        task->account && (!task->expected || !samePassword(*task->account, *task->expected));
    if (ask && (!m_stopped || task->closing))
        return run(task->closing ? Closing : Regular, task->confirmDeletions);
    if (m_closePending && m_account) {
        m_closePending = false;
        return run(Closing);
    }
    if (m_again && !m_stopped) {
        const bool confirm = m_againConfirm;
        m_again = m_againConfirm = false;
        return run(Regular, confirm);
    }
    settle();
}

void SyncRunner::note(const QString& text)
{
    m_last = Note{QDateTime::currentDateTime(), text};
}

// Nothing under way: whoever waits for that stops waiting.
void SyncRunner::settle()
{
    if (m_waiting && !busy())
        m_waiting->quit();
}

QString SyncRunner::stateLine(const QDateTime& now) const
{
    if (!m_account)
        return {};
    QDateTime when = QDateTime::fromString(m_account->lastSync, Qt::ISODate);
    QString what = when.isValid() ? syncrunner::storedText(*m_account) : QString();
    if (m_last && (!when.isValid() || m_last->when >= when)) {
        when = m_last->when;
        what = m_last->text;
    }
    return syncrunner::stateLine(when, what, now);
}
