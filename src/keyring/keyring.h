#pragma once

#include <QString>

// Passwords kept in the desktop's keyring (the Secret Service, or the wallet of
// the desktop), under our service name and a key made of an account's address
// and user. The desktop's keyring answers asynchronously, and a bare session may
// have none that answers at all: each call waits at most timeLimitMs for an
// answer, running a local event loop, and tells that case apart as Unavailable.
//
// Calls are made on the application's main thread; on any other thread the
// desktop's keyring is Unavailable.
namespace keyring {

inline const QString Service = QStringLiteral("io.github.listrano.Listrano");
inline constexpr int TimeLimitMs = 5000;

struct Answer {
    enum Status {
        Ok,         // done; for a read, password holds what was kept
        NotFound,   // the keyring answered: nothing kept under the key
        Unavailable // no keyring answered in time, or it refused (why in detail)
    };
    Status status = Unavailable;
    QString password;
    QString detail; // in Portuguese, for Unavailable
    bool ok() const { return status == Ok; }
};

// The key of an account: "user@address", as the user's settings name it.
QString key(const QString& url, const QString& user);

// Where passwords are kept: the desktop's keyring, or a stand-in for tests.
class Store {
public:
    virtual ~Store() = default;
    virtual Answer read(const QString& key) = 0;
    virtual Answer write(const QString& key, const QString& password) = 0;
    virtual Answer remove(const QString& key) = 0;
};

// The desktop's keyring through QtKeychain.
class DesktopStore : public Store {
public:
    explicit DesktopStore(int timeLimitMs = TimeLimitMs) : m_timeLimitMs(timeLimitMs) {}
    Answer read(const QString& key) override;
    Answer write(const QString& key, const QString& password) override;
    Answer remove(const QString& key) override;

private:
    int m_timeLimitMs;
};

// The store the whole program uses: the desktop's keyring unless a test set
// another one (not owned; nullptr goes back to the desktop's).
Store& current();
void setCurrent(Store* store);

// The current store's calls for an account.
Answer read(const QString& url, const QString& user);
Answer write(const QString& url, const QString& user, const QString& password);
Answer remove(const QString& url, const QString& user);

} // namespace keyring
