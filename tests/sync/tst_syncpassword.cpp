#include "fakekeyring.h"
#include "syncpassword.h"
#include "usersettings.h"

#include <QTemporaryDir>
#include <QtTest>

// Where a sync's password comes from, and where a password given is kept.
class TestSyncPassword : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

    void order_data()
    {
        QTest::addColumn<QString>("command"); // the settings' password command
        QTest::addColumn<QString>("keyring"); // "kept", "empty" or "silent"
        QTest::addColumn<bool>("session");    // a password kept for the session
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("failed"); // the command failed
        QTest::addColumn<bool>("keyringSilent");
        using F = syncpassword::Found;
        QTest::newRow("the command comes first")
            << "printf 'do-comando\\noutra linha'"
            << "kept" << true << int(F::Command) << "do-comando" << false << false;
        QTest::newRow("a failing command is not passed over")
            << "exit 3"
            << "kept" << true << int(F::Command) << "" << true << false;
        QTest::newRow("then the keyring")
            << ""
            << "kept" << true << int(F::Keyring) << "do-chaveiro" << false << false;
        QTest::newRow("then the session, the keyring holding none")
            << ""
            << "empty" << true << int(F::Session) << "da-sessao" << false << false;
        QTest::newRow("then the session, no keyring answering")
            << ""
            << "silent" << true << int(F::Session) << "da-sessao" << false << true;
        QTest::newRow("none") << ""
                              << "empty" << false << int(F::None) << "" << false << false;
        QTest::newRow("none, no keyring answering")
            << ""
            << "silent" << false << int(F::None) << "" << false << true;
    }

    void order()
    {
        QFETCH(QString, command);
        QFETCH(QString, keyring);
        QFETCH(bool, session);
        QFETCH(int, source);
        QFETCH(QString, password);
        QFETCH(bool, failed);
        QFETCH(bool, keyringSilent);
        const QString url = QStringLiteral("https://nuvem.exemplo.com.br/");
        const QString user = QString::fromLatin1(QTest::currentDataTag());
        FakeKeyring fake;
        if (session)
            (void)syncpassword::keep(url, user, QStringLiteral("da-sessao"), false);
        if (keyring == u"kept")
            fake.kept.insert(keyring::key(url, user), QStringLiteral("do-chaveiro"));
        fake.available = keyring != u"silent";
        QVERIFY(!usersettings::save(url, user, {command, {}}));

        const syncpassword::Found found = syncpassword::find(url, user);
        QCOMPARE(int(found.source), source);
        QCOMPARE(found.password, password);
        QCOMPARE(!found.error.isEmpty(), failed);
        QCOMPARE(!found.keyringDetail.isEmpty(), keyringSilent);
        fake.available = true;
        (void)syncpassword::forget(url, user);
    }

    // A password given is kept where it is found again, and forgotten in both.
    void keep_data()
    {
        QTest::addColumn<bool>("remember");
        QTest::addColumn<bool>("answering");
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("inKeyring");
        using F = syncpassword::Found;
        QTest::newRow("remembered") << true << true << int(F::Keyring) << true;
        QTest::newRow("remembered, no keyring answering")
            << true << false << int(F::Session) << false;
        QTest::newRow("not remembered: an older one leaves the keyring")
            << false << true << int(F::Session) << false;
    }

    void keep()
    {
        QFETCH(bool, remember);
        QFETCH(bool, answering);
        QFETCH(int, source);
        QFETCH(bool, inKeyring);
        const QString url = QStringLiteral("https://nuvem.exemplo.com.br/");
        const QString user = QStringLiteral("bia");
        FakeKeyring fake;
        fake.kept.insert(keyring::key(url, user), QStringLiteral("antiga"));
        fake.available = answering;
        const keyring::Answer kept =
            syncpassword::keep(url, user, QStringLiteral("nova"), remember);
        QCOMPARE(kept.status == keyring::Answer::Unavailable, !answering);
        const syncpassword::Found found = syncpassword::find(url, user);
        QCOMPARE(int(found.source), source);
        QCOMPARE(found.password, QStringLiteral("nova"));
        fake.available = true;
        QCOMPARE(fake.kept.contains(keyring::key(url, user)), inKeyring || !answering);

        QVERIFY(syncpassword::forget(url, user).ok() || !inKeyring);
        QCOMPARE(int(syncpassword::find(url, user).source), int(syncpassword::Found::None));
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(TestSyncPassword)
#include "tst_syncpassword.moc"
