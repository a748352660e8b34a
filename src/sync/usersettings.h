#pragma once

#include "storeerror.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// What the user keeps for an account in their own settings, never in the book:
// a book travels in backups and mail, and opening a stranger's book must never
// run a command of theirs nor trust a certificate of theirs.
namespace usersettings {

struct AccountSettings {
    QString passwordCommand;                        // run with /bin/sh -c at each sync
    QHash<QString, QByteArray> trustedCertificates; // host -> SHA-256 (hex)
};

// $XDG_CONFIG_HOME/listrano (~/.config/listrano by default).
QString folder();

// An account's settings, keyed by its server address and user; empty ones when
// none are kept or the file cannot be read.
AccountSettings load(const QString& url, const QString& user);
// Kept in a file of the folder, both for the user alone (0700, 0600).
StoreError save(const QString& url, const QString& user, const AccountSettings& settings);
StoreError forget(const QString& url, const QString& user);

} // namespace usersettings
