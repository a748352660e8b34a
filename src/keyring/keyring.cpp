#include "keyring.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocale>
#include <QThread>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace keyring {

namespace {
Store* chosen = nullptr;

bool onMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Starts job and waits for its answer, at most limitMs. A job that has not
// answered by then is left to finish on its own: it deletes itself when it
// does, and nothing of ours hears it any more.
Answer run(QKeychain::Job* job, int limitMs)
{
    Answer answer;
    if (!onMainThread()) {
        delete job;
        answer.detail = QStringLiteral("O chaveiro só é consultado pela linha principal do "
                                       "programa.");
        return answer;
    }
    job->setAutoDelete(true);
    QEventLoop loop;
    bool answered = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* done) {
        answered = true;
        switch (done->error()) {
        case QKeychain::NoError:
            answer.status = Answer::Ok;
            if (auto* reading = qobject_cast<QKeychain::ReadPasswordJob*>(done))
                answer.password = reading->textData();
            break;
        case QKeychain::EntryNotFound:
            answer.status = Answer::NotFound;
            break;
        default:
            answer.status = Answer::Unavailable;
            answer.detail = QStringLiteral("Nenhum chaveiro da sessão está disponível (%1).")
                                .arg(done->errorString());
            break;
        }
        loop.quit();
    });
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    job->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!answered)
        answer.detail = QStringLiteral("Nenhum chaveiro respondeu em %1 s.")
                            .arg(QLocale(QLocale::Portuguese, QLocale::Brazil)
                                     .toString(limitMs / 1000.0, 'g', 3));
    return answer;
}
} // namespace

QString key(const QString& url, const QString& user)
{
    return user + u'@' + url;
}

Answer DesktopStore::read(const QString& key)
{
    auto* job = new QKeychain::ReadPasswordJob(Service);
    job->setKey(key);
    return run(job, m_timeLimitMs);
}

Answer DesktopStore::write(const QString& key, const QString& password)
{
    auto* job = new QKeychain::WritePasswordJob(Service);
    job->setKey(key);
    job->setTextData(password);
    return run(job, m_timeLimitMs);
}

Answer DesktopStore::remove(const QString& key)
{
    auto* job = new QKeychain::DeletePasswordJob(Service);
    job->setKey(key);
    return run(job, m_timeLimitMs);
}

Store& current()
{
    static DesktopStore desktop;
    return chosen ? *chosen : desktop;
}

void setCurrent(Store* store)
{
    chosen = store;
}

Answer read(const QString& url, const QString& user)
{
    return current().read(key(url, user));
}

Answer write(const QString& url, const QString& user, const QString& password)
{
    return current().write(key(url, user), password);
}

Answer remove(const QString& url, const QString& user)
{
    return current().remove(key(url, user));
}

} // namespace keyring
