#include "syncpassword.h"

#include "usersettings.h"

#include <QHash>
#include <QMutex>
#include <QProcess>

namespace syncpassword {

namespace {
// This session's passwords, by keyring key.
QMutex sessionLock;
QHash<QString, QString>& session()
{
    static QHash<QString, QString> passwords;
    return passwords;
}
} // namespace

QString fromCommand(const QString& command, QString* why)
{
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished(1000);
        *why = QStringLiteral("o comando da senha falhou: %1").arg(command);
        return {};
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).section(u'\n', 0, 0);
}

Found find(const QString& url, const QString& user)
{
    Found found;
    const QString command = usersettings::load(url, user).passwordCommand;
    if (!command.isEmpty()) {
        found.source = Found::Command;
        found.password = fromCommand(command, &found.error);
        return found;
    }
    const keyring::Answer kept = keyring::read(url, user);
    if (kept.ok()) {
        found.source = Found::Keyring;
        found.password = kept.password;
        return found;
    }
    if (kept.status == keyring::Answer::Unavailable)
        found.keyringDetail = kept.detail;
    const QMutexLocker locker(&sessionLock);
    const auto it = session().constFind(keyring::key(url, user));
    if (it != session().constEnd()) {
        found.source = Found::Session;
        found.password = *it;
    }
    return found;
}

keyring::Answer keep(const QString& url, const QString& user, const QString& password,
                     bool remember)
{
    const keyring::Answer answer =
        remember ? keyring::write(url, user, password) : keyring::remove(url, user);
    const QMutexLocker locker(&sessionLock);
    if (remember && answer.ok())
        session().remove(keyring::key(url, user));
    else
        session().insert(keyring::key(url, user), password);
    return answer;
}

keyring::Answer forget(const QString& url, const QString& user)
{
    {
        const QMutexLocker locker(&sessionLock);
        session().remove(keyring::key(url, user));
    }
    return keyring::remove(url, user);
}

} // namespace syncpassword
