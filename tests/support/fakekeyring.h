#pragma once

#include "keyring.h"

#include <QHash>

// A keyring held in memory, made the program's own while it lives; it can be
// told to answer as a bare session's would: not at all.
class FakeKeyring : public keyring::Store {
public:
    FakeKeyring() { keyring::setCurrent(this); }
    ~FakeKeyring() override { keyring::setCurrent(nullptr); }
    FakeKeyring(const FakeKeyring&) = delete;
    FakeKeyring& operator=(const FakeKeyring&) = delete;

    bool available = true;
    QHash<QString, QString> kept; // by keyring::key

    keyring::Answer read(const QString& key) override
    {
        if (!available)
            return silence();
        if (!kept.contains(key))
            return {keyring::Answer::NotFound, {}, {}};
        return {keyring::Answer::Ok, kept.value(key), {}};
    }
    keyring::Answer write(const QString& key, const QString& password) override
    {
        if (!available)
            return silence();
        kept.insert(key, password);
        return {keyring::Answer::Ok, {}, {}};
    }
    keyring::Answer remove(const QString& key) override
    {
        if (!available)
            return silence();
        return {kept.remove(key) ? keyring::Answer::Ok : keyring::Answer::NotFound, {}, {}};
    }

private:
    static keyring::Answer silence()
    {
        return {keyring::Answer::Unavailable, {}, QStringLiteral("Nenhum chaveiro respondeu.")};
    }
};
