#pragma once

#include "keyring.h"

#include <QString>

// Where a sync's password comes from, for the command line and the desktop
// alike: the password command kept in the user's settings; else the desktop's
// keyring; else the password given earlier in this session and kept in memory
// only (no keyring answered, or the user asked not to keep it).
namespace syncpassword {

struct Found {
    enum Source { Command, Keyring, Session, None };
    Source source = None;
    QString password;
    QString error;         // Command: the command failed, and why
    QString keyringDetail; // the keyring was asked and did not answer: why
};

Found find(const QString& url, const QString& user);

// The first line the command writes (run with /bin/sh -c); empty, with why
// set, when it failed.
QString fromCommand(const QString& command, QString* why);

// Keeps the account's password: in the keyring when remember is set and one
// answers, else in memory for this session (and out of the keyring, where an
// older one would come first). The keyring's answer.
keyring::Answer keep(const QString& url, const QString& user, const QString& password,
                     bool remember);
// Forgets the account's password, in the keyring and in memory.
keyring::Answer forget(const QString& url, const QString& user);

} // namespace syncpassword
