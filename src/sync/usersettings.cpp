#include "usersettings.h"

#include "privatefiles.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace usersettings {

namespace {
const QString FileName = QStringLiteral("sincronizacao.json");

QString key(const QString& url, const QString& user)
{
    return user + u'@' + url;
}

QJsonObject all()
{
    QFile file(QDir(folder()).filePath(FileName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.read(1 << 20)).object();
}

StoreError store(const QJsonObject& object)
{
    if (StoreError e = privatefiles::makeFolders(folder()))
        return e;
    return privatefiles::write(QDir(folder()).filePath(FileName),
                               QJsonDocument(object).toJson(QJsonDocument::Indented));
}
} // namespace

QString folder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir(base).filePath(QStringLiteral("listrano"));
}

AccountSettings load(const QString& url, const QString& user)
{
    const QJsonObject account = all().value(key(url, user)).toObject();
    AccountSettings s;
    s.passwordCommand = account.value(QStringLiteral("passwordCommand")).toString();
    const QJsonObject trusted = account.value(QStringLiteral("trustedCertificates")).toObject();
    for (auto it = trusted.begin(); it != trusted.end(); ++it)
        s.trustedCertificates.insert(it.key(), it.value().toString().toLatin1());
    return s;
}

StoreError save(const QString& url, const QString& user, const AccountSettings& settings)
{
    QJsonObject trusted;
    for (auto it = settings.trustedCertificates.begin(); it != settings.trustedCertificates.end();
         ++it)
        trusted.insert(it.key(), QString::fromLatin1(it.value()));
    QJsonObject account;
    if (!settings.passwordCommand.isEmpty())
        account.insert(QStringLiteral("passwordCommand"), settings.passwordCommand);
    if (!trusted.isEmpty())
        account.insert(QStringLiteral("trustedCertificates"), trusted);
    QJsonObject object = all();
    object.insert(key(url, user), account);
    return store(object);
}

StoreError forget(const QString& url, const QString& user)
{
    QJsonObject object = all();
    if (!object.contains(key(url, user)))
        return {};
    object.remove(key(url, user));
    return store(object);
}

} // namespace usersettings
